#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace gudang {

enum class ColumnKind {
    Text, // TEXT, with a length limit where maxLength > 0
    Number, // REAL
    Date, // date-time, stored as "yyyy-MM-dd HH:mm:ss"
    AutoNumber, // INTEGER PRIMARY KEY AUTOINCREMENT, filled in by the database
};

struct ColumnDef
{
    QString name;
    ColumnKind kind;
    int maxLength = 0; // characters; 0 = no limit
    bool unique = false;
    // The schema version that brought the column to a table made before it; a table of an
    // earlier version gets it (at its end) when first opened by this program.
    int since = 1;
};

struct TableDef
{
    QString name;
    std::vector<ColumnDef> columns;
    // The schema version that brought the table; a database of an earlier version is given it
    // when first opened by this program (upgradeSchema()).
    int since = 1;

    int columnIndex(const QString &column) const; // -1 when absent
};

// Column positions of each table, declared once next to the schema: record sources read and
// write columns by position, and these give the positions their names. The definitions in
// schema.cpp list the columns in this order (checked by the tests).
namespace col {
namespace tpass {
enum : int { User, Password };
}
namespace tpengguna {
enum : int { Nama, Password, Peran, Aktif, Ganti_Password };
}
namespace tlogmasuk {
enum : int { No_Log, Waktu, Nama, Kejadian, Oleh, Komputer, Keterangan };
}
namespace topname {
enum : int { No_Opname, Dibuat, Oleh, Saring, Status, Diterapkan, Penerap };
}
namespace topnamebrg {
enum : int { Kunci, No_Opname, Kode_Barang, Stok_Awal, Dihitung, Gerakan };
}
namespace tposting {
enum : int { Token, No_Keluar, Waktu, Pengguna };
}
namespace tnilai {
enum : int { Kode_Barang, Nilai, Rata };
}
namespace tnilaimutasi {
enum : int {
    No_Mutasi,
    Kode_Barang,
    Tanggal,
    Jumlah,
    Harga,
    Nilai,
    Nilai_Akhir,
    Rata_Awal,
    Rata_Akhir
};
}
namespace tsaldo {
enum : int { Kode_Barang, Tanggal, Jumlah, Nilai };
}
namespace tterima {
enum : int { No_Terima, Tanggal, Supplier, No_Faktur, Oleh, Dibuat, Batal };
}
namespace tterimabrg {
enum : int { No_Baris, No_Terima, Kode_Barang, Jumlah, Harga, No_Mutasi };
}
namespace thargajual {
enum : int { Kode_Barang, Harga_Jual, Diubah, Oleh };
}
namespace tbarang {
enum : int { Kode_Barang, Nama_Barang, Merk, Supplier, Satuan };
}
namespace tstok {
enum : int { Kode_Barang, Jumlah_Stok, Stok_Minimum };
}
namespace tbrgkeluar {
enum : int { No_Keluar, Kode_Barang, Tanggal, Jumlah };
}
namespace tmutasi {
enum : int {
    No_Mutasi,
    Waktu,
    Pengguna,
    Jenis,
    Kode_Barang,
    Perubahan,
    Stok_Akhir,
    No_Keluar,
    Keterangan,
    Tanggal
};
}
} // namespace col

// An index the program keeps, so that a read of a few rows of a big table does not go through
// all of it; a database of an earlier version gets it when first opened by this program.
struct IndexDef
{
    QString name;
    QString table;
    QStringList columns;
    int since = 1;
    bool unique = false; // no two rows with the same values in these columns
};
// Every index of ours.
const std::vector<IndexDef> &indexDefs();
// CREATE [UNIQUE] INDEX IF NOT EXISTS statement of an index (column names as given).
QString createIndexSql(const IndexDef &index);

// The two database files of the system.
enum class DbRole {
    Credentials, // tpass, tpengguna, tlogmasuk
    Working, // tbarang, tstok, tbrgkeluar, tmutasi, topname, topnamebrg, tposting, and the
             // values and receipts
};
// The indexes of the tables that live in a database file of the given role.
std::vector<const IndexDef *> indexesOf(DbRole role);

// The version of the tables this program makes: 1 the four tables of the design, 2 the
// movement journal tmutasi, 3 the journal's own date of each movement (tmutasi.Tanggal), 4 the
// journal's index by code and day (stock cards), 5 the users beside the first (tpengguna) and
// the log of logins and user changes (tlogmasuk), 6 stock counts (topname, topnamebrg), 7 the
// postings' tokens (tposting) and, on a server, the rights of each store apart, 8 the
// journal's index by code and kind, 9 what the stock is worth (tnilai, tnilaimutasi, tsaldo),
// receipts from suppliers (tterima, tterimabrg) and selling prices (thargajual).
inline constexpr int kSchemaVersion = 9;

// The definition of a table of ours; throws AppError for an unknown name.
const TableDef &tableDef(const QString &table);
// The tables that live in a database file of the given role, of every version.
std::vector<const TableDef *> tablesOf(DbRole role);
// CREATE TABLE statement of a table.
QString createTableSql(const TableDef &table);
// The column's definition in SQL, as CREATE TABLE and ALTER TABLE ... ADD COLUMN give it.
QString columnSql(const ColumnDef &column);
// Whether the columns a table has (by name, in order) are the table's, or the table's as an
// earlier version made it (without the columns of later versions, which come last).
bool columnsOfSomeVersion(const TableDef &table, const QStringList &names);

} // namespace gudang
