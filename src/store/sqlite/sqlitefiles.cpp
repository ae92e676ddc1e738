#include "sqlitefiles.h"
#include "core/apperror.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>
#include <sqlite3.h>

namespace gudang {

namespace {

// A read-only connection that closes itself.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path)
    {
        m_rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY,
                               nullptr);
        if (m_rc == SQLITE_OK) {
            sqlite3_extended_result_codes(m_db, 1);
            sqlite3_busy_timeout(m_db, 2000);
        }
    }
    ~ReadOnly() { sqlite3_close_v2(m_db); }
    ReadOnly(const ReadOnly &) = delete;
    ReadOnly &operator=(const ReadOnly &) = delete;

    bool ok() const { return m_rc == SQLITE_OK; }
    sqlite3 *handle() const { return m_db; }
    QString error() const
    {
        return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db))
                    : QString::fromUtf8(sqlite3_errstr(m_rc));
    }

    // The rows of the first column of a query; `ok` false when it failed.
    QStringList column(const char *sql, bool *ok) const
    {
        QStringList rows;
        sqlite3_stmt *st = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql, -1, &st, nullptr);
        while (rc == SQLITE_OK && (rc = sqlite3_step(st)) == SQLITE_ROW) {
            rows << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            rc = SQLITE_OK;
        }
        sqlite3_finalize(st);
        *ok = rc == SQLITE_DONE || rc == SQLITE_OK;
        return rows;
    }

private:
    sqlite3 *m_db = nullptr;
    int m_rc = SQLITE_OK;
};

QStringList columnsOf(const ReadOnly &db, const QString &table, bool *ok)
{
    const QByteArray sql
        = QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table).toUtf8();
    return db.column(sql.constData(), ok);
}

} // namespace

namespace {

QString pageCheckOn(const ReadOnly &db, bool full, const std::atomic<bool> *stop)
{
    if (stop)
        sqlite3_progress_handler(
            db.handle(), 1000,
            [](void *flag) { return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0; },
            const_cast<std::atomic<bool> *>(stop));
    bool ok = false;
    const QStringList result
        = db.column(full ? "PRAGMA integrity_check" : "PRAGMA quick_check", &ok);
    if (stop && stop->load())
        return QStringLiteral("pemeriksaan dihentikan");
    if (!ok)
        return QStringLiteral("pemeriksaan database gagal: %1").arg(db.error());
    if (result != QStringList { QStringLiteral("ok") })
        return QStringLiteral("pemeriksaan database menemukan kerusakan: %1").arg(result.value(0));
    return {};
}

QStringList foreignListOn(const ReadOnly &db, DbRole role)
{
    QStringList problems;
    std::set<QString> ours;
    for (const TableDef *t : tablesOf(role)) {
        ours.insert(t->name);
        bool ok = false;
        const QStringList cols = columnsOf(db, t->name, &ok);
        // A table or a column of a later version is made when the file is first opened by
        // this program.
        if (ok && cols.isEmpty() && t->since > 1)
            continue;
        if (!ok || cols.isEmpty())
            problems << QStringLiteral("tabel %1 tidak ada").arg(t->name);
        else if (!columnsOfSomeVersion(*t, cols))
            problems << QStringLiteral("kolom tabel %1 lain (%2)")
                            .arg(t->name, cols.join(QStringLiteral(", ")));
    }
    bool ok = false;
    const QStringList objects
        = db.column("SELECT type || ' ' || name FROM sqlite_schema ORDER BY rowid", &ok);
    if (!ok)
        return { QStringLiteral("daftar isinya tidak dapat dibaca: %1").arg(db.error()) };
    const std::vector<const IndexDef *> indexes = indexesOf(role);
    static const std::map<QString, QString> kinds = {
        { QStringLiteral("table"), QStringLiteral("tabel") },
        { QStringLiteral("view"), QStringLiteral("view") },
        { QStringLiteral("trigger"), QStringLiteral("trigger") },
        { QStringLiteral("index"), QStringLiteral("index") },
    };
    for (const QString &o : objects) {
        const QString type = o.section(QLatin1Char(' '), 0, 0);
        const QString name = o.section(QLatin1Char(' '), 1);
        if (type == QLatin1String("table")
            && (ours.count(name) || name == QLatin1String("sqlite_sequence")))
            continue;
        if (type == QLatin1String("index") && name.startsWith(QLatin1String("sqlite_autoindex_")))
            continue;
        if (type == QLatin1String("index")
            && std::any_of(indexes.begin(), indexes.end(),
                           [&](const IndexDef *i) { return i->name == name; }))
            continue;
        const auto k = kinds.find(type);
        problems << QStringLiteral("%1 %2 yang tidak dibuat Gudang")
                        .arg(k == kinds.end() ? type : k->second, name);
    }
    return problems;
}

} // namespace

QString sqlitePageCheck(const QString &path, bool full, const std::atomic<bool> *stop)
{
    ReadOnly db(path);
    if (!db.ok())
        return QStringLiteral("file tidak dapat dibuka: %1").arg(db.error());
    return pageCheckOn(db, full, stop);
}

QStringList sqliteForeignList(const QString &path, DbRole role)
{
    ReadOnly db(path);
    if (!db.ok())
        return { QStringLiteral("file tidak dapat dibuka: %1").arg(db.error()) };
    return foreignListOn(db, role);
}

SqliteInspection sqliteInspect(const QString &path, DbRole role, bool pages)
{
    SqliteInspection found;
    ReadOnly db(path);
    if (!db.ok()) {
        found.damage = QStringLiteral("file tidak dapat dibuka: %1").arg(db.error());
        return found;
    }
    if (pages)
        found.damage = pageCheckOn(db, false, nullptr);
    if (found.damage.isEmpty())
        found.foreign = foreignListOn(db, role);
    return found;
}

bool sqliteRoleOf(const QString &path, DbRole *role)
{
    ReadOnly db(path);
    if (!db.ok())
        return false;
    for (DbRole r : { DbRole::Working, DbRole::Credentials }) {
        bool all = true;
        for (const TableDef *t : tablesOf(r)) {
            if (t->since > 1)
                continue;
            bool ok = false;
            const QStringList cols = columnsOf(db, t->name, &ok);
            std::set<QString> have(cols.begin(), cols.end());
            for (const ColumnDef &c : t->columns)
                all = all && ok && have.count(c.name) == 1;
        }
        if (all) {
            *role = r;
            return true;
        }
    }
    return false;
}

void sqliteVacuumInto(const QString &path, const QString &target)
{
    ReadOnly db(path);
    if (!db.ok())
        throw AppError(db.error());
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db.handle(), "VACUUM INTO ?", -1, &st, nullptr);
    if (rc == SQLITE_OK) {
        const QByteArray name = QFile::encodeName(target);
        sqlite3_bind_text(st, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(st);
    }
    const QString why = db.error();
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw AppError(why);
}

namespace {

// The file's tables read in one read transaction, begun with the first read: every table as
// it stood at that moment, whatever another program writes meanwhile.
class SqliteCopySource final : public CopySource
{
public:
    explicit SqliteCopySource(const QString &path)
        : m_path(path)
        , m_db(path)
    {
        if (!m_db.ok())
            throw AppError(QStringLiteral("File %1 tidak dapat dibuka: %2.")
                               .arg(QDir::toNativeSeparators(path), m_db.error()),
                           AppError::Kind::CannotOpen);
        exec("BEGIN");
        // The snapshot starts here, for every table read after.
        bool ok = false;
        m_db.column("SELECT count(*) FROM sqlite_schema", &ok);
        if (!ok)
            fail(QStringLiteral("sqlite_schema"));
    }
    ~SqliteCopySource() override
    {
        sqlite3_exec(m_db.handle(), "COMMIT", nullptr, nullptr, nullptr);
    }

    bool has(const TableDef &table) override
    {
        bool ok = false;
        const QStringList cols = columnsOf(m_db, table.name, &ok);
        if (!ok)
            fail(table.name);
        return !cols.isEmpty();
    }

    void
    scan(const TableDef &table,
         const std::function<void(const std::vector<std::optional<QByteArray>> &)> &row) override
    {
        // A column of a later version the file does not have yet is read as Null.
        bool ok = false;
        const QStringList have = columnsOf(m_db, table.name, &ok);
        QByteArrayList names;
        for (const ColumnDef &c : table.columns)
            names << (have.contains(c.name) ? '"' + c.name.toUtf8() + '"' : QByteArray("NULL"));
        const QByteArray sql
            = "SELECT " + names.join(',') + " FROM \"" + table.name.toUtf8() + "\" ORDER BY rowid";
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db.handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            fail(table.name);
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(st, sqlite3_finalize);
        std::vector<std::optional<QByteArray>> cells(table.columns.size());
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int c = 0; c < int(cells.size()); ++c) {
                switch (sqlite3_column_type(st, c)) {
                case SQLITE_NULL:
                    cells[size_t(c)].reset();
                    break;
                case SQLITE_FLOAT: {
                    char num[32];
                    const auto res = std::to_chars(num, num + 32, sqlite3_column_double(st, c));
                    cells[size_t(c)] = QByteArray(num, int(res.ptr - num));
                    break;
                }
                default:
                    cells[size_t(c)]
                        = QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                     sqlite3_column_bytes(st, c));
                }
            }
            row(cells);
        }
        if (rc != SQLITE_DONE)
            fail(table.name);
    }

    double highestNumber(const TableDef &table) override
    {
        double highest = 0;
        for (const ColumnDef &c : table.columns) {
            if (c.kind != ColumnKind::AutoNumber)
                continue;
            const QByteArray sql
                = "SELECT max(\"" + c.name.toUtf8() + "\") FROM \"" + table.name.toUtf8() + '"';
            bool ok = false;
            highest = std::max(highest, m_db.column(sql.constData(), &ok).value(0).toDouble());
        }
        // Numbers once given out are never given again, also those of deleted rows.
        sqlite3_stmt *seq = nullptr;
        if (sqlite3_prepare_v2(m_db.handle(), "SELECT seq FROM sqlite_sequence WHERE name = ?", -1,
                               &seq, nullptr)
            == SQLITE_OK) {
            const QByteArray name = table.name.toUtf8();
            sqlite3_bind_text(seq, 1, name.constData(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(seq) == SQLITE_ROW)
                highest = std::max(highest, sqlite3_column_double(seq, 0));
        }
        sqlite3_finalize(seq);
        return highest;
    }

private:
    void exec(const char *sql)
    {
        if (sqlite3_exec(m_db.handle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QString::fromLatin1(sql));
    }
    [[noreturn]] void fail(const QString &table) const
    {
        throw AppError(QStringLiteral("Tabel %1 tidak dapat dibaca dari %2: %3.")
                           .arg(table, QDir::toNativeSeparators(m_path), m_db.error()),
                       AppError::Kind::Io);
    }

    const QString m_path;
    ReadOnly m_db;
};

} // namespace

std::unique_ptr<CopySource> openSqliteCopySource(const QString &path)
{
    return std::make_unique<SqliteCopySource>(path);
}

} // namespace gudang
