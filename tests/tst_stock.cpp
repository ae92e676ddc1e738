#include "model/gridmodel.h"
#include "model/recordsource.h"
#include "reports/frmminimum.h"
#include "screens/goods/frmbrg.h"
#include "screens/shell/frmutama.h"
#include "screens/stock/frmestok.h"
#include "screens/stock/frmstok.h"
#include "support.h"

#include <QAction>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace gudang;
using gudang::test::activate;
using gudang::test::enter;
using gudang::test::Env;
using gudang::test::selectedRow;

namespace {

void seed(Env &env, const QStringList &goods, const QStringList &stock = {})
{
    for (const QString &c : goods) {
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("INSERT INTO tbarang VALUES ('%1', 'Nama %1', 'M', 'S', 'pcs')").arg(c));
    }
    for (const QString &row : stock) // "code,quantity,minimum"
    {
        const QStringList f = row.split(QLatin1Char(','));
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tstok VALUES ('%1', %2, %3)").arg(f[0], f[1], f[2]));
    }
}

frmstok &openStock(Env &env)
{
    return test::showAlone<frmstok>(env.screens());
}

QStringList stockRows(Env &env)
{
    return Env::query(env.locations.workingPath(),
                      QStringLiteral("SELECT * FROM tstok ORDER BY rowid"));
}

QStringList enabledOf(frmstok &s)
{
    return test::enabledOf({ s.txtkode, s.txtstok, s.txtmin, s.cmdsimpan, s.cmdtambah });
}

// Books a quantity through the whole chain; answers the question when one is scripted.
void book(frmstok &s, const QString &code, const QString &quantity, const QString &minimum)
{
    if (s.cmdtambah->isEnabled())
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
    enter(s.txtkode, code);
    enter(s.txtstok, quantity);
    enter(s.txtmin, minimum);
    QTest::keyClick(s.cmdsimpan, Qt::Key_Return);
}

} // namespace

class TestStock : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndOpening()
    {
        Env env;
        seed(env, { "A1", "B2" }, { "A1,5,2" });
        frmutama &utama = test::showAlone<frmutama>(env.screens());
        QTest::keyClick(&utama, Qt::Key_B, Qt::ControlModifier);
        frmstok *s = env.screens().find<frmstok>();
        QVERIFY(s && s->isVisible());
        activate(s);
        QCOMPARE(s->windowTitle(), QStringLiteral("Input Stok Barang"));
        QCOMPARE(s->size(), QSize(559, 577));
        QCOMPARE(s->Frame1->title(), QStringLiteral("INPUT STOK BARANG"));
        QCOMPARE(s->Frame2->title(), QStringLiteral("DATA BARANG TERDAFTAR"));
        QCOMPARE(s->txtkode->parentWidget(), s->Frame1);
        QCOMPARE(s->txtkode->geometry(), QRect(136, 48, 105, 19));
        QCOMPARE(s->DataGrid2->parentWidget(), s->Frame2);
        QCOMPARE(s->focusWidget(), s->DataGrid1);
        QCOMPARE(s->DataGrid1->model()->rowCount(), 1);
        QCOMPARE(s->DataGrid2->model()->rowCount(), 2);
        QCOMPARE(enabledOf(*s), QStringList { "cmdtambah" });
        QCOMPARE(s->Frame1->palette().color(QPalette::Window), QColor(192, 255, 192));
        QCOMPARE(s->cmdtutup->palette().color(QPalette::Button), QColor(192, 192, 192));
        for (QLineEdit *f : { s->txtkode, s->txtstok, s->txtmin })
            QCOMPARE(lengthLimit(f), 10);
        QTest::mouseClick(s->cmdtutup, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmstok>());
    }

    void entryFollowsStateTable()
    {
        Env env;
        seed(env, { "A1", "B2", "C3" }, { "A1,5,2" });
        frmstok &s = openStock(env);
        struct Step
        {
            const char *what;
            std::function<void()> act;
            QStringList enabled;
            const char *focus;
            QStringList messages;
        };
        const std::vector<Step> steps = {
            { "Tambah",
              [&] { QTest::mouseClick(s.cmdtambah, Qt::LeftButton); },
              { "txtkode" },
              "txtkode",
              {} },
            { "empty code",
              [&] { enter(s.txtkode, QString()); },
              { "txtkode" },
              "txtkode",
              { "Data Harus Diisi" } },
            { "unregistered code",
              [&] { enter(s.txtkode, QStringLiteral("Z9")); },
              { "txtkode" },
              "txtkode",
              { "Kode Tersebut Tidak ada" } },
            { "registered, no stock",
              [&] {
                  s.txtmin->setText(QStringLiteral("lama"));
                  enter(s.txtkode, QStringLiteral("C3"));
              },
              { "txtkode", "txtstok" },
              "txtstok",
              {} },
            { "quantity",
              [&] { enter(s.txtstok, QStringLiteral("4")); },
              { "txtkode", "txtstok", "txtmin" },
              "txtmin",
              {} },
            { "minimum",
              [&] { enter(s.txtmin, QStringLiteral("1")); },
              { "txtkode", "txtstok", "txtmin", "cmdsimpan" },
              "cmdsimpan",
              {} },
            { "save, Yes",
              [&] {
                  env.dialogs.answer(Button::Yes);
                  QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
              },
              { "txtkode", "txtstok", "txtmin", "cmdtambah" },
              "txtkode",
              { "Masih ada Input Data lagi ?" } },
        };
        for (const Step &st : steps) {
            env.dialogs.clear();
            st.act();
            QCOMPARE(
                test::stepState(st.what, enabledOf(s), test::focusName(&s), env.dialogs.prompts()),
                test::stepState(st.what, st.enabled, QString::fromUtf8(st.focus), st.messages));
            if (st.what == std::string("registered, no stock")) {
                QCOMPARE(s.txtmin->text(), QStringLiteral("lama")); // keeps its text
                QCOMPARE(s.txtkode->text(), QStringLiteral("C3"));
                QCOMPARE(selectedRow(s.DataGrid2), 2); // the goods grid moved to the code
            }
        }
        QCOMPARE(env.dialogs.last().style, 68);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(stockRows(env), (QStringList { "A1|5.0|2.0", "C3|4.0|1.0" }));
        for (QLineEdit *f : { s.txtkode, s.txtstok, s.txtmin })
            QCOMPARE(f->text(), QString());
        QCOMPARE(s.DataGrid1->model()->rowCount(), 2);
    }

    void codeTestReachesGoodsScreenHidden()
    {
        Env env;
        frmstok &s = openStock(env);
        QVERIFY(!env.screens().isLoaded<frmbrg>());
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        enter(s.txtkode, QStringLiteral("A1")); // empty goods table: nothing at all
        QVERIFY(env.dialogs.shown().empty());
        QVERIFY(!s.txtstok->isEnabled());
        QCOMPARE(s.focusWidget(), s.txtkode);
        frmbrg *b = env.screens().find<frmbrg>();
        QVERIFY(b && !b->isVisible());
    }

    void goodsScreenShownLaterWithTheStateTheTestLeft()
    {
        Env env;
        seed(env, { "A1", "B2", "C3" });
        frmutama &utama = env.screens().get<frmutama>();
        env.screens().showStart(utama);
        utama.stk->trigger();
        frmstok &s = *env.screens().find<frmstok>();
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        enter(s.txtkode, QStringLiteral("B2"));
        frmbrg *hidden = env.screens().find<frmbrg>();
        QVERIFY(hidden && !hidden->isVisible());
        QTest::mouseClick(s.cmdtutup, Qt::LeftButton);
        QCOMPARE(env.screens().find<frmbrg>(), hidden); // stays loaded
        utama.brg->trigger();
        QCOMPARE(env.screens().find<frmbrg>(), hidden);
        QVERIFY(hidden->isVisible());
        QCOMPARE(hidden->Adodc1->currentRow(), 1);
        QCOMPARE(selectedRow(hidden->DataGrid1), 1);
        QVERIFY(!hidden->txtkode->isEnabled());
    }

    void bookingOntoExistingRecord()
    {
        Env env;
        seed(env, { "A1", "B2" }, { "A1,5,2", "B2,1,1" });
        frmstok &s = openStock(env);
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        enter(s.txtkode, QStringLiteral("A1"));
        QCOMPARE(s.txtmin->text(), QStringLiteral("2"));
        QCOMPARE(s.txtstok->text(), QString());
        enter(s.txtstok, QStringLiteral("3"));
        enter(s.txtmin, QStringLiteral("9")); // not stored for an existing record
        QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(stockRows(env), (QStringList { "A1|8.0|2.0", "B2|1.0|1.0" }));
        QCOMPARE(enabledOf(s), (QStringList { "txtkode", "txtstok", "txtmin", "cmdtambah" }));
        QCOMPARE(s.focusWidget(), s.cmdtambah);
        QCOMPARE(s.DataGrid1->model()->index(0, 1).data().toString(), QStringLiteral("8"));
        QCOMPARE(s.Adodc1->currentRow(), 0);
    }

    void bookingArithmetic_data()
    {
        QTest::addColumn<QString>("stored"); // quantity in the stock record; empty: no record
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        QTest::newRow("letters onto existing") << "5"
                                               << "abc"
                                               << "5.0";
        QTest::newRow("empty onto existing") << "5"
                                             << ""
                                             << "5.0";
        QTest::newRow("letters for a new code") << ""
                                                << "abc"
                                                << "0.0";
        QTest::newRow("leading number") << "5"
                                        << "12a"
                                        << "17.0";
        // The stored fraction is kept: the typed quantity is added to it exactly.
        QTest::newRow("stored 2.5 stays 2.5") << "2.5"
                                              << "0"
                                              << "2.5";
        QTest::newRow("stored 8.5 plus 100") << "8.5"
                                             << "100"
                                             << "108.5";
        QTest::newRow("stored 3.5 plus a comma fraction") << "3.5"
                                                          << "0,25"
                                                          << "3.75";
        QTest::newRow("above 16 bits") << "40000"
                                       << "1"
                                       << "40001.0";
        QTest::newRow("no stored value") << "NULL"
                                         << "3"
                                         << "3.0";
        QTest::newRow("negative and fraction") << "5"
                                               << "-1.5"
                                               << "3.5";
        QTest::newRow("decimal comma") << "5"
                                       << "2,5"
                                       << "7.5";
    }
    void bookingArithmetic()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        Env env;
        seed(env, { "A1", "B2" }, { "B2,1,1" });
        if (!stored.isEmpty())
            Env::exec(env.locations.workingPath(),
                      QStringLiteral("INSERT INTO tstok VALUES ('A1', %1, 0)").arg(stored));
        frmstok &s = openStock(env);
        if (stored.isEmpty())
            env.dialogs.answer(Button::Yes); // a new stock record asks for more
        book(s, QStringLiteral("A1"), typed, QStringLiteral("0"));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Jumlah_Stok FROM tstok WHERE Kode_Barang='A1'")),
                 QStringList { result });
    }

    void firstBookingIntoEmptyTableAsksNothing()
    {
        Env env;
        seed(env, { "A1" });
        frmstok &s = openStock(env);
        book(s, QStringLiteral("A1"), QStringLiteral("10"), QStringLiteral("3x"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(stockRows(env), QStringList { "A1|10.0|3.0" });
        QCOMPARE(enabledOf(s), (QStringList { "txtkode", "txtstok", "txtmin", "cmdtambah" }));
    }

    void newCodeAnsweredNo()
    {
        Env env;
        seed(env, { "A1", "B2" }, { "A1,5,2" });
        frmstok &s = openStock(env);
        env.dialogs.answer(Button::No);
        book(s, QStringLiteral("B2"), QStringLiteral("6"), QStringLiteral("1"));
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih ada Input Data lagi ?" });
        QCOMPARE(stockRows(env), (QStringList { "A1|5.0|2.0", "B2|6.0|1.0" }));
        QCOMPARE(s.focusWidget(), s.cmdtutup);
        QVERIFY(s.cmdsimpan->isEnabled());
        QVERIFY(!s.cmdtambah->isEnabled());
        for (QLineEdit *f : { s.txtkode, s.txtstok, s.txtmin })
            QCOMPARE(f->text(), QString());
    }

    void saveRunsTheCodeTestFirst()
    {
        Env env;
        seed(env, { "A1" }, { "A1,5,2" });
        frmstok &s = openStock(env);
        QTest::mouseClick(s.cmdtambah, Qt::LeftButton);
        enter(s.txtkode, QStringLiteral("A1"));
        enter(s.txtstok, QStringLiteral("1"));
        enter(s.txtmin, QStringLiteral("1"));
        s.txtkode->setText(QStringLiteral("ZZ"));
        QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Kode Tersebut Tidak ada" });
        s.txtkode->setText(QString());
        QTest::mouseClick(s.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Data Harus Diisi"));
        QCOMPARE(stockRows(env), QStringList { "A1|5.0|2.0" });
        QVERIFY(s.cmdsimpan->isEnabled());
        QCOMPARE(s.focusWidget(), s.txtkode);
    }

    void findAndDelete()
    {
        Env env;
        frmstok &empty = openStock(env);
        QTest::mouseClick(empty.cmdhapus, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Maaf Tidak ada Data" });
        env.dialogs.answerInput(QStringLiteral("A1"));
        QTest::mouseClick(empty.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Data Tidak ada"));

        Env env2;
        seed(env2, { "A1", "B2", "C3" }, { "A1,1,1", "B2,2,2", "C3,3,3" });
        frmstok &s = openStock(env2);
        s.Adodc1->setCurrentRow(2);
        env2.dialogs.answerInput(QString()); // cancelled
        QTest::mouseClick(s.cmdcari, Qt::LeftButton);
        QCOMPARE(env2.dialogs.prompts(),
                 (QStringList { "Masukan Kode Barang Yang Dicari", "Tidak ada Pencarian" }));
        QCOMPARE(env2.dialogs.shown()[0].title, QStringLiteral("PENCARIAN"));
        QCOMPARE(s.Adodc1->currentRow(), 0);
        env2.dialogs.answerInput(QStringLiteral("C3"));
        QTest::mouseClick(s.cmdcari, Qt::LeftButton);
        QCOMPARE(selectedRow(s.DataGrid1), 2);
        QCOMPARE(s.txtkode->text(), QString());
        env2.dialogs.answerInput(QStringLiteral("Q"));
        QTest::mouseClick(s.cmdcari, Qt::LeftButton);
        QCOMPARE(env2.dialogs.prompts().last(), QStringLiteral("Data Tidak ada"));
        QCOMPARE(s.Adodc1->currentRow(), 0);
        // Delete the row selected in the grid; No first.
        s.DataGrid1->selectionModel()->setCurrentIndex(s.DataGrid1->model()->index(1, 0),
                                                       QItemSelectionModel::ClearAndSelect
                                                           | QItemSelectionModel::Rows);
        env2.dialogs.answer(Button::No);
        QTest::mouseClick(s.cmdhapus, Qt::LeftButton);
        QCOMPARE(stockRows(env2).size(), 3);
        env2.dialogs.answer(Button::Yes);
        QTest::mouseClick(s.cmdhapus, Qt::LeftButton);
        QCOMPARE(env2.dialogs.last().prompt, QStringLiteral("Yakin Mau Dihapus"));
        QCOMPARE(env2.dialogs.last().style, 68);
        QCOMPARE(stockRows(env2), (QStringList { "A1|1.0|1.0", "C3|3.0|3.0" }));
        QCOMPARE(s.DataGrid1->model()->rowCount(), 2);
    }

    void editLookupAndOutrightSave()
    {
        Env env;
        seed(env, { "A1", "B2" }, { "A1,1,1", "B2,7,2" });
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("UPDATE tstok SET Stok_Minimum = NULL WHERE Kode_Barang = 'A1'"));
        frmstok &s = openStock(env);
        QTest::mouseClick(s.cmdedit, Qt::LeftButton);
        frmestok *e = env.screens().find<frmestok>();
        QVERIFY(e && e->isVisible());
        activate(e);
        QCOMPARE(e->windowTitle(), QStringLiteral("Edit Stok"));
        QCOMPARE(e->size(), QSize(253, 166));
        QCOMPARE(e->focusWidget(), e->txtkode);
        QCOMPARE(test::tabOrder(e->txtkode),
                 (QStringList { "txtkode", "txtstok", "txtmin", "cmdsimpan", "cmdtutup" }));

        // Saving without a lookup writes nothing.
        e->txtstok->setText(QStringLiteral("99"));
        e->txtmin->setText(QStringLiteral("99"));
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data tidak Ada" });
        QCOMPARE(stockRows(env), (QStringList { "A1|1.0|<null>", "B2|7.0|2.0" }));

        enter(e->txtkode, QStringLiteral("ZZ"));
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Data tidak Ada"));
        QCOMPARE(e->txtkode->text(), QString());
        QCOMPARE(e->txtstok->text(), QStringLiteral("99"));

        enter(e->txtkode, QStringLiteral("A1")); // a minimum without a value shows empty
        QCOMPARE(e->txtmin->text(), QString());

        env.dialogs.clear();
        enter(e->txtkode, QStringLiteral("B2"));
        QCOMPARE(e->txtstok->text(), QStringLiteral("7"));
        QCOMPARE(e->txtmin->text(), QStringLiteral("2"));
        QCOMPARE(e->focusWidget(), e->txtstok);
        QCOMPARE(selectedRow(s.DataGrid1), 1);
        // Enter in the quantity and minimum does nothing.
        enter(e->txtstok, QStringLiteral("10"));
        enter(e->txtmin, QStringLiteral("3"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(e->focusWidget(), e->txtstok); // nothing moved
        QCOMPARE(stockRows(env)[1], QStringLiteral("B2|7.0|2.0"));

        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih Ada edit Lagi?" });
        QCOMPARE(env.dialogs.last().style, 68);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(stockRows(env), (QStringList { "A1|1.0|<null>", "B2|10.0|3.0" }));
        for (QLineEdit *f : { e->txtkode, e->txtstok, e->txtmin })
            QCOMPARE(f->text(), QString());
        QCOMPARE(e->focusWidget(), e->txtkode);

        // A text the column cannot take fails clearly and writes nothing.
        env.dialogs.clear();
        enter(e->txtkode, QStringLiteral("B2"));
        e->txtmin->setText(QString());
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { "Isi kolom Stok_Minimum harus berupa angka: \"\" bukan angka." });
        QCOMPARE(stockRows(env)[1], QStringLiteral("B2|10.0|3.0"));

        // No closes the screen; the entry grid shows the record.
        e->txtstok->setText(QStringLiteral("12"));
        e->txtmin->setText(QStringLiteral("4"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(e->cmdsimpan, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmestok>());
        QCOMPARE(s.DataGrid1->model()->index(1, 1).data().toString(), QStringLiteral("12"));
        QCOMPARE(s.DataGrid1->model()->index(1, 2).data().toString(), QStringLiteral("4"));

        // Tutup closes it too.
        QTest::mouseClick(s.cmdedit, Qt::LeftButton);
        QTest::mouseClick(env.screens().find<frmestok>()->cmdtutup, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmestok>());
    }

    void editOnEmptyTableDoesNothing()
    {
        Env env;
        frmstok &s = openStock(env);
        QTest::mouseClick(s.cmdedit, Qt::LeftButton);
        frmestok *e = env.screens().find<frmestok>();
        enter(e->txtkode, QStringLiteral("A1"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(e->txtkode->text(), QStringLiteral("A1"));
    }

    // Low stock at a glance: a marker column in the stock grids (words, not colour alone), and
    // the list "Stok di bawah minimum" with registered goods that have no stock record.
    void lowStockStandsOut()
    {
        Env env;
        seed(env, { "A1", "B2", "C3", "D4", "E5" }, { "A1,2,5", "B2,10,5", "C3,5,5", "D4,3,NULL" });
        frmstok &s = openStock(env);
        QAbstractItemModel *grid = s.DataGrid1->model();
        QCOMPARE(grid->columnCount(), 4);
        QCOMPARE(grid->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Tanda"));
        QStringList marks;
        for (int r = 0; r < grid->rowCount(); ++r)
            marks << grid->index(r, 0).data().toString() + QLatin1Char(':')
                    + grid->index(r, 3).data().toString() + QLatin1Char(':')
                    + QString::number(grid->index(r, 1).data(GridModel::BelowMinimumRole).toBool());
        QCOMPARE(marks, (QStringList { "A1:▼ di bawah minimum:1", "B2::0", "C3::0", "D4::0" }));
        // A posting that takes a stock below its minimum marks it at once.
        s.Adodc1->setCurrentRow(1);
        s.Adodc1->setField(1, 4);
        s.Adodc1->update();
        QCOMPARE(grid->index(1, 3).data().toString(), GridModel::belowMinimumText());
        env.screens().end();

        auto &utama = test::showAlone<frmutama>(env.screens());
        QTest::keyClick(&utama, Qt::Key_M, Qt::ControlModifier);
        auto *list = env.screens().find<frmminimum>();
        QVERIFY(list && list->isVisible());
        QAbstractItemModel *rows = list->DataGrid1->model();
        QStringList seen;
        for (int r = 0; r < rows->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < rows->columnCount(); ++c)
                cells << rows->index(r, c).data().toString();
            seen << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(seen,
                 (QStringList { "A1|Nama A1|pcs|2|5|di bawah minimum",
                                "B2|Nama B2|pcs|4|5|di bawah minimum",
                                "E5|Nama E5|pcs|0||belum ada data stok" }));
        QCOMPARE(rows->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Stok"));
        QCOMPARE(list->Label1->text(),
                 QStringLiteral("3 barang di bawah minimum atau tanpa data stok."));
    }
};

QTEST_MAIN(TestStock)
#include "tst_stock.moc"
