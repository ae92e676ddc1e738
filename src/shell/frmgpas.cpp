#include "frmgpas.h"
#include "credentials.h"
#include "data/recordsource.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmgpas",
        "Ganti Password",
        3645,
        2700,
        QColor(192, 255, 255),
        "Comic Sans MS",
        8.25,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "User Lama", 240, 120, 795, 225, 6 },
            { "txtuser", K::TextField, "", 1800, 120, 1335, 285, 4, 10 },
            { "Label2", K::Label, "Password Lama", 240, 600, 1140, 225, 5 },
            { "txtpass", K::TextField, "", 1800, 600, 1335, 285, 3, 10, Ctl::Password },
            { "Label4", K::Label, "User baru", 240, 1080, 750, 225, 10 },
            { "txtus2", K::TextField, "", 1800, 1080, 1335, 285, 8, 10, Ctl::Disabled },
            { "Label3", K::Label, "Password Baru", 240, 1560, 1110, 225, 9 },
            { "txtpas2", K::TextField, "", 1800, 1560, 1335, 285, 7, 10,
              Ctl::Disabled | Ctl::Password },
            { "cmdok", K::Button, "OK", 840, 2160, 735, 375, 2, 0, Ctl::Disabled },
            { "cmdtutup", K::Button, "Tutup", 1920, 2160, 735, 375, 1 },
        },
    };
    return form;
}

} // namespace

frmgpas::frmgpas(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtuser(control<QLineEdit>("txtuser"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , Label4(control<QLabel>("Label4"))
    , txtus2(control<QLineEdit>("txtus2"))
    , Label3(control<QLabel>("Label3"))
    , txtpas2(control<QLineEdit>("txtpas2"))
    , cmdok(control<QPushButton>("cmdok"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    Adodc1 = openRecordSource(app.locations().credentialsPath(), QStringLiteral("tpass"), this)
                 .release();
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    onEnter(txtuser, &frmgpas::on_txtuser_returnPressed);
    onEnter(txtpass, &frmgpas::on_txtpass_returnPressed);
    onEnter(txtus2, &frmgpas::on_txtus2_returnPressed);
    onEnter(txtpas2, &frmgpas::on_txtpas2_returnPressed);
    onClicked(cmdok, &frmgpas::on_cmdok_clicked);
    onClicked(cmdtutup, &frmgpas::on_cmdtutup_clicked);
}

void frmgpas::on_txtuser_returnPressed()
{
    txtpass->setFocus();
}

void frmgpas::on_txtpass_returnPressed()
{
    const Value user = Adodc1->field(0);
    if (user.isNull() || user.toText() != txtuser->text()) {
        app().dialogs().message(QStringLiteral("User tidak dikenal"), Style::Ok);
        txtuser->setText(QString());
        txtpass->setText(QString());
        txtuser->setFocus();
        return;
    }
    const Value password = Adodc1->field(1);
    if (password.isNull() || !verifyPassword(password.toText(), txtpass->text())) {
        app().dialogs().message(QStringLiteral("Password Salah"), Style::Ok);
        txtpass->setText(QString());
        txtpass->setFocus();
        return;
    }
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
    Adodc1->setField(0, txtus2->text());
    Adodc1->setField(1, hashPassword(txtpas2->text()));
    Adodc1->update();
    app().dialogs().message(QStringLiteral("Data Sudah Ter-update"), Style::Ok);
    txtus2->setText(QString());
    txtuser->setText(QString());
    txtpas2->setText(QString());
    txtpass->setText(QString());
    cmdtutup->setFocus();
}

void frmgpas::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
