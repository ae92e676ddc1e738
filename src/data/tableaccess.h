#pragma once

#include "apperror.h"
#include "recordsource.h"
#include "rowstore.h"
#include "schema.h"
#include "value.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

// Reads a table into a row store, one stretch of rows at a time, always from the same
// snapshot: the table as it stood when reading began. Used by one thread at a time.
class RowReader
{
public:
    virtual ~RowReader() = default;
    // Reads up to `rows` rows into the store, their offsets onto `out`; false once the table
    // ends. A failure throws AppError.
    virtual bool readSome(int rows, std::vector<uint32_t> &out) = 0;
};

// What a record source needs of the store its table lives in: reading it, writing one row,
// reading one row anew, transactions. Values are converted to the column's kind beforehand.
class TableAccess
{
public:
    virtual ~TableAccess() = default;

    // Starts reading the whole table.
    virtual std::unique_ptr<RowReader> reader(RowStore &store) = 0;

    // The outcome of a write to a row that was read before.
    enum class Outcome {
        Done,
        Changed, // the row was changed by someone else since it was read: nothing written
        Gone, // the row is no longer there: nothing written
    };

    // Adds a row with these columns given; returns its row id and sets the values the store
    // fills in (an automatic number) in `values`.
    virtual int64_t insert(const std::vector<int> &columns, std::vector<Value> &values) = 0;
    // Writes these columns of the row, which held `read` when it was read. `rowId` may change.
    virtual Outcome update(int64_t &rowId, const std::vector<RowStore::Cell> &read,
                           const std::vector<int> &columns, const std::vector<Value> &values)
        = 0;
    virtual Outcome remove(int64_t rowId, const std::vector<RowStore::Cell> &read) = 0;
    // The row as the store holds it now, its cells as texts (null: Null); false when it is no
    // longer there. With `hold`, inside the open transaction, others cannot change the row
    // until that transaction ends.
    virtual bool reread(int64_t rowId, bool hold, std::vector<std::optional<QByteArray>> &cells)
        = 0;
    // A refused write said in the user's terms; `values` the values that were to be written.
    virtual QString explain(const AppError &e, const std::vector<Value> &values) const = 0;

    virtual std::unique_ptr<Transaction> beginTransaction() = 0;
    virtual bool inTransaction() const = 0;
    // Record sources register how to take back a change of their snapshot: the actions run in
    // reverse order when the open transaction is rolled back. Outside a transaction: ignored.
    virtual void addUndo(std::function<void()> undo) = 0;
};

// A refused write said in the user's terms: a value a unique column already holds (the store's
// message names the column, as `names` says), or the store's own description.
QString refusedWrite(const TableDef &table, const std::vector<Value> &values, const AppError &e,
                     bool uniqueViolation, const std::function<bool(const ColumnDef &)> &names);

// A transaction of a store's connection that keeps the connection open for as long as it lives.
template<class Connection> class HeldTransaction final : public Transaction
{
public:
    explicit HeldTransaction(std::shared_ptr<Connection> db)
        : m_db(std::move(db))
        , m_t(*m_db)
    { }
    void commit() override { m_t.commit(); }

private:
    std::shared_ptr<Connection> m_db;
    typename Connection::Transaction m_t;
};

// The access to one table of a database file or of a server (see store.h); a store that
// cannot be reached throws AppError.
std::unique_ptr<TableAccess> openSqliteTable(const QString &path, const TableDef &table);
std::unique_ptr<TableAccess> openServerTable(const QString &address, const TableDef &table);

} // namespace gudang
