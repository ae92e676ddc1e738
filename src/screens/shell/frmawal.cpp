#include "frmawal.h"
#include "users/credentials.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmawal", .caption = "Buat User Pertama", .clientWidth = 4500, .clientHeight = 2460, .background = QColor(192, 255, 255), .fontFamily = "Comic Sans MS", .fontPoints = 8.25, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "User", .left = 240, .top = 240, .width = 1455, .height = 225 },
            { .name = "txtuser", .kind = K::TextField, .text = "", .left = 1920, .top = 240, .width = 2295, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Password", .left = 240, .top = 720, .width = 1455, .height = 225 },
            { .name = "txtpass", .kind = K::TextField, .text = "", .left = 1920, .top = 720, .width = 2295, .height = 285, .tabIndex = 1, .maxLength = 10, .flags = Ctl::Password },
            { .name = "Label3", .kind = K::Label, .text = "Ulangi Password", .left = 240, .top = 1200, .width = 1575, .height = 225 },
            { .name = "txtulang", .kind = K::TextField, .text = "", .left = 1920, .top = 1200, .width = 2295, .height = 285, .tabIndex = 2, .maxLength = 10, .flags = Ctl::Password },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 1080, .top = 1800, .width = 1095, .height = 375, .tabIndex = 3 },
            { .name = "cmdbatal", .kind = K::Button, .text = "&Batal", .left = 2400, .top = 1800, .width = 1095, .height = 375, .tabIndex = 4 },
        },
    };
    return form;
}

} // namespace

frmawal::frmawal(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtuser(control<QLineEdit>("txtuser"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , Label3(control<QLabel>("Label3"))
    , txtulang(control<QLineEdit>("txtulang"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdbatal(control<QPushButton>("cmdbatal"))
{
    onEnter(txtuser, &frmawal::on_txtuser_returnPressed);
    onEnter(txtpass, &frmawal::on_txtpass_returnPressed);
    onEnter(txtulang, &frmawal::on_txtulang_returnPressed);
    onClicked(cmdsimpan, &frmawal::on_cmdsimpan_clicked);
    onClicked(cmdbatal, &frmawal::on_cmdbatal_clicked);
}

void frmawal::on_txtuser_returnPressed()
{
    txtpass->setFocus();
}

void frmawal::on_txtpass_returnPressed()
{
    txtulang->setFocus();
}

void frmawal::on_txtulang_returnPressed()
{
    cmdsimpan->setFocus();
}

void frmawal::on_cmdsimpan_clicked()
{
    if (txtuser->text().isEmpty()) {
        app().dialogs().message(QStringLiteral("User harus diisi"), Style::Information);
        txtuser->setFocus();
        return;
    }
    if (txtpass->text() != txtulang->text()) {
        app().dialogs().message(QStringLiteral("Password dan ulangan password tidak sama"),
                                Style::Information);
        txtpass->setText(QString());
        txtulang->setText(QString());
        txtpass->setFocus();
        return;
    }
    if (!createFirstUser(app().locations(), txtuser->text(), txtpass->text()))
        app().dialogs().message(QStringLiteral("Pengguna pertama sudah dibuat di komputer lain. "
                                               "Masuk dengan pengguna itu."),
                                Style::Information);
    if (onCreated)
        onCreated();
    unloadMe();
}

void frmawal::on_cmdbatal_clicked()
{
    unloadMe();
}

} // namespace gudang
