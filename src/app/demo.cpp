#include "demo.h"
#include "core/locations.h"
#include "core/schema.h"
#include "model/recordsource.h"
#include "stock/stockservice.h"
#include "store/store.h"

#include <QDate>
#include <map>

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

struct Issue
{
    QString code;
    QDate date;
    int quantity;
};

} // namespace

bool fillDemoData(const Locations &locations)
{
    const QString working = locations.workingPath();
    auto goods = openRecordSource(working, QStringLiteral("tbarang"));
    auto stock = openRecordSource(working, QStringLiteral("tstok"));
    auto out = openRecordSource(working, QStringLiteral("tbrgkeluar"));
    if (goods->recordCount() > 0 || stock->recordCount() > 0 || out->recordCount() > 0)
        return false;
    // Two issues of every item in the last three weeks; each item was received first, so that
    // its stock after the issues is the one listed.
    const QDate today = QDate::currentDate();
    std::vector<Issue> issues;
    std::map<QString, int> issued;
    int n = 0;
    for (const Goods &g : kGoods) {
        for (int k = 0; k < 2; ++k, ++n) {
            const Issue issue { QString::fromUtf8(g.code), today.addDays(-(n * 3 % 20) - 1),
                                1 + (n * 7) % 5 };
            issues.push_back(issue);
            issued[issue.code] += issue.quantity;
        }
    }
    // Through the same paths as the screens, the journal included, in one transaction.
    StockService service(working, QStringLiteral("demo"));
    auto transaction = stock->beginTransaction();
    for (const Goods &g : kGoods) {
        goods->addNew();
        goods->setField(col::tbarang::Kode_Barang, QString::fromUtf8(g.code));
        goods->setField(col::tbarang::Nama_Barang, QString::fromUtf8(g.name));
        goods->setField(col::tbarang::Merk, QString::fromUtf8(g.brand));
        goods->setField(col::tbarang::Supplier, QString::fromUtf8(g.supplier));
        goods->setField(col::tbarang::Satuan, QString::fromUtf8(g.unit));
        goods->update();
        // Received before the first issue of the three weeks.
        service.book(*stock, QString::fromUtf8(g.code), g.stock + issued[QString::fromUtf8(g.code)],
                     g.minimum, today.addDays(-21));
    }
    for (const Issue &issue : issues) {
        service.post(*out, *stock,
                     { issue.code,
                       QDateTime(issue.date, QTime(0, 0)),
                       QString::number(issue.quantity),
                       double(issue.quantity),
                       std::nullopt,
                       {} });
    }
    transaction->commit();
    return true;
}

} // namespace gudang
