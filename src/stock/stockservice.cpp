#include "stockservice.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/conversions.h"
#include "core/schema.h"
#include "journal.h"
#include "store/store.h"
#include "store/tableaccess.h"

namespace gudang {

namespace {

// The stored stock a booking adds to: any whole number a double holds exactly.
constexpr int64_t kQuantityLimit = int64_t(1) << 53;

std::vector<Value> valuesOf(const TableDef &table, const StoredRow &row)
{
    std::vector<Value> values;
    for (size_t c = 0; c < table.columns.size(); ++c) {
        const auto &cell = row.cells[c];
        values.push_back(fromStoredText(table.columns[c], cell ? cell->constData() : nullptr,
                                        cell ? size_t(cell->size()) : 0));
    }
    return values;
}

} // namespace

struct StockService::Impl
{
    Impl(QString address, QString user)
        : address(std::move(address))
        , user(std::move(user))
    { }

    // Opened on first use: the store of the working tables and what is written there.
    void open()
    {
        if (store)
            return;
        store = openStore(address);
        stock = store->table(tableDef(QStringLiteral("tstok")));
        out = store->table(tableDef(QStringLiteral("tbrgkeluar")));
        journal = std::make_unique<Journal>(*store, user);
    }

    // A record source of this store's table.
    void check(RecordSource &source, const char *table)
    {
        open();
        if (source.tableName() != QLatin1String(table))
            throw AppError(QStringLiteral("Sumber data tabel %1 bukan tabel %2.")
                               .arg(source.tableName(), QLatin1String(table)));
    }

    const QString address;
    QString user;
    std::shared_ptr<Store> store;
    std::unique_ptr<TableAccess> stock, out;
    std::unique_ptr<Journal> journal;
};

StockService::StockService(QString workingAddress, QString user)
    : d(std::make_unique<Impl>(std::move(workingAddress), std::move(user)))
{ }

StockService::~StockService() = default;

void StockService::setUser(const QString &user)
{
    d->user = user;
    if (d->journal)
        d->journal->setUser(user);
}

const QString &StockService::user() const
{
    return d->user;
}

StockService::Booking StockService::book(RecordSource &stock, const QString &code,
                                         double quantity, double minimum)
{
    d->check(stock, "tstok");
    namespace s = col::tstok;
    const TableDef &def = d->stock->definition();
    JoinedTransaction tx(*d->store);
    const std::optional<StoredRow> stored = d->stock->findStored(s::Kode_Barang, code, &*tx);
    RowChange change;
    int64_t rowId = 0;
    Booking booked = Booking::NewRecord;
    if (stored) {
        change.before = valuesOf(def, *stored);
        change.after = change.before;
        const Value &now = change.before[s::Jumlah_Stok];
        // The stored stock as a whole number, as the old quantity has always been taken.
        const double current = now.isNull()
            ? 0
            : double(wholeNumber(now.toNumber(), -kQuantityLimit, kQuantityLimit));
        change.after[s::Jumlah_Stok] = Value(current + quantity);
        rowId = stored->rowId;
        TableAccess::Outcome written = TableAccess::Outcome::Done;
        try {
            written = d->stock->update(*tx, rowId, cellsOf(*stored), { s::Jumlah_Stok },
                                       change.after);
        } catch (const AppError &e) {
            throw AppError(refusedWrite(def, change.after, e), e.kind(), e.sqlState(), e.detail());
        }
        if (written != TableAccess::Outcome::Done)
            throw AppError(QStringLiteral("Data stok kode %1 sudah diubah di komputer lain; stok "
                                          "tidak ditambahkan.")
                               .arg(code),
                           AppError::Kind::Changed);
        booked = Booking::AddedTo;
    } else {
        change.after = { Value(code), Value(quantity), Value(minimum) };
        change.after[s::Kode_Barang] = toColumnValue(def.columns[s::Kode_Barang], Value(code));
        try {
            rowId = d->stock->insert(*tx, { s::Kode_Barang, s::Jumlah_Stok, s::Stok_Minimum },
                                     change.after);
        } catch (const AppError &e) {
            throw AppError(refusedWrite(def, change.after, e), e.kind(), e.sqlState(),
                           e.detail());
        }
    }
    d->journal->stockChanged(*tx, change, movement::kBooking);
    tx.commit();
    stock.takeStoredRow(rowId, change.after);
    return booked;
}

void StockService::saveStock(RecordSource &stock)
{
    d->check(stock, "tstok");
    JoinedTransaction tx(*d->store);
    const RowChange change = stock.update();
    d->journal->stockChanged(*tx, change,
                             change.before.empty() ? movement::kBooking : movement::kSetting);
    tx.commit();
}

void StockService::deleteStock(RecordSource &stock)
{
    d->check(stock, "tstok");
    JoinedTransaction tx(*d->store);
    const RowChange change = stock.deleteCurrent();
    d->journal->stockChanged(*tx, change, movement::kStockDeleted);
    tx.commit();
}

void StockService::saveGoodsOut(RecordSource &out)
{
    d->check(out, "tbrgkeluar");
    JoinedTransaction tx(*d->store);
    const RowChange change = out.update();
    d->journal->goodsOutCorrected(*tx, change);
    tx.commit();
}

void StockService::deleteGoodsOut(RecordSource &out)
{
    d->check(out, "tbrgkeluar");
    JoinedTransaction tx(*d->store);
    const RowChange change = out.deleteCurrent();
    d->journal->goodsOutCorrected(*tx, change);
    tx.commit();
}

PostingResult StockService::post(RecordSource &out, RecordSource &stock,
                                 const PostingRequest &request)
{
    d->check(out, "tbrgkeluar");
    d->check(stock, "tstok");
    namespace s = col::tstok;
    namespace k = col::tbrgkeluar;
    const TableDef &stockDef = d->stock->definition();
    const TableDef &outDef = d->out->definition();
    PostingResult result;
    std::optional<StoredRow> stored;
    std::vector<Value> stockValues;
    // The goods-out list is read whole first, so that the new row joins it at its end.
    out.recordCount();
    {
        JoinedTransaction tx(*d->store);
        stored = d->stock->findStored(s::Kode_Barang, request.code, &*tx);
        if (!stored) {
            result.outcome = PostingResult::CodeGone;
            return result;
        }
        stockValues = valuesOf(stockDef, *stored);
        result.stock = stockValues[s::Jumlah_Stok];
        if (result.stock.isNull()) {
            result.outcome = PostingResult::NoStockValue;
            stock.takeStoredRow(stored->rowId, stockValues);
            return result;
        }
        const double now = result.stock.toNumber();
        const double quantity = request.quantity;
        result.equal = now == quantity;
        if (now < quantity)
            result.outcome = PostingResult::Short;
        else if (result.equal && request.confirmedAt != now)
            result.outcome = PostingResult::AskEqual;
        else if (!result.equal && !(now > now - quantity))
            result.outcome = PostingResult::NotAQuantity;
        if (result.outcome == PostingResult::Done) {
            // The goods-out row as the goods-out source would write it.
            std::vector<Value> row(outDef.columns.size());
            row[k::Kode_Barang] = toColumnValue(outDef.columns[k::Kode_Barang], request.code);
            row[k::Tanggal] = toColumnValue(outDef.columns[k::Tanggal], request.date);
            row[k::Jumlah]
                = toColumnValue(outDef.columns[k::Jumlah], Value(request.quantityText));
            int64_t outRow = 0;
            try {
                outRow = d->out->insert(*tx, { k::Kode_Barang, k::Tanggal, k::Jumlah }, row);
            } catch (const AppError &e) {
                throw AppError(refusedWrite(outDef, row, e), e.kind(), e.sqlState(), e.detail());
            }
            RowChange change { stockValues, stockValues };
            change.after[s::Jumlah_Stok] = Value(now - quantity);
            int64_t stockRow = stored->rowId;
            TableAccess::Outcome written = TableAccess::Outcome::Done;
            try {
                written = d->stock->update(*tx, stockRow, cellsOf(*stored), { s::Jumlah_Stok },
                                           change.after);
            } catch (const AppError &e) {
                throw AppError(refusedWrite(stockDef, change.after, e), e.kind(), e.sqlState(),
                               e.detail());
            }
            if (written != TableAccess::Outcome::Done)
                throw AppError(QStringLiteral("Data stok kode %1 sudah diubah di komputer lain; "
                                              "tidak ada yang disimpan.")
                                   .arg(request.code),
                               AppError::Kind::Changed);
            d->journal->stockChanged(*tx, change, movement::kIssue, row[k::No_Keluar]);
            tx.commit();
            out.takeStoredRow(outRow, row);
            stock.takeStoredRow(stockRow, change.after);
            return result;
        }
    }
    stock.takeStoredRow(stored->rowId, stockValues);
    return result;
}

} // namespace gudang
