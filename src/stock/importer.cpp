#include "importer.h"
#include "core/apperror.h"
#include "core/columnvalue.h"
#include "core/goodscode.h"
#include "core/schema.h"
#include "journal.h"
#include "store/store.h"
#include "store/tableaccess.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <cmath>

namespace gudang {

namespace {

// Headings compared without case, spaces, underscores and dots.
QString folded(const QString &heading)
{
    QString out;
    for (const QChar c : heading) {
        if (c.isLetterOrNumber())
            out += c.toLower();
    }
    return out;
}

// The words a heading may use for each column of the table, ours first.
struct Synonyms
{
    int column;
    std::vector<const char *> words;
};

bool among(const std::vector<const char *> &words, const QString &folded)
{
    for (const char *w : words) {
        if (folded == QLatin1String(w))
            return true;
    }
    return false;
}

const std::vector<Synonyms> &synonymsOf(ImportKind kind)
{
    static const std::vector<Synonyms> goods = {
        { col::tbarang::Kode_Barang,
          { "kodebarang", "kode", "kodeitem", "code", "itemcode", "sku", "productcode" } },
        { col::tbarang::Nama_Barang,
          { "namabarang", "nama", "namaitem", "name", "itemname", "productname", "product",
            "description", "deskripsi" } },
        { col::tbarang::Merk, { "merk", "merek", "brand", "make" } },
        { col::tbarang::Supplier, { "supplier", "pemasok", "vendor" } },
        { col::tbarang::Satuan, { "satuan", "unit", "uom" } },
    };
    static const std::vector<Synonyms> stock = {
        { col::tstok::Kode_Barang,
          { "kodebarang", "kode", "kodeitem", "code", "itemcode", "sku", "productcode" } },
        { col::tstok::Jumlah_Stok,
          { "jumlahstok", "jumlah", "stok", "stock", "qty", "quantity", "onhand", "saldo" } },
        { col::tstok::Stok_Minimum,
          { "stokminimum", "minimum", "minstok", "minstock", "min", "reorderlevel", "minimal" } },
    };
    return kind == ImportKind::Goods ? goods : stock;
}

// The day of the opening stock: "tanggal" or "date".
const std::vector<const char *> kDayWords { "tanggal", "date", "tgl" };

QString fieldText(const std::vector<SheetCell> &row, int index)
{
    if (index < 0 || index >= int(row.size()))
        return {};
    const SheetCell &c = row[size_t(index)];
    if (c.kind == SheetCell::Number)
        return QString::number(c.number, 'g', 15);
    return c.text;
}

// A quantity beyond 15 whole digits is no stock: a double holds no more exactly.
constexpr double kLargest = 1e15;

// A number as a file writes it. With decimal commas (a ";" file) a dot only groups thousands,
// in well-formed groups of three ("1.234,5"); with decimal points (a "," file) a comma does
// ("1,234.5"). A separator that cannot group thousands ("2.5" or "12.50" in a ";" file, "2,5"
// in a "," file) is the decimal it plainly is; anything else ("1.5.0", "1.23,4") is not a
// number, and is never read as a larger one. None when it is not one; the reason in `why`.
std::optional<double> numberOf(const SheetCell &cell, bool decimalComma, QString *why)
{
    if (cell.kind == SheetCell::Number) {
        if (!std::isfinite(cell.number)) {
            *why = QStringLiteral("bukan angka terhingga");
            return std::nullopt;
        }
        if (std::fabs(cell.number) >= kLargest) {
            *why = QStringLiteral("terlalu besar (lebih dari 15 angka)");
            return std::nullopt;
        }
        return cell.number;
    }
    QString body = cell.text.trimmed();
    body.remove(QLatin1Char(' '));
    body.remove(QChar(0xA0));
    QString sign;
    if (body.startsWith(QLatin1Char('-')) || body.startsWith(QLatin1Char('+'))) {
        if (body.at(0) == QLatin1Char('-'))
            sign = QStringLiteral("-");
        body.remove(0, 1);
    }
    const QChar decimal = decimalComma ? QLatin1Char(',') : QLatin1Char('.');
    const QChar group = decimalComma ? QLatin1Char('.') : QLatin1Char(',');
    if (body.count(decimal) > 1) {
        *why = QStringLiteral("bukan angka (pemisah desimal \"%1\" lebih dari satu)").arg(decimal);
        return std::nullopt;
    }
    QString whole = body.section(decimal, 0, 0);
    QString fraction = body.contains(decimal) ? body.section(decimal, 1) : QString();
    if (whole.contains(group)) {
        const QString g = QRegularExpression::escape(QString(group));
        const QRegularExpression grouped(QStringLiteral("^[0-9]{1,3}(%1[0-9]{3})+$").arg(g));
        if (grouped.match(whole).hasMatch()) {
            whole.remove(group);
        } else if (!body.contains(decimal) && whole.count(group) == 1) {
            // A separator that groups nothing ("2.5" in a ";" file) is the decimal it plainly is.
            fraction = whole.section(group, 1);
            whole = whole.section(group, 0, 0);
        } else {
            *why = QStringLiteral("bukan angka (pemisah ribuan \"%1\" tidak dalam kelompok tiga "
                                  "angka)")
                       .arg(group);
            return std::nullopt;
        }
    }
    static const QRegularExpression digits(QStringLiteral("^[0-9]*$"));
    if (!digits.match(whole).hasMatch() || !digits.match(fraction).hasMatch()
        || (whole.isEmpty() && fraction.isEmpty())) {
        *why = QStringLiteral("bukan angka");
        return std::nullopt;
    }
    if (whole.size() > 15) {
        *why = QStringLiteral("terlalu besar (lebih dari 15 angka)");
        return std::nullopt;
    }
    bool ok = false;
    const double v = (sign + (whole.isEmpty() ? QStringLiteral("0") : whole) + QLatin1Char('.')
                      + (fraction.isEmpty() ? QStringLiteral("0") : fraction))
                         .toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        *why = QStringLiteral("bukan angka");
        return std::nullopt;
    }
    return v;
}

// A day from 1900 to 9999: a spreadsheet's day number (whole days since 30 December 1899, as
// Excel and LibreOffice count them), or written as 15/03/2025 or 2025-03-15.
std::optional<QDate> dayOf(const SheetCell &cell)
{
    static const QDate first(1900, 1, 1), last(9999, 12, 31);
    static const QDate zero(1899, 12, 30);
    QDate day;
    if (cell.kind == SheetCell::Number) {
        const double n = std::floor(cell.number);
        if (std::isfinite(n) && n >= double(zero.daysTo(first)) && n <= double(zero.daysTo(last)))
            day = zero.addDays(qint64(n));
    } else {
        const QString t = cell.text.trimmed();
        for (const char *f : { "dd/MM/yyyy", "d/M/yyyy", "yyyy-MM-dd", "dd-MM-yyyy" }) {
            day = QDate::fromString(t.left(10), QLatin1String(f));
            if (day.isValid())
                break;
        }
    }
    if (!day.isValid() || day < first || day > last)
        return std::nullopt;
    return day;
}

const TableDef &tableOf(ImportKind kind)
{
    return tableDef(kind == ImportKind::Goods ? QStringLiteral("tbarang")
                                              : QStringLiteral("tstok"));
}

} // namespace

int ImportPlan::count(ImportRow::Verdict v) const
{
    int n = 0;
    for (const ImportRow &r : rows)
        n += r.verdict == v;
    return n;
}

QString ImportPlan::summary() const
{
    return QStringLiteral("%1 baru, %2 berubah, %3 sama, %4 ditolak")
        .arg(count(ImportRow::New))
        .arg(count(ImportRow::Changes))
        .arg(count(ImportRow::Unchanged))
        .arg(count(ImportRow::Refused));
}

ImportPlan planImport(const QString &workingAddress, ImportKind kind, const Sheet &sheet,
                      const std::function<bool(qint64 rows)> &progress)
{
    const TableDef &def = tableOf(kind);
    ImportPlan plan;
    plan.kind = kind;
    plan.format = sheet.format;
    plan.beyondHeadings = sheet.beyondHeadings;
    // The file's headings to the table's columns.
    std::vector<int> columnAt(def.columns.size(), -1);
    int dayAt = -1;
    for (int h = 0; h < sheet.headers.size(); ++h) {
        const QString f = folded(sheet.headers[h]);
        bool taken = false;
        for (const Synonyms &s : synonymsOf(kind)) {
            if (columnAt[size_t(s.column)] < 0 && among(s.words, f)) {
                columnAt[size_t(s.column)] = h;
                plan.columns << def.columns[size_t(s.column)].name;
                taken = true;
                break;
            }
        }
        if (!taken && kind == ImportKind::Stock && dayAt < 0 && among(kDayWords, f)) {
            dayAt = h;
            taken = true;
            plan.columns << QStringLiteral("Tanggal");
        }
        if (!taken && !sheet.headers[h].isEmpty())
            plan.ignored << sheet.headers[h];
    }
    const int codeColumn = 0; // Kode_Barang in both tables
    if (columnAt[codeColumn] < 0)
        throw AppError(QStringLiteral("File itu tidak punya kolom kode barang (judul Kode_Barang, "
                                      "Kode Barang, Kode, Code atau SKU). Judul yang ada: %1. "
                                      "Tidak ada yang disimpan.")
                           .arg(sheet.headers.join(QStringLiteral(", ")).left(300)),
                       AppError::Kind::Refused);
    if (kind == ImportKind::Stock && columnAt[col::tstok::Jumlah_Stok] < 0)
        throw AppError(QStringLiteral("File stok itu tidak punya kolom jumlah stok (judul "
                                      "Jumlah_Stok, Jumlah, Stok, Qty atau Stock). Tidak ada yang "
                                      "disimpan."),
                       AppError::Kind::Refused);

    // The rows stored now, by code.
    auto store = openStore(workingAddress);
    auto table = store->table(def);
    QHash<QString, StoredRow> stored;
    for (StoredRow &r : allRowsOf(*table))
        stored.insert(cellText(r.cells[codeColumn]), std::move(r));
    QHash<QString, bool> goodsKnown;
    if (kind == ImportKind::Stock) {
        auto goods = store->table(tableDef(QStringLiteral("tbarang")));
        for (const StoredRow &r : allRowsOf(*goods))
            goodsKnown.insert(cellText(r.cells[col::tbarang::Kode_Barang]), true);
    }
    QHash<QString, int> seen; // code to the line it was first on
    // Codes a person cannot tell apart (by letter case or character width) are one code.
    QHash<QString, QString> lookAlike; // key to the code stored
    for (auto it = stored.constBegin(); it != stored.constEnd(); ++it)
        lookAlike.insert(lookAlikeKey(it.key()), it.key());
    QHash<QString, int> lookAlikeInFile; // key to the line of a new code
    plan.rows.reserve(sheet.rows.size());
    for (size_t i = 0; i < sheet.rows.size(); ++i) {
        const std::vector<SheetCell> &cells = sheet.rows[i];
        ImportRow row;
        row.line = sheet.lines[i];
        row.values.assign(def.columns.size(), Value());
        row.given.assign(def.columns.size(), false);
        QStringList refused;
        // A line of a text file with more fields than its heading would shift every field
        // after the extra one.
        if (sheet.format.startsWith(QLatin1String("CSV"))
            && cells.size() > size_t(sheet.headers.size()))
            refused << (cells.size() - size_t(sheet.headers.size()) == 1
                            ? QStringLiteral("satu kolom lebih dari judul")
                            : QStringLiteral("%1 kolom lebih dari judul")
                                  .arg(cells.size() - size_t(sheet.headers.size())));
        row.code = fieldText(cells, columnAt[codeColumn]).trimmed();
        if (row.code.isEmpty())
            refused << QStringLiteral("kode kosong");
        else if (row.code.size() > def.columns[codeColumn].maxLength)
            refused << QStringLiteral("kode lebih dari %1 huruf")
                           .arg(def.columns[codeColumn].maxLength);
        else if (const QString bad = invisibleIn(row.code); !bad.isEmpty())
            refused << QStringLiteral("kode berisi huruf tak terlihat atau kendali (%1)").arg(bad);
        else if (const auto first = seen.constFind(row.code); first != seen.constEnd())
            refused << QStringLiteral("kode %1 sudah ada di baris %2").arg(row.code).arg(*first);
        else
            seen.insert(row.code, row.line);
        if (refused.isEmpty() && !stored.contains(row.code)) {
            const QString key = lookAlikeKey(row.code);
            if (const auto like = lookAlike.constFind(key); like != lookAlike.constEnd())
                refused << QStringLiteral("mirip kode %1 yang sudah ada").arg(*like);
            else if (const auto line = lookAlikeInFile.constFind(key);
                     line != lookAlikeInFile.constEnd())
                refused << QStringLiteral("mirip kode di baris %1").arg(*line);
            else
                lookAlikeInFile.insert(key, row.line);
        }
        if (kind == ImportKind::Stock && refused.isEmpty() && !goodsKnown.contains(row.code))
            refused << QStringLiteral("kode %1 belum terdaftar sebagai barang").arg(row.code);
        for (size_t c = 0; c < def.columns.size(); ++c) {
            const int at = columnAt[c];
            if (at < 0)
                continue;
            const ColumnDef &column = def.columns[c];
            row.given[c] = true;
            if (int(c) == codeColumn) {
                row.values[c] = Value(row.code);
                continue;
            }
            const SheetCell cell = at < int(cells.size()) ? cells[size_t(at)] : SheetCell {};
            if (cell.kind == SheetCell::Empty) {
                // A stock without its quantity is not an opening stock.
                if (kind == ImportKind::Stock && int(c) == col::tstok::Jumlah_Stok)
                    refused << QStringLiteral("%1 kosong").arg(column.name);
                continue; // Null
            }
            if (column.kind == ColumnKind::Number) {
                QString why;
                const std::optional<double> n = numberOf(cell, sheet.decimalComma, &why);
                if (!n)
                    refused << QStringLiteral("%1 %2: \"%3\"")
                                   .arg(column.name, why, cell.text.left(20));
                else
                    row.values[c] = Value(*n);
            } else {
                const QString t = fieldText(cells, at);
                if (column.maxLength > 0 && t.size() > column.maxLength)
                    refused << QStringLiteral("%1 lebih dari %2 huruf")
                                   .arg(column.name)
                                   .arg(column.maxLength);
                else
                    row.values[c] = Value(t);
            }
        }
        if (dayAt >= 0 && dayAt < int(cells.size())
            && cells[size_t(dayAt)].kind != SheetCell::Empty) {
            if (const std::optional<QDate> day = dayOf(cells[size_t(dayAt)]))
                row.day = *day;
            else
                refused << QStringLiteral("tanggal tidak ada (1900-9999): \"%1\"")
                               .arg(cells[size_t(dayAt)].text.left(20));
        }
        if (!refused.isEmpty()) {
            row.verdict = ImportRow::Refused;
            row.said = refused.join(QStringLiteral("; "));
        } else if (const auto it = stored.constFind(row.code); it == stored.constEnd()) {
            row.verdict = ImportRow::New;
        } else {
            QStringList changed;
            for (size_t c = 1; c < def.columns.size(); ++c) {
                if (!row.given[c])
                    continue;
                const auto &cell = it->cells[c];
                const Value now = fromStoredText(def.columns[c], cell ? cell->constData() : nullptr,
                                                 cell ? size_t(cell->size()) : 0);
                if (now != row.values[c])
                    changed << def.columns[c].name;
            }
            row.verdict = changed.isEmpty() ? ImportRow::Unchanged : ImportRow::Changes;
            row.said = changed.join(QStringLiteral(", "));
        }
        plan.rows.push_back(std::move(row));
        if (progress && (i + 1) % 2048 == 0 && !progress(qint64(i + 1)))
            throw AppError(QStringLiteral("Pemeriksaan dibatalkan; tidak ada yang disimpan."),
                           AppError::Kind::Cancelled);
    }
    if (progress)
        progress(qint64(sheet.rows.size()));
    return plan;
}

ImportResult applyImport(const QString &workingAddress, const ImportPlan &plan, const QString &user,
                         Role role, RefusedRows refusedRows)
{
    requireRight(user, role, plan.kind == ImportKind::Goods ? Right::Goods : Right::Stock);
    if (plan.count(ImportRow::Refused) > 0 && refusedRows == RefusedRows::RefuseFile)
        throw AppError(QStringLiteral("%1. Tidak ada yang disimpan: perbaiki baris yang ditolak, "
                                      "lalu impor lagi.")
                           .arg(plan.summary()),
                       AppError::Kind::Refused);
    const TableDef &def = tableOf(plan.kind);
    auto store = openStore(workingAddress);
    auto table = store->table(def);
    Journal journal(*store, user);
    ImportResult result;
    auto tx = store->begin();
    // The rows as stored now, held: what the preview read must still be so.
    QHash<QString, StoredRow> stored;
    for (StoredRow &r : allRowsOf(*table))
        stored.insert(cellText(r.cells[0]), std::move(r));
    namespace s = col::tstok;
    for (const ImportRow &row : plan.rows) {
        if (row.verdict != ImportRow::New && row.verdict != ImportRow::Changes)
            continue;
        std::vector<int> columns;
        for (size_t c = 0; c < def.columns.size(); ++c) {
            if (row.given[c])
                columns.push_back(int(c));
        }
        std::vector<Value> values = row.values;
        const auto it = stored.constFind(row.code);
        if (row.verdict == ImportRow::New) {
            if (it != stored.constEnd())
                throw AppError(QStringLiteral("Kode %1 baru saja disimpan di komputer lain; "
                                              "periksa file itu lagi. Tidak ada yang disimpan.")
                                   .arg(row.code),
                               AppError::Kind::Changed);
            if (plan.kind == ImportKind::Stock && !row.given[s::Stok_Minimum]) {
                values[s::Stok_Minimum] = Value(0.0);
                columns.push_back(s::Stok_Minimum);
            }
            table->append(*tx, columns, values);
            ++result.added;
            if (plan.kind == ImportKind::Stock) {
                const double now
                    = values[s::Jumlah_Stok].isNull() ? 0 : values[s::Jumlah_Stok].toNumber();
                if (now != 0) {
                    journal.append(*tx,
                                   { movement::kImport, Value(row.code), now, Value(now), Value(),
                                     QString(), row.day });
                    ++result.journaled;
                }
            }
            continue;
        }
        if (it == stored.constEnd())
            throw AppError(QStringLiteral("Kode %1 baru saja dihapus di komputer lain; periksa "
                                          "file itu lagi. Tidak ada yang disimpan.")
                               .arg(row.code),
                           AppError::Kind::Changed);
        columns.erase(columns.begin()); // the code stays
        table->updateLater(*tx, it->rowId, cellsOf(*it), columns, values,
                           QStringLiteral("Kode %1 baru saja diubah di komputer lain; periksa "
                                          "file itu lagi. Tidak ada yang disimpan.")
                               .arg(row.code));
        ++result.changed;
        if (plan.kind == ImportKind::Stock && row.given[s::Jumlah_Stok]) {
            const auto &cell = it->cells[s::Jumlah_Stok];
            const double before = cell ? cell->toDouble() : 0;
            const double after
                = values[s::Jumlah_Stok].isNull() ? 0 : values[s::Jumlah_Stok].toNumber();
            if (after != before) {
                journal.append(*tx,
                               { movement::kImport, Value(row.code), after - before, Value(after),
                                 Value(), QString(), row.day });
                ++result.journaled;
            }
        }
    }
    tx->commit();
    return result;
}

} // namespace gudang
