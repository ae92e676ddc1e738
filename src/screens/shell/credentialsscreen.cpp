#include "credentialsscreen.h"
#include "core/apperror.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "users/credentials.h"
#include "users/users.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

// The first user's row (tpass), as the data folder's files and the server's administrator
// hold it. On a server a person the server knows has no reading of it (nor needs one: the
// server checks their password), and a workstation without a connection of its own reaches
// the server only as a person.
RecordSource *openCredentials(App &app, QObject *parent)
{
    const Session &session = app.session();
    if (!app.locations().onServer())
        return openRecordSource(app.locations().credentialsPath(), QStringLiteral("tpass"), parent)
            .release();
    if ((!session.name.isEmpty() && !session.first) || !folderConnectionOpens(app.locations()))
        return nullptr;
    return openRecordSource(app.locations().credentialsPath(), QStringLiteral("tpass"), parent)
        .release();
}

} // namespace

CredentialsScreen::CredentialsScreen(App &app, const FormTable &form)
    : Screen(app, form)
    , Label1(control<QLabel>("Label1"))
    , txtuser(control<QLineEdit>("txtuser"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , cmdok(control<QPushButton>("cmdok"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , Adodc1(openCredentials(app, this))
{
    if (Adodc1)
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
    if (!Adodc1 || !app().session().first) {
        // Another user's own pair, as stored for them (or as the server checks it).
        if (txtuser->text() != app().session().name) {
            dialogs.message(QStringLiteral("User tidak dikenal"), Style::Ok);
            txtuser->setText(QString());
            txtpass->setText(QString());
            txtuser->setFocus();
            return false;
        }
        if (!ownCredentialsMatch(app().session(), txtuser->text(), txtpass->text())) {
            dialogs.message(QStringLiteral("Password Salah"), Style::Ok);
            txtpass->setText(QString());
            txtpass->setFocus();
            return false;
        }
        return true;
    }
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
