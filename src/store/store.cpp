#include "store.h"
#include "core/apperror.h"
#include "core/locations.h"
#include "core/value.h"
#include "postgres/pgdatabase.h"
#include "reportquery.h"
#include "setup.h"
#include "sqlite/sqlitefiles.h"
#include "sqlite/sqlitestore.h"
#include "tableaccess.h"

#include <QFileInfo>

namespace gudang {

Transaction::Transaction(Store &store)
    : m_store(store)
{ }

Transaction::~Transaction() = default;

void Transaction::onRollback(std::function<void()> undo)
{
    m_undo.push_back(std::move(undo));
}

void Transaction::takeBack()
{
    auto undo = std::move(m_undo);
    m_undo.clear();
    for (auto it = undo.rbegin(); it != undo.rend(); ++it)
        (*it)();
}

JoinedTransaction::JoinedTransaction(Store &store)
{
    m_tx = store.openTransaction();
    if (!m_tx) {
        m_own = store.begin();
        m_tx = m_own.get();
    }
}

void JoinedTransaction::commit()
{
    if (m_own)
        m_own->commit();
}

std::shared_ptr<Store> openStore(const QString &address)
{
    if (isServerAddress(address))
        return PgDatabase::open(serverConninfo(address));
    return SqliteStore::open(address);
}

std::unique_ptr<ReportQuery> openReportQuery(const QString &address, const QString &sql,
                                             const QueryParameters &parameters,
                                             int secondsWithoutRow, const QueryProgress &progress)
{
    if (isServerAddress(address))
        return openServerReportQuery(serverConninfo(address), sql, parameters, secondsWithoutRow,
                                     progress);
    return openSqliteReportQuery(address, sql, parameters, secondsWithoutRow, progress);
}

std::vector<StoredRow> allRowsOf(TableAccess &table)
{
    struct Sink final : RowSink
    {
        uint32_t storeRow(int64_t rowId, const char *const *cells, const size_t *sizes) override
        {
            StoredRow row { rowId, {} };
            for (size_t c = 0; c < columns; ++c)
                row.cells.push_back(
                    cells[c] ? std::optional<QByteArray>(QByteArray(cells[c], qsizetype(sizes[c])))
                             : std::nullopt);
            rows.push_back(std::move(row));
            return uint32_t(rows.size() - 1);
        }
        size_t columns = 0;
        std::vector<StoredRow> rows;
    } sink;
    sink.columns = table.definition().columns.size();
    auto reader = table.reader(sink);
    std::vector<uint32_t> out;
    while (reader->readSome(1024, out))
        out.clear();
    return std::move(sink.rows);
}

std::vector<StoredCell> cellsOf(const StoredRow &row)
{
    std::vector<StoredCell> cells;
    for (const auto &c : row.cells) {
        StoredCell cell;
        if (c) {
            cell.null = false;
            cell.bytes = std::string_view(c->constData(), size_t(c->size()));
        }
        cells.push_back(cell);
    }
    return cells;
}

QString refusedWrite(const TableDef &table, const std::vector<Value> &values, const AppError &e)
{
    for (size_t c = 0; e.kind() == AppError::Kind::Unique && c < table.columns.size(); ++c) {
        const ColumnDef &def = table.columns[c];
        // SQLite names "table.Column", the server "(column)=(value)".
        if (def.unique
            && (e.detail().contains(def.name)
                || e.detail().contains(QLatin1Char('(') + def.name.toLower() + QLatin1Char(')'))))
            return QStringLiteral("%1 \"%2\" sudah ada pada tabel %3; data tidak disimpan.")
                .arg(def.name, shortQuote(values[c].toText()), table.name);
    }
    return QStringLiteral("Data tabel %1 tidak dapat disimpan. %2")
        .arg(table.name, e.description());
}

bool storeHasNoUsers(const QString &address)
{
    if (isServerAddress(address))
        return serverHasNoUsers(serverConninfo(address));
    auto store = openStore(address);
    auto tpass = store->table(tableDef(QStringLiteral("tpass")));
    struct Count final : RowSink
    {
        uint32_t storeRow(int64_t, const char *const *, const size_t *) override { return rows++; }
        uint32_t rows = 0;
    } count;
    std::vector<uint32_t> out;
    tpass->reader(count)->readSome(1, out);
    return count.rows == 0;
}

QString copyFilesToServer(const QString &credentialsPath, const QString &workingPath,
                          const QString &conninfo)
{
    std::unique_ptr<CopySource> credentials;
    if (QFileInfo::exists(credentialsPath))
        credentials = openSqliteCopySource(credentialsPath);
    std::unique_ptr<CopySource> working = openSqliteCopySource(workingPath);
    return copyToServer(credentials.get(), *working, conninfo);
}

void closeStores()
{
    PgDatabase::closeKept();
}

} // namespace gudang
