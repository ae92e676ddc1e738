#include "journal.h"
#include "core/rights.h"
#include "core/schema.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QStringList>

namespace gudang {

namespace {

double quantity(const Value &v)
{
    return v.isNumber() ? v.toNumber() : 0.0;
}

QString describe(const Value &v)
{
    return v.isDate()  ? dateToDisplay(v.toDate())
        : v.isNumber() ? formatNumber(v.toNumber())
                       : v.toText();
}

} // namespace

Journal::Journal(Store &store, QString user)
    : m_store(store)
    , m_table(store.table(tableDef(QStringLiteral("tmutasi"))))
    , m_user(std::move(user))
{ }

Journal::~Journal() = default;

std::vector<Value> Journal::rowOf(const Movement &m, std::vector<int> *columns) const
{
    requirePerson(m_user); // every movement names who made it
    std::vector<Value> values(m_table->definition().columns.size());
    namespace c = col::tmutasi;
    values[c::Waktu] = Value(QDateTime::currentDateTime());
    values[c::Pengguna] = Value(m_user.left(10));
    values[c::Jenis] = Value(m.kind);
    values[c::Kode_Barang] = Value(m.code.isNull() ? QString() : m.code.toText().left(10));
    values[c::Perubahan] = Value(m.change);
    values[c::Stok_Akhir] = m.stockAfter;
    values[c::No_Keluar] = m.outNumber;
    values[c::Keterangan] = Value(m.remark.left(100));
    values[c::Tanggal]
        = Value(QDateTime(m.day.isValid() ? m.day : QDate::currentDate(), QTime(0, 0)));
    columns->clear();
    for (int i = c::Waktu; i <= c::Tanggal; ++i)
        columns->push_back(i);
    return values;
}

void Journal::append(Transaction &tx, const Movement &m)
{
    std::vector<int> columns;
    const std::vector<Value> values = rowOf(m, &columns);
    m_table->append(tx, columns, values);
    m_store.valueLastMovement(tx, m.price);
}

qint64 Journal::appendNumbered(Transaction &tx, const Movement &m)
{
    std::vector<int> columns;
    std::vector<Value> values = rowOf(m, &columns);
    m_table->insert(tx, columns, values);
    m_store.valueLastMovement(tx, m.price);
    return qint64(values[col::tmutasi::No_Mutasi].toNumber());
}

std::vector<Movement> Journal::movementsOf(const RowChange &change, const QString &kind,
                                           const Value &outNumber, const QDate &day)
{
    namespace s = col::tstok;
    const std::vector<Value> &old = change.before;
    const std::vector<Value> &after = change.after;
    if (old.empty() && after.empty())
        return {};
    const Value oldCode = old.empty() ? Value() : old[s::Kode_Barang];
    const Value newCode = after.empty() ? Value() : after[s::Kode_Barang];
    const double oldStock = old.empty() ? 0 : quantity(old[s::Jumlah_Stok]);
    const double newStock = after.empty() ? 0 : quantity(after[s::Jumlah_Stok]);
    const QString said = after.empty() ? movement::kStockDeleted : kind;
    if (!old.empty() && !after.empty() && oldCode != newCode) {
        // The record moved to another code: out of the one, into the other.
        return { { said, oldCode, -oldStock, Value(0.0), outNumber,
                   QStringLiteral("kode diganti menjadi %1").arg(describe(newCode)), day },
                 { said, newCode, newStock, Value(newStock), outNumber,
                   QStringLiteral("kode diganti dari %1").arg(describe(oldCode)), day } };
    }
    const double moved = newStock - oldStock;
    if (moved == 0 && !old.empty() && !after.empty())
        return {}; // only the minimum changed: no movement
    return { { said, after.empty() ? oldCode : newCode, moved,
               Value(after.empty() ? 0.0 : newStock), outNumber, QString(), day } };
}

void Journal::stockChanged(Transaction &tx, const RowChange &change, const QString &kind,
                           const Value &outNumber, const QDate &day)
{
    for (const Movement &m : movementsOf(change, kind, outNumber, day))
        append(tx, m);
}

void Journal::issued(Transaction &tx, TableAccess &out, const std::vector<int> &columns,
                     std::vector<Value> &row, int64_t &rowId, const RowChange &change,
                     const QDate &day)
{
    const std::vector<Movement> moved = movementsOf(change, movement::kIssue, Value(), day);
    if (moved.size() != 1) {
        // Not one movement of one code: the row first, its number then in the journal.
        rowId = out.insert(tx, columns, row);
        stockChanged(tx, change, movement::kIssue, row[col::tbrgkeluar::No_Keluar], day);
        return;
    }
    std::vector<int> journalColumns;
    std::vector<Value> journalRow = rowOf(moved.front(), &journalColumns);
    out.insertWith(tx, columns, row, rowId, *m_table, journalColumns, std::move(journalRow),
                   col::tmutasi::No_Keluar);
    m_store.valueLastMovement(tx, std::nullopt);
}

void Journal::goodsOutCorrected(Transaction &tx, const RowChange &change)
{
    namespace k = col::tbrgkeluar;
    const std::vector<Value> &old = change.before;
    const std::vector<Value> &after = change.after;
    if (old.empty() && after.empty())
        return;
    const TableDef &table = tableDef(QStringLiteral("tbrgkeluar"));
    QString remark;
    if (old.empty()) {
        remark = QStringLiteral("baris ditambah: jumlah %1").arg(describe(after[k::Jumlah]));
    } else if (after.empty()) {
        remark = QStringLiteral("baris dihapus: jumlah %1, tanggal %2")
                     .arg(describe(old[k::Jumlah]), describe(old[k::Tanggal]));
    } else {
        QStringList said;
        for (int c : { int(k::Kode_Barang), int(k::Tanggal), int(k::Jumlah) }) {
            if (old[size_t(c)] != after[size_t(c)])
                said << QStringLiteral("%1 %2 menjadi %3")
                            .arg(table.columns[size_t(c)].name, describe(old[size_t(c)]),
                                 describe(after[size_t(c)]));
        }
        if (said.isEmpty())
            return;
        remark = QStringLiteral("diubah: ") + said.join(QStringLiteral(", "));
    }
    const std::vector<Value> &row = after.empty() ? old : after;
    append(tx,
           { movement::kCorrection, row[k::Kode_Barang], 0, Value(), row[k::No_Keluar], remark });
}

} // namespace gudang
