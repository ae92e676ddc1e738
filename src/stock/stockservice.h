#pragma once

#include "core/rights.h"
#include "core/value.h"
#include "model/recordsource.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

namespace gudang {

class JoinedTransaction;
struct StoredRow;

// One goods-out posting as the goods-out screen makes it.
struct PostingRequest
{
    QString code;
    QDateTime date;
    QString quantityText; // as typed; stored as the goods-out row's quantity
    double quantity = 0; // its leading number, which the stock is tested against
    // The stock at which the user said to go on although it equals the quantity.
    std::optional<double> confirmedAt;
    // The posting's own token (on a server: written with it, so that it is written once); the
    // service makes one when none is given.
    QString token = {};
};

struct PostingResult
{
    enum Outcome { Done, CodeGone, NoStockValue, Short, AskEqual, NotAQuantity };
    Outcome outcome = Done;
    Value stock; // as stored when the decision was made
    bool equal = false; // the quantity takes the whole stock
    // Said to the user before the rest: the connection was lost after the posting was sent,
    // and the server, asked again, has it.
    QString notice;
};

// The stock rules: every change of a stock quantity and of a goods-out row, each written with
// its journal rows in one transaction of the working store (one the caller has begun on that
// store, or one of its own). The record sources given are the screens' snapshots, which take
// what was written.
class StockService
{
public:
    // The journal names `user` as the one who made each change; each change is refused
    // (AppError) when `role` may not make it.
    StockService(QString workingAddress, QString user, Role role = Role::Pemilik);
    ~StockService();
    StockService(const StockService &) = delete;
    StockService &operator=(const StockService &) = delete;

    void setUser(const QString &user, Role role);
    const QString &user() const;

    // A received quantity for a code (the stock entry screen's booking): added to the stock
    // as stored now, held until the commit, or a new stock record with the minimum. The stock
    // source's row of the code shows the result and is current. The journal dates it `day`
    // (today when none is given).
    enum class Booking { NewRecord, AddedTo };
    Booking book(RecordSource &stock, const QString &code, double quantity, double minimum,
                 const QDate &day = {});
    // The pending edit of the stock source's current row (the stock edit screen): set outright.
    void saveStock(RecordSource &stock);
    // The current stock record is deleted.
    void deleteStock(RecordSource &stock);
    // The pending edit of the goods-out source's current row (the goods-out edit screen), or
    // its current row deleted: a correction; the stock stays as it is.
    void saveGoodsOut(RecordSource &out);
    void deleteGoodsOut(RecordSource &out);

    // Posts a goods-out row and lowers the stock, in one transaction, when the stock as stored
    // now allows it: the stock row of the code is read and held until the commit, so that
    // workstations posting against the same code at the same moment wait for each other and
    // nothing is lost or counted twice. The goods-out source takes the new row (at once, or
    // once it has read its table) and the stock source the lowered stock; not posted, the
    // stock source shows the stock as stored. A failing write throws AppError and leaves both
    // tables as they were. The table of goods out is not waited for.
    PostingResult post(RecordSource &out, RecordSource &stock, const PostingRequest &request);

private:
    PostingResult postOnServer(RecordSource &out, RecordSource &stock,
                               const PostingRequest &request);
    void writePosting(JoinedTransaction &tx, RecordSource &out, RecordSource &stock,
                      const StoredRow &read, const PostingRequest &request);
    // The token of a posting: the one given, or that of the same posting whose outcome the
    // server could not say (so that trying it again cannot write it twice), or a new one.
    QString tokenFor(const PostingRequest &request);

    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace gudang
