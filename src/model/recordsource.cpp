#include "recordsource.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/schema.h"
#include "loader.h"
#include "rowstore.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <set>

namespace gudang {

void guardWrite(const QString &table);

namespace {

std::set<RecordSource *> &openSources()
{
    static std::set<RecordSource *> s;
    return s;
}

class StoreRecordSource final : public RecordSource
{
public:
    StoreRecordSource(const QString &address, const TableDef &table, QObject *parent)
        : RecordSource(parent)
        , m_table(table)
        , m_address(address)
        , m_store(int(table.columns.size()))
    {
        registerOpen();
        try {
            m_db = openStore(address);
            m_access = m_db->table(table);
            // The first rows at once, for the first paint of a grid; the rest on the loader's
            // thread, joining the list as they come (see drain()).
            m_loader = std::make_unique<Loader>(m_access->reader(m_store));
            std::vector<uint32_t> first;
            const bool more = m_loader->readSome(kFirstRows, first);
            m_store.appendMany(first.data(), first.size());
            if (more) {
                // Once the events waiting now are done (the first paint of the screen that
                // opened the source among them): reading the rest on another core at once
                // took that core from the paint (and on a server, the server's from it too).
                QTimer::singleShot(0, this, [this] { startLoading(); });
            } else {
                m_loader.reset();
            }
            m_announced = currentRow();
        } catch (const AppError &e) {
            m_loader.reset();
            m_access.reset();
            m_db.reset();
            m_openError = e.description();
        }
    }

    ~StoreRecordSource() override
    {
        m_loader.reset(); // its thread stores into m_store
        unregisterOpen();
    }

    QString tableName() const override { return m_table.name; }
    QString address() const override { return m_address; }
    int columnCount() const override { return int(m_table.columns.size()); }
    QString columnName(int column) const override { return m_table.columns[size_t(column)].name; }

    int recordCount() const override
    {
        waitUntilLoaded();
        ensureOpen();
        return m_store.rowCount();
    }

    void moveFirst() override
    {
        notWhileWaiting();
        ensureOpen();
        flushPending();
        setCurrent(0);
    }

    void find(const QString &column, const QString &value) override
    {
        waitUntilLoaded();
        ensureOpen();
        const int col = columnOf(column);
        flushPending();
        const int n = m_store.rowCount();
        if (m_cur >= n) {
            setCurrent(n);
            return;
        }
        setCurrent(findFrom(m_cur, col, value));
    }

    bool eof() const override
    {
        if (m_cur >= m_store.rowCount())
            waitUntilLoaded();
        ensureOpen();
        return !m_deleted && m_cur >= m_store.rowCount();
    }

    Value field(int position) const override
    {
        ensureReadable();
        checkPosition(position);
        if (m_mode != Mode::None && m_cur == m_pendingRow)
            return m_pending[size_t(position)];
        return decode(position, m_store.cell(m_cur, position));
    }

    void setField(int position, const Value &value) override
    {
        waitUntilLoaded(); // a source's own changes come after its snapshot
        ensureReadable();
        checkPosition(position);
        const ColumnDef &def = m_table.columns[size_t(position)];
        if (m_mode == Mode::None) {
            m_pending = valuesOf(m_cur);
            m_mode = Mode::Edit;
            m_pendingRow = m_cur;
            m_dirty = 0;
        }
        try {
            if (def.kind == ColumnKind::AutoNumber)
                throw AppError(
                    QStringLiteral("Kolom %1 diisi oleh database dan tidak dapat diubah.")
                        .arg(def.name));
            m_pending[size_t(position)] = toColumnValue(def, value);
            m_dirty |= uint64_t(1) << position;
        } catch (...) {
            cancelPending();
            throw;
        }
    }

    void addNew() override
    {
        waitUntilLoaded();
        ensureOpen();
        flushPending();
        m_pending.assign(size_t(columnCount()), Value());
        RowStore::Builder b;
        b.start(0);
        for (int c = 0; c < columnCount(); ++c)
            b.addNull();
        // Everything that can fail is done before the grids are told: store, then announce.
        const uint32_t offset = m_store.store(b.bytes());
        m_store.makeRoomForRow();
        const int row = m_store.rowCount();
        emit rowAboutToBeInserted(row);
        m_store.append(offset);
        m_rowBeforeAdd = m_cur;
        m_mode = Mode::Add;
        m_pendingRow = row;
        emit rowInserted(row);
        setCurrent(row);
    }

    RowChange update() override
    {
        waitUntilLoaded();
        ensureOpen();
        if (m_mode == Mode::None)
            return {};
        try {
            guardWrite(m_table.name);
            return write();
        } catch (...) {
            cancelPending();
            throw;
        }
    }

    RowChange deleteCurrent() override
    {
        waitUntilLoaded();
        ensureReadable();
        if (m_mode == Mode::Add && m_cur == m_pendingRow) {
            cancelPending();
            return {};
        }
        if (m_mode == Mode::Edit)
            cancelPending();
        guardWrite(m_table.name);
        const int row = m_cur;
        const uint32_t offset = m_store.offsetOf(row);
        m_store.makeRoomForRow(); // so that taking the delete back cannot fail
        JoinedTransaction tx(*m_db);
        RowChange change { valuesOf(row), {} };
        const TableAccess::Outcome outcome
            = m_access->remove(*tx, m_store.rowId(row), cellsOfRow(row));
        if (outcome != TableAccess::Outcome::Done)
            refuse(row);
        emit rowAboutToBeRemoved(row);
        m_store.remove(row);
        m_deleted = true;
        emit rowRemoved(row);
        // Undo entries hold the source weakly: one closed meanwhile is left alone.
        tx->onRollback([self = QPointer<StoreRecordSource>(this), row, offset] {
            if (!self || !self->m_access)
                return;
            emit self->rowAboutToBeInserted(row);
            self->m_store.insert(row, offset);
            emit self->rowInserted(row);
            self->m_deleted = false;
            self->setCurrent(row);
        });
        tx.commit();
        return change;
    }

    void cancelPending() override
    {
        if (m_mode == Mode::Add) {
            const int row = m_pendingRow;
            m_mode = Mode::None;
            emit rowAboutToBeRemoved(row);
            m_store.remove(row);
            emit rowRemoved(row);
            setCurrent(m_rowBeforeAdd < m_store.rowCount() ? m_rowBeforeAdd : m_store.rowCount());
        } else if (m_mode == Mode::Edit) {
            m_mode = Mode::None;
            emit rowChanged(m_pendingRow);
        }
        m_pending.clear();
    }

    bool hasPending() const override { return m_mode != Mode::None; }

    void close() override
    {
        if (m_waiting) {
            // Asked for from inside a wait for the table (a window closed meanwhile): done
            // once the wait is over, never under the feet of the operation that waits.
            m_closeAfterWait = true;
            return;
        }
        m_loader.reset();
        if (m_mode != Mode::None)
            cancelPending();
        emit aboutToReset();
        m_store = RowStore(columnCount());
        m_held.clear();
        m_access.reset();
        m_db.reset(); // a closed source holds no database open
        m_openError = QStringLiteral("Sumber data tabel %1 sudah ditutup.").arg(m_table.name);
        m_cur = 0;
        m_announced = -1;
        emit rowsReset();
    }

    std::unique_ptr<Transaction> beginTransaction() override
    {
        notWhileWaiting();
        ensureOpen();
        return m_db->begin();
    }

    bool refreshCurrent(bool hold) override
    {
        waitUntilLoaded();
        ensureReadable();
        flushPending();
        const int row = m_cur;
        Transaction *tx = hold ? m_db->openTransaction() : nullptr;
        const std::optional<StoredRow> stored = m_access->reread(m_store.rowId(row), tx);
        if (!stored)
            return false;
        replaceRow(row, *stored, tx);
        return true;
    }

    void findAsStored(const QString &column, const QString &value) override
    {
        waitUntilLoaded();
        ensureOpen();
        const int col = columnOf(column);
        flushPending();
        const int n = m_store.rowCount();
        const int found = n > 0 ? findFrom(0, col, value) : n;
        const std::optional<StoredRow> stored = m_access->findStored(col, value, nullptr);
        if (!stored) {
            setCurrent(m_store.rowCount());
            return;
        }
        // The row the snapshot has for the key takes what is stored now (its identity too,
        // when another workstation deleted it and added it again).
        const int row = found < n ? found : rowWithId(stored->rowId);
        if (row < 0) {
            appendRow(*stored);
            setCurrent(m_store.rowCount() - 1);
            return;
        }
        replaceRow(row, *stored, nullptr);
        setCurrent(row);
    }

    void takeStoredRow(int64_t rowId, const std::vector<Value> &values) override
    {
        ensureOpen();
        if (m_mode != Mode::None)
            cancelPending();
        StoredRow row;
        row.rowId = rowId;
        for (const Value &v : values) {
            if (v.isNull())
                row.cells.emplace_back(std::nullopt);
            else
                row.cells.emplace_back(v.toText().toUtf8());
        }
        if (m_loader) {
            // The snapshot is still being read and does not hold the row: it joins after it.
            m_held.push_back(std::move(row));
            return;
        }
        // Written in a transaction still running: a rollback takes the row back here too.
        Transaction *tx = m_db->openTransaction();
        const int existing = rowWithId(rowId);
        if (existing < 0) {
            appendRow(row);
            const int at = m_store.rowCount() - 1;
            setCurrent(at);
            if (tx) {
                tx->onRollback([self = QPointer<StoreRecordSource>(this), at] {
                    if (!self || !self->m_access || at >= self->m_store.rowCount())
                        return;
                    emit self->rowAboutToBeRemoved(at);
                    self->m_store.remove(at);
                    emit self->rowRemoved(at);
                    self->setCurrent(std::min(at, self->m_store.rowCount()));
                });
            }
        } else {
            replaceRow(existing, row, tx);
            setCurrent(existing);
        }
    }

    int64_t currentRowId() const override
    {
        ensureReadable();
        return m_store.rowId(m_cur);
    }

    std::optional<StoredRow> currentAsRead() const override
    {
        if (m_deleted || m_mode != Mode::None || m_cur < 0 || m_cur >= m_store.rowCount())
            return std::nullopt;
        StoredRow row;
        row.rowId = m_store.rowId(m_cur);
        for (int c = 0; c < columnCount(); ++c) {
            const RowStore::Cell cell = m_store.cell(m_cur, c);
            row.cells.push_back(cell.null ? std::nullopt
                                          : std::optional<QByteArray>(QByteArray(
                                              cell.bytes.data(), qsizetype(cell.bytes.size()))));
        }
        return row;
    }

    int rowCount() const override { return m_store.rowCount(); }
    size_t memoryBytes() const override
    {
        waitUntilLoaded();
        return m_store.memoryBytes();
    }

    QString cellText(int row, int column) const override
    {
        if (m_mode != Mode::None && row == m_pendingRow)
            return m_pending[size_t(column)].toText();
        const RowStore::Cell c = m_store.cell(row, column);
        return c.null ? QString() : QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
    }

    void appendCellUtf8(int row, int column, std::string &out) const override
    {
        if (m_mode != Mode::None && row == m_pendingRow) {
            out += m_pending[size_t(column)].toText().toStdString();
            return;
        }
        const RowStore::Cell c = m_store.cell(row, column);
        out.append(c.bytes.data(), c.bytes.size());
    }

    void appendRowsUtf8(int from, int to, int first, int second, char separator, std::string &out,
                        std::vector<size_t> &ends) const override
    {
        for (int row = from; row < to; ++row) {
            if (m_mode != Mode::None && row == m_pendingRow) {
                appendCellUtf8(row, first, out);
                out += separator;
                appendCellUtf8(row, second, out);
            } else {
                const RowStore::Cell a = m_store.cell(row, first);
                out.append(a.bytes.data(), a.bytes.size());
                out += separator;
                const RowStore::Cell b = m_store.cell(row, second);
                out.append(b.bytes.data(), b.bytes.size());
            }
            ends.push_back(out.size());
        }
    }

    int currentRow() const override
    {
        return (m_deleted || m_cur >= m_store.rowCount()) ? -1 : m_cur;
    }

    void setCurrentRow(int row) override
    {
        if (row >= m_store.rowCount())
            waitUntilLoaded();
        ensureOpen();
        if (row < 0 || row >= m_store.rowCount())
            throw AppError(QStringLiteral("Baris %1 tidak ada pada tabel %2 (%3 baris).")
                               .arg(row + 1)
                               .arg(m_table.name)
                               .arg(m_store.rowCount()));
        if (row == m_cur && !m_deleted)
            return;
        flushPending();
        setCurrent(row);
    }

private:
    enum class Mode { None, Edit, Add };
    static constexpr int kFirstRows = 4096;

    // Rows the loader has read join the list at its end; once it has ended it is let go, and
    // the rows written meanwhile by a service join after them. A loader that failed leaves
    // the source closed, with the reason, and says so at once.
    void drain()
    {
        if (!m_loader || m_waiting)
            return;
        std::vector<uint32_t> rows;
        QString error;
        const bool ended = m_loader->take(rows, &error);
        if (!rows.empty()) {
            const int first = m_store.rowCount();
            m_store.appendMany(rows.data(), rows.size());
            emit rowsLoaded(first);
        }
        if (!ended)
            return;
        m_loader.reset();
        if (error.isEmpty()) {
            auto held = std::move(m_held);
            m_held.clear();
            for (const StoredRow &row : held) {
                const int existing = rowWithId(row.rowId);
                if (existing < 0) {
                    appendRow(row);
                    setCurrent(m_store.rowCount() - 1);
                } else {
                    replaceRow(existing, row, nullptr);
                }
            }
            return;
        }
        const QString why = QStringLiteral("Tabel %1 tidak dapat dimuat sampai habis: %2")
                                .arg(m_table.name, error);
        close();
        m_openError = why;
        if (loadFailed())
            loadFailed()(*this, why);
    }

    void startLoading()
    {
        if (m_loader && !m_loader->started())
            m_loader->start([self = QPointer<StoreRecordSource>(this)] {
                QMetaObject::invokeMethod(
                    self.data(),
                    [self] {
                        if (self)
                            self->drain();
                    },
                    Qt::QueuedConnection);
            });
    }

    // An operation asked for from inside a wait for this table (from an event the wait's
    // window let through) would run against half a table: refused, the waiting one goes on.
    void notWhileWaiting() const
    {
        if (m_waiting)
            throw AppError(
                QStringLiteral("Tabel %1 masih dimuat; ulangi sebentar lagi.").arg(m_table.name),
                AppError::Kind::Busy);
    }

    // Until the loader has read the whole table; a wait of more than half a second is shown
    // through the load-wait hook.
    void waitUntilLoaded() const
    {
        notWhileWaiting();
        auto *self = const_cast<StoreRecordSource *>(this);
        if (!m_loader)
            return;
        self->startLoading(); // a wait does not wait for the event loop
        m_loader->hurry();
        self->m_waiting = true;
        QElapsedTimer waited;
        waited.start();
        bool shown = false;
        while (!m_loader->waitForEnd(50)) {
            if (waited.elapsed() >= 500 && loadWait()) {
                shown = true;
                loadWait()(m_table.name, m_loader->rowsRead(), false);
            }
        }
        if (shown)
            loadWait()(m_table.name, m_loader->rowsRead(), true);
        self->m_waiting = false;
        self->drain();
        if (m_closeAfterWait) {
            self->m_closeAfterWait = false;
            self->close();
        }
    }

    void ensureOpen() const
    {
        if (!m_access)
            throw AppError(m_openError);
    }

    void ensureReadable() const
    {
        ensureOpen();
        if (m_deleted)
            throw AppError(
                QStringLiteral("Data yang aktif pada tabel %1 sudah dihapus.").arg(m_table.name));
        if (m_cur >= m_store.rowCount())
            throw AppError(
                QStringLiteral("Tidak ada data yang aktif pada tabel %1.").arg(m_table.name));
    }

    void checkPosition(int position) const
    {
        if (position < 0 || position >= columnCount())
            throw AppError(QStringLiteral("Kolom nomor %1 tidak ada pada tabel %2.")
                               .arg(position)
                               .arg(m_table.name));
    }

    int columnOf(const QString &column) const
    {
        const int col = m_table.columnIndex(column);
        if (col < 0)
            throw AppError(
                QStringLiteral("Kolom %1 tidak ada pada tabel %2.").arg(column, m_table.name));
        return col;
    }

    // The first row at or after `from` whose column equals the value; the row count if none.
    int findFrom(int from, int col, const QString &value) const
    {
        const int n = m_store.rowCount();
        const ColumnDef &def = m_table.columns[size_t(col)];
        if (def.kind == ColumnKind::Text) {
            const QByteArray needle = value.toUtf8();
            return m_store.findBytes(from, col,
                                     std::string_view(needle.constData(), size_t(needle.size())));
        }
        Value want;
        try {
            want = toColumnValue(def, Value(value));
        } catch (const AppError &) {
            want = Value(); // a text the column cannot hold matches no row
        }
        if (want.isNull())
            return n;
        for (int r = from; r < n; ++r) {
            if (decode(col, m_store.cell(r, col)) == want)
                return r;
        }
        return n;
    }

    int rowWithId(int64_t rowId) const
    {
        if (rowId > m_store.maxRowId())
            return -1; // a new row (a posting's): no need to look through a big table
        for (int r = m_store.rowCount() - 1; r >= 0; --r) {
            if (m_store.rowId(r) == rowId)
                return r;
        }
        return -1;
    }

    // Announces the current row whenever the row the grids show changes, also when the
    // position stays and a row has come to stand there (a new row at the end after a search
    // that found nothing).
    void setCurrent(int row)
    {
        const bool moved = row != m_cur || m_deleted;
        m_cur = row;
        m_deleted = false;
        if (moved || currentRow() != m_announced) {
            m_announced = currentRow();
            emit currentRowChanged(m_announced);
        }
    }

    void flushPending()
    {
        if (m_mode != Mode::None)
            update();
    }

    Value decode(int column, const RowStore::Cell &cell) const
    {
        return fromStoredText(m_table.columns[size_t(column)],
                              cell.null ? nullptr : cell.bytes.data(), cell.bytes.size());
    }

    std::vector<Value> valuesOf(int row) const
    {
        std::vector<Value> values;
        for (int c = 0; c < columnCount(); ++c)
            values.push_back(decode(c, m_store.cell(row, c)));
        return values;
    }

    std::vector<RowStore::Cell> cellsOfRow(int row) const
    {
        std::vector<RowStore::Cell> cells;
        for (int c = 0; c < columnCount(); ++c)
            cells.push_back(m_store.cell(row, c));
        return cells;
    }

    static QByteArray recordOf(const StoredRow &row)
    {
        RowStore::Builder b;
        b.start(row.rowId);
        for (const auto &cell : row.cells) {
            if (cell)
                b.addBytes(cell->constData(), size_t(cell->size()));
            else
                b.addNull();
        }
        return b.bytes();
    }

    void appendRow(const StoredRow &row)
    {
        const uint32_t offset = m_store.store(recordOf(row));
        m_store.makeRoomForRow();
        const int at = m_store.rowCount();
        emit rowAboutToBeInserted(at);
        m_store.append(offset);
        emit rowInserted(at);
    }

    RowChange write()
    {
        // A new row writes every column; a changed row only the columns given a value, so an
        // unchanged key leaves its index alone.
        std::vector<int> cols;
        for (int c = 0; c < columnCount(); ++c) {
            if (m_table.columns[size_t(c)].kind == ColumnKind::AutoNumber)
                continue;
            if (m_mode == Mode::Edit && !(m_dirty & (uint64_t(1) << c)))
                continue;
            cols.push_back(c);
        }
        const int row = m_pendingRow;
        const uint32_t oldOffset = m_store.offsetOf(row);
        int64_t rowId = m_store.rowId(row);
        const bool added = m_mode == Mode::Add;
        JoinedTransaction tx(*m_db);
        RowChange change;
        if (!added)
            change.before = valuesOf(row);
        TableAccess::Outcome outcome = TableAccess::Outcome::Done;
        try {
            if (added)
                rowId = m_access->insert(*tx, cols, m_pending);
            else
                outcome = m_access->update(*tx, rowId, cellsOfRow(row), cols, m_pending);
        } catch (const AppError &e) {
            throw AppError(refusedWrite(m_table, m_pending, e), e.kind(), e.sqlState(), e.detail());
        }
        if (outcome != TableAccess::Outcome::Done)
            refuse(row);
        RowStore::Builder b;
        b.start(rowId);
        for (int c = 0; c < columnCount(); ++c) {
            const Value &v = m_pending[size_t(c)];
            if (v.isNull()) {
                b.addNull();
            } else {
                const QByteArray bytes = v.toText().toUtf8();
                b.addBytes(bytes.constData(), size_t(bytes.size()));
            }
        }
        m_store.setOffset(row, m_store.store(b.bytes()));
        m_mode = Mode::None;
        change.after = std::move(m_pending);
        m_pending.clear();
        emit rowChanged(row);
        if (added) {
            const int before = m_rowBeforeAdd;
            tx->onRollback([self = QPointer<StoreRecordSource>(this), row, before] {
                if (!self || !self->m_access)
                    return;
                emit self->rowAboutToBeRemoved(row);
                self->m_store.remove(row);
                emit self->rowRemoved(row);
                self->setCurrent(before < self->m_store.rowCount() ? before
                                                                   : self->m_store.rowCount());
            });
        } else {
            tx->onRollback([self = QPointer<StoreRecordSource>(this), row, oldOffset] {
                if (!self || !self->m_access)
                    return;
                self->m_store.setOffset(row, oldOffset);
                emit self->rowChanged(row);
            });
        }
        tx.commit();
        return change;
    }

    // The row takes the stored row's cells; inside a transaction (`tx`), a rollback puts the
    // old ones back.
    void replaceRow(int row, const StoredRow &stored, Transaction *tx)
    {
        bool same = stored.rowId == m_store.rowId(row);
        for (int c = 0; same && c < columnCount(); ++c) {
            const RowStore::Cell old = m_store.cell(row, c);
            const auto &cell = stored.cells[size_t(c)];
            same = cell ? !old.null
                    && old.bytes == std::string_view(cell->constData(), size_t(cell->size()))
                        : old.null;
        }
        if (same)
            return;
        const uint32_t oldOffset = m_store.offsetOf(row);
        m_store.setOffset(row, m_store.store(recordOf(stored)));
        emit rowChanged(row);
        if (tx) {
            tx->onRollback([self = QPointer<StoreRecordSource>(this), row, oldOffset] {
                if (!self || !self->m_access)
                    return;
                self->m_store.setOffset(row, oldOffset);
                emit self->rowChanged(row);
            });
        }
    }

    // A write to a row that someone else changed or deleted since it was read: nothing is
    // written, the row is shown as it now stands (or leaves the list) and the user is told.
    [[noreturn]] void refuse(int row)
    {
        const int64_t rowId = m_store.rowId(row);
        m_mode = Mode::None;
        m_pending.clear();
        if (const std::optional<StoredRow> now = m_access->reread(rowId, nullptr)) {
            replaceRow(row, *now, nullptr);
            throw AppError(
                QStringLiteral("Data ini sudah diubah di komputer lain sejak dibaca (tabel %1); "
                               "perubahan dari layar ini tidak disimpan.\nYang tampil sekarang "
                               "adalah isi terbarunya: periksa, lalu ulangi bila masih perlu.")
                    .arg(m_table.name),
                AppError::Kind::Changed);
        }
        emit rowAboutToBeRemoved(row);
        m_store.remove(row);
        emit rowRemoved(row);
        setCurrent(row < m_store.rowCount() ? row : m_store.rowCount());
        throw AppError(QStringLiteral("Data ini sudah dihapus di komputer lain sejak dibaca "
                                      "(tabel %1); perubahan dari layar ini tidak disimpan.")
                           .arg(m_table.name),
                       AppError::Kind::Changed);
    }

    const TableDef &m_table;
    const QString m_address;
    std::shared_ptr<Store> m_db; // none once closed, or when it could not open
    std::unique_ptr<TableAccess> m_access;
    std::unique_ptr<Loader> m_loader; // while the table is still being read
    bool m_waiting = false; // in waitUntilLoaded()
    bool m_closeAfterWait = false; // close() asked for during the wait
    std::vector<StoredRow> m_held; // written by a service while the table was being read
    QString m_openError;
    RowStore m_store;
    int m_cur = 0;
    int m_announced = -1; // the current row as last announced to the grids
    bool m_deleted = false;
    Mode m_mode = Mode::None;
    int m_pendingRow = -1;
    int m_rowBeforeAdd = 0;
    uint64_t m_dirty = 0; // columns given a value since the row was taken for editing
    std::vector<Value> m_pending;
};

} // namespace

RecordSource::LoadWait &RecordSource::loadWait()
{
    static LoadWait hook;
    return hook;
}

void guardWrite(const QString &table)
{
    // No guard, no write: a program that has not said who may change what changes nothing.
    if (!RecordSource::writeGuard())
        throw AppError(QStringLiteral("Tabel %1 tidak dapat diubah: belum ditentukan siapa yang "
                                      "boleh mengubahnya.")
                           .arg(table),
                       AppError::Kind::Refused);
    RecordSource::writeGuard()(table);
}

RecordSource::WriteGuard &RecordSource::writeGuard()
{
    static WriteGuard hook;
    return hook;
}

RecordSource::LoadFailed &RecordSource::loadFailed()
{
    static LoadFailed hook;
    return hook;
}

void RecordSource::userActed()
{
    Loader::userActed();
}

void RecordSource::cancelAllPending()
{
    for (RecordSource *s : openSources()) {
        if (s->hasPending())
            s->cancelPending();
    }
}

void RecordSource::registerOpen()
{
    openSources().insert(this);
}

void RecordSource::unregisterOpen()
{
    openSources().erase(this);
}

std::unique_ptr<RecordSource> openRecordSource(const QString &address, const QString &table,
                                               QObject *parent)
{
    return std::make_unique<StoreRecordSource>(address, tableDef(table), parent);
}

} // namespace gudang
