#pragma once

#include "core/value.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gudang {

class Transaction;

// A row's change as a write made it: its values before (empty for a new row) and after
// (empty for a deleted row).
struct RowChange
{
    std::vector<Value> before;
    std::vector<Value> after;
};

// A cursor over one whole table, read once into a snapshot as it stood when it was opened:
// the first rows at once, the rest in the background, joining the list as they come (an
// operation that needs the whole table waits for it). Columns of the current row are read and
// written by zero-based position. Its own changes show at once and are written through to the
// database at once; changes made through another record source are not seen. A write of a row
// that someone else changed or deleted since it was read is refused, on every store. Every
// failing operation throws AppError.
struct StoredRow;

class RecordSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~RecordSource() override = default;

    virtual QString tableName() const = 0;
    // Where the table lives (a file path or a server address).
    virtual QString address() const = 0;
    virtual int columnCount() const = 0;
    virtual QString columnName(int column) const = 0;

    virtual int recordCount() const = 0;
    virtual void moveFirst() = 0;
    // The first row at or after the current row whose column equals the value becomes current;
    // none: past the last row. Without a current row the cursor ends past the last row.
    virtual void find(const QString &column, const QString &value) = 0;
    virtual bool eof() const = 0;
    virtual Value field(int position) const = 0;
    virtual void setField(int position, const Value &value) = 0;
    virtual void addNew() = 0;
    // Writes the pending edit; inside the transaction running on the table's store, or in one
    // of its own. Returns what was written.
    virtual RowChange update() = 0;
    virtual RowChange deleteCurrent() = 0;
    // Drops a pending edit; a pending new row leaves the list.
    virtual void cancelPending() = 0;
    virtual bool hasPending() const = 0;
    virtual void close() = 0;
    // Starts a transaction on the table's store: what record sources and services on that
    // store write until commit() is kept together, or taken back with their snapshots.
    virtual std::unique_ptr<Transaction> beginTransaction() = 0;
    // Reads the current row anew as the database holds it now, so that a decision rests on
    // what is stored and not on the snapshot. With `hold`, inside the store's transaction:
    // nobody else can change the row until it ends. The row in the list takes the values read
    // (put back when the transaction is rolled back). False when the row is no longer there.
    virtual bool refreshCurrent(bool hold) = 0;
    // A find of a key (a goods code) as the table holds it now: moves first and finds it, then
    // reads the stored row with that key; a row another workstation added since the snapshot
    // joins the list, one it changed shows as it now is. Without such a stored row the cursor
    // ends past the last row.
    virtual void findAsStored(const QString &column, const QString &value) = 0;
    // A row that a service wrote to the table (outside this source): the row with that id
    // takes these values, or joins the list at its end, and becomes current. While the
    // table is still being read, the row joins once the reading has ended.
    virtual void takeStoredRow(int64_t rowId, const std::vector<Value> &values) = 0;
    // The store's identity of the current row (for a service writing it); AppError without one.
    virtual int64_t currentRowId() const = 0;
    // The current row as it was read (its identity and its cells as stored), for a write that
    // names the row as read; none without a current row, or with a change pending on it.
    virtual std::optional<StoredRow> currentAsRead() const = 0;

    // For grids: the list as it stands (a pending new row included) and the current row.
    virtual int rowCount() const = 0;
    // Bytes the snapshot of the table takes.
    virtual size_t memoryBytes() const = 0;
    virtual QString cellText(int row, int column) const = 0;
    // The cell's text in UTF-8 appended to `out` (nothing for Null): for a pass over every row
    // without a string made per cell.
    virtual void appendCellUtf8(int row, int column, std::string &out) const = 0;
    // Cells `first` and `second` of rows [from, to) in UTF-8, each row's joined by `separator`,
    // appended to `out`, the end of each row pushed to `ends`: one call for a pass over every row.
    virtual void appendRowsUtf8(int from, int to, int first, int second, char separator,
                                std::string &out, std::vector<size_t> &ends) const = 0;
    virtual int currentRow() const = 0; // -1 when there is none
    virtual void setCurrentRow(int row) = 0;

    // Every record source that is open now, so that a failed handler can drop their pending
    // edits.
    static void cancelAllPending();
    // The user pressed a key or a button: tables being read in the background give way for a
    // moment (an operation that needs a whole table does not wait for that).
    static void userActed();

    // Shown while an operation waits for a table still loading: called repeatedly with the
    // rows read so far, then once with `done`. The screens set it to a progress window.
    using LoadWait = std::function<void(const QString &table, qint64 rowsRead, bool done)>;
    static LoadWait &loadWait();
    // Told at once when a table cannot be read to its end (the reason in the user's words),
    // so that the screen that opened it says so without waiting for the next operation.
    using LoadFailed = std::function<void(RecordSource &source, const QString &why)>;
    static LoadFailed &loadFailed();
    // Asked before every write of a row (a save or a delete) with the table's name: throws
    // AppError when the user logged in may not change that table, and nothing is written.
    // Unset, every write is refused.
    using WriteGuard = std::function<void(const QString &table)>;
    static WriteGuard &writeGuard();

signals:
    // Each change of the list is announced before it is made and signalled after it.
    void aboutToReset();
    void rowsReset();
    void rowAboutToBeInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowChanged(int row);
    void currentRowChanged(int row);
    // Rows read in the background joined the list at its end, from `first` on.
    void rowsLoaded(int first);

protected:
    void registerOpen();
    void unregisterOpen();
};

// Opens a record source on a whole table of a database file, or of a server (see
// core/locations.h). A store that cannot be opened gives a record source without rows whose
// operations fail with that reason.
std::unique_ptr<RecordSource> openRecordSource(const QString &address, const QString &table,
                                               QObject *parent = nullptr);

} // namespace gudang
