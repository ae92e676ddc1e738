#pragma once

#include <QString>
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
    Keterangan
};
}
} // namespace col

// The two database files of the system.
enum class DbRole {
    Credentials, // tpass
    Working, // tbarang, tstok, tbrgkeluar, tmutasi
};

// The version of the tables this program makes: 1 the four tables of the design, 2 the
// movement journal tmutasi.
inline constexpr int kSchemaVersion = 2;

// The definition of a table of ours; throws AppError for an unknown name.
const TableDef &tableDef(const QString &table);
// The tables that live in a database file of the given role, of every version.
std::vector<const TableDef *> tablesOf(DbRole role);
// CREATE TABLE statement of a table.
QString createTableSql(const TableDef &table);

} // namespace gudang
