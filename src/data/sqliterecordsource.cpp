#include "apperror.h"
#include "database.h"
#include "recordsource.h"
#include "rowstore.h"
#include "schema.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QVarLengthArray>
#include <array>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <sqlite3.h>
#include <thread>

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

// Reads a table into a row store: the first rows at once, the rest on a thread of its own. It
// has its own read-only connection (without SQLite's per-call mutex: one thread uses it at a
// time) whose read transaction begins with the first row, so what it reads is the table as it
// was when the record source opened, whatever is written meanwhile.
class Loader
{
public:
    Loader(const QString &path, const QString &table, const TableDef &def, RowStore &store)
        : m_store(store)
        , m_columns(int(def.columns.size()))
    {
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_conn,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(m_conn, 2000);
            QStringList cols;
            for (const ColumnDef &c : def.columns)
                cols << QLatin1Char('"') + c.name + QLatin1Char('"');
            const QByteArray sql = QStringLiteral("SELECT rowid, %1 FROM \"%2\"")
                                       .arg(cols.join(QLatin1Char(',')), table)
                                       .toUtf8();
            rc = sqlite3_exec(m_conn, "BEGIN", nullptr, nullptr, nullptr);
            if (rc == SQLITE_OK)
                rc = sqlite3_prepare_v2(m_conn, sql.constData(), -1, &m_stmt, nullptr);
        }
        if (rc != SQLITE_OK) {
            const QString why
                = QString::fromUtf8(m_conn ? sqlite3_errmsg(m_conn) : sqlite3_errstr(rc));
            finish();
            throw AppError(QStringLiteral("Tabel %1 tidak dapat dibaca: %2.").arg(table, why));
        }
    }
    ~Loader()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        finish();
    }
    Loader(const Loader &) = delete;
    Loader &operator=(const Loader &) = delete;

    // Reads up to `rows` rows into the store and the list `out`; false once the table ends.
    bool readSome(int rows, std::vector<uint32_t> &out)
    {
        std::vector<const char *> cells(static_cast<size_t>(m_columns));
        std::vector<size_t> sizes(static_cast<size_t>(m_columns));
        std::vector<std::array<char, 32>> numbers(static_cast<size_t>(m_columns));
        for (int i = 0; i < rows; ++i) {
            const int rc = sqlite3_step(m_stmt);
            if (rc == SQLITE_DONE)
                return false;
            if (rc != SQLITE_ROW)
                throw AppError(QStringLiteral("Tabel tidak dapat dibaca sampai habis: %1.")
                                   .arg(QString::fromUtf8(sqlite3_errmsg(m_conn))));
            for (int c = 0; c < m_columns; ++c) {
                const int type = sqlite3_column_type(m_stmt, c + 1);
                if (type == SQLITE_NULL) {
                    cells[size_t(c)] = nullptr;
                } else if (type == SQLITE_FLOAT) {
                    char *num = numbers[size_t(c)].data();
                    const auto res
                        = std::to_chars(num, num + 32, sqlite3_column_double(m_stmt, c + 1));
                    cells[size_t(c)] = num;
                    sizes[size_t(c)] = size_t(res.ptr - num);
                } else {
                    cells[size_t(c)]
                        = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c + 1));
                    sizes[size_t(c)] = size_t(sqlite3_column_bytes(m_stmt, c + 1));
                    if (!cells[size_t(c)])
                        cells[size_t(c)] = ""; // an empty text is not Null
                }
            }
            out.push_back(
                m_store.storeRow(sqlite3_column_int64(m_stmt, 0), cells.data(), sizes.data()));
        }
        return true;
    }

    // Reads the rest on the loading thread; `arrived` is called (on that thread) when rows
    // are waiting to be taken, and once more at the end.
    void start(std::function<void()> arrived)
    {
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
        std::vector<uint32_t> batch;
        batch.reserve(kBatch);
        QString error;
        bool more = true;
        try {
            while (more && !m_stop) {
                more = readSome(kBatch, batch);
                m_rowsRead.fetch_add(qint64(batch.size()), std::memory_order_relaxed);
                publish(batch, !more, QString());
            }
        } catch (const AppError &e) {
            error = e.description();
        }
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

    void finish()
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        sqlite3_close_v2(m_conn); // ends the read transaction
        m_conn = nullptr;
    }

    static constexpr int kBatch = 16384;

    RowStore &m_store;
    const int m_columns;
    sqlite3 *m_conn = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
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

class SqliteRecordSource final : public RecordSource
{
public:
    SqliteRecordSource(const QString &path, const TableDef &table, QObject *parent)
        : RecordSource(parent)
        , m_table(table)
        , m_store(int(table.columns.size()))
    {
        registerOpen();
        try {
            m_db = Database::open(path);
            m_generation = m_db->generation();
            // The first rows at once, for the first paint of a grid; the rest on the loader's
            // thread, joining the list as they come (see drain()).
            m_loader = std::make_unique<Loader>(path, m_table.name, m_table, m_store);
            std::vector<uint32_t> first;
            const bool more = m_loader->readSome(kFirstRows, first);
            m_store.appendMany(first.data(), first.size());
            if (more) {
                m_loader->start([this] {
                    QMetaObject::invokeMethod(
                        this, [this] { drain(); }, Qt::QueuedConnection);
                });
            } else {
                m_loader.reset();
            }
            m_announced = currentRow();
        } catch (const AppError &e) {
            m_loader.reset();
            m_db.reset();
            m_openError = e.description();
        }
    }

    ~SqliteRecordSource() override
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
        readyForWrite();
        m_store.makeRoomForRow(); // so that taking the delete back cannot fail
        Statement st(*m_db,
                     QStringLiteral("DELETE FROM \"%1\" WHERE rowid = ?")
                         .arg(m_table.name)
                         .toUtf8()
                         .constData());
        sqlite3_bind_int64(st.get(), 1, m_store.rowId(row));
        st.step();
        emit rowAboutToBeRemoved(row);
        m_store.remove(row);
        m_deleted = true;
        emit rowRemoved(row);
        // Undo entries hold the source weakly: one closed meanwhile is left alone.
        m_db->addUndo([self = QPointer<SqliteRecordSource>(this), row, offset] {
            if (!self || !self->m_db)
                return;
            emit self->rowAboutToBeInserted(row);
            self->m_store.insert(row, offset);
            emit self->rowInserted(row);
            self->m_deleted = false;
            self->setCurrent(row);
        });
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
        m_insert.reset();
        m_updates.clear();
        m_db.reset();
        m_openError = QStringLiteral("Sumber data tabel %1 sudah ditutup.").arg(m_table.name);
        m_cur = 0;
        m_announced = -1;
        emit rowsReset();
    }

    std::unique_ptr<Transaction> beginTransaction() override
    {
        waitUntilLoaded();
        ensureOpen();
        // The transaction keeps its database open for as long as it lives.
        class SqliteTransaction final : public Transaction
        {
        public:
            explicit SqliteTransaction(std::shared_ptr<Database> db)
                : m_db(std::move(db))
                , m_t(*m_db)
            { }
            void commit() override { m_t.commit(); }

        private:
            std::shared_ptr<Database> m_db;
            Database::Transaction m_t;
        };
        return std::make_unique<SqliteTransaction>(m_db);
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
    void waitUntilLoaded() const
    {
        auto *self = const_cast<SqliteRecordSource *>(this);
        if (!m_loader || m_waiting)
            return;
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
        if (!m_db)
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

    // A connection opened anew has none of the statements prepared on the old one.
    void readyForWrite()
    {
        m_db->readyForWrite();
        if (m_db->generation() != m_generation) {
            m_insert.reset();
            m_updates.clear();
            m_generation = m_db->generation();
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

    void bindValue(sqlite3_stmt *s, int index, const ColumnDef &def, const Value &v)
    {
        if (v.isNull()) {
            sqlite3_bind_null(s, index);
        } else if (def.kind == ColumnKind::Number) {
            sqlite3_bind_double(s, index, v.toNumber());
        } else {
            const QByteArray bytes = v.toText().toUtf8();
            sqlite3_bind_text(s, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        }
    }

    void write()
    {
        // A new row writes every column; a changed row only the columns given a value, so an
        // unchanged key leaves its index alone.
        QVarLengthArray<int, 16> cols;
        for (int c = 0; c < columnCount(); ++c) {
            if (m_table.columns[size_t(c)].kind == ColumnKind::AutoNumber)
                continue;
            if (m_mode == Mode::Edit && !(m_dirty & (uint64_t(1) << c)))
                continue;
            cols.append(c);
        }
        readyForWrite();
        const int row = m_pendingRow;
        const uint32_t oldOffset = m_store.offsetOf(row);
        int64_t rowId = m_store.rowId(row);
        // The write statements are prepared once and kept while the source is open.
        std::unique_ptr<Statement> &cached = m_mode == Mode::Add ? m_insert : m_updates[m_dirty];
        QStringList names;
        if (!cached) {
            for (int c : cols)
                names << QLatin1Char('"') + m_table.columns[size_t(c)].name + QLatin1Char('"');
        }
        QString sql;
        if (cached) {
            // already prepared
        } else if (m_mode == Mode::Add) {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                      .arg(m_table.name, names.join(QLatin1Char(',')),
                           marks.join(QLatin1Char(',')));
        } else {
            QStringList sets;
            for (const QString &n : names)
                sets << n + QStringLiteral(" = ?");
            sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?")
                      .arg(m_table.name, sets.join(QLatin1Char(',')));
        }
        if (!cached)
            cached = std::make_unique<Statement>(*m_db, sql.toUtf8().constData());
        Statement &st = *cached;
        st.reset();
        for (int i = 0; i < cols.size(); ++i)
            bindValue(st.get(), i + 1, m_table.columns[size_t(cols[i])],
                      m_pending[size_t(cols[i])]);
        if (m_mode == Mode::Edit)
            sqlite3_bind_int64(st.get(), int(cols.size()) + 1, rowId);
        try {
            st.step();
        } catch (const AppError &e) {
            throw AppError(explain(e));
        }
        const bool added = m_mode == Mode::Add;
        if (added) {
            rowId = sqlite3_last_insert_rowid(m_db->handle());
            for (int c = 0; c < columnCount(); ++c) {
                if (m_table.columns[size_t(c)].kind == ColumnKind::AutoNumber)
                    m_pending[size_t(c)] = Value(double(rowId));
            }
        }
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
        m_pending.clear();
        emit rowChanged(row);
        if (added) {
            const int before = m_rowBeforeAdd;
            m_db->addUndo([self = QPointer<SqliteRecordSource>(this), row, before] {
                if (!self || !self->m_db)
                    return;
                emit self->rowAboutToBeRemoved(row);
                self->m_store.remove(row);
                emit self->rowRemoved(row);
                self->setCurrent(before < self->m_store.rowCount() ? before
                                                                   : self->m_store.rowCount());
            });
        } else {
            m_db->addUndo([self = QPointer<SqliteRecordSource>(this), row, oldOffset] {
                if (!self || !self->m_db)
                    return;
                self->m_store.setOffset(row, oldOffset);
                emit self->rowChanged(row);
            });
        }
    }

    // A refused write said in the user's terms.
    QString explain(const AppError &e) const
    {
        const QString msg = QString::fromUtf8(sqlite3_errmsg(m_db->handle()));
        const int rc = sqlite3_extended_errcode(m_db->handle());
        if (rc == SQLITE_CONSTRAINT_UNIQUE) {
            for (int c = 0; c < columnCount(); ++c) {
                const ColumnDef &def = m_table.columns[size_t(c)];
                if (def.unique && msg.contains(def.name)) {
                    return QStringLiteral("%1 \"%2\" sudah ada pada tabel %3; data tidak disimpan.")
                        .arg(def.name, shortQuote(m_pending[size_t(c)].toText()), m_table.name);
                }
            }
        }
        return QStringLiteral("Data tabel %1 tidak dapat disimpan. %2")
            .arg(m_table.name, e.description());
    }

    const TableDef &m_table;
    std::shared_ptr<Database> m_db;
    std::unique_ptr<Loader> m_loader; // while the table is still being read
    bool m_waiting = false; // in waitUntilLoaded()
    std::unique_ptr<Statement> m_insert; // destroyed before the database they belong to
    std::map<uint64_t, std::unique_ptr<Statement>> m_updates; // by the set of changed columns
    int m_generation = 0; // of the connection the kept statements belong to
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

std::unique_ptr<RecordSource> openRecordSource(const QString &path, const QString &table,
                                               QObject *parent)
{
    return std::make_unique<SqliteRecordSource>(path, tableDef(table), parent);
}

} // namespace gudang
