#include "receipts.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/goodscode.h"
#include "core/schema.h"
#include "journal.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QDateTime>
#include <cmath>

namespace gudang {

namespace {

namespace s = col::tstok;
namespace t = col::tterima;
namespace r = col::tterimabrg;

std::optional<double> numberIn(const std::optional<QByteArray> &cell)
{
    bool ok = false;
    const double v = cell ? cell->toDouble(&ok) : 0;
    return ok ? std::optional<double>(v) : std::nullopt;
}

QString said(double v)
{
    return formatNumber(v);
}

} // namespace

struct ReceiptService::Data
{
    std::shared_ptr<Store> store;
    std::unique_ptr<TableAccess> goods, stock, receipts, lines;
    QString user;
    Role role;
};

ReceiptService::ReceiptService(const QString &workingAddress, QString user, Role role)
    : d(std::make_unique<Data>())
{
    d->store = openStore(workingAddress);
    d->goods = d->store->table(tableDef(QStringLiteral("tbarang")));
    d->stock = d->store->table(tableDef(QStringLiteral("tstok")));
    d->receipts = d->store->table(tableDef(QStringLiteral("tterima")));
    d->lines = d->store->table(tableDef(QStringLiteral("tterimabrg")));
    d->user = std::move(user);
    d->role = role;
}

ReceiptService::~ReceiptService() = default;

qint64 ReceiptService::post(const Receipt &receipt)
{
    return write(receipt, std::nullopt);
}

qint64 ReceiptService::reverse(qint64 number)
{
    requireRight(d->user, d->role, Right::Costs);
    const std::optional<StoredRow> head
        = d->receipts->findStored(t::No_Terima, QString::number(number), nullptr);
    if (!head)
        throw AppError(QStringLiteral("Penerimaan no. %1 tidak ada.").arg(number),
                       AppError::Kind::Refused);
    if (numberIn(head->cells[t::Batal]))
        throw AppError(QStringLiteral("Penerimaan no. %1 sendiri pembatalan; tidak dibatalkan "
                                      "lagi.")
                           .arg(number),
                       AppError::Kind::Refused);
    for (const StoredRow &other : allRowsOf(*d->receipts)) {
        if (numberIn(other.cells[t::Batal]) == double(number))
            throw AppError(QStringLiteral("Penerimaan no. %1 sudah dibatalkan (no. %2).")
                               .arg(number)
                               .arg(cellText(other.cells[t::No_Terima])),
                           AppError::Kind::Refused);
    }
    Receipt back;
    back.date = QDate::currentDate();
    back.supplier = cellText(head->cells[t::Supplier]);
    back.invoice = cellText(head->cells[t::No_Faktur]);
    for (const StoredRow &line : allRowsOf(*d->lines)) {
        if (numberIn(line.cells[r::No_Terima]) != double(number))
            continue;
        back.lines.push_back({ cellText(line.cells[r::Kode_Barang]),
                               -numberIn(line.cells[r::Jumlah]).value_or(0),
                               numberIn(line.cells[r::Harga]).value_or(0) });
    }
    return write(back, number);
}

qint64 ReceiptService::write(const Receipt &receipt, std::optional<qint64> reverses)
{
    requireRight(d->user, d->role, Right::Costs);
    if (!receipt.date.isValid() || receipt.date < QDate(1601, 1, 1)
        || receipt.date > QDate(9999, 12, 31))
        throw AppError(QStringLiteral("Tanggal penerimaan tidak ada (1601 sampai 9999); tidak ada "
                                      "yang disimpan."),
                       AppError::Kind::Refused);
    if (receipt.lines.empty())
        throw AppError(QStringLiteral("Penerimaan tanpa barang; tidak ada yang disimpan."),
                       AppError::Kind::Refused);
    for (size_t i = 0; i < receipt.lines.size(); ++i) {
        const ReceiptLine &l = receipt.lines[i];
        const QString where = QStringLiteral("Baris %1 (kode %2)").arg(i + 1).arg(l.code);
        if (!std::isfinite(l.quantity) || l.quantity == 0 || (!reverses && l.quantity < 0))
            throw AppError(QStringLiteral("%1: jumlah %2 bukan jumlah yang diterima; tidak ada "
                                          "yang disimpan.")
                               .arg(where, said(l.quantity)),
                           AppError::Kind::Refused);
        if (!std::isfinite(l.price) || l.price < 0 || std::fabs(l.price) >= 1e15)
            throw AppError(QStringLiteral("%1: harga %2 bukan harga beli; tidak ada yang "
                                          "disimpan.")
                               .arg(where, said(l.price)),
                           AppError::Kind::Refused);
    }
    auto tx = d->store->begin();
    const TableDef &head = d->receipts->definition();
    std::vector<Value> values(head.columns.size());
    values[t::Tanggal] = Value(QDateTime(receipt.date, QTime(0, 0)));
    values[t::Supplier] = Value(receipt.supplier.trimmed().left(20));
    values[t::No_Faktur] = Value(receipt.invoice.trimmed().left(30));
    values[t::Oleh] = Value(d->user.left(10));
    values[t::Dibuat] = Value(QDateTime::currentDateTime());
    values[t::Batal] = reverses ? Value(double(*reverses)) : Value();
    d->receipts->insert(
        *tx, { t::Tanggal, t::Supplier, t::No_Faktur, t::Oleh, t::Dibuat, t::Batal }, values);
    const qint64 number = qint64(values[t::No_Terima].toNumber());
    Journal journal(*d->store, d->user);
    const TableDef &stockDef = d->stock->definition();
    for (const ReceiptLine &l : receipt.lines) {
        if (!d->goods->findStored(col::tbarang::Kode_Barang, l.code, &*tx))
            throw AppError(QStringLiteral("Kode barang %1 tidak terdaftar; penerimaan tidak "
                                          "disimpan.")
                               .arg(l.code),
                           AppError::Kind::Refused);
        const std::optional<StoredRow> stored = d->stock->findStored(s::Kode_Barang, l.code, &*tx);
        const double now = stored ? numberIn(stored->cells[s::Jumlah_Stok]).value_or(0) : 0;
        const double after = now + l.quantity;
        if (after < 0)
            throw AppError(QStringLiteral("Stok kode %1 tinggal %2; penerimaan no. %3 tidak dapat "
                                          "dibatalkan.")
                               .arg(l.code, said(now))
                               .arg(reverses.value_or(0)),
                           AppError::Kind::Refused);
        std::vector<Value> row(stockDef.columns.size());
        row[s::Kode_Barang] = toColumnValue(stockDef.columns[s::Kode_Barang], Value(l.code));
        row[s::Jumlah_Stok] = Value(after);
        if (stored) {
            d->stock->updateLater(*tx, stored->rowId, cellsOf(*stored), { s::Jumlah_Stok }, row,
                                  QStringLiteral("Data stok kode %1 sudah diubah di komputer "
                                                 "lain; penerimaan tidak disimpan.")
                                      .arg(l.code));
        } else {
            row[s::Stok_Minimum] = Value(0.0);
            d->stock->insert(*tx, { s::Kode_Barang, s::Jumlah_Stok, s::Stok_Minimum }, row);
        }
        const QString remark = reverses
            ? QStringLiteral("batal penerimaan no. %1").arg(*reverses)
            : QStringLiteral("penerimaan no. %1, faktur %2").arg(number).arg(receipt.invoice);
        Movement m { movement::kReceipt, Value(l.code), l.quantity, Value(after), Value(), remark,
                     receipt.date };
        m.price = l.price;
        const qint64 journalNumber = journal.appendNumbered(*tx, m);
        std::vector<Value> line(d->lines->definition().columns.size());
        line[r::No_Terima] = Value(double(number));
        line[r::Kode_Barang] = row[s::Kode_Barang];
        line[r::Jumlah] = Value(l.quantity);
        line[r::Harga] = Value(l.price);
        line[r::No_Mutasi] = Value(double(journalNumber));
        d->lines->append(*tx, { r::No_Terima, r::Kode_Barang, r::Jumlah, r::Harga, r::No_Mutasi },
                         line);
    }
    tx->commit();
    return number;
}

} // namespace gudang
