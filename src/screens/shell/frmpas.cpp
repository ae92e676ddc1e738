#include "frmpas.h"
#include "core/apperror.h"
#include "core/schema.h"
#include "files/backups.h"
#include "frmgpas.h"
#include "frmutama.h"
#include "model/recordsource.h"
#include "users/users.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmpas", .caption = "Password", .clientWidth = 3270, .clientHeight = 1725, .background = QColor(192, 255, 255), .fontFamily = "Comic Sans MS", .fontPoints = 8.25, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "User", .left = 240, .top = 240, .width = 360, .height = 225, .tabIndex = 1 },
            { .name = "txtuser", .kind = K::TextField, .text = "", .left = 1560, .top = 240, .width = 1335, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Password", .left = 240, .top = 600, .width = 705, .height = 225, .tabIndex = 3 },
            { .name = "txtpass", .kind = K::TextField, .text = "", .left = 1560, .top = 600, .width = 1335, .height = 285, .tabIndex = 2, .maxLength = 10, .flags = Ctl::Password },
            { .name = "cmdok", .kind = K::Button, .text = "OK", .left = 720, .top = 1200, .width = 735, .height = 375, .tabIndex = 4 },
            { .name = "cmdtutup", .kind = K::Button, .text = "Tutup", .left = 1920, .top = 1200, .width = 735, .height = 375, .tabIndex = 5 },
        },
    };
    return form;
}

} // namespace

frmpas::frmpas(App &app)
    : CredentialsScreen(app, formTable())
{
    onEnter(txtpass, &frmpas::on_txtpass_returnPressed);
    onClicked(cmdok, &frmpas::on_cmdok_clicked);
}

void frmpas::on_txtpass_returnPressed()
{
    // Only moves on: the login runs on a click or a further Enter on the button.
    cmdok->setFocus();
}

void frmpas::on_cmdok_clicked()
{
    Dialogs &dialogs = app().dialogs();
    const auto noUser = [this] {
        // No user at all: say where the credentials can be had back from.
        throw AppError(QStringLiteral("Tidak ada data yang aktif pada tabel tpass.\n%1")
                           .arg(lastBackupText(app().locations(), DbRole::Credentials)));
    };
    if (Adodc1 && Adodc1->recordCount() == 0)
        noUser();
    const LoginResult result = logIn(app().locations(), txtuser->text(), txtpass->text());
    switch (result.outcome) {
    case LoginResult::NoUsers:
        noUser();
        return;
    case LoginResult::UnknownUser:
        dialogs.message(QStringLiteral("User tidak dikenal"), Style::Ok);
        txtuser->setText(QString());
        txtpass->setText(QString());
        txtuser->setFocus();
        return;
    case LoginResult::WrongPassword:
        dialogs.message(QStringLiteral("Password Salah"), Style::Ok);
        txtpass->setText(QString());
        txtpass->setFocus();
        return;
    case LoginResult::Disabled:
    case LoginResult::Wait:
    case LoginResult::NotReady:
        dialogs.message(result.why, Style::Critical);
        txtpass->setText(QString());
        txtpass->setFocus();
        return;
    case LoginResult::LoggedIn:
        break;
    }
    app().setSession(result.session); // the journal names who changed the stock
    app().sessionShut = [session = result.session] {
        return sessionShut(session);
    };
    app().loggedOut = [this] {
        txtuser->setText(QString());
        txtpass->setText(QString());
        txtuser->setFocus();
    };
    ScreenManager &screens = app().screens();
    if (result.session.mustChangePassword) {
        // A password the owner set is used once: the user sets their own before anything else.
        dialogs.message(QStringLiteral("Password Anda baru saja diatur oleh pemilik. Buat "
                                       "password baru Anda sekarang."),
                        Style::Information);
        frmgpas &change = screens.get<frmgpas>();
        change.mustChange = true;
        screens.showModal(change, [this] {
            ScreenManager &all = app().screens();
            if (app().session().mustChangePassword) {
                all.end(); // closed without a new password: no further
                return;
            }
            all.showModal(all.get<frmutama>(), [this] { unloadMe(); });
        });
        return;
    }
    screens.showModal(screens.get<frmutama>(), [this] { unloadMe(); });
}

} // namespace gudang
