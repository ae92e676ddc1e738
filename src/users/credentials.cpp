#include "credentials.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/locations.h"
#include "core/schema.h"
#include "store/setup.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <sodium.h>

namespace gudang {

// The program's own cost; the test suites link a cheaper one of their own in its place.
__attribute__((weak)) PasswordHashCost passwordHashCost()
{
    return { crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE };
}

namespace {

void initSodium()
{
    if (sodium_init() < 0)
        throw AppError(QStringLiteral("Pustaka kriptografi tidak dapat dimulai."));
}

} // namespace

QString hashPassword(const QString &password)
{
    initSodium();
    const QByteArray pw = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const PasswordHashCost cost = passwordHashCost();
    if (crypto_pwhash_str(out, pw.constData(), quint64(pw.size()), cost.operations, cost.memory)
        != 0) {
        throw AppError(QStringLiteral("Memori tidak cukup untuk mengamankan password."));
    }
    return QString::fromLatin1(out);
}

bool verifyPassword(const QString &stored, const QString &typed)
{
    initSodium();
    const QByteArray hash = stored.toLatin1();
    if (hash.size() >= crypto_pwhash_STRBYTES || stored.toLatin1() != stored.toUtf8())
        return false;
    const QByteArray pw = typed.toUtf8();
    return crypto_pwhash_str_verify(hash.constData(), pw.constData(), quint64(pw.size())) == 0;
}

bool createFirstUser(const Locations &locations, const QString &user, const QString &password)
{
    if (!locations.onServer()) { // the server's tables are made by --init-server
        createDatabaseFile(locations.credentialsPath(), DbRole::Credentials);
        createDatabaseFile(locations.workingPath(), DbRole::Working);
    }
    const QString hash = hashPassword(password);
    auto store = openStore(locations.credentialsPath());
    const TableDef &tpass = tableDef(QStringLiteral("tpass"));
    auto access = store->table(tpass);
    // Made once: two workstations at the first-run window of one new server make one user;
    // the second is told and goes to the login. The check and the write are one transaction
    // that holds the table.
    auto tx = store->begin();
    if (!access->isEmpty(tx.get()))
        return false;
    std::vector<Value> row { user, hash };
    row[col::tpass::User] = toColumnValue(tpass.columns[col::tpass::User], Value(user));
    access->insert(*tx, { col::tpass::User, col::tpass::Password }, row);
    tx->commit();
    return true;
}

} // namespace gudang
