#include "core/apperror.h"
#include "libpq.h"
#include "pgdatabase.h"
#include "store/tableaccess.h"

#include <QStringList>
#include <charconv>

namespace gudang {

namespace {

QByteArray columnList(const TableDef &def)
{
    QByteArrayList cols;
    for (const ColumnDef &c : def.columns)
        cols << pgColumn(c);
    return cols.join(',');
}

// Reads the table with COPY on a read connection: one statement, so one snapshot, the table as
// it stood when the record source opened; rows in the order they were added.
class PgReader final : public RowReader
{
public:
    PgReader(const QString &conninfo, const TableDef &def, RowSink &sink)
        : m_sink(sink)
        , m_columns(int(def.columns.size()))
        , m_table(def.name)
        , m_connection(conninfo)
    {
        const QByteArray sql = "COPY (SELECT " + QByteArray(kPgRowId) + ", " + columnList(def)
            + " FROM " + def.name.toUtf8() + " ORDER BY " + kPgRowId + ") TO STDOUT";
        PGresult *r = m_connection.first(sql);
        m_conn = m_connection.get();
        const bool ok = pq().PQresultStatus(r) == PGRES_COPY_OUT;
        const QString why = QString::fromUtf8(pq().PQresultErrorMessage(r)).trimmed();
        pq().PQclear(r);
        if (!ok)
            throw AppError(QStringLiteral("Tabel %1 tidak dapat dibaca: %2").arg(m_table, why));
        m_cells.resize(size_t(m_columns));
        m_sizes.resize(size_t(m_columns));
    }

    bool readSome(int rows, std::vector<uint32_t> &out) override
    {
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
    [[noreturn]] void fail(const QString &why) const
    {
        throw AppError(
            QStringLiteral("Tabel %1 tidak dapat dibaca sampai habis: %2").arg(m_table, why));
    }

    // One line of COPY's text format: fields split by tabs, \N for Null, backslash escapes.
    bool storeLine(const char *line, size_t size, std::vector<uint32_t> &out)
    {
        if (size && line[size - 1] == '\n')
            --size;
        m_text.clear();
        m_text.reserve(size);
        std::vector<std::pair<size_t, size_t>> spans; // into m_text
        spans.reserve(size_t(m_columns) + 1);
        std::vector<bool> nulls;
        size_t i = 0;
        for (;;) {
            const size_t start = m_text.size();
            bool null = false;
            if (size - i >= 2 && line[i] == '\\' && line[i + 1] == 'N'
                && (i + 2 == size || line[i + 2] == '\t')) {
                null = true;
                i += 2;
            } else {
                while (i < size && line[i] != '\t') {
                    char c = line[i++];
                    if (c == '\\' && i < size) {
                        const char e = line[i++];
                        switch (e) {
                        case 'b':
                            c = '\b';
                            break;
                        case 'f':
                            c = '\f';
                            break;
                        case 'n':
                            c = '\n';
                            break;
                        case 'r':
                            c = '\r';
                            break;
                        case 't':
                            c = '\t';
                            break;
                        case 'v':
                            c = '\v';
                            break;
                        default:
                            c = e;
                        }
                    }
                    m_text.push_back(c);
                }
            }
            spans.emplace_back(start, m_text.size() - start);
            nulls.push_back(null);
            if (i >= size)
                break;
            ++i; // the tab
        }
        if (int(spans.size()) != m_columns + 1 || nulls[0])
            return false;
        int64_t rowId = 0;
        const char *idText = m_text.data() + spans[0].first;
        if (std::from_chars(idText, idText + spans[0].second, rowId).ec != std::errc())
            return false;
        for (int c = 0; c < m_columns; ++c) {
            m_cells[size_t(c)]
                = nulls[size_t(c) + 1] ? nullptr : m_text.data() + spans[size_t(c) + 1].first;
            m_sizes[size_t(c)] = spans[size_t(c) + 1].second;
        }
        out.push_back(m_sink.storeRow(rowId, m_cells.data(), m_sizes.data()));
        return true;
    }

    RowSink &m_sink;
    const int m_columns;
    const QString m_table;
    PgReadConnection m_connection;
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
        QByteArrayList names, marks, returned { QByteArray(kPgRowId) };
        PgParams params;
        for (int c : columns) {
            names << pgColumn(m_def.columns[size_t(c)]);
            marks << '$' + QByteArray::number(marks.size() + 1);
            params.push_back(param(values[size_t(c)]));
        }
        std::vector<size_t> automatic;
        for (size_t c = 0; c < m_def.columns.size(); ++c) {
            if (m_def.columns[c].kind == ColumnKind::AutoNumber) {
                returned << pgColumn(m_def.columns[c]);
                automatic.push_back(c);
            }
        }
        const PgResult r
            = m_db->execKept("gi_" + m_name + '_' + QByteArray::number(mask(columns)),
                             "INSERT INTO " + m_name + " (" + names.join(',') + ") VALUES ("
                                 + marks.join(',') + ") RETURNING " + returned.join(','),
                             params);
        for (size_t i = 0; i < automatic.size(); ++i)
            values[automatic[i]] = Value(r.bytes(0, int(i) + 1).toDouble());
        return r.bytes(0, 0).toLongLong();
    }

    Outcome update(Transaction &tx, int64_t &rowId, const std::vector<StoredCell> &read,
                   const std::vector<int> &columns, const std::vector<Value> &values) override
    {
        ready(tx);
        QByteArrayList sets;
        PgParams params;
        for (int c : columns) {
            sets << pgColumn(m_def.columns[size_t(c)]) + " = $"
                    + QByteArray::number(params.size() + 1);
            params.push_back(param(values[size_t(c)]));
        }
        const QByteArray where = unchanged(rowId, read, params);
        const PgResult r
            = m_db->execKept("gu_" + m_name + '_' + QByteArray::number(mask(columns)),
                             "UPDATE " + m_name + " SET " + sets.join(", ") + where, params);
        return QByteArray(pq().PQcmdTuples(r.get())) == "1" ? Outcome::Done : Outcome::Changed;
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
