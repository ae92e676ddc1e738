#include "frmgpas.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "users/credentials.h"
#include "users/users.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmgpas", .caption = "Ganti Password", .clientWidth = 3645, .clientHeight = 2700, .background = QColor(192, 255, 255), .fontFamily = "Comic Sans MS", .fontPoints = 8.25, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "User Lama", .left = 240, .top = 120, .width = 795, .height = 225, .tabIndex = 6 },
            { .name = "txtuser", .kind = K::TextField, .text = "", .left = 1800, .top = 120, .width = 1335, .height = 285, .tabIndex = 4, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Password Lama", .left = 240, .top = 600, .width = 1140, .height = 225, .tabIndex = 5 },
            { .name = "txtpass", .kind = K::TextField, .text = "", .left = 1800, .top = 600, .width = 1335, .height = 285, .tabIndex = 3, .maxLength = 10, .flags = Ctl::Password },
            { .name = "Label4", .kind = K::Label, .text = "User baru", .left = 240, .top = 1080, .width = 750, .height = 225, .tabIndex = 10 },
            { .name = "txtus2", .kind = K::TextField, .text = "", .left = 1800, .top = 1080, .width = 1335, .height = 285, .tabIndex = 8, .maxLength = 10, .flags = Ctl::Disabled },
            { .name = "Label3", .kind = K::Label, .text = "Password Baru", .left = 240, .top = 1560, .width = 1110, .height = 225, .tabIndex = 9 },
            { .name = "txtpas2", .kind = K::TextField, .text = "", .left = 1800, .top = 1560, .width = 1335, .height = 285, .tabIndex = 7, .maxLength = 10, .flags = Ctl::Disabled | Ctl::Password },
            { .name = "cmdok", .kind = K::Button, .text = "OK", .left = 840, .top = 2160, .width = 735, .height = 375, .tabIndex = 2, .flags = Ctl::Disabled },
            { .name = "cmdtutup", .kind = K::Button, .text = "Tutup", .left = 1920, .top = 2160, .width = 735, .height = 375, .tabIndex = 1 },
        },
    };
    return form;
}

} // namespace

frmgpas::frmgpas(App &app)
    : CredentialsScreen(app, formTable())
    , Label4(control<QLabel>("Label4"))
    , txtus2(control<QLineEdit>("txtus2"))
    , Label3(control<QLabel>("Label3"))
    , txtpas2(control<QLineEdit>("txtpas2"))
{
    onEnter(txtpass, &frmgpas::on_txtpass_returnPressed);
    onEnter(txtus2, &frmgpas::on_txtus2_returnPressed);
    onEnter(txtpas2, &frmgpas::on_txtpas2_returnPressed);
    onClicked(cmdok, &frmgpas::on_cmdok_clicked);
}

void frmgpas::focusFirst()
{
    if (!mustChange) {
        CredentialsScreen::focusFirst();
        return;
    }
    txtuser->setText(app().session().name);
    txtus2->setText(app().session().name);
    txtpass->setFocus(Qt::OtherFocusReason);
}

void frmgpas::on_txtpass_returnPressed()
{
    if (!typedCredentialsMatch())
        return;
    txtus2->setEnabled(true);
    txtpas2->setEnabled(true);
    txtus2->setFocus();
}

void frmgpas::on_txtus2_returnPressed()
{
    txtpas2->setFocus();
}

void frmgpas::on_txtpas2_returnPressed()
{
    cmdok->setEnabled(true);
    cmdok->setFocus();
}

void frmgpas::on_cmdok_clicked()
{
    if (Adodc1 && app().session().first) {
        Adodc1->setField(col::tpass::User, txtus2->text());
        Adodc1->setField(col::tpass::Password, hashPassword(txtpas2->text()));
        Adodc1->update();
        app().setUser(txtus2->text());
    } else {
        Session session = app().session();
        changeOwnCredentials(session, txtus2->text(), txtpas2->text());
        app().setSession(session);
        if (mustChange) {
            app().dialogs().message(QStringLiteral("Data Sudah Ter-update"), Style::Ok);
            unloadMe(); // on to the main menu
            return;
        }
    }
    app().dialogs().message(QStringLiteral("Data Sudah Ter-update"), Style::Ok);
    txtus2->setText(QString());
    txtuser->setText(QString());
    txtpas2->setText(QString());
    txtpass->setText(QString());
    cmdtutup->setFocus();
}

} // namespace gudang
