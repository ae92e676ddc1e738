#include "stockservice.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/locations.h"
#include "core/schema.h"
#include "journal.h"
#include "store/serverusers.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QUuid>
#include <cmath>

namespace gudang {

namespace {

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
    Impl(QString address, QString user, Role role)
        : address(std::move(address))
        , user(std::move(user))
        , role(role)
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

    // A write through a record source of the table and its journal rows, in one transaction.
    void write(RecordSource &source, const char *table, RowChange (RecordSource::*change)(),
               const std::function<void(Transaction &, const RowChange &)> &journalIt)
    {
        check(source, table);
        JoinedTransaction tx(*store);
        journalIt(*tx, (source.*change)());
        tx.commit();
    }

    // A write of the store's table, a refusal said in the user's terms.
    template<class Write>
    static auto said(const TableDef &table, const std::vector<Value> &values, Write write)
    {
        try {
            return write();
        } catch (const AppError &e) {
            throw AppError(refusedWrite(table, values, e), e.kind(), e.sqlState(), e.detail());
        }
    }

    const QString address;
    QString user;
    Role role;
    // The last posting the server may or may not have written, with its token.
    std::optional<PostingRequest> unsure;
    std::shared_ptr<Store> store;
    std::unique_ptr<TableAccess> stock, out;
    std::unique_ptr<Journal> journal;
};

StockService::StockService(QString workingAddress, QString user, Role role)
    : d(std::make_unique<Impl>(std::move(workingAddress), std::move(user), role))
{ }

StockService::~StockService() = default;

void StockService::setUser(const QString &user, Role role)
{
    d->user = user;
    d->role = role;
    if (d->journal)
        d->journal->setUser(user);
}

const QString &StockService::user() const
{
    return d->user;
}

StockService::Booking StockService::book(RecordSource &stock, const QString &code, double quantity,
                                         double minimum, const QDate &day)
{
    requireRight(d->user, d->role, Right::Stock);
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
        // The typed quantity added to the stock as stored, fractions kept.
        const double current = now.isNull() ? 0 : now.toNumber();
        change.after[s::Jumlah_Stok] = Value(current + quantity);
        rowId = stored->rowId;
        const auto written = Impl::said(def, change.after, [&] {
            return d->stock->update(*tx, rowId, cellsOf(*stored), { s::Jumlah_Stok }, change.after);
        });
        if (written != TableAccess::Outcome::Done)
            throw AppError(QStringLiteral("Data stok kode %1 sudah diubah di komputer lain; stok "
                                          "tidak ditambahkan.")
                               .arg(code),
                           AppError::Kind::Changed);
        booked = Booking::AddedTo;
    } else {
        change.after = { Value(code), Value(quantity), Value(minimum) };
        change.after[s::Kode_Barang] = toColumnValue(def.columns[s::Kode_Barang], Value(code));
        rowId = Impl::said(def, change.after, [&] {
            return d->stock->insert(*tx, { s::Kode_Barang, s::Jumlah_Stok, s::Stok_Minimum },
                                    change.after);
        });
    }
    d->journal->stockChanged(*tx, change, movement::kBooking, Value(), day);
    tx.commit();
    stock.takeStoredRow(rowId, change.after);
    return booked;
}

void StockService::saveStock(RecordSource &stock)
{
    requireRight(d->user, d->role, Right::Stock);
    d->write(stock, "tstok", &RecordSource::update, [this](Transaction &tx, const RowChange &c) {
        d->journal->stockChanged(tx, c, c.before.empty() ? movement::kBooking : movement::kSetting);
    });
}

void StockService::deleteStock(RecordSource &stock)
{
    requireRight(d->user, d->role, Right::Stock);
    d->write(stock, "tstok", &RecordSource::deleteCurrent,
             [this](Transaction &tx, const RowChange &c) {
                 d->journal->stockChanged(tx, c, movement::kStockDeleted);
             });
}

void StockService::saveGoodsOut(RecordSource &out)
{
    requireRight(d->user, d->role, Right::GoodsOutCorrection);
    d->write(out, "tbrgkeluar", &RecordSource::update,
             [this](Transaction &tx, const RowChange &c) { d->journal->goodsOutCorrected(tx, c); });
}

void StockService::deleteGoodsOut(RecordSource &out)
{
    requireRight(d->user, d->role, Right::GoodsOutCorrection);
    d->write(out, "tbrgkeluar", &RecordSource::deleteCurrent,
             [this](Transaction &tx, const RowChange &c) { d->journal->goodsOutCorrected(tx, c); });
}

namespace {

// The goods-out row of a posting as the goods-out source would write it. Its quantity is the
// one the stock falls by: a text the column reads as another number is refused.
std::vector<Value> goodsOutRow(const TableDef &outDef, const PostingRequest &request)
{
    namespace k = col::tbrgkeluar;
    std::vector<Value> row(outDef.columns.size());
    row[k::Kode_Barang] = toColumnValue(outDef.columns[k::Kode_Barang], request.code);
    row[k::Tanggal] = toColumnValue(outDef.columns[k::Tanggal], request.date);
    row[k::Jumlah] = toColumnValue(outDef.columns[k::Jumlah], Value(request.quantityText));
    if (row[k::Jumlah].toNumber() != request.quantity)
        throw AppError(QStringLiteral("Jumlah \"%1\" tidak terbaca sebagai satu angka; tidak "
                                      "ada yang disimpan.")
                           .arg(request.quantityText),
                       AppError::Kind::Refused);
    return row;
}

// A posting's date, as the goods-out screen takes it.
void checkPostingDate(const QDateTime &date)
{
    if (!date.isValid() || date.date() < QDate(1601, 1, 1) || date.date() > QDate(9999, 12, 31))
        throw AppError(QStringLiteral("Tanggal barang keluar %1 di luar jangkauan (1601 sampai "
                                      "9999); tidak ada yang disimpan.")
                           .arg(date.toString(QStringLiteral("dd/MM/yyyy"))),
                       AppError::Kind::Refused);
}

// The posting rules, on the stock `now` (a number), as the server's posting has them too: a
// quantity that is not a finite number of 0 or more goes nowhere.
PostingResult decide(const Value &stock, const PostingRequest &request)
{
    PostingResult result;
    result.stock = stock;
    const double now = stock.toNumber();
    const double quantity = request.quantity;
    result.equal = now == quantity;
    if (!std::isfinite(quantity) || quantity < 0)
        result.outcome = PostingResult::NotAQuantity;
    else if (now < quantity)
        result.outcome = PostingResult::Short;
    else if (result.equal && request.confirmedAt != now)
        result.outcome = PostingResult::AskEqual;
    else if (!result.equal && !(now > now - quantity))
        result.outcome = PostingResult::NotAQuantity;
    return result;
}

} // namespace

// The stock row lowered only as it was read, then the goods-out row with its journal row, in
// `tx` (committed here when it is the service's own); the sources take them then.
void StockService::writePosting(JoinedTransaction &tx, RecordSource &out, RecordSource &stock,
                                const StoredRow &read, const PostingRequest &request)
{
    namespace s = col::tstok;
    namespace k = col::tbrgkeluar;
    const TableDef &stockDef = d->stock->definition();
    const TableDef &outDef = d->out->definition();
    const std::vector<Value> stockValues = valuesOf(stockDef, read);
    std::vector<Value> row = goodsOutRow(outDef, request);
    RowChange change { stockValues, stockValues };
    change.after[s::Jumlah_Stok] = Value(stockValues[s::Jumlah_Stok].toNumber() - request.quantity);
    const QString changed = QStringLiteral("Data stok kode %1 sudah diubah di komputer lain; "
                                           "tidak ada yang disimpan.")
                                .arg(request.code);
    int64_t outRow = 0;
    if (tx.joined()) {
        // Part of a bigger transaction: each row written now, so that its number is known
        // before that one ends.
        int64_t stockRow = read.rowId;
        if (Impl::said(stockDef, change.after,
                       [&] {
                           return d->stock->update(*tx, stockRow, cellsOf(read), { s::Jumlah_Stok },
                                                   change.after);
                       })
            != TableAccess::Outcome::Done)
            throw AppError(changed, AppError::Kind::Changed);
        outRow = Impl::said(outDef, row, [&] {
            return d->out->insert(*tx, { k::Kode_Barang, k::Tanggal, k::Jumlah }, row);
        });
        // The posting is the goods-out date's, whenever it is entered.
        d->journal->stockChanged(*tx, change, movement::kIssue, row[k::No_Keluar],
                                 request.date.date());
    } else {
        // The stock write, the goods-out row and the journal row may all go with the commit.
        Impl::said(stockDef, change.after, [&] {
            d->stock->updateLater(*tx, read.rowId, cellsOf(read), { s::Jumlah_Stok }, change.after,
                                  changed);
            return 0;
        });
        Impl::said(outDef, row, [&] {
            d->journal->issued(*tx, *d->out, { k::Kode_Barang, k::Tanggal, k::Jumlah }, row, outRow,
                               change, request.date.date());
            return 0;
        });
    }
    tx.commit();
    out.takeStoredRow(outRow, row);
    stock.takeStoredRow(read.rowId, change.after);
}

QString StockService::tokenFor(const PostingRequest &request)
{
    if (!request.token.isEmpty())
        return request.token;
    const auto same = [&](const PostingRequest &a) {
        return a.code == request.code && a.date == request.date
            && a.quantityText == request.quantityText && a.confirmedAt == request.confirmedAt;
    };
    if (d->unsure && same(*d->unsure))
        return d->unsure->token;
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// On a server every posting is the server's own, whatever the role: it decides on the stock
// row as stored, held, and writes the rows in one statement.
PostingResult StockService::postOnServer(RecordSource &out, RecordSource &stock,
                                         const PostingRequest &request)
{
    namespace s = col::tstok;
    namespace k = col::tbrgkeluar;
    PostingRequest sent = request;
    sent.token = tokenFor(request);
    const QString conninfo = serverConninfo(d->address);
    PostingResult result;
    ServerPosting posted;
    using O = ServerPosting::Outcome;
    if (!std::isfinite(request.quantity) || request.quantity < 0) {
        result.outcome = PostingResult::NotAQuantity;
        return result;
    }
    // The goods-out row as it will be stored, before anything is sent: a quantity text the
    // column cannot store as that quantity is said now, or goes nowhere as a quantity of 0.
    std::vector<Value> row;
    try {
        row = goodsOutRow(d->out->definition(), request);
    } catch (const AppError &) {
        if (request.quantity != 0 || request.confirmedAt)
            throw;
        result.outcome = PostingResult::NotAQuantity;
        return result;
    }
    try {
        posted = serverPost(conninfo, request.code, request.date, request.quantity,
                            request.confirmedAt, sent.token, d->user);
    } catch (const AppError &e) {
        if (e.kind() == AppError::Kind::General)
            throw AppError(QStringLiteral("Posting barang keluar kode %1 tidak disimpan: %2")
                               .arg(request.code, e.description()),
                           e.kind(), e.sqlState(), e.detail());
        if (e.kind() != AppError::Kind::Unsure)
            throw;
        // The answer was lost: the server, once it answers again, says whether it has it.
        std::optional<qint64> number;
        try {
            number = serverPostingOf(conninfo, sent.token);
        } catch (const AppError &) {
            d->unsure = sent;
            throw AppError(QStringLiteral("Hubungan ke server database terputus sebelum server "
                                          "menjawab: posting barang keluar kode %1 sejumlah %2 "
                                          "tidak diketahui sudah tersimpan atau belum. Klik "
                                          "Simpan lagi setelah server dapat dihubungi: posting "
                                          "yang sudah tersimpan tidak akan tersimpan dua kali.")
                               .arg(request.code, request.quantityText),
                           AppError::Kind::Unsure, e.sqlState(), e.detail());
        }
        d->unsure.reset();
        if (!number)
            throw AppError(QStringLiteral("Hubungan ke server database terputus; posting barang "
                                          "keluar kode %1 sejumlah %2 belum tersimpan. Ulangi.")
                               .arg(request.code, request.quantityText),
                           AppError::Kind::ConnectionLost, e.sqlState(), e.detail());
        result.notice = QStringLiteral("Hubungan ke server sempat terputus; posting barang keluar "
                                       "kode %1 sejumlah %2 sudah tersimpan (nomor %3).")
                            .arg(request.code, request.quantityText)
                            .arg(*number);
        return result;
    }
    d->unsure.reset();
    if (posted.outcome == O::CodeGone) {
        result.outcome = PostingResult::CodeGone;
        return result;
    }
    if (posted.outcome == O::NotAQuantity && !posted.stockRowId) {
        result.outcome = PostingResult::NotAQuantity;
        return result;
    }
    result.stock = posted.stock ? Value(*posted.stock) : Value();
    std::vector<Value> stockRow(d->stock->definition().columns.size());
    stockRow[s::Kode_Barang] = Value(request.code);
    stockRow[s::Jumlah_Stok] = result.stock;
    stockRow[s::Stok_Minimum] = posted.minimum ? Value(*posted.minimum) : Value();
    switch (posted.outcome) {
    case O::Done:
    case O::Already:
        result.equal = posted.stock && *posted.stock == request.quantity;
        if (posted.stock)
            stockRow[s::Jumlah_Stok] = Value(*posted.stock - request.quantity);
        row[k::No_Keluar] = Value(double(posted.outNumber));
        if (posted.outRowId)
            out.takeStoredRow(posted.outRowId, row);
        if (posted.outcome == O::Already)
            result.notice = QStringLiteral("Posting ini sudah tersimpan sebelumnya (nomor %1); "
                                           "tidak disimpan dua kali.")
                                .arg(posted.outNumber);
        break;
    case O::NoStockValue:
        result.outcome = PostingResult::NoStockValue;
        break;
    case O::Short:
        result.outcome = PostingResult::Short;
        break;
    case O::AskEqual:
        result.outcome = PostingResult::AskEqual;
        result.equal = true;
        break;
    default:
        result.outcome = PostingResult::NotAQuantity;
    }
    if (posted.stockRowId)
        stock.takeStoredRow(posted.stockRowId, stockRow);
    return result;
}

PostingResult StockService::post(RecordSource &out, RecordSource &stock,
                                 const PostingRequest &request)
{
    requireRight(d->user, d->role, Right::Posting);
    d->check(out, "tbrgkeluar");
    d->check(stock, "tstok");
    checkPostingDate(request.date);
    if (d->store->isServer())
        return postOnServer(out, stock, request);
    namespace s = col::tstok;
    const TableDef &stockDef = d->stock->definition();
    // First on the stock row as the screen read it: when it goes ahead and the row is still
    // stored exactly so, that is the decision the stored row makes too, and the write names
    // the row as read (on a server, one round trip in all). A row stored otherwise fails that
    // write, and the posting is decided anew on the row as stored now, held.
    if (!d->store->openTransaction()) {
        if (const std::optional<StoredRow> read = stock.currentAsRead()) {
            const std::vector<Value> values = valuesOf(stockDef, *read);
            if (!values[s::Kode_Barang].isNull() && values[s::Kode_Barang].toText() == request.code
                && !values[s::Jumlah_Stok].isNull()) {
                const PostingResult result = decide(values[s::Jumlah_Stok], request);
                if (result.outcome == PostingResult::Done) {
                    try {
                        JoinedTransaction tx(*d->store);
                        writePosting(tx, out, stock, *read, request);
                        return result;
                    } catch (const AppError &e) {
                        if (e.kind() != AppError::Kind::Changed)
                            throw;
                    }
                }
            }
        }
    }
    JoinedTransaction tx(*d->store);
    const std::optional<StoredRow> stored
        = d->stock->findStored(s::Kode_Barang, request.code, &*tx);
    if (!stored) {
        PostingResult gone;
        gone.outcome = PostingResult::CodeGone;
        return gone;
    }
    const std::vector<Value> stockValues = valuesOf(stockDef, *stored);
    if (stockValues[s::Jumlah_Stok].isNull()) {
        PostingResult none;
        none.outcome = PostingResult::NoStockValue;
        none.stock = stockValues[s::Jumlah_Stok];
        stock.takeStoredRow(stored->rowId, stockValues);
        return none;
    }
    const PostingResult result = decide(stockValues[s::Jumlah_Stok], request);
    if (result.outcome == PostingResult::Done) {
        writePosting(tx, out, stock, *stored, request);
        return result;
    }
    stock.takeStoredRow(stored->rowId, stockValues);
    return result;
}

} // namespace gudang
