#include "frmpas.h"
#include "credentials.h"
#include "data/apperror.h"
#include "data/recordsource.h"
#include "data/safekeeping.h"
#include "frmutama.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmpas",
        "Password",
        3270,
        1725,
        QColor(192, 255, 255),
        "Comic Sans MS",
        8.25,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "User", 240, 240, 360, 225, 1 },
            { "txtuser", K::TextField, "", 1560, 240, 1335, 285, 0, 10 },
            { "Label2", K::Label, "Password", 240, 600, 705, 225, 3 },
            { "txtpass", K::TextField, "", 1560, 600, 1335, 285, 2, 10, Ctl::Password },
            { "cmdok", K::Button, "OK", 720, 1200, 735, 375, 4 },
            { "cmdtutup", K::Button, "Tutup", 1920, 1200, 735, 375, 5 },
        },
    };
    return form;
}

} // namespace

frmpas::frmpas(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtuser(control<QLineEdit>("txtuser"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , cmdok(control<QPushButton>("cmdok"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    Adodc1 = openRecordSource(app.locations().credentialsPath(), QStringLiteral("tpass"), this)
                 .release();
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    onEnter(txtuser, &frmpas::on_txtuser_returnPressed);
    onEnter(txtpass, &frmpas::on_txtpass_returnPressed);
    onClicked(cmdok, &frmpas::on_cmdok_clicked);
    onClicked(cmdtutup, &frmpas::on_cmdtutup_clicked);
}

void frmpas::on_txtuser_returnPressed()
{
    txtpass->setFocus();
}

void frmpas::on_txtpass_returnPressed()
{
    // Only moves on: the login runs on a click or a further Enter on the button.
    cmdok->setFocus();
}

void frmpas::on_cmdok_clicked()
{
    if (Adodc1->recordCount() == 0) {
        // No user at all: say where the credentials can be had back from.
        throw AppError(QStringLiteral("Tidak ada data yang aktif pada tabel tpass.\n%1")
                           .arg(lastBackupText(app().locations(), DbRole::Credentials)));
    }
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
    ScreenManager &screens = app().screens();
    screens.showModal(screens.get<frmutama>(), [this] { unloadMe(); });
}

void frmpas::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
