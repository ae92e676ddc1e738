// What the stock is worth on a file: the value of each journal row, written in the transaction
// that wrote the row (see core/valuation.h for the rule).
#include "core/valuation.h"
#include "sqlitestore.h"

#include <QDate>
#include <sqlite3.h>

namespace gudang {

namespace {

bool isPricedKind(const unsigned char *kind)
{
    const QByteArray k(reinterpret_cast<const char *>(kind));
    return k == "terima" || k == "stok awal impor";
}

void bindOptional(sqlite3_stmt *st, int index, std::optional<double> v)
{
    if (v)
        sqlite3_bind_double(st, index, *v);
    else
        sqlite3_bind_null(st, index);
}

} // namespace

SqliteStore::ValueStatements::ValueStatements(SqliteStore &db)
    : journal(db,
              "SELECT No_Mutasi, Kode_Barang, Tanggal, coalesce(Perubahan, 0), "
              "coalesce(Stok_Akhir - Perubahan, 0), Jenis FROM tmutasi WHERE No_Mutasi = "
              "last_insert_rowid()")
    , position(db, "SELECT Nilai, Rata FROM tnilai WHERE Kode_Barang = ?1")
    , row(db,
          "INSERT INTO tnilaimutasi (No_Mutasi, Kode_Barang, Tanggal, Jumlah, Harga, Nilai, "
          "Nilai_Akhir, Rata_Awal, Rata_Akhir) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)")
    , now(db,
          "INSERT INTO tnilai (Kode_Barang, Nilai, Rata) VALUES (?1, ?2, ?3) ON "
          "CONFLICT(Kode_Barang) DO UPDATE SET Nilai = excluded.Nilai, Rata = excluded.Rata")
    , day(db,
          "INSERT OR IGNORE INTO tsaldo (Kode_Barang, Tanggal, Jumlah, Nilai) SELECT ?1, ?2, "
          "coalesce(p.Jumlah, 0), coalesce(p.Nilai, 0) "
          "FROM (SELECT 1) one LEFT JOIN (SELECT Jumlah, Nilai FROM tsaldo WHERE Kode_Barang "
          "= ?1 AND Tanggal < ?2 ORDER BY Tanggal DESC LIMIT 1) p ON 1")
    , later(db,
            "UPDATE tsaldo SET Jumlah = Jumlah + ?3, Nilai = Nilai + ?4 WHERE Kode_Barang = "
            "?1 AND Tanggal >= ?2")
{ }

void SqliteStore::valueLastMovement(Transaction &, std::optional<double> price)
{
    if (!m_values || m_valuesGeneration != m_generation) {
        m_values.reset();
        m_values = std::make_unique<ValueStatements>(*this);
        m_valuesGeneration = m_generation;
    }
    ValueStatements &v = *m_values;
    struct Reset
    {
        ValueStatements &v;
        ~Reset()
        {
            for (Statement *s : { &v.journal, &v.position, &v.row, &v.now, &v.day, &v.later })
                s->reset();
        }
    } reset { v };
    if (!v.journal.step())
        return;
    sqlite3_stmt *j = v.journal.get();
    const int64_t number = sqlite3_column_int64(j, 0);
    const QByteArray code(reinterpret_cast<const char *>(sqlite3_column_text(j, 1)),
                          sqlite3_column_bytes(j, 1));
    if (code.isEmpty())
        return;
    QByteArray date(reinterpret_cast<const char *>(sqlite3_column_text(j, 2)),
                    sqlite3_column_bytes(j, 2));
    if (date.isEmpty())
        date = QDate::currentDate().toString(Qt::ISODate).toUtf8() + " 00:00:00";
    const double change = sqlite3_column_double(j, 3);
    const double before = sqlite3_column_double(j, 4);
    if (!isPricedKind(sqlite3_column_text(j, 5)))
        price.reset();

    sqlite3_bind_text(v.position.get(), 1, code.constData(), int(code.size()), SQLITE_STATIC);
    double value = 0, average = 0;
    if (v.position.step()) {
        value = sqlite3_column_double(v.position.get(), 0);
        average = sqlite3_column_double(v.position.get(), 1);
    }
    const MovementValue m = valueMovement(before, value, average, change, price);

    sqlite3_stmt *r = v.row.get();
    sqlite3_bind_int64(r, 1, number);
    sqlite3_bind_text(r, 2, code.constData(), int(code.size()), SQLITE_STATIC);
    sqlite3_bind_text(r, 3, date.constData(), int(date.size()), SQLITE_STATIC);
    sqlite3_bind_double(r, 4, change);
    bindOptional(r, 5, price);
    sqlite3_bind_double(r, 6, m.value);
    sqlite3_bind_double(r, 7, m.valueAfter);
    sqlite3_bind_double(r, 8, m.averageBefore);
    sqlite3_bind_double(r, 9, m.averageAfter);
    v.row.step();
    sqlite3_stmt *n = v.now.get();
    sqlite3_bind_text(n, 1, code.constData(), int(code.size()), SQLITE_STATIC);
    sqlite3_bind_double(n, 2, m.valueAfter);
    sqlite3_bind_double(n, 3, m.averageAfter);
    v.now.step();
    for (Statement *s : { &v.day, &v.later }) {
        sqlite3_bind_text(s->get(), 1, code.constData(), int(code.size()), SQLITE_STATIC);
        sqlite3_bind_text(s->get(), 2, date.constData(), int(date.size()), SQLITE_STATIC);
    }
    v.day.step();
    sqlite3_bind_double(v.later.get(), 3, change);
    sqlite3_bind_double(v.later.get(), 4, m.value);
    v.later.step();
}

} // namespace gudang
