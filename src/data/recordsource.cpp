#include "recordsource.h"
#include "apperror.h"
#include "journal.h"
#include "rowstore.h"
#include "schema.h"
#include "store.h"
#include "tableaccess.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <array>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace gudang {

namespace {

std::set<RecordSource *> &openSources()
{
    static std::set<RecordSource *> s;
    return s;
}

// Number typed as text into a number column: blanks around it are allowed, nothing else. The
// decimal separator is a comma, as the program shows numbers, or a point.
bool parseNumber(const QString &text, double *out)
{
    QByteArray t = text.trimmed().toLatin1();
    if (t.isEmpty() || text.trimmed().size() != t.size())
        return false;
    if (t.contains(',')) {
        if (t.contains('.') || t.count(',') > 1)
            return false;
        t.replace(',', '.');
    }
    const char *b = t.constData();
    const char *e = b + t.size();
    for (const char *p = b; p != e; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return false;
    }
    if (*b == '+')
        ++b;
    if (b == e || *b == '+')
        return false;
    auto res = std::from_chars(b, e, *out);
    return res.ec == std::errc() && res.ptr == e;
}

int codePoints(const QString &s)
{
    int n = 0;
    for (QChar c : s) {
        if (!c.isLowSurrogate())
            ++n;
    }
    return n;
}

// Reads a table into a row store on a thread of its own, after the first rows were read at
// once: the reader keeps one snapshot, so what it reads is the table as it was when the record
// source opened, whatever is written meanwhile.
class Loader
{
public:
    explicit Loader(std::unique_ptr<RowReader> reader)
        : m_reader(std::move(reader))
    { }
    ~Loader()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    Loader(const Loader &) = delete;
    Loader &operator=(const Loader &) = delete;

    bool readSome(int rows, std::vector<uint32_t> &out) { return m_reader->readSome(rows, out); }

    // Reads the rest on the loading thread; `arrived` is called (on that thread) when rows
    // are waiting to be taken, and once more at the end.
    void start(std::function<void()> arrived)
    {
        if (m_thread.joinable())
            return;
        m_arrived = std::move(arrived);
        m_thread = std::thread([this] { run(); });
    }

    // The rows read since the last call join `out`; true once reading has ended (`error`
    // then says why it stopped early, or is empty).
    bool take(std::vector<uint32_t> &out, QString *error)
    {
        std::lock_guard lock(m_mutex);
        out.swap(m_ready);
        m_ready.clear();
        m_announced = false;
        if (m_ended)
            *error = m_error;
        return m_ended;
    }

    // Waits up to `ms` for the end; true once reading has ended.
    bool waitForEnd(int ms)
    {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_ended; });
    }
    qint64 rowsRead() const { return m_rowsRead.load(std::memory_order_relaxed); }

private:
    void run()
    {
        // Behind the screens: a window being painted, a posting, come first.
        ::setpriority(PRIO_PROCESS, ::gettid(), 10);
        std::vector<uint32_t> batch;
        batch.reserve(kBatch);
        QString error;
        bool more = true;
        try {
            while (more && !m_stop) {
                more = m_reader->readSome(kBatch, batch);
                m_rowsRead.fetch_add(qint64(batch.size()), std::memory_order_relaxed);
                publish(batch, !more, QString());
            }
        } catch (const AppError &e) {
            error = e.description();
        }
        m_reader.reset(); // lets go of the snapshot
        if (more || !error.isEmpty())
            publish(batch, true, error.isEmpty() ? QStringLiteral("dihentikan") : error);
    }

    void publish(std::vector<uint32_t> &batch, bool ended, const QString &error)
    {
        bool announce = false;
        {
            std::lock_guard lock(m_mutex);
            m_ready.insert(m_ready.end(), batch.begin(), batch.end());
            if (ended) {
                m_ended = true;
                m_error = error;
            }
            announce = !m_announced;
            m_announced = true;
        }
        batch.clear();
        if (ended)
            m_done.notify_all();
        if (announce || ended)
            m_arrived();
    }

    static constexpr int kBatch = 16384;

    std::unique_ptr<RowReader> m_reader;
    std::thread m_thread;
    std::function<void()> m_arrived;
    std::atomic<bool> m_stop { false };
    std::atomic<qint64> m_rowsRead { 0 };
    std::mutex m_mutex;
    std::condition_variable m_done;
    std::vector<uint32_t> m_ready; // read, not yet taken
    bool m_announced = false; // `arrived` called since the last take
    bool m_ended = false;
    QString m_error;
};

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
            m_access = isServerAddress(address) ? openServerTable(address, table)
                                                : openSqliteTable(address, table);
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
            m_openError = e.description();
        }
    }

    ~StoreRecordSource() override
    {
        m_loader.reset(); // its thread stores into m_store
        unregisterOpen();
    }

    QString tableName() const override { return m_table.name; }
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
        ensureOpen();
        flushPending();
        setCurrent(0);
    }

    void find(const QString &column, const QString &value) override
    {
        waitUntilLoaded();
        ensureOpen();
        const int col = m_table.columnIndex(column);
        if (col < 0)
            throw AppError(
                QStringLiteral("Kolom %1 tidak ada pada tabel %2.").arg(column, m_table.name));
        flushPending();
        const int n = m_store.rowCount();
        if (m_cur >= n) {
            setCurrent(n);
            return;
        }
        const ColumnDef &def = m_table.columns[size_t(col)];
        int found = n;
        if (def.kind == ColumnKind::Text) {
            const QByteArray needle = value.toUtf8();
            found = m_store.findBytes(m_cur, col,
                                      std::string_view(needle.constData(), size_t(needle.size())));
        } else {
            Value want;
            try {
                want = convert(def, Value(value));
            } catch (const AppError &) {
                want = Value(); // a text the column cannot hold matches no row
            }
            if (!want.isNull()) {
                for (int r = m_cur; r < n; ++r) {
                    if (decode(def, m_store.cell(r, col)) == want) {
                        found = r;
                        break;
                    }
                }
            }
        }
        setCurrent(found);
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
        return decode(m_table.columns[size_t(position)], m_store.cell(m_cur, position));
    }

    void setField(int position, const Value &value) override
    {
        waitUntilLoaded(); // a source's own changes come after its snapshot
        ensureReadable();
        checkPosition(position);
        const ColumnDef &def = m_table.columns[size_t(position)];
        if (m_mode == Mode::None) {
            m_pending.clear();
            for (int c = 0; c < columnCount(); ++c)
                m_pending.push_back(decode(m_table.columns[size_t(c)], m_store.cell(m_cur, c)));
            m_mode = Mode::Edit;
            m_pendingRow = m_cur;
            m_dirty = 0;
        }
        try {
            if (def.kind == ColumnKind::AutoNumber)
                throw AppError(
                    QStringLiteral("Kolom %1 diisi oleh database dan tidak dapat diubah.")
                        .arg(def.name));
            m_pending[size_t(position)] = convert(def, value);
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

    void update() override
    {
        waitUntilLoaded();
        ensureOpen();
        if (m_mode == Mode::None)
            return;
        try {
            write();
        } catch (...) {
            cancelPending();
            throw;
        }
    }

    void deleteCurrent() override
    {
        waitUntilLoaded();
        ensureReadable();
        if (m_mode == Mode::Add && m_cur == m_pendingRow) {
            cancelPending();
            return;
        }
        if (m_mode == Mode::Edit)
            cancelPending();
        const int row = m_cur;
        const uint32_t offset = m_store.offsetOf(row);
        m_store.makeRoomForRow(); // so that taking the delete back cannot fail
        std::unique_ptr<Transaction> own = journalTransaction();
        const std::vector<RowStore::Cell> before = cellsOf(row);
        const TableAccess::Outcome outcome = m_access->remove(m_store.rowId(row), before);
        if (outcome != TableAccess::Outcome::Done)
            refuse(row, outcome);
        emit rowAboutToBeRemoved(row);
        m_store.remove(row);
        m_deleted = true;
        emit rowRemoved(row);
        // Undo entries hold the source weakly: one closed meanwhile is left alone.
        m_access->addUndo([self = QPointer<StoreRecordSource>(this), row, offset] {
            if (!self || !self->m_access)
                return;
            emit self->rowAboutToBeInserted(row);
            self->m_store.insert(row, offset);
            emit self->rowInserted(row);
            self->m_deleted = false;
            self->setCurrent(row);
        });
        if (journaledTable(m_table.name))
            journalChange(journal(), m_table, before, {});
        if (own)
            own->commit();
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
        m_loader.reset();
        if (m_mode != Mode::None)
            cancelPending();
        emit aboutToReset();
        m_store = RowStore(columnCount());
        m_access.reset();
        m_journal.reset(); // a closed source holds no database open
        m_openError = QStringLiteral("Sumber data tabel %1 sudah ditutup.").arg(m_table.name);
        m_cur = 0;
        m_announced = -1;
        emit rowsReset();
    }

    std::unique_ptr<Transaction> beginTransaction() override
    {
        waitUntilLoaded();
        ensureOpen();
        return m_access->beginTransaction();
    }

    bool refreshCurrent(bool hold) override
    {
        waitUntilLoaded();
        ensureReadable();
        flushPending();
        const int row = m_cur;
        std::vector<std::optional<QByteArray>> cells;
        if (!m_access->reread(m_store.rowId(row), hold, cells))
            return false;
        replaceRow(row, m_store.rowId(row), cells, true);
        return true;
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

    // Rows the loader has read join the list at its end; once it has ended it is let go. A
    // loader that failed leaves the source closed, with the reason.
    void drain()
    {
        if (!m_loader)
            return;
        std::vector<uint32_t> rows;
        QString error;
        const bool ended = m_loader->take(rows, &error);
        if (!rows.empty()) {
            const int first = m_store.rowCount();
            m_store.appendMany(rows.data(), rows.size());
            emit rowsLoaded(first);
        }
        if (!ended || m_waiting)
            return;
        m_loader.reset();
        if (error.isEmpty())
            return;
        const QString why = QStringLiteral("Tabel %1 tidak dapat dimuat sampai habis: %2")
                                .arg(m_table.name, error);
        close();
        m_openError = why;
    }

    // Until the loader has read the whole table; a wait of more than half a second is shown
    // through the load-wait hook.
    void startLoading()
    {
        if (m_loader)
            m_loader->start([this] {
                QMetaObject::invokeMethod(
                    this, [this] { drain(); }, Qt::QueuedConnection);
            });
    }

    void waitUntilLoaded() const
    {
        auto *self = const_cast<StoreRecordSource *>(this);
        if (!m_loader || m_waiting)
            return;
        self->startLoading(); // a wait does not wait for the event loop
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

    static Value decode(const ColumnDef &def, const RowStore::Cell &cell)
    {
        if (cell.null)
            return Value();
        const QString text = QString::fromUtf8(cell.bytes.data(), qsizetype(cell.bytes.size()));
        switch (def.kind) {
        case ColumnKind::Text:
            return Value(text);
        case ColumnKind::Number:
        case ColumnKind::AutoNumber: {
            double d = 0;
            std::from_chars(cell.bytes.data(), cell.bytes.data() + cell.bytes.size(), d);
            return Value(d);
        }
        case ColumnKind::Date: {
            bool ok = false;
            const QDateTime d = dateFromText(text, &ok);
            return ok ? Value(d) : Value(text);
        }
        }
        return Value();
    }

    // The value a column can hold, or AppError naming the column.
    static Value convert(const ColumnDef &def, const Value &value)
    {
        if (value.isNull())
            return value;
        switch (def.kind) {
        case ColumnKind::Text: {
            const QString text = value.toText();
            if (def.maxLength > 0 && codePoints(text) > def.maxLength) {
                throw AppError(
                    QStringLiteral("Isi kolom %1 terlalu panjang: paling banyak %2 karakter.")
                        .arg(def.name)
                        .arg(def.maxLength));
            }
            return Value(text);
        }
        case ColumnKind::Number:
        case ColumnKind::AutoNumber: {
            if (value.isNumber())
                return value;
            double d = 0;
            if (value.isText() && parseNumber(value.toText(), &d))
                return Value(d);
            throw AppError(QStringLiteral("Isi kolom %1 harus berupa angka: \"%2\" bukan angka.")
                               .arg(def.name, shortQuote(value.toText())));
        }
        case ColumnKind::Date: {
            if (value.isDate())
                return value;
            bool ok = false;
            const QDateTime d = value.isText() ? dateFromText(value.toText(), &ok) : QDateTime();
            if (ok)
                return Value(d);
            throw AppError(
                QStringLiteral("Isi kolom %1 harus berupa tanggal: \"%2\" bukan tanggal.")
                    .arg(def.name, shortQuote(value.toText())));
        }
        }
        return value;
    }

    void write()
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
        // A stock or goods-out change and its journal rows are one transaction.
        std::unique_ptr<Transaction> own = journalTransaction();
        const std::vector<RowStore::Cell> before
            = added ? std::vector<RowStore::Cell>() : cellsOf(row);
        TableAccess::Outcome outcome = TableAccess::Outcome::Done;
        try {
            if (added)
                rowId = m_access->insert(cols, m_pending);
            else
                outcome = m_access->update(rowId, cellsOf(row), cols, m_pending);
        } catch (const AppError &e) {
            throw AppError(m_access->explain(e, m_pending));
        }
        if (outcome != TableAccess::Outcome::Done)
            refuse(row, outcome);
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
        const std::vector<Value> after = std::move(m_pending);
        m_pending.clear();
        emit rowChanged(row);
        if (added) {
            const int before = m_rowBeforeAdd;
            m_access->addUndo([self = QPointer<StoreRecordSource>(this), row, before] {
                if (!self || !self->m_access)
                    return;
                emit self->rowAboutToBeRemoved(row);
                self->m_store.remove(row);
                emit self->rowRemoved(row);
                self->setCurrent(before < self->m_store.rowCount() ? before
                                                                   : self->m_store.rowCount());
            });
        } else {
            m_access->addUndo([self = QPointer<StoreRecordSource>(this), row, oldOffset] {
                if (!self || !self->m_access)
                    return;
                self->m_store.setOffset(row, oldOffset);
                emit self->rowChanged(row);
            });
        }
        if (journaledTable(m_table.name))
            journalChange(journal(), m_table, before, after);
        if (own)
            own->commit();
    }

    // A transaction of its own for a journaled write made outside one; none otherwise.
    std::unique_ptr<Transaction> journalTransaction()
    {
        if (!journaledTable(m_table.name) || m_access->inTransaction())
            return nullptr;
        return m_access->beginTransaction();
    }

    TableAccess &journal()
    {
        if (!m_journal) {
            const TableDef &def = tableDef(QStringLiteral("tmutasi"));
            m_journal = isServerAddress(m_address) ? openServerTable(m_address, def)
                                                   : openSqliteTable(m_address, def);
        }
        return *m_journal;
    }

    std::vector<RowStore::Cell> cellsOf(int row) const
    {
        std::vector<RowStore::Cell> cells;
        for (int c = 0; c < columnCount(); ++c)
            cells.push_back(m_store.cell(row, c));
        return cells;
    }

    // The row takes these cells; with `undoable`, a rollback of the open transaction puts the
    // old ones back.
    void replaceRow(int row, int64_t rowId, const std::vector<std::optional<QByteArray>> &cells,
                    bool undoable)
    {
        RowStore::Builder b;
        b.start(rowId);
        bool same = rowId == m_store.rowId(row);
        for (int c = 0; c < columnCount(); ++c) {
            const RowStore::Cell old = m_store.cell(row, c);
            if (cells[size_t(c)]) {
                const QByteArray &bytes = *cells[size_t(c)];
                b.addBytes(bytes.constData(), size_t(bytes.size()));
                same = same && !old.null
                    && old.bytes == std::string_view(bytes.constData(), size_t(bytes.size()));
            } else {
                b.addNull();
                same = same && old.null;
            }
        }
        if (same)
            return;
        const uint32_t oldOffset = m_store.offsetOf(row);
        m_store.setOffset(row, m_store.store(b.bytes()));
        emit rowChanged(row);
        if (undoable) {
            m_access->addUndo([self = QPointer<StoreRecordSource>(this), row, oldOffset] {
                if (!self || !self->m_access)
                    return;
                self->m_store.setOffset(row, oldOffset);
                emit self->rowChanged(row);
            });
        }
    }

    // A write to a row that someone else changed or deleted since it was read: nothing is
    // written, the row is shown as it now stands (or leaves the list) and the user is told.
    [[noreturn]] void refuse(int row, TableAccess::Outcome outcome)
    {
        const int64_t rowId = m_store.rowId(row);
        std::vector<std::optional<QByteArray>> cells;
        m_mode = Mode::None;
        m_pending.clear();
        if (outcome == TableAccess::Outcome::Changed && m_access->reread(rowId, false, cells)) {
            replaceRow(row, rowId, cells, false);
            throw AppError(
                QStringLiteral("Data ini sudah diubah di komputer lain sejak dibaca (tabel %1); "
                               "perubahan dari layar ini tidak disimpan.\nYang tampil sekarang "
                               "adalah isi terbarunya: periksa, lalu ulangi bila masih perlu.")
                    .arg(m_table.name));
        }
        emit rowAboutToBeRemoved(row);
        m_store.remove(row);
        emit rowRemoved(row);
        setCurrent(row < m_store.rowCount() ? row : m_store.rowCount());
        throw AppError(QStringLiteral("Data ini sudah dihapus di komputer lain sejak dibaca "
                                      "(tabel %1); perubahan dari layar ini tidak disimpan.")
                           .arg(m_table.name));
    }

    const TableDef &m_table;
    std::unique_ptr<TableAccess> m_access; // none once closed, or when it could not open
    const QString m_address;
    std::unique_ptr<TableAccess> m_journal; // tmutasi, for the writes of tstok and tbrgkeluar
    std::unique_ptr<Loader> m_loader; // while the table is still being read
    bool m_waiting = false; // in waitUntilLoaded()
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
