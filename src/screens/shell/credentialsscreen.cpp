#include "credentialsscreen.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "users/credentials.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

CredentialsScreen::CredentialsScreen(App &app, const FormTable &form)
    : Screen(app, form)
    , Label1(control<QLabel>("Label1"))
    , txtuser(control<QLineEdit>("txtuser"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , cmdok(control<QPushButton>("cmdok"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , Adodc1(openRecordSource(app.locations().credentialsPath(), QStringLiteral("tpass"), this)
                 .release())
{
    Adodc1->setObjectName(QStringLiteral("Adodc1"));
    onEnter(txtuser, &CredentialsScreen::on_txtuser_returnPressed);
    onClicked(cmdtutup, &CredentialsScreen::on_cmdtutup_clicked);
}

void CredentialsScreen::on_txtuser_returnPressed()
{
    txtpass->setFocus();
}

void CredentialsScreen::on_cmdtutup_clicked()
{
    unloadMe();
}

bool CredentialsScreen::typedCredentialsMatch()
{
    Dialogs &dialogs = app().dialogs();
    const Value storedUser = Adodc1->field(col::tpass::User);
    if (storedUser.isNull() || storedUser.toText() != txtuser->text()) {
        dialogs.message(QStringLiteral("User tidak dikenal"), Style::Ok);
        txtuser->setText(QString());
        txtpass->setText(QString());
        txtuser->setFocus();
        return false;
    }
    const Value storedPassword = Adodc1->field(col::tpass::Password);
    if (storedPassword.isNull() || !verifyPassword(storedPassword.toText(), txtpass->text())) {
        dialogs.message(QStringLiteral("Password Salah"), Style::Ok);
        txtpass->setText(QString());
        txtpass->setFocus();
        return false;
    }
    return true;
}

} // namespace gudang
