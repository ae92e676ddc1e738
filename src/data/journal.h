#pragma once

#include "rowstore.h"
#include "value.h"

#include <QString>
#include <optional>
#include <vector>

namespace gudang {

class TableAccess;
struct TableDef;

// The movement journal (table tmutasi): every change of a stock quantity, and every change of
// goods-out rows, gets a row there in the same transaction as the change itself, written by the
// record sources of tstok and tbrgkeluar. So the journal's changes of a code always add up to
// its stock.
namespace movement {
inline const QString kOpening = QStringLiteral("saldo awal");
inline const QString kBooking = QStringLiteral("stok masuk");
inline const QString kSetting = QStringLiteral("stok diubah");
inline const QString kIssue = QStringLiteral("barang keluar");
inline const QString kCorrection = QStringLiteral("koreksi keluar");
inline const QString kStockDeleted = QStringLiteral("stok dihapus");
} // namespace movement

// While it lives, stock changes are journaled as `kind` (a booking, a posting); without one, a
// stock change made on the stock edit screen is a setting. A goods-out row added while the
// kind is a posting is the posting's own: its number joins the stock change's journal row.
class MovementScope
{
public:
    explicit MovementScope(QString kind);
    ~MovementScope();
    MovementScope(const MovementScope &) = delete;
    MovementScope &operator=(const MovementScope &) = delete;

    static MovementScope *current();

    const QString kind;
    std::optional<double> outNumber; // the goods-out row the posting added

private:
    MovementScope *m_outer;
};

// The user named in journal rows: the one logged in.
void setJournalUser(const QString &user);

// Writes the journal rows of one change of a row of tstok or tbrgkeluar: the row as it was
// (`before`, empty for a new row) and as it is (`after`, empty for a deleted row).
void journalChange(TableAccess &journal, const TableDef &table,
                   const std::vector<RowStore::Cell> &before, const std::vector<Value> &after);

// Whether writes to the table are journaled.
bool journaledTable(const QString &table);

} // namespace gudang
