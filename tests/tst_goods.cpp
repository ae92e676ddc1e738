#include "model/recordsource.h"
#include "screens/goods/frmbrg.h"
#include "screens/goods/frmcari.h"
#include "screens/goods/frmeditbrg.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmutama.h"
#include "support.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace gudang;
using gudang::test::activate;
using gudang::test::enter;
using gudang::test::Env;
using gudang::test::selectedRow;

namespace {

void seedGoods(Env &env, const QStringList &codes)
{
    for (const QString &c : codes) {
        Env::exec(env.locations.workingPath(),
                  QStringLiteral(
                      "INSERT INTO tbarang VALUES ('%1', 'Nama %1', 'Merk %1', 'Sup %1', 'pcs')")
                      .arg(c));
    }
}

frmbrg &openGoods(Env &env)
{
    return test::showAlone<frmbrg>(env.screens());
}

QStringList goodsRows(Env &env)
{
    return Env::query(env.locations.workingPath(),
                      QStringLiteral("SELECT * FROM tbarang ORDER BY rowid"));
}

// Enabled fields and buttons of the chain, by name.
QStringList enabledOf(frmbrg &b)
{
    return test::enabledOf(
        { b.txtkode, b.txtnama, b.txtmerk, b.txtsup, b.txtsatuan, b.cmdtambah, b.cmdsimpan });
}

frmeditbrg &openEdit(Env &env, frmbrg &b)
{
    QTest::mouseClick(b.cmdedit, Qt::LeftButton);
    frmeditbrg *e = env.screens().find<frmeditbrg>();
    Q_ASSERT(e);
    activate(e);
    return *e;
}

} // namespace

class TestGoods : public QObject
{
    Q_OBJECT
private slots:
    void layoutAndOpeningFromMainMenu()
    {
        Env env;
        seedGoods(env, { "A1", "B2" });
        frmutama &utama = test::showAlone<frmutama>(env.screens());
        QTest::keyClick(&utama, Qt::Key_A, Qt::ControlModifier);
        frmbrg *b = env.screens().find<frmbrg>();
        QVERIFY(b && b->isVisible());
        QCOMPARE(env.screens().top(), b);
        activate(b);
        QCOMPARE(b->windowTitle(), QStringLiteral("Input Barang"));
        QCOMPARE(b->size(), QSize(520, 444));
        QCOMPARE(b->DataGrid1->geometry(), QRect(24, 184, 473, 145));
        QCOMPARE(b->focusWidget(), b->DataGrid1);
        QCOMPARE(lengthLimit(b->txtmerk), 0); // no limit on this screen
        QCOMPARE(b->DataGrid1->model()->rowCount(), 2);
        QCOMPARE(b->DataGrid1->model()->columnCount(), 5);
        QCOMPARE(selectedRow(b->DataGrid1), 0);
        b->txtkode->setEnabled(true);
        b->txtnama->setEnabled(true);
        b->txtsup->setEnabled(true);
        b->txtsatuan->setEnabled(true);
        b->cmdsimpan->setEnabled(true);
        QCOMPARE(
            test::tabOrder(b->txtkode),
            (QStringList { "txtkode", "txtnama", "txtsup", "txtsatuan", "DataGrid1", "cmdtambah",
                           "cmdsimpan", "cmdedit", "cmdhapus", "cmdcari", "cmdtutup", "txtmerk" }));
        // Alt and the underlined letter press the button (after its short pressed look).
        QTest::keyClick(b, Qt::Key_U, Qt::AltModifier);
        QTRY_VERIFY(!env.screens().isLoaded<frmbrg>());
        // A second opening is a fresh load that reads the table again.
        seedGoods(env, { "C3" });
        utama.brg->trigger();
        QCOMPARE(env.screens().find<frmbrg>()->Adodc1->recordCount(), 3);
        QVERIFY(!env.screens().find<frmbrg>()->txtkode->isEnabled());
    }

    void chainOfFieldsFollowsStateTable()
    {
        Env env;
        seedGoods(env, { "A1", "B2" });
        frmbrg &b = openGoods(env);
        struct Step
        {
            const char *what;
            std::function<void()> act;
            QStringList enabled;
            const char *focus;
            QStringList messages;
        };
        const QStringList start { "txtmerk", "cmdtambah" };
        const std::vector<Step> steps = {
            { "click Tambah",
              [&] { QTest::mouseClick(b.cmdtambah, Qt::LeftButton); },
              { "txtkode", "txtmerk" },
              "txtkode",
              {} },
            { "Enter, empty code",
              [&] { enter(b.txtkode, QString()); },
              { "txtkode", "txtmerk" },
              "txtkode",
              { "Data Harus Diisi" } },
            { "Enter, code present",
              [&] { enter(b.txtkode, QStringLiteral("B2")); },
              { "txtkode", "txtmerk" },
              "txtkode",
              { "Data Sudah ada" } },
            { "Enter, new code",
              [&] { enter(b.txtkode, QStringLiteral("C3")); },
              { "txtkode", "txtnama", "txtmerk" },
              "txtnama",
              {} },
            { "Enter in name",
              [&] { enter(b.txtnama, QStringLiteral("Gula")); },
              { "txtkode", "txtnama", "txtmerk" },
              "txtmerk",
              {} },
            { "Enter in brand",
              [&] { enter(b.txtmerk, QStringLiteral("Manis")); },
              { "txtkode", "txtnama", "txtmerk", "txtsup" },
              "txtsup",
              {} },
            { "Enter in supplier",
              [&] { enter(b.txtsup, QStringLiteral("CV A")); },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan" },
              "txtsatuan",
              {} },
            { "Enter in unit",
              [&] { enter(b.txtsatuan, QStringLiteral("kg")); },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan", "cmdsimpan" },
              "cmdsimpan",
              {} },
            { "store, Yes",
              [&] {
                  env.dialogs.answer(Button::Yes);
                  QTest::keyClick(b.cmdsimpan, Qt::Key_Return);
              },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan", "cmdtambah" },
              "txtkode",
              { "Masih ada Input Data lagi ?" } },
            { "next entry to unit",
              [&] {
                  enter(b.txtkode, QStringLiteral("D4"));
                  enter(b.txtnama, QStringLiteral("Teh"));
                  enter(b.txtmerk, QString());
                  enter(b.txtsup, QString());
                  enter(b.txtsatuan, QString());
              },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan", "cmdtambah", "cmdsimpan" },
              "cmdsimpan",
              {} },
            { "store, No",
              [&] {
                  env.dialogs.answer(Button::No);
                  QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
              },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan", "cmdtambah" },
              "cmdtutup",
              { "Masih ada Input Data lagi ?" } },
            { "Tambah does not clear",
              [&] { QTest::mouseClick(b.cmdtambah, Qt::LeftButton); },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan" },
              "txtkode",
              {} },
            { "same code again",
              [&] { QTest::keyClick(b.txtkode, Qt::Key_Return); },
              { "txtkode", "txtnama", "txtmerk", "txtsup", "txtsatuan" },
              "txtkode",
              { "Data Sudah ada" } },
        };
        QCOMPARE(enabledOf(b), start);
        for (const Step &s : steps) {
            env.dialogs.clear();
            s.act();
            QCOMPARE(
                test::stepState(s.what, enabledOf(b), test::focusName(&b), env.dialogs.prompts()),
                test::stepState(s.what, s.enabled, QString::fromUtf8(s.focus), s.messages));
        }
        QCOMPARE(b.txtkode->text(), QStringLiteral("D4")); // No kept the texts
        QCOMPARE(goodsRows(env).mid(2), (QStringList { "C3|Gula|Manis|CV A|kg", "D4|Teh|||" }));
        QCOMPARE(b.DataGrid1->model()->rowCount(), 4);
        QCOMPARE(b.DataGrid1->model()->index(3, 1).data().toString(), QStringLiteral("Teh"));
    }

    void messageStylesAndTitles()
    {
        Env env;
        seedGoods(env, { "A1" });
        frmbrg &b = openGoods(env);
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        enter(b.txtkode, QString());
        QCOMPARE(env.dialogs.last().style, 64);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("Gudang"));
        enter(b.txtkode, QStringLiteral("A1"));
        QCOMPARE(env.dialogs.last().style, 0);
        env.dialogs.answer(Button::No);
        QTest::mouseClick(b.cmdhapus, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Yakin Mau Dihapus"));
        QCOMPARE(env.dialogs.last().style, 68);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(goodsRows(env).size(), 1); // No: nothing deleted
    }

    void codeTestEdgeCases()
    {
        Env env;
        frmbrg &b = openGoods(env);
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        enter(b.txtkode, QStringLiteral("X")); // empty table: no search
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(b.focusWidget(), b.txtnama);
        Env env2;
        seedGoods(env2, { "A1" });
        frmbrg &c = openGoods(env2);
        QTest::mouseClick(c.cmdtambah, Qt::LeftButton);
        enter(c.txtkode, QStringLiteral(" ")); // one space is a code
        QVERIFY(env2.dialogs.shown().empty());
        QVERIFY(c.txtnama->isEnabled());
    }

    void storeRefusesEmptyOrPresentCode()
    {
        Env env;
        seedGoods(env, { "A1" });
        frmbrg &b = openGoods(env);
        // Reach Simpan through the brand field without a code.
        enter(b.txtmerk, QStringLiteral("m"));
        enter(b.txtsup, QString());
        enter(b.txtsatuan, QString());
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Harus Diisi" });
        QCOMPARE(goodsRows(env).size(), 1);
        QVERIFY(b.cmdsimpan->isEnabled());
        QVERIFY(b.cmdtambah->isEnabled());
        // A code changed after its test to one that is present.
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        enter(b.txtkode, QStringLiteral("B2"));
        b.txtkode->setText(QStringLiteral("A1"));
        env.dialogs.clear();
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data Sudah ada" });
        QCOMPARE(b.focusWidget(), b.txtkode);
        QCOMPARE(goodsRows(env).size(), 1);
        QVERIFY(b.cmdsimpan->isEnabled());
        QVERIFY(!b.cmdtambah->isEnabled());
    }

    void storeWritesTextsExactlyAndRefusesLongBrand()
    {
        Env env;
        frmbrg &b = openGoods(env);
        QTest::mouseClick(b.cmdtambah, Qt::LeftButton);
        enter(b.txtkode, QStringLiteral("O'Ne il"));
        enter(b.txtnama, QStringLiteral(" Kopi  "));
        enter(b.txtmerk, QStringLiteral("merk yang terlalu panjang"));
        enter(b.txtsup, QStringLiteral("' OR '1'='1"));
        enter(b.txtsatuan, QStringLiteral("%_\\"));
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { "Isi kolom Merk terlalu panjang: paling banyak 20 karakter." });
        QCOMPARE(env.dialogs.last().style, 16);
        QVERIFY(goodsRows(env).isEmpty());
        QCOMPARE(b.Adodc1->recordCount(), 0);
        QVERIFY(b.cmdsimpan->isEnabled()); // the question was not asked; buttons keep their states
        b.txtmerk->setText(QStringLiteral("Kapal"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(b.cmdsimpan, Qt::LeftButton);
        QCOMPARE(goodsRows(env), QStringList { "O'Ne il| Kopi  |Kapal|' OR '1'='1|%_\\" });
        // The code with its quote is found again.
        env.dialogs.answerInput(QStringLiteral("O'Ne il"));
        env.dialogs.clear();
        QTest::mouseClick(b.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masukan Kode Barang Yang Dicari" });
        QCOMPARE(b.Adodc1->currentRow(), 0);
    }

    void find()
    {
        Env env;
        seedGoods(env, { "A1", "B2", "C3" });
        frmbrg &b = openGoods(env);
        b.Adodc1->setCurrentRow(2);
        env.dialogs.answerInput(QString()); // cancelled
        QTest::mouseClick(b.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 (QStringList { "Masukan Kode Barang Yang Dicari", "Tidak ada Pencarian" }));
        QVERIFY(env.dialogs.shown()[0].input);
        QCOMPARE(env.dialogs.shown()[0].title, QStringLiteral("PENCARIAN"));
        QCOMPARE(b.Adodc1->currentRow(), 0);
        env.dialogs.clear();
        b.Adodc1->setCurrentRow(2);
        env.dialogs.answerInput(QStringLiteral("Z9"));
        QTest::mouseClick(b.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().last(), QStringLiteral("Data Tidak ada"));
        QCOMPARE(b.Adodc1->currentRow(), 0);
        env.dialogs.clear();
        env.dialogs.answerInput(QStringLiteral("B2"));
        QTest::mouseClick(b.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts().size(), 1);
        QCOMPARE(b.Adodc1->currentRow(), 1);
        QCOMPARE(selectedRow(b.DataGrid1), 1);
        QCOMPARE(b.txtkode->text(), QString());
    }

    void findOnEmptyTable()
    {
        Env env;
        frmbrg &b = openGoods(env);
        env.dialogs.answerInput(QStringLiteral("A1"));
        QTest::mouseClick(b.cmdcari, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 (QStringList { "Masukan Kode Barang Yang Dicari", "Data Tidak ada" }));
    }

    void deleteRows()
    {
        Env env;
        frmbrg &b = openGoods(env);
        QTest::mouseClick(b.cmdhapus, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Maaf Tidak ada Data" });
        Env env2;
        seedGoods(env2, { "A1", "B2", "C3" });
        frmbrg &c = openGoods(env2);
        env2.dialogs.answerInput(QStringLiteral("B2"));
        env2.dialogs.answer(Button::Yes);
        QTest::mouseClick(c.cmdcari, Qt::LeftButton);
        QTest::mouseClick(c.cmdhapus, Qt::LeftButton);
        QCOMPARE(Env::query(env2.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang FROM tbarang")),
                 (QStringList { "A1", "C3" }));
        QCOMPARE(c.DataGrid1->model()->rowCount(), 2);
        // The deleted row stays current and cannot be deleted again.
        env2.dialogs.clear();
        env2.dialogs.answer(Button::Yes);
        QTest::mouseClick(c.cmdhapus, Qt::LeftButton);
        QCOMPARE(env2.dialogs.prompts().last(),
                 QStringLiteral("Data yang aktif pada tabel tbarang sudah dihapus."));
        QCOMPARE(env2.dialogs.last().style, 16);
        QCOMPARE(c.Adodc1->recordCount(), 2);
        // A row selected in the grid is the one deleted.
        c.DataGrid1->selectionModel()->setCurrentIndex(c.DataGrid1->model()->index(1, 0),
                                                       QItemSelectionModel::ClearAndSelect
                                                           | QItemSelectionModel::Rows);
        env2.dialogs.answer(Button::Yes);
        QTest::mouseClick(c.cmdhapus, Qt::LeftButton);
        QCOMPARE(Env::query(env2.locations.workingPath(),
                            QStringLiteral("SELECT Kode_Barang FROM tbarang")),
                 QStringList { "A1" });
    }

    void editLayoutAndLookup()
    {
        Env env;
        seedGoods(env, { "A1", "B2", "C3" });
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("UPDATE tbarang SET Merk = NULL WHERE Kode_Barang = 'C3'"));
        frmbrg &b = openGoods(env);
        frmeditbrg &e = openEdit(env, b);
        QCOMPARE(e.windowTitle(), QStringLiteral("Edit Barang"));
        QCOMPARE(e.size(), QSize(263, 239));
        QCOMPARE(env.screens().top(), &e);
        QCOMPARE(e.focusWidget(), e.txtsatuan);
        QCOMPARE(lengthLimit(e.txtmerk), 20);
        QCOMPARE(test::tabOrder(e.txtsatuan),
                 (QStringList { "txtsatuan", "txtsup", "txtmerk", "txtnama", "txtkode", "cmdtutup",
                                "cmdsimpan" }));
        // Enter in the other fields does nothing.
        for (QLineEdit *f : { e.txtnama, e.txtmerk, e.txtsup, e.txtsatuan })
            enter(f, QStringLiteral("x"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(e.focusWidget(), e.txtsatuan);

        enter(e.txtkode, QStringLiteral("B2"));
        QCOMPARE(e.txtnama->text(), QStringLiteral("Nama B2"));
        QCOMPARE(e.txtmerk->text(), QStringLiteral("Merk B2"));
        QCOMPARE(e.txtsup->text(), QStringLiteral("Sup B2"));
        QCOMPARE(e.txtsatuan->text(), QStringLiteral("pcs"));
        QCOMPARE(e.txtkode->text(), QStringLiteral("B2"));
        QCOMPARE(e.focusWidget(), e.txtnama);
        QCOMPARE(selectedRow(b.DataGrid1), 1);

        enter(e.txtkode, QStringLiteral("Z9"));
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data tidak Ada" });
        QCOMPARE(e.txtkode->text(), QString());
        QCOMPARE(e.txtnama->text(), QStringLiteral("Nama B2"));
        QCOMPARE(e.focusWidget(), e.txtkode);

        enter(e.txtkode, QString()); // searched as the empty code
        QCOMPARE(env.dialogs.prompts().size(), 2);

        enter(e.txtkode, QStringLiteral("C3")); // a Null brand shows as an empty text
        QCOMPARE(e.txtmerk->text(), QString());
        QCOMPARE(env.dialogs.prompts().size(), 2);
    }

    void editOnEmptyTableDoesNothing()
    {
        Env env;
        frmbrg &b = openGoods(env);
        frmeditbrg &e = openEdit(env, b);
        enter(e.txtkode, QStringLiteral("A1"));
        QVERIFY(env.dialogs.shown().empty());
        QCOMPARE(e.txtkode->text(), QStringLiteral("A1"));
    }

    void editStore()
    {
        Env env;
        seedGoods(env, { "A1", "B2", "C3" });
        frmbrg &b = openGoods(env);
        frmeditbrg &e = openEdit(env, b);

        // Without a lookup nothing is written.
        QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data tidak Ada" });
        QCOMPARE(e.focusWidget(), e.txtkode);
        QCOMPARE(goodsRows(env)[0], QStringLiteral("A1|Nama A1|Merk A1|Sup A1|pcs"));

        // Yes: the grid shows the change, the fields are emptied, the focus is in the code.
        env.dialogs.clear();
        enter(e.txtkode, QStringLiteral("B2"));
        e.txtnama->setText(QStringLiteral("Beras"));
        e.txtsatuan->setText(QString());
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Masih Ada edit Lagi?" });
        QCOMPARE(env.dialogs.last().style, 68);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("PERHATIAN"));
        QCOMPARE(goodsRows(env)[1], QStringLiteral("B2|Beras|Merk B2|Sup B2|"));
        QCOMPARE(b.DataGrid1->model()->index(1, 1).data().toString(), QStringLiteral("Beras"));
        for (QLineEdit *f : { e.txtkode, e.txtnama, e.txtmerk, e.txtsup, e.txtsatuan })
            QCOMPARE(f->text(), QString());
        QCOMPARE(e.focusWidget(), e.txtkode);

        // After Yes a store needs a new lookup.
        env.dialogs.clear();
        QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(), QStringList { "Data tidak Ada" });

        // A code changed to another record's code is refused; nothing is written.
        env.dialogs.clear();
        enter(e.txtkode, QStringLiteral("C3"));
        e.txtkode->setText(QStringLiteral("A1"));
        QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList {
                     "Kode_Barang \"A1\" sudah ada pada tabel tbarang; data tidak disimpan." });
        QCOMPARE(goodsRows(env)[2], QStringLiteral("C3|Nama C3|Merk C3|Sup C3|pcs"));
        QCOMPARE(b.DataGrid1->model()->index(2, 0).data().toString(), QStringLiteral("C3"));

        // A new code for the same record is fine; No closes the screen.
        e.txtkode->setText(QStringLiteral("C4"));
        env.dialogs.answer(Button::No);
        QTest::mouseClick(e.cmdsimpan, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmeditbrg>());
        QCOMPARE(env.screens().top(), &b);
        QCOMPARE(goodsRows(env)[2], QStringLiteral("C4|Nama C3|Merk C3|Sup C3|pcs"));
        QCOMPARE(b.DataGrid1->model()->index(2, 0).data().toString(), QStringLiteral("C4"));

        // A fresh opening starts empty; Tutup closes it.
        frmeditbrg &again = openEdit(env, b);
        QCOMPARE(again.txtnama->text(), QString());
        QTest::mouseClick(again.cmdtutup, Qt::LeftButton);
        QVERIFY(!env.screens().isLoaded<frmeditbrg>());
    }

    // The goods search: any part of the code or the name, letter case ignored, quotes, "%"
    // and "_" as ordinary characters.
    void searchFindsByAnyPart_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("part of a name, other case") << "KOPI" << QStringList { "A1", "C3" };
        QTest::newRow("part of a code") << "b2" << QStringList { "B2" };
        QTest::newRow("a quote") << "'" << QStringList { "A1" };
        QTest::newRow("percent sign") << "100%" << QStringList { "A1" };
        QTest::newRow("percent alone is no wildcard") << "%" << QStringList { "A1", "D%" };
        QTest::newRow("underscore is no wildcard") << "_" << QStringList { "B2" };
        QTest::newRow("across code and name: no") << "3kopi" << QStringList {};
        QTest::newRow("across two goods: no") << "100%b2" << QStringList {};
        QTest::newRow("end of one goods into the next: no") << "%b" << QStringList {};
        QTest::newRow("every goods holding it, once") << "r" << QStringList { "B2", "D%" };
        QTest::newRow("the last goods") << "air" << QStringList { "D%" };
        QTest::newRow("Unicode, other case") << "ÉCLAIR" << QStringList { "D%" };
    }
    void searchFindsByAnyPart()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        Env env;
        Env::exec(
            env.locations.workingPath(),
            QString::fromUtf8("INSERT INTO tbarang VALUES ('A1', 'Kopi ''Luwak'' 100%', '', "
                              "'', 'kg'), ('B2', 'Gula_Pasir', '', '', 'kg'), ('C3', "
                              "'kopi susu', '', '', 'sak'), ('D%', 'éclair', '', '', 'pcs')"));
        frmcari &f = test::showAlone<frmcari>(env.screens());
        QStringList codes;
        for (int r : f.search(typed))
            codes << f.Adodc1->cellText(r, 0);
        QCOMPARE(codes, found);
    }

    // F3 on the goods-out screen waiting for a code opens the search; typing narrows the list
    // as it goes; Enter takes the code into the screen's code field.
    void searchTakesTheCodeIntoTheScreen()
    {
        Env env;
        seedGoods(env, { "A1", "B2" });
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbarang VALUES ('GL1', 'Gula Pasir', '', '', 'kg')"));
        frmkeluar &k = test::openIssue(env);
        QTest::mouseClick(k.cmdtambah, Qt::LeftButton);
        QCOMPARE(test::focusName(&k), QStringLiteral("txtkode"));
        QTest::keyClick(k.txtkode, Qt::Key_F3);
        auto *f = env.screens().find<frmcari>();
        QVERIFY(f && f->isVisible());
        activate(f);
        QCOMPARE(test::focusName(f), QStringLiteral("txtcari"));
        QTest::keyClicks(f->txtcari, QStringLiteral("nama"));
        QCOMPARE(f->DataGrid1->model()->rowCount(), 2);
        QCOMPARE(f->Label2->text(), QStringLiteral("2 barang cocok."));
        QTest::keyClicks(f->txtcari, QStringLiteral(" b"));
        QCOMPARE(f->DataGrid1->model()->rowCount(), 1);
        QCOMPARE(f->DataGrid1->model()->index(0, 1).data().toString(), QStringLiteral("Nama B2"));
        QTest::keyClick(f->txtcari, Qt::Key_Return);
        QVERIFY(!env.screens().isLoaded<frmcari>());
        QCOMPARE(k.txtkode->text(), QStringLiteral("B2"));
        activate(&k);
        QCOMPARE(test::focusName(&k), QStringLiteral("txtkode"));
        // From the main menu it only shows: nothing waits for a code there.
        auto *utama = env.screens().find<frmutama>();
        QCOMPARE(utama->cari->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(utama->alat->title(), QStringLiteral("&Alat"));
    }
};

QTEST_MAIN(TestGoods)
#include "tst_goods.moc"
