#include "schema.h"
#include "apperror.h"

#include <QStringList>

namespace gudang {

namespace {

const std::vector<TableDef> &allTables()
{
    using K = ColumnKind;
    static const std::vector<TableDef> tables = {
        // The password column holds an Argon2id string, not the typed text.
        { QStringLiteral("tpass"),
          { { QStringLiteral("User"), K::Text, 10 },
            { QStringLiteral("Password"), K::Text, 255 } } },
        { QStringLiteral("tbarang"),
          { { QStringLiteral("Kode_Barang"), K::Text, 10, true },
            { QStringLiteral("Nama_Barang"), K::Text, 20 },
            { QStringLiteral("Merk"), K::Text, 20 },
            { QStringLiteral("Supplier"), K::Text, 20 },
            { QStringLiteral("Satuan"), K::Text, 10 } } },
        { QStringLiteral("tstok"),
          { { QStringLiteral("Kode_Barang"), K::Text, 10, true },
            { QStringLiteral("Jumlah_Stok"), K::Number },
            { QStringLiteral("Stok_Minimum"), K::Number } } },
        { QStringLiteral("tbrgkeluar"),
          { { QStringLiteral("No_Keluar"), K::AutoNumber },
            { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Tanggal"), K::Date },
            { QStringLiteral("Jumlah"), K::Number } } },
        // Every stock movement: what changed, by how much, the stock after it.
        { QStringLiteral("tmutasi"),
          { { QStringLiteral("No_Mutasi"), K::AutoNumber },
            { QStringLiteral("Waktu"), K::Date },
            { QStringLiteral("Pengguna"), K::Text, 10 },
            { QStringLiteral("Jenis"), K::Text, 20 },
            { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Perubahan"), K::Number },
            { QStringLiteral("Stok_Akhir"), K::Number },
            { QStringLiteral("No_Keluar"), K::Number },
            { QStringLiteral("Keterangan"), K::Text, 100 },
            // The movement's own day: the goods-out's date, the day of a booking.
            { QStringLiteral("Tanggal"), K::Date, 0, false, 3 } },
          2 },
        // The users beside the first one (tpass, always an owner): a role each, and whether
        // they may log in. On a server the password is the server's (a login role), not here.
        { QStringLiteral("tpengguna"),
          { { QStringLiteral("Nama"), K::Text, 10, true },
            { QStringLiteral("Password"), K::Text, 255 },
            { QStringLiteral("Peran"), K::Text, 10 },
            { QStringLiteral("Aktif"), K::Number },
            // 1: a password the owner set; the user sets a new one at the next login.
            { QStringLiteral("Ganti_Password"), K::Number } },
          5 },
        // Logins, failed logins and every change of a user: who, when, on which computer.
        { QStringLiteral("tlogmasuk"),
          { { QStringLiteral("No_Log"), K::AutoNumber },
            { QStringLiteral("Waktu"), K::Date },
            { QStringLiteral("Nama"), K::Text, 10 },
            { QStringLiteral("Kejadian"), K::Text, 20 },
            { QStringLiteral("Oleh"), K::Text, 10 },
            { QStringLiteral("Komputer"), K::Text, 64 },
            { QStringLiteral("Keterangan"), K::Text, 100 } },
          5 },
        // Stock counts (stok opname): one row per count, its status "draf" until applied.
        { QStringLiteral("topname"),
          { { QStringLiteral("No_Opname"), K::AutoNumber },
            { QStringLiteral("Dibuat"), K::Date },
            { QStringLiteral("Oleh"), K::Text, 10 },
            { QStringLiteral("Saring"), K::Text, 50 },
            { QStringLiteral("Status"), K::Text, 12 },
            { QStringLiteral("Diterapkan"), K::Date },
            { QStringLiteral("Penerap"), K::Text, 10 } },
          6 },
        // The goods of a count: the stock when the count began, what was counted (none: not
        // yet), and once applied the movements made during the count. Kunci is "count/code".
        { QStringLiteral("topnamebrg"),
          { { QStringLiteral("Kunci"), K::Text, 24, true },
            { QStringLiteral("No_Opname"), K::Number },
            { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Stok_Awal"), K::Number },
            { QStringLiteral("Dihitung"), K::Number },
            { QStringLiteral("Gerakan"), K::Number } },
          6 },
        // The token each posting carries, made by the workstation: a posting whose answer was
        // lost is found by it, and one sent twice is written once.
        { QStringLiteral("tposting"),
          { { QStringLiteral("Token"), K::Text, 36, true },
            { QStringLiteral("No_Keluar"), K::Number },
            { QStringLiteral("Waktu"), K::Date },
            { QStringLiteral("Pengguna"), K::Text, 10 } },
          7 },
        // What the stock of each code is worth now (whole rupiah) and its average cost per
        // unit after its last movement (kept when the stock falls to zero).
        { QStringLiteral("tnilai"),
          { { QStringLiteral("Kode_Barang"), K::Text, 10, true },
            { QStringLiteral("Nilai"), K::Number },
            { QStringLiteral("Rata"), K::Number } },
          9 },
        // The value of each journal row (by its number): the change of the stock's value, the
        // value after it, the average cost before and after it, and a receipt's unit price.
        { QStringLiteral("tnilaimutasi"),
          { { QStringLiteral("No_Mutasi"), K::Number },
            { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Tanggal"), K::Date },
            { QStringLiteral("Jumlah"), K::Number },
            { QStringLiteral("Harga"), K::Number },
            { QStringLiteral("Nilai"), K::Number },
            { QStringLiteral("Nilai_Akhir"), K::Number },
            { QStringLiteral("Rata_Awal"), K::Number },
            { QStringLiteral("Rata_Akhir"), K::Number } },
          9 },
        // Each code's quantity and value at the end of each day it moved, by the movements'
        // own days (a back-dated movement also changes the days after it); one row per code
        // and day.
        { QStringLiteral("tsaldo"),
          { { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Tanggal"), K::Date },
            { QStringLiteral("Jumlah"), K::Number },
            { QStringLiteral("Nilai"), K::Number } },
          9 },
        // Receipts of goods from suppliers; a posted one is never changed: Batal names the
        // receipt a reversing one takes back.
        { QStringLiteral("tterima"),
          { { QStringLiteral("No_Terima"), K::AutoNumber },
            { QStringLiteral("Tanggal"), K::Date },
            { QStringLiteral("Supplier"), K::Text, 20 },
            { QStringLiteral("No_Faktur"), K::Text, 30 },
            { QStringLiteral("Oleh"), K::Text, 10 },
            { QStringLiteral("Dibuat"), K::Date },
            { QStringLiteral("Batal"), K::Number } },
          9 },
        // The lines of a receipt, each with its journal row.
        { QStringLiteral("tterimabrg"),
          { { QStringLiteral("No_Baris"), K::AutoNumber },
            { QStringLiteral("No_Terima"), K::Number },
            { QStringLiteral("Kode_Barang"), K::Text, 10 },
            { QStringLiteral("Jumlah"), K::Number },
            { QStringLiteral("Harga"), K::Number },
            { QStringLiteral("No_Mutasi"), K::Number } },
          9 },
        // A selling price per goods, where the owner keeps one.
        { QStringLiteral("thargajual"),
          { { QStringLiteral("Kode_Barang"), K::Text, 10, true },
            { QStringLiteral("Harga_Jual"), K::Number },
            { QStringLiteral("Diubah"), K::Date },
            { QStringLiteral("Oleh"), K::Text, 10 } },
          9 },
    };
    return tables;
}

} // namespace

int TableDef::columnIndex(const QString &column) const
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name == column)
            return int(i);
    }
    return -1;
}

const TableDef &tableDef(const QString &table)
{
    for (const TableDef &t : allTables()) {
        if (t.name == table)
            return t;
    }
    throw AppError(QStringLiteral("Tabel %1 tidak dikenal.").arg(table));
}

std::vector<const TableDef *> tablesOf(DbRole role)
{
    std::vector<const TableDef *> out;
    for (const TableDef &t : allTables()) {
        const bool credentials = t.name == QLatin1String("tpass")
            || t.name == QLatin1String("tpengguna") || t.name == QLatin1String("tlogmasuk");
        if (credentials == (role == DbRole::Credentials))
            out.push_back(&t);
    }
    return out;
}

QString columnSql(const ColumnDef &c)
{
    const QString q = QLatin1Char('"') + c.name + QLatin1Char('"');
    switch (c.kind) {
    case ColumnKind::Text:
        return q + QStringLiteral(" TEXT")
            + (c.maxLength > 0 ? QStringLiteral(" CHECK(length(%1) <= %2)").arg(q).arg(c.maxLength)
                               : QString())
            + (c.unique ? QStringLiteral(" UNIQUE") : QString());
    case ColumnKind::Number:
        return q
            + QStringLiteral(" REAL CHECK(%1 IS NULL OR typeof(%1) IN ('real','integer'))").arg(q);
    case ColumnKind::Date:
        return q + QStringLiteral(" DATETIME");
    case ColumnKind::AutoNumber:
        return q + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    }
    return q;
}

QString createTableSql(const TableDef &table)
{
    QStringList cols;
    for (const ColumnDef &c : table.columns)
        cols << columnSql(c);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS \"%1\" (%2)")
        .arg(table.name, cols.join(QStringLiteral(", ")));
}

const std::vector<IndexDef> &indexDefs()
{
    static const std::vector<IndexDef> indexes = {
        // A stock card reads one code's movements of a period, and the sum before it.
        { QStringLiteral("tmutasi_kode_tanggal"),
          QStringLiteral("tmutasi"),
          { QStringLiteral("Kode_Barang"), QStringLiteral("Tanggal"), QStringLiteral("No_Mutasi") },
          4 },
        // Who posted a goods-out row: its journal row, by the row's number.
        { QStringLiteral("tmutasi_no_keluar"),
          QStringLiteral("tmutasi"),
          { QStringLiteral("No_Keluar") },
          5 },
        // The stock one code's journal began with: every stock card's opening.
        { QStringLiteral("tmutasi_kode_jenis"),
          QStringLiteral("tmutasi"),
          { QStringLiteral("Kode_Barang"), QStringLiteral("Jenis") },
          8 },
        // The value of a journal row, by its number: a row is valued once.
        { QStringLiteral("tnilaimutasi_mutasi"),
          QStringLiteral("tnilaimutasi"),
          { QStringLiteral("No_Mutasi") },
          9,
          true },
        // One balance per code and day; a code's last day on or before a date: the stock's
        // value at that date.
        { QStringLiteral("tsaldo_kode_tanggal"),
          QStringLiteral("tsaldo"),
          { QStringLiteral("Kode_Barang"), QStringLiteral("Tanggal") },
          9,
          true },
        { QStringLiteral("tterimabrg_terima"),
          QStringLiteral("tterimabrg"),
          { QStringLiteral("No_Terima") },
          9 },
        { QStringLiteral("tterimabrg_kode"),
          QStringLiteral("tterimabrg"),
          { QStringLiteral("Kode_Barang") },
          9 },
        // The lines of one count.
        { QStringLiteral("topnamebrg_opname"),
          QStringLiteral("topnamebrg"),
          { QStringLiteral("No_Opname"), QStringLiteral("Kode_Barang") },
          6 },
    };
    return indexes;
}

std::vector<const IndexDef *> indexesOf(DbRole role)
{
    std::vector<const IndexDef *> out;
    for (const TableDef *t : tablesOf(role)) {
        for (const IndexDef &index : indexDefs()) {
            if (index.table == t->name)
                out.push_back(&index);
        }
    }
    return out;
}

QString createIndexSql(const IndexDef &index)
{
    return QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
        .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), index.name, index.table,
             index.columns.join(QStringLiteral(", ")));
}

bool columnsOfSomeVersion(const TableDef &table, const QStringList &names)
{
    if (names.size() > qsizetype(table.columns.size()) || names.isEmpty())
        return false;
    for (qsizetype i = 0; i < qsizetype(table.columns.size()); ++i) {
        const ColumnDef &c = table.columns[size_t(i)];
        if (i < names.size() ? names[i] != c.name : c.since == 1)
            return false;
    }
    return true;
}

} // namespace gudang
