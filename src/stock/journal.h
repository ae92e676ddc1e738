#pragma once

#include "core/value.h"
#include "model/recordsource.h"

#include <QDate>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

class Store;
class TableAccess;
class Transaction;

// The movement journal (table tmutasi): every change of a stock quantity, and every change of
// goods-out rows, gets a row there in the same transaction as the change itself, written by
// the stock services. So the journal's changes of a code always add up to its stock.
namespace movement {
inline const QString kOpening = QStringLiteral("saldo awal");
inline const QString kBooking = QStringLiteral("stok masuk");
inline const QString kSetting = QStringLiteral("stok diubah");
inline const QString kIssue = QStringLiteral("barang keluar");
inline const QString kCorrection = QStringLiteral("koreksi keluar");
inline const QString kStockDeleted = QStringLiteral("stok dihapus");
inline const QString kCount = QStringLiteral("opname");
inline const QString kImport = QStringLiteral("stok awal impor");
inline const QString kReceipt = QStringLiteral("terima");
} // namespace movement

// One row of the journal.
struct Movement
{
    QString kind;
    Value code;
    double change = 0;
    Value stockAfter;
    Value outNumber; // the goods-out row it belongs to
    QString remark;
    // The movement's own day (the goods-out's date, the day of a booking); none: today.
    QDate day = {};
    // A receipt's unit price (or an import's opening stock at a price); none: the value is
    // the stock's average cost.
    std::optional<double> price = {};
};

// Writes journal rows in the transaction of the change they record, naming the user; each
// row's value is written with it (Store::valueLastMovement).
class Journal
{
public:
    Journal(Store &store, QString user);
    ~Journal();

    void setUser(const QString &user) { m_user = user; }
    void append(Transaction &tx, const Movement &movement);
    // append() that says the journal row's number (a receipt's line names it).
    qint64 appendNumbered(Transaction &tx, const Movement &movement);
    // The rows of one change of a stock row: a booking or a posting (`kind`), a setting, a
    // delete, or a record moved to another code (out of the one, into the other).
    void stockChanged(Transaction &tx, const RowChange &change, const QString &kind,
                      const Value &outNumber = {}, const QDate &day = {});
    // A posting: the goods-out row added to `out` (`rowId` and its number in `row` set by the
    // time the transaction has committed) with the journal row of the stock's `change`, which
    // takes the row's number.
    void issued(Transaction &tx, TableAccess &out, const std::vector<int> &columns,
                std::vector<Value> &row, int64_t &rowId, const RowChange &change, const QDate &day);
    // A change of a goods-out row other than a posting's own: a correction, the stock as it is.
    void goodsOutCorrected(Transaction &tx, const RowChange &change);

private:
    static std::vector<Movement> movementsOf(const RowChange &change, const QString &kind,
                                             const Value &outNumber, const QDate &day);
    // The journal row of a movement, and the columns it gives.
    std::vector<Value> rowOf(const Movement &movement, std::vector<int> *columns) const;

    Store &m_store;
    std::unique_ptr<TableAccess> m_table;
    QString m_user;
};

} // namespace gudang
