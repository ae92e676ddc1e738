#pragma once

#include "core/apperror.h"
#include "core/schema.h"
#include "core/value.h"
#include "rowsink.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

class Transaction;

// Reads a table into a row sink, one stretch of rows at a time, always from the same
// snapshot: the table as it stood when reading began. Used by one thread at a time.
class RowReader
{
public:
    virtual ~RowReader() = default;
    // Reads up to `rows` rows into the sink, where each was put onto `out`; false once the
    // table ends. A failure throws AppError.
    virtual bool readSome(int rows, std::vector<uint32_t> &out) = 0;
};

// A row as the store holds it now: its identity and its cells as texts (none: Null).
struct StoredRow
{
    int64_t rowId = 0;
    std::vector<std::optional<QByteArray>> cells;
};

// A stored cell as text; Null as the empty text.
inline QString cellText(const std::optional<QByteArray> &cell)
{
    return cell ? QString::fromUtf8(*cell) : QString();
}

// One table of a store: reading it whole, and writing, reading and holding single rows.
// Values are converted to the column's kind beforehand. Every write belongs to a transaction
// of the table's store; every failure throws AppError with its kind (a value a unique column
// already holds: Kind::Unique, the column's name in its detail).
//
// The contract, the same on every store: a write of a row names the row as it was read, and
// is refused (Outcome::Changed, nothing written) when the row changed or went since.
class TableAccess
{
public:
    virtual ~TableAccess() = default;

    virtual const TableDef &definition() const = 0;
    // Starts reading the whole table.
    virtual std::unique_ptr<RowReader> reader(RowSink &sink) = 0;

    enum class Outcome {
        Done,
        Changed, // the row was changed or deleted by someone else since it was read
    };

    // Adds a row with these columns given; returns its row id and sets the values the store
    // fills in (an automatic number) in `values`.
    virtual int64_t insert(Transaction &tx, const std::vector<int> &columns,
                           std::vector<Value> &values)
        = 0;
    // Adds a row as insert() does, and a row of `other` (a table of the same store) that takes
    // this row's automatic number in its column `numberColumn`: a journal row naming the row it
    // records. A store may send both with the transaction's commit; `rowId` and the automatic
    // number in `values` are set by the time the commit has returned.
    virtual void insertWith(Transaction &tx, const std::vector<int> &columns,
                            std::vector<Value> &values, int64_t &rowId, TableAccess &other,
                            const std::vector<int> &otherColumns, std::vector<Value> otherValues,
                            int numberColumn)
    {
        rowId = insert(tx, columns, values);
        for (size_t c = 0; c < definition().columns.size(); ++c) {
            if (definition().columns[c].kind == ColumnKind::AutoNumber)
                otherValues[size_t(numberColumn)] = values[c];
        }
        other.append(tx, otherColumns, otherValues);
    }
    // Adds a row whose row id and automatic numbers nobody asks for (a journal row): a store may
    // send it with the transaction's next statement or its commit, which then says its failure.
    virtual void append(Transaction &tx, const std::vector<int> &columns,
                        const std::vector<Value> &values)
    {
        std::vector<Value> copy = values;
        insert(tx, columns, copy);
    }
    // Writes these columns of the row, which held `read` when it was read. `rowId` may change.
    virtual Outcome update(Transaction &tx, int64_t &rowId, const std::vector<StoredCell> &read,
                           const std::vector<int> &columns, const std::vector<Value> &values)
        = 0;
    // update() that a store may send with the transaction's next statement or its commit. A
    // row no longer as read then fails the whole transaction, with `changed` as its
    // description (Kind::Changed): nothing of it stays.
    virtual void updateLater(Transaction &tx, int64_t rowId, const std::vector<StoredCell> &read,
                             const std::vector<int> &columns, const std::vector<Value> &values,
                             const QString &changed)
    {
        if (update(tx, rowId, read, columns, values) != Outcome::Done)
            throw AppError(changed, AppError::Kind::Changed);
    }
    virtual Outcome remove(Transaction &tx, int64_t rowId, const std::vector<StoredCell> &read) = 0;
    // The row as the store holds it now; none when it is no longer there. With `hold` (a
    // transaction of this store), others cannot change the row until it ends.
    virtual std::optional<StoredRow> reread(int64_t rowId, Transaction *hold) = 0;
    // The first row whose column holds exactly this text (a goods code), as stored now; held
    // like reread() with `hold`.
    virtual std::optional<StoredRow> findStored(int column, const QString &value, Transaction *hold)
        = 0;
    // Whether the table holds no row now; with `hold`, nobody else adds one until it ends.
    virtual bool isEmpty(Transaction *hold) = 0;
};

// The cells of a stored row as a row store's cells (views into `row`).
std::vector<StoredCell> cellsOf(const StoredRow &row);
// Every row of a table as stored now, for a small table (users, a count's goods).
std::vector<StoredRow> allRowsOf(TableAccess &table);

// A refused write said in the user's terms: a value a unique column already holds (the
// error's detail names the column), or the store's own description.
QString refusedWrite(const TableDef &table, const std::vector<Value> &values, const AppError &e);

} // namespace gudang
