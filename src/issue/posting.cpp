#include "posting.h"
#include "data/journal.h"
#include "data/recordsource.h"
#include "data/schema.h"

namespace gudang {

PostingResult postGoodsOut(RecordSource &out, RecordSource &stock, const PostingRequest &request)
{
    PostingResult result;
    {
        // The stock change is journaled as this posting's, with its goods-out number.
        MovementScope posting(movement::kIssue);
        auto transaction = out.beginTransaction();
        if (!stock.refreshCurrent(true)) {
            result.outcome = PostingResult::CodeGone;
            return result;
        }
        result.stock = stock.field(col::tstok::Jumlah_Stok);
        if (result.stock.isNull()) {
            result.outcome = PostingResult::NoStockValue;
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
            out.addNew();
            out.setField(col::tbrgkeluar::Kode_Barang, request.code);
            out.setField(col::tbrgkeluar::Tanggal, request.date);
            out.setField(col::tbrgkeluar::Jumlah, request.quantityText);
            out.update();
            stock.setField(col::tstok::Jumlah_Stok, now - quantity);
            stock.update();
            transaction->commit();
            return result;
        }
    }
    stock.refreshCurrent(false);
    return result;
}

} // namespace gudang
