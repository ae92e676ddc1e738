#include "frmpengguna.h"
#include "core/apperror.h"
#include "ui/gridview.h"
#include "users/users.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmpengguna", .caption = "Pengguna", .clientWidth = 9360, .clientHeight = 5160, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 240, .top = 240, .width = 5175, .height = 4575, .tabIndex = 0 },
            { .name = "Label1", .kind = K::Label, .text = "&Nama", .left = 5640, .top = 300, .width = 975, .height = 255, .tabIndex = 11 },
            { .name = "txtnama", .kind = K::TextField, .text = "", .left = 6840, .top = 240, .width = 2295, .height = 315, .tabIndex = 1, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "&Password", .left = 5640, .top = 780, .width = 975, .height = 255, .tabIndex = 12 },
            { .name = "txtpass", .kind = K::TextField, .text = "", .left = 6840, .top = 720, .width = 2295, .height = 315, .tabIndex = 2, .maxLength = 10, .flags = Ctl::Password },
            { .name = "Frame1", .kind = K::Frame, .text = "Peran", .left = 5640, .top = 1200, .width = 3495, .height = 1335, .tabIndex = 13 },
            { .name = "optpemilik", .kind = K::Option, .text = "P&emilik", .left = 240, .top = 300, .width = 1455, .height = 255, .tabIndex = 3, .parent = "Frame1" },
            { .name = "optgudang", .kind = K::Option, .text = "&Gudang", .left = 240, .top = 600, .width = 1455, .height = 255, .tabIndex = 4, .parent = "Frame1" },
            { .name = "optkasir", .kind = K::Option, .text = "&Kasir", .left = 240, .top = 900, .width = 1455, .height = 255, .tabIndex = 5, .parent = "Frame1" },
            { .name = "cmdtambah", .kind = K::Button, .text = "&Tambah", .left = 5640, .top = 2760, .width = 1695, .height = 375, .tabIndex = 6 },
            { .name = "cmdperan", .kind = K::Button, .text = "Ganti P&eran", .left = 7440, .top = 2760, .width = 1695, .height = 375, .tabIndex = 7 },
            { .name = "cmdaktif", .kind = K::Button, .text = "&Nonaktifkan", .left = 5640, .top = 3300, .width = 1695, .height = 375, .tabIndex = 8 },
            { .name = "cmdreset", .kind = K::Button, .text = "&Reset Password", .left = 7440, .top = 3300, .width = 1695, .height = 375, .tabIndex = 9 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 7440, .top = 4440, .width = 1695, .height = 375, .tabIndex = 10 },
        },
    };
    return form;
}

enum Column { Nama };

} // namespace

frmpengguna::frmpengguna(App &app)
    : Screen(app, formTable())
    , DataGrid1(control<GridView>("DataGrid1"))
    , Label1(control<QLabel>("Label1"))
    , txtnama(control<QLineEdit>("txtnama"))
    , Label2(control<QLabel>("Label2"))
    , txtpass(control<QLineEdit>("txtpass"))
    , Frame1(control<QGroupBox>("Frame1"))
    , optpemilik(control<QRadioButton>("optpemilik"))
    , optgudang(control<QRadioButton>("optgudang"))
    , optkasir(control<QRadioButton>("optkasir"))
    , cmdtambah(control<QPushButton>("cmdtambah"))
    , cmdperan(control<QPushButton>("cmdperan"))
    , cmdaktif(control<QPushButton>("cmdaktif"))
    , cmdreset(control<QPushButton>("cmdreset"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_model(new QStandardItemModel(this))
{
    app.require(Right::Users);
    Label1->setBuddy(txtnama);
    Label2->setBuddy(txtpass);
    optkasir->setChecked(true);
    m_model->setHorizontalHeaderLabels({ QStringLiteral("Nama"), QStringLiteral("Peran"),
                                         QStringLiteral("Status"), QStringLiteral("Catatan") });
    DataGrid1->setAccessibleName(QStringLiteral("Daftar pengguna"));
    DataGrid1->showList(m_model);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { this->app().run([this] { on_DataGrid1_currentChanged(); }); });
    onClicked(cmdtambah, &frmpengguna::on_cmdtambah_clicked);
    onClicked(cmdperan, &frmpengguna::on_cmdperan_clicked);
    onClicked(cmdaktif, &frmpengguna::on_cmdaktif_clicked);
    onClicked(cmdreset, &frmpengguna::on_cmdreset_clicked);
    onClicked(cmdtutup, &frmpengguna::on_cmdtutup_clicked);
    reload();
}

const UserEntry *frmpengguna::current() const
{
    const QModelIndex at = DataGrid1->currentIndex();
    return at.isValid() && at.row() < int(m_users.size()) ? &m_users[size_t(at.row())] : nullptr;
}

QString frmpengguna::currentUser() const
{
    const UserEntry *u = current();
    return u ? u->name : QString();
}

Role frmpengguna::chosenRole() const
{
    return optpemilik->isChecked() ? Role::Pemilik
        : optgudang->isChecked()   ? Role::Gudang
                                   : Role::Kasir;
}

void frmpengguna::reload(const QString &name)
{
    m_users = listUsers(app().session());
    m_model->removeRows(0, m_model->rowCount());
    int stand = 0;
    for (const UserEntry &u : m_users) {
        QList<QStandardItem *> row;
        row << new QStandardItem(u.name) << new QStandardItem(roleCaption(u.role))
            << new QStandardItem(u.active ? QStringLiteral("aktif") : QStringLiteral("nonaktif"))
            << new QStandardItem(u.first                    ? QStringLiteral("pengguna pertama")
                                     : u.mustChangePassword ? QStringLiteral("harus ganti password")
                                                            : QString());
        if (u.name == name)
            stand = m_model->rowCount();
        m_model->appendRow(row);
    }
    DataGrid1->resizeColumnsToContents();
    if (m_model->rowCount() > 0)
        DataGrid1->setCurrentIndex(m_model->index(stand, Nama));
    on_DataGrid1_currentChanged();
}

void frmpengguna::on_DataGrid1_currentChanged()
{
    // The buttons say what they do to the user the grid stands on.
    const UserEntry *u = current();
    cmdaktif->setText(!u || u->active ? QStringLiteral("&Nonaktifkan")
                                      : QStringLiteral("&Aktifkan"));
    if (!u)
        return;
    (u->role == Role::Pemilik      ? optpemilik
         : u->role == Role::Gudang ? optgudang
                                   : optkasir)
        ->setChecked(true);
}

void frmpengguna::on_cmdtambah_clicked()
{
    const QString name = txtnama->text();
    addUser(app().session(), name, txtpass->text(), chosenRole());
    txtnama->setText(QString());
    txtpass->setText(QString());
    reload(name);
    app().dialogs().message(QStringLiteral("User %1 ditambahkan sebagai %2. Pada login pertama "
                                           "ia membuat password sendiri.")
                                .arg(name, roleCaption(chosenRole())),
                            Style::Information);
    txtnama->setFocus();
}

void frmpengguna::on_cmdperan_clicked()
{
    if (const UserEntry *u = current()) {
        const QString name = u->name;
        changeUser(app().session(), name, chosenRole(), u->active);
        reload(name);
    }
}

void frmpengguna::on_cmdaktif_clicked()
{
    const UserEntry *u = current();
    if (!u)
        return;
    const QString name = u->name;
    const bool enable = !u->active;
    const QString question = enable
        ? QStringLiteral("Aktifkan lagi user %1? Ia dapat login lagi dengan "
                         "passwordnya.")
              .arg(name)
        : QStringLiteral("Nonaktifkan user %1? Ia tidak dapat login lagi, dan program "
                         "yang sedang ia pakai ditutup.")
              .arg(name);
    // The first user is refused by the service, without a question first.
    if (!u->first
        && app().dialogs().message(question,
                                   Style::YesNo | Style::Information | Style::DefaultSecond,
                                   QStringLiteral("PERHATIAN"))
            != Button::Yes)
        return;
    changeUser(app().session(), name, u->role, enable);
    reload(name);
    app().dialogs().message(enable ? QStringLiteral("User %1 aktif lagi.").arg(name)
                                   : QStringLiteral("User %1 dinonaktifkan.").arg(name),
                            Style::Information);
}

void frmpengguna::on_cmdreset_clicked()
{
    const QString name = currentUser();
    if (name.isEmpty())
        return;
    if (txtpass->text().isEmpty()) {
        app().dialogs().message(QStringLiteral("Ketik password baru untuk %1 di kolom Password, "
                                               "lalu klik Reset Password lagi.")
                                    .arg(name),
                                Style::Ok);
        txtpass->setFocus();
        return;
    }
    resetPassword(app().session(), name, txtpass->text());
    txtpass->setText(QString());
    reload(name);
    app().dialogs().message(QStringLiteral("Password %1 sudah direset. Pada login berikutnya ia "
                                           "membuat password sendiri.")
                                .arg(name),
                            Style::Information);
}

void frmpengguna::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
