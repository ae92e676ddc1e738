#include "apperror.h"
#include "database.h"
#include "tableaccess.h"

#include <QFile>
#include <QStringList>
#include <array>
#include <charconv>
#include <map>
#include <sqlite3.h>

namespace gudang {

namespace {

QString quotedColumns(const TableDef &def)
{
    QStringList cols;
    for (const ColumnDef &c : def.columns)
        cols << QLatin1Char('"') + c.name + QLatin1Char('"');
    return cols.join(QLatin1Char(','));
}

// Reads through its own read-only connection (without SQLite's per-call mutex: one thread
// uses it at a time) whose read transaction begins with the first row.
class SqliteReader final : public RowReader
{
public:
    SqliteReader(const QString &path, const TableDef &def, RowStore &store)
        : m_store(store)
        , m_columns(int(def.columns.size()))
    {
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_conn,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(m_conn, 2000);
            const QByteArray sql = QStringLiteral("SELECT rowid, %1 FROM \"%2\"")
                                       .arg(quotedColumns(def), def.name)
                                       .toUtf8();
            rc = sqlite3_exec(m_conn, "BEGIN", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK)
                rc = sqlite3_prepare_v2(m_conn, sql.constData(), -1, &m_stmt, nullptr);
        }
        if (rc != SQLITE_OK) {
            const QString why
                = QString::fromUtf8(m_conn ? sqlite3_errmsg(m_conn) : sqlite3_errstr(rc));
            finish();
            throw AppError(QStringLiteral("Tabel %1 tidak dapat dibaca: %2.").arg(def.name, why));
        }
    }
    ~SqliteReader() override { finish(); }

    bool readSome(int rows, std::vector<uint32_t> &out) override
    {
        std::vector<const char *> cells(static_cast<size_t>(m_columns));
        std::vector<size_t> sizes(static_cast<size_t>(m_columns));
        std::vector<std::array<char, 32>> numbers(static_cast<size_t>(m_columns));
        for (int i = 0; i < rows; ++i) {
            const int rc = sqlite3_step(m_stmt);
            if (rc == SQLITE_DONE)
                return false;
            if (rc != SQLITE_ROW)
                throw AppError(QStringLiteral("Tabel tidak dapat dibaca sampai habis: %1.")
                                   .arg(QString::fromUtf8(sqlite3_errmsg(m_conn))));
            for (int c = 0; c < m_columns; ++c) {
                const int type = sqlite3_column_type(m_stmt, c + 1);
                if (type == SQLITE_NULL) {
                    cells[size_t(c)] = nullptr;
                } else if (type == SQLITE_FLOAT) {
                    char *num = numbers[size_t(c)].data();
                    const auto res
                        = std::to_chars(num, num + 32, sqlite3_column_double(m_stmt, c + 1));
                    cells[size_t(c)] = num;
                    sizes[size_t(c)] = size_t(res.ptr - num);
                } else {
                    cells[size_t(c)]
                        = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c + 1));
                    sizes[size_t(c)] = size_t(sqlite3_column_bytes(m_stmt, c + 1));
                    if (!cells[size_t(c)])
                        cells[size_t(c)] = ""; // an empty text is not Null
                }
            }
            out.push_back(
                m_store.storeRow(sqlite3_column_int64(m_stmt, 0), cells.data(), sizes.data()));
        }
        return true;
    }

private:
    void finish()
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        sqlite3_close_v2(m_conn); // ends the read transaction
        m_conn = nullptr;
    }

    RowStore &m_store;
    const int m_columns;
    sqlite3 *m_conn = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

// A text as a row store holds it: numbers as their shortest text, as the reader stores them.
std::optional<QByteArray> cellText(sqlite3_stmt *st, int c)
{
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_FLOAT: {
        char num[32];
        const auto res = std::to_chars(num, num + 32, sqlite3_column_double(st, c));
        return QByteArray(num, int(res.ptr - num));
    }
    default:
        return QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                          sqlite3_column_bytes(st, c));
    }
}

// One table of a database file; the file's one connection is shared with every other record
// source on it. Write statements are prepared once and kept while the table is open.
class SqliteTable final : public TableAccess
{
public:
    SqliteTable(const QString &path, const TableDef &def)
        : m_path(path)
        , m_def(def)
        , m_db(Database::open(path))
        , m_generation(m_db->generation())
    { }

    std::unique_ptr<RowReader> reader(RowStore &store) override
    {
        return std::make_unique<SqliteReader>(m_path, m_def, store);
    }

    int64_t insert(const std::vector<int> &columns, std::vector<Value> &values) override
    {
        readyForWrite();
        if (!m_insert) {
            QStringList names, marks;
            for (int c : columns) {
                names << QLatin1Char('"') + m_def.columns[size_t(c)].name + QLatin1Char('"');
                marks << QStringLiteral("?");
            }
            m_insert = prepare(
                QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                    .arg(m_def.name, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        }
        Statement &st = *m_insert;
        st.reset();
        bindAll(st, columns, values);
        st.step();
        const int64_t rowId = sqlite3_last_insert_rowid(m_db->handle());
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            if (m_def.columns[c].kind == ColumnKind::AutoNumber)
                values[c] = Value(double(rowId));
        }
        return rowId;
    }

    // The file has one program writing it (the folder lock): the row as read is the row as
    // stored, apart from changes through another record source of this program, which the
    // snapshot model lets the last write decide.
    Outcome update(int64_t &rowId, const std::vector<RowStore::Cell> &,
                   const std::vector<int> &columns, const std::vector<Value> &values) override
    {
        readyForWrite();
        uint64_t set = 0;
        for (int c : columns)
            set |= uint64_t(1) << c;
        std::unique_ptr<Statement> &kept = m_updates[set];
        if (!kept) {
            QStringList sets;
            for (int c : columns)
                sets << QLatin1Char('"') + m_def.columns[size_t(c)].name + QStringLiteral("\" = ?");
            kept = prepare(QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?")
                               .arg(m_def.name, sets.join(QLatin1Char(','))));
        }
        Statement &st = *kept;
        st.reset();
        bindAll(st, columns, values);
        sqlite3_bind_int64(st.get(), int(columns.size()) + 1, rowId);
        st.step();
        return Outcome::Done;
    }

    Outcome remove(int64_t rowId, const std::vector<RowStore::Cell> &) override
    {
        readyForWrite();
        if (!m_delete)
            m_delete
                = prepare(QStringLiteral("DELETE FROM \"%1\" WHERE rowid = ?").arg(m_def.name));
        m_delete->reset();
        sqlite3_bind_int64(m_delete->get(), 1, rowId);
        m_delete->step();
        return Outcome::Done;
    }

    // Inside a transaction the file is locked for writing from its start (BEGIN IMMEDIATE):
    // holding the row needs nothing more.
    bool reread(int64_t rowId, bool, std::vector<std::optional<QByteArray>> &cells) override
    {
        if (m_db->generation() != m_generation)
            dropKept();
        if (!m_reread)
            m_reread = prepare(QStringLiteral("SELECT %1 FROM \"%2\" WHERE rowid = ?")
                                   .arg(quotedColumns(m_def), m_def.name));
        Statement &st = *m_reread;
        st.reset();
        sqlite3_bind_int64(st.get(), 1, rowId);
        if (!st.step())
            return false;
        cells.clear();
        for (int c = 0; c < int(m_def.columns.size()); ++c)
            cells.push_back(cellText(st.get(), c));
        st.reset();
        return true;
    }

    QString explain(const AppError &e, const std::vector<Value> &values) const override
    {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db->handle()));
        return refusedWrite(m_def, values, e,
                            sqlite3_extended_errcode(m_db->handle()) == SQLITE_CONSTRAINT_UNIQUE,
                            [&](const ColumnDef &c) { return msg.contains(c.name); });
    }

    std::unique_ptr<Transaction> beginTransaction() override
    {
        return std::make_unique<HeldTransaction<Database>>(m_db);
    }

    void addUndo(std::function<void()> undo) override { m_db->addUndo(std::move(undo)); }
    bool inTransaction() const override { return m_db->inTransaction(); }

private:
    std::unique_ptr<Statement> prepare(const QString &sql)
    {
        return std::make_unique<Statement>(*m_db, sql.toUtf8().constData());
    }

    void bindAll(Statement &st, const std::vector<int> &columns, const std::vector<Value> &values)
    {
        for (size_t i = 0; i < columns.size(); ++i) {
            const int index = int(i) + 1;
            const ColumnDef &def = m_def.columns[size_t(columns[i])];
            const Value &v = values[size_t(columns[i])];
            if (v.isNull()) {
                sqlite3_bind_null(st.get(), index);
            } else if (def.kind == ColumnKind::Number) {
                sqlite3_bind_double(st.get(), index, v.toNumber());
            } else {
                const QByteArray bytes = v.toText().toUtf8();
                sqlite3_bind_text(st.get(), index, bytes.constData(), int(bytes.size()),
                                  SQLITE_TRANSIENT);
            }
        }
    }

    // A connection opened anew has none of the statements prepared on the old one.
    void readyForWrite()
    {
        m_db->readyForWrite();
        if (m_db->generation() != m_generation)
            dropKept();
    }

    void dropKept()
    {
        m_insert.reset();
        m_delete.reset();
        m_reread.reset();
        m_updates.clear();
        m_generation = m_db->generation();
    }

    const QString m_path;
    const TableDef &m_def;
    std::shared_ptr<Database> m_db;
    int m_generation = 0; // of the connection the kept statements belong to
    // Destroyed before the database they belong to.
    std::unique_ptr<Statement> m_insert, m_delete, m_reread;
    std::map<uint64_t, std::unique_ptr<Statement>> m_updates; // by the set of changed columns
};

} // namespace

std::unique_ptr<TableAccess> openSqliteTable(const QString &path, const TableDef &table)
{
    return std::make_unique<SqliteTable>(path, table);
}

} // namespace gudang
