#pragma once

#include "data/value.h"

#include <QDateTime>
#include <QString>
#include <optional>

namespace gudang {

class RecordSource;

// One goods-out posting as the goods-out screen makes it.
struct PostingRequest
{
    QString code;
    QDateTime date;
    QString quantityText; // as typed; stored as the goods-out row's quantity
    double quantity = 0; // its leading number, which the stock is tested against
    // The stock at which the user said to go on although it equals the quantity.
    std::optional<double> confirmedAt;
};

struct PostingResult
{
    enum Outcome { Done, CodeGone, NoStockValue, Short, AskEqual, NotAQuantity };
    Outcome outcome = Done;
    Value stock; // as stored when the decision was made
    bool equal = false; // the quantity takes the whole stock
};

// Posts a goods-out row and lowers the stock, in one transaction, when the stock as stored
// now allows it: the stock row (the current row of `stock`, the request's code) is read anew
// and held until the commit, so that workstations posting against the same code at the same
// moment wait for each other and nothing is lost or counted twice. Not posted, the stock row
// shows the stock as stored. A failing write throws AppError and leaves both tables as they
// were.
PostingResult postGoodsOut(RecordSource &out, RecordSource &stock, const PostingRequest &request);

} // namespace gudang
