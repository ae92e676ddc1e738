#include "core/apperror.h"
#include "sqlitestore.h"
#include "store/tableaccess.h"

#include <QFile>
#include <QStringList>
#include <array>
#include <charconv>
#include <cmath>
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
    SqliteReader(const QString &path, const TableDef &def, RowSink &sink)
        : m_sink(sink)
        , m_columns(int(def.columns.size()))
    {
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_conn,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(m_conn, 2000);
            const QByteArray sql = QStringLiteral("SELECT rowid, %1 FROM \"%2\"")
                                       .arg(quotedColumns(def), def.name)
                                       .toUtf8();
            // A column that is the row id itself (an auto number) takes the row id's text.
            for (int c = 0; c < m_columns; ++c) {
                int primary = 0;
                const char *type = nullptr;
                if (def.columns[size_t(c)].kind == ColumnKind::AutoNumber
                    && sqlite3_table_column_metadata(
                           m_conn, "main", def.name.toUtf8().constData(),
                           def.columns[size_t(c)].name.toUtf8().constData(), &type, nullptr,
                           nullptr, &primary, nullptr)
                        == SQLITE_OK
                    && primary && type && qstricmp(type, "INTEGER") == 0)
                    m_rowIdColumn = c;
            }
            rc = sqlite3_exec(m_conn, "BEGIN", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK)
                rc = sqlite3_prepare_v2(m_conn, sql.constData(), -1, &m_stmt, nullptr);
        }
        if (rc != SQLITE_OK) {
            const QString why
                = QString::fromUtf8(m_conn ? sqlite3_errmsg(m_conn) : sqlite3_errstr(rc));
            finish();
            throw AppError(QStringLiteral("Tabel %1 tidak dapat dibaca: %2.").arg(def.name, why),
                           sqliteKind(rc));
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
                                   .arg(QString::fromUtf8(sqlite3_errmsg(m_conn))),
                               sqliteKind(rc));
            const int64_t rowId = sqlite3_column_int64(m_stmt, 0);
            for (int c = 0; c < m_columns; ++c) {
                if (c == m_rowIdColumn) {
                    char *num = numbers[size_t(c)].data();
                    cells[size_t(c)] = num;
                    sizes[size_t(c)] = size_t(std::to_chars(num, num + 32, rowId).ptr - num);
                    continue;
                }
                const int type = sqlite3_column_type(m_stmt, c + 1);
                if (type == SQLITE_NULL) {
                    cells[size_t(c)] = nullptr;
                } else if (type == SQLITE_FLOAT) {
                    char *num = numbers[size_t(c)].data();
                    const double v = sqlite3_column_double(m_stmt, c + 1);
                    // A whole number below 100,000 in size is written as its digits either
                    // way; the integer's are made faster.
                    const bool small = v > -100000.0 && v < 100000.0; // false for NaN
                    const int64_t whole = small ? int64_t(v) : 0;
                    const auto res = small && double(whole) == v && !(v == 0 && std::signbit(v))
                        ? std::to_chars(num, num + 32, whole)
                        : std::to_chars(num, num + 32, v);
                    cells[size_t(c)] = num;
                    sizes[size_t(c)] = size_t(res.ptr - num);
                } else if (type == SQLITE_INTEGER) {
                    // As SQLite would write it, without the text copy it makes for that.
                    char *num = numbers[size_t(c)].data();
                    const auto res
                        = std::to_chars(num, num + 32, sqlite3_column_int64(m_stmt, c + 1));
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
            out.push_back(m_sink.storeRow(rowId, cells.data(), sizes.data()));
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

    RowSink &m_sink;
    int m_rowIdColumn = -1;
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

uint64_t maskOf(const std::vector<int> &columns)
{
    uint64_t m = 0;
    for (int c : columns)
        m |= uint64_t(1) << c;
    return m;
}

// One table of a database file, through the file's one connection. Write statements are
// prepared once per set of columns and kept while the table is open.
class SqliteTable final : public TableAccess
{
public:
    SqliteTable(std::shared_ptr<SqliteStore> db, const TableDef &def)
        : m_def(def)
        , m_db(std::move(db))
        , m_generation(m_db->generation())
    { }

    const TableDef &definition() const override { return m_def; }

    std::unique_ptr<RowReader> reader(RowSink &sink) override
    {
        return std::make_unique<SqliteReader>(m_db->address(), m_def, sink);
    }

    int64_t insert(Transaction &tx, const std::vector<int> &columns,
                   std::vector<Value> &values) override
    {
        ready(tx);
        std::unique_ptr<Statement> &kept = m_inserts[maskOf(columns)];
        if (!kept) {
            QStringList names, marks;
            for (int c : columns) {
                names << QLatin1Char('"') + m_def.columns[size_t(c)].name + QLatin1Char('"');
                marks << QStringLiteral("?");
            }
            kept = prepare(
                QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                    .arg(m_def.name, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        }
        Statement &st = *kept;
        st.reset();
        bindAll(st, 1, columns, values);
        st.step();
        const int64_t rowId = sqlite3_last_insert_rowid(m_db->handle());
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            if (m_def.columns[c].kind == ColumnKind::AutoNumber)
                values[c] = Value(double(rowId));
        }
        return rowId;
    }

    // The row by its identity and only as it was read: every column as read (IS compares
    // Null too), so that a write through a record source that read the row before a posting
    // changed it is refused and not written over the posting.
    Outcome update(Transaction &tx, int64_t &rowId, const std::vector<StoredCell> &read,
                   const std::vector<int> &columns, const std::vector<Value> &values) override
    {
        ready(tx);
        std::unique_ptr<Statement> &kept = m_updates[maskOf(columns)];
        if (!kept) {
            QStringList sets;
            for (int c : columns)
                sets << QLatin1Char('"') + m_def.columns[size_t(c)].name + QStringLiteral("\" = ?");
            kept = prepare(QStringLiteral("UPDATE \"%1\" SET %2 WHERE %3")
                               .arg(m_def.name, sets.join(QLatin1Char(',')), unchangedSql()));
        }
        Statement &st = *kept;
        st.reset();
        bindAll(st, 1, columns, values);
        bindUnchanged(st, int(columns.size()) + 1, rowId, read);
        st.step();
        return sqlite3_changes(m_db->handle()) == 1 ? Outcome::Done : Outcome::Changed;
    }

    Outcome remove(Transaction &tx, int64_t rowId, const std::vector<StoredCell> &read) override
    {
        ready(tx);
        if (!m_delete)
            m_delete = prepare(
                QStringLiteral("DELETE FROM \"%1\" WHERE %2").arg(m_def.name, unchangedSql()));
        m_delete->reset();
        bindUnchanged(*m_delete, 1, rowId, read);
        m_delete->step();
        return sqlite3_changes(m_db->handle()) == 1 ? Outcome::Done : Outcome::Changed;
    }

    // Inside a transaction the file is locked for writing from its start (BEGIN IMMEDIATE):
    // holding the row needs nothing more.
    std::optional<StoredRow> reread(int64_t rowId, Transaction *) override
    {
        keepCurrent();
        if (!m_reread)
            m_reread = prepare(QStringLiteral("SELECT rowid, %1 FROM \"%2\" WHERE rowid = ?")
                                   .arg(quotedColumns(m_def), m_def.name));
        Statement &st = *m_reread;
        st.reset();
        sqlite3_bind_int64(st.get(), 1, rowId);
        return rowOf(st);
    }

    std::optional<StoredRow> findStored(int column, const QString &value, Transaction *) override
    {
        keepCurrent();
        std::unique_ptr<Statement> &kept = m_finds[column];
        if (!kept)
            kept = prepare(
                QStringLiteral("SELECT rowid, %1 FROM \"%2\" WHERE \"%3\" = ? ORDER BY "
                               "rowid LIMIT 1")
                    .arg(quotedColumns(m_def), m_def.name, m_def.columns[size_t(column)].name));
        Statement &st = *kept;
        st.reset();
        const QByteArray bytes = value.toUtf8();
        sqlite3_bind_text(st.get(), 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return rowOf(st);
    }

    // Inside a transaction the file is locked for writing from its start.
    bool isEmpty(Transaction *) override
    {
        keepCurrent();
        if (!m_any)
            m_any = prepare(QStringLiteral("SELECT 1 FROM \"%1\" LIMIT 1").arg(m_def.name));
        m_any->reset();
        const bool empty = !m_any->step();
        m_any->reset();
        return empty;
    }

private:
    std::optional<StoredRow> rowOf(Statement &st)
    {
        if (!st.step())
            return std::nullopt;
        StoredRow row;
        row.rowId = sqlite3_column_int64(st.get(), 0);
        for (int c = 0; c < int(m_def.columns.size()); ++c)
            row.cells.push_back(cellText(st.get(), c + 1));
        st.reset();
        return row;
    }

    QString unchangedSql() const
    {
        QStringList where { QStringLiteral("rowid = ?") };
        for (const ColumnDef &c : m_def.columns)
            where << QLatin1Char('"') + c.name + QStringLiteral("\" IS ?");
        return where.join(QStringLiteral(" AND "));
    }

    void bindUnchanged(Statement &st, int first, int64_t rowId, const std::vector<StoredCell> &read)
    {
        sqlite3_bind_int64(st.get(), first, rowId);
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            const int index = first + 1 + int(c);
            const StoredCell &cell = read[c];
            if (cell.null) {
                sqlite3_bind_null(st.get(), index);
            } else if (m_def.columns[c].kind == ColumnKind::Number
                       || m_def.columns[c].kind == ColumnKind::AutoNumber) {
                double d = 0;
                std::from_chars(cell.bytes.data(), cell.bytes.data() + cell.bytes.size(), d);
                sqlite3_bind_double(st.get(), index, d);
            } else {
                sqlite3_bind_text(st.get(), index, cell.bytes.data(), int(cell.bytes.size()),
                                  SQLITE_TRANSIENT);
            }
        }
    }

    std::unique_ptr<Statement> prepare(const QString &sql)
    {
        return std::make_unique<Statement>(*m_db, sql.toUtf8().constData());
    }

    void bindAll(Statement &st, int first, const std::vector<int> &columns,
                 const std::vector<Value> &values)
    {
        for (size_t i = 0; i < columns.size(); ++i) {
            const int index = first + int(i);
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

    void ready(Transaction &tx)
    {
        if (&tx.store() != m_db.get() || m_db->openTransaction() != &tx)
            throw AppError(QStringLiteral("Penulisan tabel %1 di luar transaksi databasenya.")
                               .arg(m_def.name));
        keepCurrent();
    }

    // A connection opened anew has none of the statements prepared on the old one.
    void keepCurrent()
    {
        if (m_db->generation() == m_generation)
            return;
        m_inserts.clear();
        m_updates.clear();
        m_finds.clear();
        m_delete.reset();
        m_reread.reset();
        m_any.reset();
        m_generation = m_db->generation();
    }

    const TableDef &m_def;
    std::shared_ptr<SqliteStore> m_db;
    int m_generation = 0; // of the connection the kept statements belong to
    // Destroyed before the database they belong to.
    std::unique_ptr<Statement> m_delete, m_reread, m_any;
    std::map<uint64_t, std::unique_ptr<Statement>> m_inserts, m_updates; // by set of columns
    std::map<int, std::unique_ptr<Statement>> m_finds; // by column
};

} // namespace

std::unique_ptr<TableAccess> openSqliteTable(std::shared_ptr<SqliteStore> store,
                                             const TableDef &table)
{
    return std::make_unique<SqliteTable>(std::move(store), table);
}

} // namespace gudang
