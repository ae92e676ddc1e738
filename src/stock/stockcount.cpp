#include "stockcount.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/schema.h"
#include "journal.h"
#include "store/reportquery.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <cmath>

namespace gudang {

namespace {

namespace o = col::topname;
namespace l = col::topnamebrg;
namespace s = col::tstok;

const QString kDraft = QStringLiteral("draf");
const QString kApplied = QStringLiteral("diterapkan");

std::optional<double> number(const std::optional<QByteArray> &cell)
{
    if (!cell)
        return std::nullopt;
    return cell->toDouble();
}

QString key(int id, const QString &code)
{
    return QStringLiteral("%1/%2").arg(id).arg(code);
}

QDateTime dateOf(const QString &stored)
{
    return QDateTime::fromString(stored, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

CountInfo infoOf(const StoredRow &row)
{
    CountInfo c;
    c.id = int(number(row.cells[o::No_Opname]).value_or(0));
    c.made = dateOf(cellText(row.cells[o::Dibuat]));
    c.by = cellText(row.cells[o::Oleh]);
    c.filter = cellText(row.cells[o::Saring]);
    c.applied = cellText(row.cells[o::Status]) == kApplied;
    c.appliedAt = dateOf(cellText(row.cells[o::Diterapkan]));
    c.appliedBy = cellText(row.cells[o::Penerap]);
    return c;
}

QString appliedText(const CountInfo &c)
{
    return QStringLiteral("Hitungan no. %1 sudah diterapkan pada %2 oleh %3; hitungan itu tidak "
                          "dapat diubah lagi.")
        .arg(c.id)
        .arg(c.appliedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")), c.appliedBy);
}

} // namespace

struct CountService::Impl
{
    Impl(QString address, QString user, Role role)
        : address(std::move(address))
        , user(std::move(user))
        , role(role)
    { }

    void open()
    {
        if (store)
            return;
        store = openStore(address);
        counts = store->table(tableDef(QStringLiteral("topname")));
        lines = store->table(tableDef(QStringLiteral("topnamebrg")));
        stock = store->table(tableDef(QStringLiteral("tstok")));
        goods = store->table(tableDef(QStringLiteral("tbarang")));
    }

    // The count's row, held until the transaction ends: a scan and the apply of one count
    // wait for each other.
    StoredRow held(Transaction &tx, int id)
    {
        const std::optional<StoredRow> row
            = counts->findStored(o::No_Opname, QString::number(id), &tx);
        if (!row)
            throw AppError(QStringLiteral("Hitungan no. %1 tidak ada.").arg(id),
                           AppError::Kind::Missing);
        return *row;
    }

    const QString address;
    QString user;
    Role role;
    std::shared_ptr<Store> store;
    std::unique_ptr<TableAccess> counts, lines, stock, goods;
};

CountService::CountService(QString workingAddress, QString user, Role role)
    : d(std::make_unique<Impl>(std::move(workingAddress), std::move(user), role))
{ }

CountService::~CountService() = default;

void CountService::setUser(const QString &user, Role role)
{
    d->user = user;
    d->role = role;
}

CountInfo CountService::start(const QString &filter)
{
    requireRight(d->user, d->role, Right::Stock);
    d->open();
    const QString wanted = filter.trimmed();
    // The goods and their stock as stored now.
    std::map<QString, double> stockOf;
    for (const StoredRow &r : allRowsOf(*d->stock))
        stockOf[cellText(r.cells[s::Kode_Barang])] = number(r.cells[s::Jumlah_Stok]).value_or(0);
    std::vector<std::pair<QString, double>> chosen;
    for (const StoredRow &r : allRowsOf(*d->goods)) {
        const QString code = cellText(r.cells[col::tbarang::Kode_Barang]);
        const QString name = cellText(r.cells[col::tbarang::Nama_Barang]);
        if (code.isEmpty())
            continue;
        if (!wanted.isEmpty() && !code.contains(wanted, Qt::CaseInsensitive)
            && !name.contains(wanted, Qt::CaseInsensitive))
            continue;
        const auto it = stockOf.find(code);
        chosen.emplace_back(code, it == stockOf.end() ? 0.0 : it->second);
    }
    if (chosen.empty())
        throw AppError(wanted.isEmpty()
                           ? QStringLiteral("Belum ada data barang untuk dihitung.")
                           : QStringLiteral("Tidak ada barang yang kode atau namanya memuat "
                                            "\"%1\".")
                                 .arg(wanted.left(50)),
                       AppError::Kind::Refused);
    auto tx = d->store->begin();
    const TableDef &countDef = d->counts->definition();
    std::vector<Value> row(countDef.columns.size());
    const QDateTime now = QDateTime::currentDateTime();
    row[o::Dibuat] = Value(now);
    row[o::Oleh] = Value(d->user.left(10));
    row[o::Saring] = Value(wanted.left(50));
    row[o::Status] = Value(kDraft);
    d->counts->insert(*tx, { o::Dibuat, o::Oleh, o::Saring, o::Status }, row);
    const int id = int(row[o::No_Opname].toNumber());
    std::vector<Value> line(d->lines->definition().columns.size());
    for (const auto &[code, atStart] : chosen) {
        line[l::Kunci] = Value(key(id, code));
        line[l::No_Opname] = Value(double(id));
        line[l::Kode_Barang] = Value(code);
        line[l::Stok_Awal] = Value(atStart);
        d->lines->append(*tx, { l::Kunci, l::No_Opname, l::Kode_Barang, l::Stok_Awal }, line);
    }
    tx->commit();
    CountInfo c;
    c.id = id;
    c.made = now;
    c.by = d->user;
    c.filter = wanted;
    return c;
}

std::optional<CountInfo> CountService::latest()
{
    d->open();
    std::optional<CountInfo> newest;
    for (const StoredRow &r : allRowsOf(*d->counts)) {
        const CountInfo c = infoOf(r);
        if (!newest || c.id > newest->id)
            newest = c;
    }
    return newest;
}

std::optional<CountInfo> CountService::info(int id)
{
    d->open();
    if (const auto row = d->counts->findStored(o::No_Opname, QString::number(id), nullptr))
        return infoOf(*row);
    return std::nullopt;
}

std::vector<CountLine> CountService::lines(int id)
{
    d->open();
    auto q = openReportQuery(
        d->address,
        QStringLiteral("SELECT l.Kode_Barang, b.Nama_Barang, l.Dihitung, l.Stok_Awal, CASE WHEN "
                       "o.Status = 'diterapkan' THEN l.Gerakan ELSE coalesce(s.Jumlah_Stok, 0) - "
                       "l.Stok_Awal END FROM topnamebrg l JOIN topname o ON o.No_Opname = "
                       "l.No_Opname LEFT JOIN tbarang b ON b.Kode_Barang = l.Kode_Barang LEFT "
                       "JOIN tstok s ON s.Kode_Barang = l.Kode_Barang WHERE l.No_Opname = :id "
                       "ORDER BY l.Kode_Barang"),
        { { QStringLiteral("id"), QString::number(id) } }, 60, {});
    std::vector<CountLine> out;
    while (q->next()) {
        CountLine line;
        line.code = q->cell(0).text;
        line.name = q->cell(1).text;
        if (!q->isNull(2))
            line.counted = q->number(2);
        line.atStart = q->isNull(3) ? 0 : q->number(3);
        line.movedSince = q->isNull(4) ? 0 : q->number(4);
        out.push_back(std::move(line));
    }
    return out;
}

CountService::Scan CountService::scan(int id, const QString &code, double quantity)
{
    requireRight(d->user, d->role, Right::Stock);
    // What is counted is a finite number above 0, whichever screen or program asks.
    if (!std::isfinite(quantity) || quantity <= 0)
        throw AppError(QStringLiteral("Jumlah hitungan harus angka lebih dari 0; kode %1 tidak "
                                      "dihitung.")
                           .arg(code),
                       AppError::Kind::Refused);
    d->open();
    Scan result;
    auto tx = d->store->begin();
    const CountInfo count = infoOf(d->held(*tx, id));
    if (count.applied) {
        result.outcome = Scanned::Applied;
        return result;
    }
    const std::optional<StoredRow> row = d->lines->findStored(l::Kunci, key(id, code), &*tx);
    if (!row) {
        result.outcome = Scanned::NotInCount;
        return result;
    }
    std::vector<Value> values(d->lines->definition().columns.size());
    const double counted = number(row->cells[l::Dihitung]).value_or(0) + quantity;
    values[l::Dihitung] = Value(counted);
    int64_t rowId = row->rowId;
    if (d->lines->update(*tx, rowId, cellsOf(*row), { l::Dihitung }, values)
        != TableAccess::Outcome::Done)
        throw AppError(QStringLiteral("Hitungan kode %1 baru saja diubah; pindai lagi.").arg(code),
                       AppError::Kind::Changed);
    const std::optional<StoredRow> stockRow = d->stock->findStored(s::Kode_Barang, code, nullptr);
    const std::optional<StoredRow> goodsRow
        = d->goods->findStored(col::tbarang::Kode_Barang, code, nullptr);
    tx->commit();
    result.line.code = code;
    result.line.name = goodsRow ? cellText(goodsRow->cells[col::tbarang::Nama_Barang]) : QString();
    result.line.counted = counted;
    result.line.atStart = number(row->cells[l::Stok_Awal]).value_or(0);
    result.line.movedSince = (stockRow ? number(stockRow->cells[s::Jumlah_Stok]).value_or(0) : 0)
        - result.line.atStart;
    return result;
}

int CountService::apply(int id)
{
    requireRight(d->user, d->role, Right::Stock);
    d->open();
    auto tx = d->store->begin();
    const StoredRow countRow = d->held(*tx, id);
    const CountInfo count = infoOf(countRow);
    if (count.applied)
        throw AppError(appliedText(count), AppError::Kind::Refused);
    // Scans of this count wait for the count's row: what is read now is all of them.
    const std::vector<CountLine> all = lines(id);
    Journal journal(*d->store, d->user);
    const TableDef &stockDef = d->stock->definition();
    int changed = 0;
    for (const CountLine &line : all) {
        if (!line.counted)
            continue; // not counted: its stock stays
        const std::optional<StoredRow> stored
            = d->stock->findStored(s::Kode_Barang, line.code, &*tx);
        const double now = stored ? number(stored->cells[s::Jumlah_Stok]).value_or(0) : 0;
        const double moved = stored ? now - line.atStart : 0;
        const double after = *line.counted + moved;
        const double change = after - now;
        // The line keeps what moved during the count, for its report.
        if (const auto lineRow = d->lines->findStored(l::Kunci, key(id, line.code), &*tx)) {
            std::vector<Value> values(d->lines->definition().columns.size());
            values[l::Gerakan] = Value(moved);
            d->lines->updateLater(
                *tx, lineRow->rowId, cellsOf(*lineRow), { l::Gerakan }, values,
                QStringLiteral("Hitungan kode %1 berubah saat diterapkan.").arg(line.code));
        }
        if (change == 0)
            continue;
        std::vector<Value> values(stockDef.columns.size());
        values[s::Kode_Barang] = toColumnValue(stockDef.columns[s::Kode_Barang], Value(line.code));
        values[s::Jumlah_Stok] = Value(after);
        if (stored) {
            d->stock->updateLater(*tx, stored->rowId, cellsOf(*stored), { s::Jumlah_Stok }, values,
                                  QStringLiteral("Data stok kode %1 sudah diubah di komputer "
                                                 "lain; hitungan tidak diterapkan.")
                                      .arg(line.code));
        } else {
            values[s::Stok_Minimum] = Value(0.0);
            d->stock->insert(*tx, { s::Kode_Barang, s::Jumlah_Stok, s::Stok_Minimum }, values);
        }
        journal.append(*tx,
                       { movement::kCount, Value(line.code), change, Value(after), Value(),
                         QStringLiteral("opname no. %1: dihitung %2, stok awal %3")
                             .arg(id)
                             .arg(formatNumber(*line.counted), formatNumber(line.atStart)),
                         QDate::currentDate() });
        ++changed;
    }
    std::vector<Value> values(d->counts->definition().columns.size());
    values[o::Status] = Value(kApplied);
    values[o::Diterapkan] = Value(QDateTime::currentDateTime());
    values[o::Penerap] = Value(d->user.left(10));
    d->counts->updateLater(
        *tx, countRow.rowId, cellsOf(countRow), { o::Status, o::Diterapkan, o::Penerap }, values,
        QStringLiteral("Hitungan no. %1 baru saja diubah di komputer lain.").arg(id));
    tx->commit();
    return changed;
}

} // namespace gudang
