#include "frmawal.h"
#include "credentials.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmawal",
        "Buat User Pertama",
        4500,
        2460,
        QColor(192, 255, 255),
        "Comic Sans MS",
        8.25,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "User", 240, 240, 1455, 225, -1 },
            { "txtuser", K::TextField, "", 1920, 240, 2295, 285, 0, 10 },
            { "Label2", K::Label, "Password", 240, 720, 1455, 225, -1 },
            { "txtpass", K::TextField, "", 1920, 720, 2295, 285, 1, 10, Ctl::Password },
            { "Label3", K::Label, "Ulangi Password", 240, 1200, 1575, 225, -1 },
            { "txtulang", K::TextField, "", 1920, 1200, 2295, 285, 2, 10, Ctl::Password },
            { "cmdsimpan", K::Button, "&Simpan", 1080, 1800, 1095, 375, 3 },
            { "cmdbatal", K::Button, "&Batal", 2400, 1800, 1095, 375, 4 },
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
    createFirstUser(app().locations(), txtuser->text(), txtpass->text());
    if (onCreated)
        onCreated();
    unloadMe();
}

void frmawal::on_cmdbatal_clicked()
{
    unloadMe();
}

} // namespace gudang
