#include "core/apperror.h"
#include "libpq.h"
#include "pgdatabase.h"
#include "store/tableaccess.h"

#include <QStringList>
#include <charconv>
#include <cstring>

namespace gudang {

namespace {

QByteArray columnList(const TableDef &def)
{
    QByteArrayList cols;
    for (const ColumnDef &c : def.columns)
        cols << pgColumn(c);
    return cols.join(',');
}

// Reads the table on a read connection inside one read-only transaction with one snapshot, the
// table as it stood when the record source opened, in the order the rows were added: the first
// rows with a plain query, the rest with one COPY begun only when they are asked for, so the
// server does no more than the first rows until then.
class PgReader final : public RowReader
{
public:
    PgReader(const QString &conninfo, const TableDef &def, RowSink &sink)
        : m_sink(sink)
        , m_columns(int(def.columns.size()))
        , m_table(def.name)
        , m_select("SELECT " + QByteArray(kPgRowId) + ", " + columnList(def) + " FROM "
                   + def.name.toUtf8())
        , m_connection(conninfo)
    {
        m_cells.resize(size_t(m_columns));
        m_sizes.resize(size_t(m_columns));
    }

    bool readSome(int rows, std::vector<uint32_t> &out) override
    {
        if (!m_started) {
            m_started = true;
            return readFirst(rows, out);
        }
        if (!m_copying)
            startCopy();
        for (int i = 0; i < rows; ++i) {
            char *line = nullptr;
            const int n = pq().PQgetCopyData(m_conn, &line, 0);
            if (n == -1) {
                PGresult *r = pq().PQgetResult(m_conn);
                const bool ok = pq().PQresultStatus(r) == PGRES_COMMAND_OK;
                const QString why = QString::fromUtf8(pq().PQresultErrorMessage(r)).trimmed();
                pq().PQclear(r);
                if (!ok)
                    fail(why);
                // To the end of the command, so the connection can serve the next reader.
                while (PGresult *rest = pq().PQgetResult(m_conn))
                    pq().PQclear(rest);
                return false;
            }
            if (n < 0)
                fail(QString::fromUtf8(pq().PQerrorMessage(m_conn)).trimmed());
            const bool stored = storeLine(line, size_t(n), out);
            pq().PQfreemem(line);
            if (!stored)
                fail(QStringLiteral("baris dari server tidak terbaca"));
        }
        return true;
    }

private:
    // The first rows; true when there may be more.
    bool readFirst(int rows, std::vector<uint32_t> &out)
    {
        // The snapshot's transaction and its first rows: one round trip.
        const QByteArray sql = "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY; " + m_select
            + " ORDER BY " + kPgRowId + " LIMIT " + QByteArray::number(rows);
        PgResult r(m_connection.first(sql));
        m_conn = m_connection.get();
        if (pq().PQresultStatus(r.get()) != PGRES_TUPLES_OK)
            throw AppError(
                QStringLiteral("Tabel %1 tidak dapat dibaca: %2")
                    .arg(m_table, QString::fromUtf8(pq().PQresultErrorMessage(r.get())).trimmed()));
        const int n = r.rows();
        for (int row = 0; row < n; ++row) {
            const char *id = pq().PQgetvalue(r.get(), row, 0);
            if (std::from_chars(id, id + pq().PQgetlength(r.get(), row, 0), m_lastId).ec
                != std::errc())
                fail(QStringLiteral("baris dari server tidak terbaca"));
            for (int c = 0; c < m_columns; ++c) {
                const bool null = pq().PQgetisnull(r.get(), row, c + 1);
                m_cells[size_t(c)] = null ? nullptr : pq().PQgetvalue(r.get(), row, c + 1);
                m_sizes[size_t(c)] = size_t(pq().PQgetlength(r.get(), row, c + 1));
            }
            out.push_back(m_sink.storeRow(m_lastId, m_cells.data(), m_sizes.data()));
        }
        return n == rows;
    }

    // The rest of the table, after the first rows, in the same snapshot.
    void startCopy()
    {
        m_copying = true;
        const QByteArray sql = "COPY (" + m_select + " WHERE " + kPgRowId + " > "
            + QByteArray::number(m_lastId) + " ORDER BY " + kPgRowId + ") TO STDOUT";
        PgResult r(pq().PQexec(m_conn, sql.constData()));
        if (pq().PQresultStatus(r.get()) != PGRES_COPY_OUT)
            fail(QString::fromUtf8(pq().PQresultErrorMessage(r.get())).trimmed());
    }

private:
    [[noreturn]] void fail(const QString &why) const
    {
        throw AppError(
            QStringLiteral("Tabel %1 tidak dapat dibaca sampai habis: %2").arg(m_table, why));
    }

    // One line of COPY's text format: fields split by tabs, \N for Null, backslash escapes. A
    // field without a backslash is taken where it stands; an escaped one is written out once.
    bool storeLine(const char *line, size_t size, std::vector<uint32_t> &out)
    {
        if (size && line[size - 1] == '\n')
            --size;
        const char *p = line;
        const char *const end = line + size;
        m_text.clear();
        m_text.reserve(size); // written-out fields never move while the line is read
        int64_t rowId = 0;
        for (int field = 0; field <= m_columns; ++field) {
            const auto *tab = static_cast<const char *>(std::memchr(p, '\t', size_t(end - p)));
            const char *fieldEnd = tab ? tab : end;
            if ((tab == nullptr) != (field == m_columns))
                return false; // too few or too many fields
            const size_t length = size_t(fieldEnd - p);
            const bool null = length == 2 && p[0] == '\\' && p[1] == 'N';
            if (field == 0) {
                if (null || std::from_chars(p, fieldEnd, rowId).ec != std::errc())
                    return false;
            } else if (null) {
                m_cells[size_t(field - 1)] = nullptr;
            } else if (!std::memchr(p, '\\', length)) {
                m_cells[size_t(field - 1)] = p;
                m_sizes[size_t(field - 1)] = length;
            } else {
                const size_t start = m_text.size();
                for (const char *c = p; c < fieldEnd; ++c) {
                    char ch = *c;
                    if (ch == '\\' && c + 1 < fieldEnd) {
                        switch (*++c) {
                        case 'b':
                            ch = '\b';
                            break;
                        case 'f':
                            ch = '\f';
                            break;
                        case 'n':
                            ch = '\n';
                            break;
                        case 'r':
                            ch = '\r';
                            break;
                        case 't':
                            ch = '\t';
                            break;
                        case 'v':
                            ch = '\v';
                            break;
                        default:
                            ch = *c;
                        }
                    }
                    m_text.push_back(ch);
                }
                m_cells[size_t(field - 1)] = m_text.data() + start;
                m_sizes[size_t(field - 1)] = m_text.size() - start;
            }
            p = fieldEnd + 1;
        }
        out.push_back(m_sink.storeRow(rowId, m_cells.data(), m_sizes.data()));
        return true;
    }

    RowSink &m_sink;
    const int m_columns;
    const QString m_table;
    const QByteArray m_select;
    PgReadConnection m_connection;
    bool m_started = false;
    bool m_copying = false;
    int64_t m_lastId = 0;
    PGconn *m_conn = nullptr;
    std::string m_text;
    std::vector<const char *> m_cells;
    std::vector<size_t> m_sizes;
};

std::optional<QByteArray> param(const Value &v)
{
    if (v.isNull())
        return std::nullopt;
    return v.toText().toUtf8();
}

std::optional<QByteArray> param(const StoredCell &c)
{
    if (c.null)
        return std::nullopt;
    return QByteArray(c.bytes.data(), qsizetype(c.bytes.size()));
}

// One table on the server, through the connection every record source and service on it
// shares.
class PgTable final : public TableAccess
{
public:
    PgTable(std::shared_ptr<PgDatabase> db, const TableDef &def)
        : m_def(def)
        , m_name(def.name.toUtf8())
        , m_db(std::move(db))
    { }

    const TableDef &definition() const override { return m_def; }

    std::unique_ptr<RowReader> reader(RowSink &sink) override
    {
        return std::make_unique<PgReader>(m_db->conninfo(), m_def, sink);
    }

    int64_t insert(Transaction &tx, const std::vector<int> &columns,
                   std::vector<Value> &values) override
    {
        ready(tx);
        PgParams params;
        QByteArrayList returned { QByteArray(kPgRowId) };
        const std::vector<size_t> automatic = automaticColumns();
        for (size_t c : automatic)
            returned << pgColumn(m_def.columns[c]);
        const PgResult r = m_db->execKept(
            "gi_" + m_name + '_' + QByteArray::number(mask(columns)),
            insertSql(columns, values, params) + " RETURNING " + returned.join(','), params);
        for (size_t i = 0; i < automatic.size(); ++i)
            values[automatic[i]] = Value(r.bytes(0, int(i) + 1).toDouble());
        return r.bytes(0, 0).toLongLong();
    }

    // Both rows in one statement, sent with the commit: the other row takes this row's number
    // on the server.
    void insertWith(Transaction &tx, const std::vector<int> &columns, std::vector<Value> &values,
                    int64_t &rowId, TableAccess &other, const std::vector<int> &otherColumns,
                    std::vector<Value> otherValues, int numberColumn) override
    {
        ready(tx);
        const TableDef &otherDef = other.definition();
        const std::vector<size_t> automatic = automaticColumns();
        if (automatic.size() != 1 || dynamic_cast<PgTable *>(&other) == nullptr) {
            TableAccess::insertWith(tx, columns, values, rowId, other, otherColumns,
                                    std::move(otherValues), numberColumn);
            return;
        }
        QByteArrayList otherNames, otherMarks;
        PgParams params;
        const QByteArray insert = insertSql(columns, values, params);
        const QByteArray number = pgColumn(m_def.columns[automatic.front()]);
        for (int c : otherColumns) {
            if (c == numberColumn)
                continue;
            const ColumnDef &column = otherDef.columns[size_t(c)];
            otherNames << pgColumn(column);
            params.push_back(param(otherValues[size_t(c)]));
            otherMarks << '$' + QByteArray::number(params.size()) + "::" + pgType(column);
        }
        otherNames << pgColumn(otherDef.columns[size_t(numberColumn)]);
        otherMarks << "k." + number;
        const QByteArray key = "gw_" + m_name + '_' + QByteArray::number(mask(columns)) + '_'
            + otherDef.name.toUtf8() + '_' + QByteArray::number(mask(otherColumns));
        const size_t numberAt = automatic.front();
        m_db->execKeptLater(key,
                            "WITH k AS (" + insert + " RETURNING " + kPgRowId + ", " + number
                                + "), j AS (INSERT INTO " + otherDef.name.toUtf8() + " ("
                                + otherNames.join(',') + ") SELECT " + otherMarks.join(',')
                                + " FROM k) SELECT " + kPgRowId + ", " + number + " FROM k",
                            params, refusal(values),
                            [&values, &rowId, numberAt](const PgResult &r) {
                                rowId = r.bytes(0, 0).toLongLong();
                                values[numberAt] = Value(r.bytes(0, 1).toDouble());
                            });
    }

    void append(Transaction &tx, const std::vector<int> &columns,
                const std::vector<Value> &values) override
    {
        ready(tx);
        PgParams params;
        m_db->execKeptLater("ga_" + m_name + '_' + QByteArray::number(mask(columns)),
                            insertSql(columns, values, params), params);
    }

    Outcome update(Transaction &tx, int64_t &rowId, const std::vector<StoredCell> &read,
                   const std::vector<int> &columns, const std::vector<Value> &values) override
    {
        ready(tx);
        PgParams params;
        const QByteArray sets = setList(columns, values, params);
        const QByteArray where = unchanged(rowId, read, params);
        const PgResult r = m_db->execKept("gu_" + m_name + '_' + QByteArray::number(mask(columns)),
                                          "UPDATE " + m_name + " SET " + sets + where, params);
        return QByteArray(pq().PQcmdTuples(r.get())) == "1" ? Outcome::Done : Outcome::Changed;
    }

    // Sent with what follows it; a row not found as read makes it divide by zero, which stops
    // the transaction before its commit (without FOR UPDATE, a row another transaction changed
    // meanwhile is compared as that one committed it).
    void updateLater(Transaction &tx, int64_t rowId, const std::vector<StoredCell> &read,
                     const std::vector<int> &columns, const std::vector<Value> &values,
                     const QString &changed) override
    {
        ready(tx);
        PgParams params;
        const QByteArray sets = setList(columns, values, params);
        const QByteArray where = unchanged(rowId, read, params);
        m_db->execKeptLater("guh_" + m_name + '_' + QByteArray::number(mask(columns)),
                            "WITH u AS (UPDATE " + m_name + " SET " + sets + where
                                + " RETURNING 1) SELECT 1 / count(*) FROM u",
                            params, [changed, other = refusal(values)](const AppError &e) {
                                return e.sqlState() == "22012"
                                    ? AppError(changed, AppError::Kind::Changed)
                                    : other(e);
                            });
    }

    Outcome remove(Transaction &tx, int64_t rowId, const std::vector<StoredCell> &read) override
    {
        ready(tx);
        PgParams params;
        const QByteArray where = unchanged(rowId, read, params);
        const PgResult r = m_db->execKept("gd_" + m_name, "DELETE FROM " + m_name + where, params);
        return QByteArray(pq().PQcmdTuples(r.get())) == "1" ? Outcome::Done : Outcome::Changed;
    }

    std::optional<StoredRow> reread(int64_t rowId, Transaction *hold) override
    {
        return rowOf(m_db->execKept((hold ? "gh_" : "gr_") + m_name,
                                    "SELECT " + QByteArray(kPgRowId) + ", " + columnList(m_def)
                                        + " FROM " + m_name + " WHERE " + kPgRowId + " = $1"
                                        + (hold ? " FOR UPDATE" : ""),
                                    { QByteArray::number(rowId) }));
    }

    std::optional<StoredRow> findStored(int column, const QString &value,
                                        Transaction *hold) override
    {
        const QByteArray col = pgColumn(m_def.columns[size_t(column)]);
        return rowOf(
            m_db->execKept((hold ? "gfh_" : "gf_") + m_name + '_' + QByteArray::number(column),
                           "SELECT " + QByteArray(kPgRowId) + ", " + columnList(m_def) + " FROM "
                               + m_name + " WHERE " + col + " = $1 ORDER BY " + kPgRowId
                               + " LIMIT 1" + (hold ? " FOR UPDATE" : ""),
                           { value.toUtf8() }));
    }

    bool isEmpty(Transaction *hold) override
    {
        if (hold) {
            ready(*hold);
            // Other writers of the table wait until this transaction ends; readers do not.
            m_db->exec("LOCK TABLE " + m_name + " IN SHARE ROW EXCLUSIVE MODE");
        }
        return m_db->exec("SELECT 1 FROM " + m_name + " LIMIT 1").rows() == 0;
    }

private:
    std::optional<StoredRow> rowOf(const PgResult &r) const
    {
        if (r.rows() == 0)
            return std::nullopt;
        StoredRow row;
        row.rowId = r.bytes(0, 0).toLongLong();
        for (int c = 0; c < int(m_def.columns.size()); ++c)
            row.cells.push_back(r.isNull(0, c + 1) ? std::nullopt
                                                   : std::optional<QByteArray>(r.bytes(0, c + 1)));
        return row;
    }

    void ready(Transaction &tx)
    {
        if (&tx.store() != m_db.get() || m_db->openTransaction() != &tx)
            throw AppError(QStringLiteral("Penulisan tabel %1 di luar transaksi databasenya.")
                               .arg(m_def.name));
    }

    static uint64_t mask(const std::vector<int> &columns)
    {
        uint64_t m = 0;
        for (int c : columns)
            m |= uint64_t(1) << c;
        return m;
    }

    // "INSERT INTO table (columns) VALUES ($n, ...)", the values added to `params`.
    QByteArray insertSql(const std::vector<int> &columns, const std::vector<Value> &values,
                         PgParams &params) const
    {
        QByteArrayList names, marks;
        for (int c : columns) {
            names << pgColumn(m_def.columns[size_t(c)]);
            params.push_back(param(values[size_t(c)]));
            marks << '$' + QByteArray::number(params.size());
        }
        return "INSERT INTO " + m_name + " (" + names.join(',') + ") VALUES (" + marks.join(',')
            + ')';
    }

    std::vector<size_t> automaticColumns() const
    {
        std::vector<size_t> automatic;
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            if (m_def.columns[c].kind == ColumnKind::AutoNumber)
                automatic.push_back(c);
        }
        return automatic;
    }

    // A write of these values sent later, refused by the server: said as the posting's own
    // writes are said.
    PgDatabase::Wording refusal(const std::vector<Value> &values) const
    {
        return [def = &m_def, values](const AppError &e) {
            return AppError(refusedWrite(*def, values, e), e.kind(), e.sqlState(), e.detail());
        };
    }

    // "column = $n, ..." for the columns written, their values added to `params`.
    QByteArray setList(const std::vector<int> &columns, const std::vector<Value> &values,
                       PgParams &params) const
    {
        QByteArrayList sets;
        for (int c : columns) {
            params.push_back(param(values[size_t(c)]));
            sets << pgColumn(m_def.columns[size_t(c)]) + " = $" + QByteArray::number(params.size());
        }
        return sets.join(", ");
    }

    // The row by its identity, and only as it was read: every column compared with the value
    // read, as the column's own type compares it.
    QByteArray unchanged(int64_t rowId, const std::vector<StoredCell> &read, PgParams &params) const
    {
        params.push_back(QByteArray::number(rowId));
        QByteArray where
            = " WHERE " + QByteArray(kPgRowId) + " = $" + QByteArray::number(params.size());
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            params.push_back(param(read[c]));
            where += " AND " + pgColumn(m_def.columns[c]) + " IS NOT DISTINCT FROM $"
                + QByteArray::number(params.size()) + "::" + pgType(m_def.columns[c]);
        }
        return where;
    }

    const TableDef &m_def;
    const QByteArray m_name;
    std::shared_ptr<PgDatabase> m_db;
};

} // namespace

std::unique_ptr<TableAccess> openServerTable(std::shared_ptr<PgDatabase> db, const TableDef &table)
{
    return std::make_unique<PgTable>(std::move(db), table);
}

} // namespace gudang
