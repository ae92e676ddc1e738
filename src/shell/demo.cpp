#include "demo.h"
#include "data/database.h"
#include "data/locations.h"

#include <QDate>
#include <sqlite3.h>

namespace gudang {

namespace {

struct Goods
{
    const char *code, *name, *brand, *supplier, *unit;
    int stock, minimum;
};

const Goods kGoods[] = {
    { "BRS001", "Beras Pandan Wangi", "Cap Bunga", "CV Sumber Padi", "Karung", 40, 10 },
    { "MYK001", "Minyak Goreng 2L", "Bimoli", "PT Sinar Niaga", "Botol", 60, 20 },
    { "GLA001", "Gula Pasir 1kg", "Gulaku", "CV Manis Jaya", "Bungkus", 80, 25 },
    { "TEH001", "Teh Celup Melati", "Sariwangi", "PT Sinar Niaga", "Kotak", 35, 10 },
    { "KOP001", "Kopi Bubuk 200g", "Kapal Api", "CV Aroma", "Bungkus", 50, 15 },
    { "MIE001", "Mie Instan Goreng", "Indomie", "PT Indo Pangan", "Dus", 24, 12 },
    { "SBN001", "Sabun Mandi Batang", "Lifebuoy", "PT Sehat Selalu", "Buah", 8, 12 },
    { "SSU001", "Susu Kental Manis", "Frisian Flag", "PT Indo Pangan", "Kaleng", 30, 10 },
    { "GRM001", "Garam Dapur", "Cap Kapal", "CV Laut Biru", "Bungkus", 45, 10 },
    { "KCP001", "Kecap Manis 600ml", "Bango", "PT Sinar Niaga", "Botol", 5, 8 },
};

void bindText(sqlite3_stmt *s, int i, const char *t)
{
    sqlite3_bind_text(s, i, t, -1, SQLITE_STATIC);
}

} // namespace

bool fillDemoData(const Locations &locations)
{
    auto db = Database::open(locations.workingPath());
    for (const char *sql : { "SELECT 1 FROM tbarang LIMIT 1", "SELECT 1 FROM tstok LIMIT 1",
                             "SELECT 1 FROM tbrgkeluar LIMIT 1" }) {
        Statement st(*db, sql);
        if (st.step())
            return false;
    }
    Database::Transaction t(*db);
    Statement goods(*db, "INSERT INTO tbarang VALUES (?, ?, ?, ?, ?)");
    Statement stock(*db, "INSERT INTO tstok VALUES (?, ?, ?)");
    Statement out(*db, "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES (?, ?, ?)");
    const QDate today = QDate::currentDate();
    int n = 0;
    for (const Goods &g : kGoods) {
        bindText(goods.get(), 1, g.code);
        bindText(goods.get(), 2, g.name);
        bindText(goods.get(), 3, g.brand);
        bindText(goods.get(), 4, g.supplier);
        bindText(goods.get(), 5, g.unit);
        goods.step();
        goods.reset();
        bindText(stock.get(), 1, g.code);
        sqlite3_bind_double(stock.get(), 2, g.stock);
        sqlite3_bind_double(stock.get(), 3, g.minimum);
        stock.step();
        stock.reset();
        for (int k = 0; k < 2; ++k, ++n) {
            const QByteArray date = today.addDays(-(n * 3 % 20) - 1)
                                        .toString(QStringLiteral("yyyy-MM-dd 00:00:00"))
                                        .toLatin1();
            bindText(out.get(), 1, g.code);
            sqlite3_bind_text(out.get(), 2, date.constData(), int(date.size()), SQLITE_TRANSIENT);
            sqlite3_bind_double(out.get(), 3, 1 + (n * 7) % 5);
            out.step();
            out.reset();
        }
    }
    t.commit();
    return true;
}

} // namespace gudang
