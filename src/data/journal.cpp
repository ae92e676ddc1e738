#include "journal.h"
#include "schema.h"
#include "tableaccess.h"

#include <QStringList>
#include <charconv>

namespace gudang {

namespace {

MovementScope *g_scope = nullptr;
QString g_user;

Value valueOf(const RowStore::Cell &cell, const ColumnDef &def)
{
    if (cell.null)
        return Value();
    if (def.kind == ColumnKind::Number || def.kind == ColumnKind::AutoNumber) {
        double d = 0;
        std::from_chars(cell.bytes.data(), cell.bytes.data() + cell.bytes.size(), d);
        return Value(d);
    }
    const QString text = QString::fromUtf8(cell.bytes.data(), qsizetype(cell.bytes.size()));
    if (def.kind == ColumnKind::Date) {
        bool ok = false;
        const QDateTime d = dateFromText(text, &ok);
        if (ok)
            return Value(d);
    }
    return Value(text);
}

double quantity(const Value &v)
{
    return v.isNumber() ? v.toNumber() : 0.0;
}

void append(TableAccess &journal, const QString &kind, const Value &code, double change,
            const Value &after, const Value &outNumber, const QString &remark)
{
    std::vector<Value> values(tableDef(QStringLiteral("tmutasi")).columns.size());
    namespace c = col::tmutasi;
    values[c::Waktu] = Value(QDateTime::currentDateTime());
    values[c::Pengguna] = Value(g_user.left(10));
    values[c::Jenis] = Value(kind);
    values[c::Kode_Barang] = Value(code.isNull() ? QString() : code.toText().left(10));
    values[c::Perubahan] = Value(change);
    values[c::Stok_Akhir] = after;
    values[c::No_Keluar] = outNumber;
    values[c::Keterangan] = Value(remark.left(100));
    std::vector<int> columns;
    for (int i = c::Waktu; i <= c::Keterangan; ++i)
        columns.push_back(i);
    journal.insert(columns, values);
}

QString describe(const Value &v)
{
    return v.isDate()  ? dateToDisplay(v.toDate())
        : v.isNumber() ? formatNumber(v.toNumber())
                       : v.toText();
}

} // namespace

MovementScope::MovementScope(QString kind)
    : kind(std::move(kind))
    , m_outer(g_scope)
{
    g_scope = this;
}

MovementScope::~MovementScope()
{
    g_scope = m_outer;
}

MovementScope *MovementScope::current()
{
    return g_scope;
}

void setJournalUser(const QString &user)
{
    g_user = user;
}

bool journaledTable(const QString &table)
{
    return table == QLatin1String("tstok") || table == QLatin1String("tbrgkeluar");
}

void journalChange(TableAccess &journal, const TableDef &table,
                   const std::vector<RowStore::Cell> &before, const std::vector<Value> &after)
{
    std::vector<Value> old;
    for (size_t c = 0; c < before.size(); ++c)
        old.push_back(valueOf(before[c], table.columns[c]));
    MovementScope *scope = MovementScope::current();
    if (table.name == QLatin1String("tstok")) {
        namespace s = col::tstok;
        const Value oldCode = old.empty() ? Value() : old[s::Kode_Barang];
        const Value newCode = after.empty() ? Value() : after[s::Kode_Barang];
        const double oldStock = old.empty() ? 0 : quantity(old[s::Jumlah_Stok]);
        const double newStock = after.empty() ? 0 : quantity(after[s::Jumlah_Stok]);
        const QString kind = scope ? scope->kind
            : old.empty()          ? movement::kBooking
            : after.empty()        ? movement::kStockDeleted
                                   : movement::kSetting;
        const Value outNumber = scope && scope->outNumber ? Value(*scope->outNumber) : Value();
        if (!old.empty() && !after.empty() && oldCode != newCode) {
            // The record moved to another code: out of the one, into the other.
            append(journal, kind, oldCode, -oldStock, Value(0.0), outNumber,
                   QStringLiteral("kode diganti menjadi %1").arg(describe(newCode)));
            append(journal, kind, newCode, newStock, Value(newStock), outNumber,
                   QStringLiteral("kode diganti dari %1").arg(describe(oldCode)));
            return;
        }
        const double change = newStock - oldStock;
        if (change == 0 && !old.empty() && !after.empty())
            return; // only the minimum changed: no movement
        append(journal, kind, after.empty() ? oldCode : newCode, change,
               Value(after.empty() ? 0.0 : newStock), outNumber, QString());
        return;
    }
    // tbrgkeluar: a posting's own row is journaled with its stock change; any other change of
    // goods-out rows is a correction that leaves the stock as it is.
    namespace k = col::tbrgkeluar;
    if (scope && scope->kind == movement::kIssue && old.empty()) {
        scope->outNumber = quantity(after[k::No_Keluar]);
        return;
    }
    QStringList said;
    QString remark;
    if (old.empty()) {
        remark = QStringLiteral("baris ditambah: jumlah %1").arg(describe(after[k::Jumlah]));
    } else if (after.empty()) {
        remark = QStringLiteral("baris dihapus: jumlah %1, tanggal %2")
                     .arg(describe(old[k::Jumlah]), describe(old[k::Tanggal]));
    } else {
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
    append(journal, movement::kCorrection, row[k::Kode_Barang], 0, Value(), row[k::No_Keluar],
           remark);
}

} // namespace gudang
