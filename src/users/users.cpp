#include "users.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/schema.h"
#include "credentials.h"
#include "store/reportquery.h"
#include "store/serverusers.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSysInfo>
#include <QUrl>

namespace gudang {

namespace {

namespace u = col::tpengguna;
namespace lg = col::tlogmasuk;

const QString kLoggedIn = QStringLiteral("masuk");
const QString kFailed = QStringLiteral("gagal masuk");
const int kFreeTries = 5;

bool isOne(const std::optional<QByteArray> &cell)
{
    return cell && cell->toDouble() == 1.0;
}

// The credentials of a data folder's files (or of a server through its own connection).
struct Credentials
{
    explicit Credentials(const QString &address)
        : store(openStore(address))
        , tpass(store->table(tableDef(QStringLiteral("tpass"))))
        , users(store->table(tableDef(QStringLiteral("tpengguna"))))
        , log(store->table(tableDef(QStringLiteral("tlogmasuk"))))
    { }

    std::optional<StoredRow> first() const
    {
        auto rows = allRowsOf(*tpass);
        if (rows.empty())
            return std::nullopt;
        return rows.front();
    }

    void logEvent(Transaction &tx, const QString &name, const QString &event, const QString &by,
                  const QString &remark, const QDateTime &when = QDateTime::currentDateTime())
    {
        const TableDef &def = log->definition();
        std::vector<Value> row(def.columns.size());
        row[lg::Waktu] = Value(when);
        row[lg::Nama] = Value(name.left(10));
        row[lg::Kejadian] = Value(event.left(20));
        row[lg::Oleh] = Value(by.left(10));
        row[lg::Komputer] = Value(computerName().left(64));
        row[lg::Keterangan] = Value(remark.left(100));
        log->append(
            tx, { lg::Waktu, lg::Nama, lg::Kejadian, lg::Oleh, lg::Komputer, lg::Keterangan }, row);
    }

    void logEvent(const QString &name, const QString &event, const QString &by,
                  const QString &remark = {}, const QDateTime &when = QDateTime::currentDateTime())
    {
        auto tx = store->begin();
        logEvent(*tx, name, event, by, remark, when);
        tx->commit();
    }

    std::shared_ptr<Store> store;
    std::unique_ptr<TableAccess> tpass, users, log;
};

// Wrong passwords for a name since its last login: how many, and when the last one was.
struct Failures
{
    int count = 0;
    QDateTime last;
};

Failures failuresInLog(const QString &address, const QString &name)
{
    Failures f;
    auto q = openReportQuery(address,
                             QStringLiteral("SELECT Kejadian, Waktu FROM tlogmasuk WHERE Nama = "
                                            ":nama ORDER BY No_Log DESC"),
                             { { QStringLiteral("nama"), name.left(10) } }, 30, {});
    while (q->next()) {
        const QString event = q->cell(0).text;
        if (event == kLoggedIn)
            break;
        if (event != kFailed)
            continue;
        if (f.count++ == 0)
            f.last = QDateTime::fromString(q->cell(1).text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    return f;
}

// On a server a failed login cannot be written there (the server let nobody in): this
// computer keeps it in the data folder and hands it to the server's log at the next login
// from here.
QString failedFile(const Locations &loc)
{
    return loc.dataDir() + QStringLiteral("/masuk-gagal.txt");
}

std::vector<std::pair<QString, QDateTime>> failedHere(const Locations &loc)
{
    std::vector<std::pair<QString, QDateTime>> out;
    QFile file(failedFile(loc));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> parts = line.split('\t');
        if (parts.size() == 2)
            out.emplace_back(QUrl::fromPercentEncoding(parts[0]),
                             QDateTime::fromString(QString::fromLatin1(parts[1]), Qt::ISODate));
    }
    return out;
}

void writeFailedHere(const Locations &loc, const std::vector<std::pair<QString, QDateTime>> &rows)
{
    if (rows.empty()) {
        QFile::remove(failedFile(loc));
        return;
    }
    QDir().mkpath(loc.dataDir());
    QSaveFile file(failedFile(loc));
    if (!file.open(QIODevice::WriteOnly))
        return; // a throttle that cannot be kept does not stop a login
    for (const auto &[name, when] : rows)
        // One line each, whatever the name holds (a line break, a tab): written escaped.
        file.write(QUrl::toPercentEncoding(name, " ") + '\t' + when.toString(Qt::ISODate).toLatin1()
                   + '\n');
    file.commit();
}

// A wrong password for the name, kept here.
void rememberFailure(const Locations &loc, const QString &name, const QDateTime &when)
{
    auto failed = failedHere(loc);
    failed.emplace_back(name, when);
    writeFailedHere(loc, failed);
}

// The name's failures kept here, taken out (at its login, for the log).
std::vector<QDateTime> takeFailures(const Locations &loc, const QString &name)
{
    std::vector<QDateTime> taken;
    auto failed = failedHere(loc);
    std::erase_if(failed, [&](const auto &f) {
        if (f.first != name)
            return false;
        taken.push_back(f.second);
        return true;
    });
    if (!taken.empty())
        writeFailedHere(loc, failed);
    return taken;
}

QString triedAt(const QDateTime &when)
{
    return QStringLiteral("dicoba %1").arg(when.toString(Qt::ISODate));
}

AppError changedElsewhere(const QString &name)
{
    return AppError(
        QStringLiteral("User %1 baru saja diubah di komputer lain; coba lagi.").arg(name),
        AppError::Kind::Changed);
}

Failures failuresHere(const Locations &loc, const QString &name)
{
    Failures f;
    for (const auto &[who, when] : failedHere(loc)) {
        if (who == name) {
            ++f.count;
            f.last = when;
        }
    }
    return f;
}

QString waitText(const QString &name, int tries, int seconds)
{
    return QStringLiteral("Sudah %1 kali password salah untuk user %2. Coba lagi dalam %3 detik.")
        .arg(QString::number(tries), name, QString::number(seconds));
}

void requireOwner(const Session &by)
{
    requireRight(by.role, Right::Users);
}

void checkNewName(const QString &name)
{
    if (name.trimmed().isEmpty() || name != name.trimmed())
        throw AppError(QStringLiteral("Nama pengguna harus diisi, tanpa spasi di awal atau akhir."),
                       AppError::Kind::Refused);
    if (name.size() > 10)
        throw AppError(QStringLiteral("Nama pengguna paling banyak 10 huruf."),
                       AppError::Kind::Refused);
}

void checkNewPassword(const QString &password)
{
    if (password.isEmpty())
        throw AppError(QStringLiteral("Password tidak boleh kosong."), AppError::Kind::Refused);
    if (password.size() > 10)
        throw AppError(QStringLiteral("Password paling banyak 10 huruf."), AppError::Kind::Refused);
}

bool onServer(const Session &s)
{
    return s.locations.onServer();
}

// On a server a person is a login role when the session connects as them (not through the
// folder's own connection).
bool personOnServer(const Session &s)
{
    return onServer(s) && !s.first;
}

} // namespace

int loginWaitSeconds(int failures)
{
    if (failures < kFreeTries)
        return 0;
    const int doublings = failures - kFreeTries;
    return doublings >= 11 ? 3600 : std::min(3600, 2 << doublings);
}

bool folderConnectionOpens(const Locations &locations)
{
    return !locations.onServer() || tryServerLogin(locations.server()).opened;
}

bool sessionShut(const Session &session)
{
    return personOnServer(session) && tryServerLoginAnew(session.locations.server()).shut;
}

QString computerName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("(tanpa nama)") : name;
}

LoginResult logIn(const Locations &loc, const QString &name, const QString &password,
                  const QDateTime &now)
{
    LoginResult result;
    const auto waitFor = [&](const Failures &f) {
        const int wait = loginWaitSeconds(f.count);
        if (wait > 0 && f.last.isValid() && now < f.last.addSecs(wait)) {
            result.outcome = LoginResult::Wait;
            result.waitSeconds = int(now.secsTo(f.last.addSecs(wait))) + 1;
            result.why = waitText(name, f.count, result.waitSeconds);
            return true;
        }
        return false;
    };
    if (loc.onServer() && waitFor(failuresHere(loc, name)))
        return result;
    // The folder's own connection: always to the files; to a server only from a computer that
    // has the store role's password. The first user logs in through it.
    std::optional<Credentials> creds;
    if (folderConnectionOpens(loc))
        creds.emplace(loc.credentialsPath());
    const std::optional<StoredRow> first = creds ? creds->first() : std::nullopt;
    const bool firstUser
        = first && first->cells[col::tpass::User] && cellText(first->cells[col::tpass::User]) == name;
    if (loc.onServer() && !firstUser) {
        // Anyone else is a person the server knows, and the server checks the password.
        const QString own = withServerLogin(loc.server(), name, password);
        const ServerLogin login = tryServerLogin(own);
        if (login.opened) {
            const ServerPerson person = serverPerson(own);
            if (person.schemaVersion < kSchemaVersion) {
                result.outcome = LoginResult::NotReady;
                result.why = QStringLiteral("Database di server belum siap untuk versi Gudang ini "
                                            "(versi skema %1, perlu %2). Minta pemilik atau "
                                            "pengelola server menjalankan: gudang --server "
                                            "\"...\" --init-server")
                                 .arg(person.schemaVersion)
                                 .arg(kSchemaVersion);
                return result;
            }
            if (person.role) {
                for (const QDateTime &when : takeFailures(loc, name))
                    serverLog(own, name, kFailed, computerName(), triedAt(when));
                serverLog(own, name, kLoggedIn, computerName(), {});
                result.outcome = LoginResult::LoggedIn;
                result.session = { name, *person.role, false, person.mustChangePassword,
                                   Locations(loc.dataDir(), own) };
                return result;
            }
            // The server's administrator, not a program user: checked below as any name.
        } else if (login.shut) {
            // Not a wrong password: not counted toward the waits.
            result.outcome = LoginResult::Disabled;
            result.why = QStringLiteral("User %1 tidak boleh masuk ke toko ini: sudah "
                                        "dinonaktifkan oleh pemilik, atau bukan user toko ini.")
                             .arg(name);
            return result;
        } else if (!login.refused) {
            throw AppError(login.why, AppError::Kind::CannotOpen);
        }
        if (!creds) { // only the people the server knows log in here
            rememberFailure(loc, name, now);
            result.outcome = LoginResult::WrongPassword;
            return result;
        }
    }
    if (!loc.onServer() && waitFor(failuresInLog(loc.credentialsPath(), name)))
        return result;
    const auto failedLogin = [&](LoginResult::Outcome outcome) {
        result.outcome = outcome;
        if (loc.onServer()) {
            rememberFailure(loc, name, now);
        } else {
            creds->logEvent(name, kFailed, QString(),
                            outcome == LoginResult::UnknownUser
                                ? QStringLiteral("user tidak dikenal")
                                : QString(),
                            now);
        }
        return result;
    };
    if (!first && !loc.onServer()) {
        result.outcome = LoginResult::NoUsers;
        return result;
    }
    if (firstUser) {
        if (!first->cells[col::tpass::Password]
            || !verifyPassword(cellText(first->cells[col::tpass::Password]), password))
            return failedLogin(LoginResult::WrongPassword);
        result.session = { name, Role::Pemilik, true, false, loc };
    } else if (loc.onServer()) {
        // The server did not take the pair: a person it knows typed another password.
        return failedLogin(creds->users->findStored(u::Nama, name, nullptr)
                               ? LoginResult::WrongPassword
                               : LoginResult::UnknownUser);
    } else {
        const std::optional<StoredRow> row = creds->users->findStored(u::Nama, name, nullptr);
        if (!row)
            return failedLogin(LoginResult::UnknownUser);
        if (!row->cells[u::Password] || !verifyPassword(cellText(row->cells[u::Password]), password))
            return failedLogin(LoginResult::WrongPassword);
        if (!isOne(row->cells[u::Aktif])) {
            result.outcome = LoginResult::Disabled;
            result.why = QStringLiteral("User %1 sudah dinonaktifkan oleh pemilik.").arg(name);
            creds->logEvent(name, kFailed, QString(), QStringLiteral("user nonaktif"), now);
            return result;
        }
        const std::optional<Role> role = roleFromName(cellText(row->cells[u::Peran]));
        if (!role)
            throw AppError(QStringLiteral("Peran user %1 tidak dikenal: %2.")
                               .arg(name, cellText(row->cells[u::Peran])));
        result.session
            = { name, *role, false, isOne(row->cells[u::Ganti_Password]), Locations(loc) };
    }
    if (loc.onServer()) {
        for (const QDateTime &when : takeFailures(loc, name))
            creds->logEvent(name, kFailed, QString(), triedAt(when), when);
    }
    creds->logEvent(name, kLoggedIn, name, {}, now);
    result.outcome = LoginResult::LoggedIn;
    return result;
}

std::vector<UserEntry> listUsers(const Session &by)
{
    requireOwner(by);
    Credentials creds(by.locations.credentialsPath());
    std::vector<UserEntry> out;
    if (const auto first = creds.first())
        out.push_back({ cellText(first->cells[col::tpass::User]), Role::Pemilik, true, false, true });
    std::vector<StoredRow> rows = allRowsOf(*creds.users);
    std::sort(rows.begin(), rows.end(), [](const StoredRow &a, const StoredRow &b) {
        return cellText(a.cells[u::Nama]) < cellText(b.cells[u::Nama]);
    });
    for (const StoredRow &r : rows)
        out.push_back({ cellText(r.cells[u::Nama]),
                        roleFromName(cellText(r.cells[u::Peran])).value_or(Role::Kasir),
                        isOne(r.cells[u::Aktif]), isOne(r.cells[u::Ganti_Password]), false });
    return out;
}

void addUser(const Session &by, const QString &name, const QString &password, Role role)
{
    requireOwner(by);
    checkNewName(name);
    checkNewPassword(password);
    Credentials creds(by.locations.credentialsPath());
    const auto first = creds.first();
    if ((first && cellText(first->cells[col::tpass::User]) == name)
        || creds.users->findStored(u::Nama, name, nullptr))
        throw AppError(QStringLiteral("User %1 sudah ada.").arg(name), AppError::Kind::Unique);
    const QString said = QStringLiteral("peran %1").arg(roleName(role));
    if (onServer(by)) {
        serverAddUser(by.locations.server(), name, password, role);
        // The server writes the change into its log itself.
        return;
    }
    auto tx = creds.store->begin();
    const TableDef &def = creds.users->definition();
    std::vector<Value> row(def.columns.size());
    row[u::Nama] = Value(name);
    row[u::Password] = Value(hashPassword(password));
    row[u::Peran] = Value(roleName(role));
    row[u::Aktif] = Value(1.0);
    row[u::Ganti_Password] = Value(1.0);
    creds.users->insert(*tx, { u::Nama, u::Password, u::Peran, u::Aktif, u::Ganti_Password }, row);
    creds.logEvent(*tx, name, QStringLiteral("user ditambah"), by.name, said);
    tx->commit();
}

void changeUser(const Session &by, const QString &name, Role role, bool active)
{
    requireOwner(by);
    Credentials creds(by.locations.credentialsPath());
    const auto first = creds.first();
    if (first && cellText(first->cells[col::tpass::User]) == name)
        throw AppError(QStringLiteral("User %1 adalah pengguna pertama: selalu pemilik dan selalu "
                                      "aktif. Nama dan passwordnya diganti di menu Ganti "
                                      "Pasword.")
                           .arg(name),
                       AppError::Kind::Refused);
    auto tx = creds.store->begin();
    const std::optional<StoredRow> row = creds.users->findStored(u::Nama, name, &*tx);
    if (!row)
        throw AppError(QStringLiteral("User %1 tidak ada.").arg(name), AppError::Kind::Missing);
    const std::optional<Role> was = roleFromName(cellText(row->cells[u::Peran]));
    const bool wasActive = isOne(row->cells[u::Aktif]);
    if (was == Role::Pemilik && wasActive && (role != Role::Pemilik || !active)) {
        // The last active owner stays: the first user is one, always; so is any other.
        int owners = first ? 1 : 0;
        for (const StoredRow &r : allRowsOf(*creds.users)) {
            if (r.rowId != row->rowId && isOne(r.cells[u::Aktif])
                && roleFromName(cellText(r.cells[u::Peran])) == Role::Pemilik)
                ++owners;
        }
        if (owners == 0)
            throw AppError(QStringLiteral("User %1 adalah pemilik aktif terakhir: tidak dapat "
                                          "dinonaktifkan atau diganti perannya.")
                               .arg(name),
                           AppError::Kind::Refused);
    }
    QStringList said;
    if (was != role)
        said << QStringLiteral("peran %1 menjadi %2")
                    .arg(cellText(row->cells[u::Peran]), roleName(role));
    if (wasActive != active)
        said << (active ? QStringLiteral("diaktifkan") : QStringLiteral("dinonaktifkan"));
    if (said.isEmpty())
        return;
    if (onServer(by)) {
        tx.reset();
        serverChangeUser(by.locations.server(), name, role, active);
        // The server writes the change into its log itself.
        return;
    }
    std::vector<Value> values(creds.users->definition().columns.size());
    values[u::Peran] = Value(roleName(role));
    values[u::Aktif] = Value(active ? 1.0 : 0.0);
    int64_t rowId = row->rowId;
    if (creds.users->update(*tx, rowId, cellsOf(*row), { u::Peran, u::Aktif }, values)
        != TableAccess::Outcome::Done)
        throw changedElsewhere(name);
    creds.logEvent(*tx, name, QStringLiteral("user diubah"), by.name,
                   said.join(QStringLiteral(", ")));
    tx->commit();
}

void resetPassword(const Session &by, const QString &name, const QString &password)
{
    requireOwner(by);
    checkNewPassword(password);
    Credentials creds(by.locations.credentialsPath());
    const auto first = creds.first();
    if (first && cellText(first->cells[col::tpass::User]) == name)
        throw AppError(QStringLiteral("Password pengguna pertama %1 diganti di menu Ganti "
                                      "Pasword.")
                           .arg(name),
                       AppError::Kind::Refused);
    if (onServer(by)) {
        serverSetPassword(by.locations.server(), name, password, true);
        // The server writes the change into its log itself.
        return;
    }
    auto tx = creds.store->begin();
    const std::optional<StoredRow> row = creds.users->findStored(u::Nama, name, &*tx);
    if (!row)
        throw AppError(QStringLiteral("User %1 tidak ada.").arg(name), AppError::Kind::Missing);
    std::vector<Value> values(creds.users->definition().columns.size());
    values[u::Password] = Value(hashPassword(password));
    values[u::Ganti_Password] = Value(1.0);
    int64_t rowId = row->rowId;
    if (creds.users->update(*tx, rowId, cellsOf(*row), { u::Password, u::Ganti_Password }, values)
        != TableAccess::Outcome::Done)
        throw changedElsewhere(name);
    creds.logEvent(*tx, name, QStringLiteral("password direset"), by.name, {});
    tx->commit();
}

bool ownCredentialsMatch(const Session &session, const QString &name, const QString &password)
{
    if (name != session.name)
        return false;
    if (personOnServer(session))
        return tryServerLogin(withServerLogin(session.locations.server(), name, password)).opened;
    Credentials creds(session.locations.credentialsPath());
    if (session.first) {
        const auto first = creds.first();
        return first && cellText(first->cells[col::tpass::User]) == name
            && first->cells[col::tpass::Password]
            && verifyPassword(cellText(first->cells[col::tpass::Password]), password);
    }
    const auto row = creds.users->findStored(u::Nama, name, nullptr);
    return row && row->cells[u::Password]
        && verifyPassword(cellText(row->cells[u::Password]), password);
}

void changeOwnCredentials(Session &session, const QString &newName, const QString &newPassword)
{
    checkNewName(newName);
    checkNewPassword(newPassword);
    if (personOnServer(session)) {
        if (newName != session.name)
            throw AppError(QStringLiteral("Di server nama user tidak dapat diganti; hanya "
                                          "passwordnya. Tulis nama %1 lagi sebagai user baru.")
                               .arg(session.name),
                           AppError::Kind::Refused);
        serverSetPassword(session.locations.server(), session.name, newPassword, false);
        // The server writes the change into its log itself.
        // Later connections of this session log in with the new password.
        session.locations
            = Locations(session.locations.dataDir(),
                        withServerLogin(session.locations.server(), session.name, newPassword));
        session.mustChangePassword = false;
        return;
    }
    Credentials creds(session.locations.credentialsPath());
    auto tx = creds.store->begin();
    const auto first = creds.first();
    const bool taken = newName != session.name
        && ((first && cellText(first->cells[col::tpass::User]) == newName)
            || creds.users->findStored(u::Nama, newName, &*tx));
    if (taken)
        throw AppError(QStringLiteral("User %1 sudah ada.").arg(newName), AppError::Kind::Unique);
    TableAccess &table = session.first ? *creds.tpass : *creds.users;
    const std::optional<StoredRow> row
        = session.first ? first : creds.users->findStored(u::Nama, session.name, &*tx);
    if (!row)
        throw AppError(QStringLiteral("User %1 tidak ada lagi.").arg(session.name),
                       AppError::Kind::Missing);
    std::vector<Value> values(table.definition().columns.size());
    std::vector<int> columns;
    if (session.first) {
        values[col::tpass::User] = Value(newName);
        values[col::tpass::Password] = Value(hashPassword(newPassword));
        columns = { col::tpass::User, col::tpass::Password };
    } else {
        values[u::Nama] = Value(newName);
        values[u::Password] = Value(hashPassword(newPassword));
        values[u::Ganti_Password] = Value(0.0);
        columns = { u::Nama, u::Password, u::Ganti_Password };
    }
    int64_t rowId = row->rowId;
    if (table.update(*tx, rowId, cellsOf(*row), columns, values) != TableAccess::Outcome::Done)
        throw changedElsewhere(session.name);
    creds.logEvent(*tx, newName, QStringLiteral("password diganti"), session.name,
                   newName != session.name
                       ? QStringLiteral("nama %1 menjadi %2").arg(session.name, newName)
                       : QString());
    tx->commit();
    session.name = newName;
    session.mustChangePassword = false;
}

} // namespace gudang
