#include "core/apperror.h"
#include "model/recordsource.h"
#include "scripteddialogs.h"
#include "support.h"
#include "ui/screen.h"

#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace gudang;
using gudang::test::activate;
using gudang::test::Env;

namespace {

const FormTable &lowerForm()
{
    using K = ControlKind;
    static const FormTable form { "frmbawah",
                                  "Bawah",
                                  3000,
                                  1500,
                                  QColor(),
                                  nullptr,
                                  0,
                                  false,
                                  QColor(),
                                  {
                                      { "txtsatu", K::TextField, "", 120, 120, 1200, 285, 1, 5 },
                                      { "cmdgagal", K::Button, "&Gagal", 120, 600, 1000, 375, 0, 0,
                                        Ctl::Disabled },
                                      { "cmdbuka", K::Button, "&Buka", 1320, 600, 1000, 375, 2 },
                                  } };
    return form;
}

const FormTable &upperForm()
{
    static const FormTable form { "frmatas", "Atas", 1500,  750,      QColor(),
                                  nullptr,   0,      false, QColor(), {} };
    return form;
}

} // namespace

class frmatas : public Screen
{
    Q_OBJECT
public:
    explicit frmatas(App &app)
        : Screen(app, upperForm())
    {
        source = openRecordSource(app.locations().workingPath(), QStringLiteral("tbarang"), this)
                     .release();
    }
    RecordSource *source;
    void unload() { unloadMe(); }
};

class frmbawah : public Screen
{
    Q_OBJECT
public:
    explicit frmbawah(App &app)
        : Screen(app, lowerForm())
        , txtsatu(control<QLineEdit>("txtsatu"))
        , cmdgagal(control<QPushButton>("cmdgagal"))
        , cmdbuka(control<QPushButton>("cmdbuka"))
    {
        onEnter(txtsatu, &frmbawah::on_txtsatu_returnPressed);
        onClicked(cmdgagal, &frmbawah::on_cmdgagal_clicked);
        onClicked(cmdbuka, &frmbawah::on_cmdbuka_clicked);
    }
    QLineEdit *txtsatu;
    QPushButton *cmdgagal;
    QPushButton *cmdbuka;
    QStringList steps;

    void on_txtsatu_returnPressed() { steps << QStringLiteral("enter"); }
    void on_cmdgagal_clicked()
    {
        steps << QStringLiteral("before");
        auto &upper = app().screens().get<frmatas>();
        upper.source->addNew();
        upper.source->setField(0, QStringLiteral("K1"));
        upper.source->setField(2, QStringLiteral("a text far longer than twenty characters"));
        steps << QStringLiteral("after");
    }
    void on_cmdbuka_clicked()
    {
        steps << QStringLiteral("show");
        app().screens().showModal(app().screens().get<frmatas>(),
                                  [this] { steps << QStringLiteral("returned"); });
    }
};

class TestScreens : public QObject
{
    Q_OBJECT
private slots:
    void formValuesAndInitialFocus()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        QVERIFY(!s.isVisible()); // reached, not shown
        env.screens().showStart(s);
        activate(&s);
        QCOMPARE(s.size(), QSize(200, 100));
        QCOMPARE(s.txtsatu->geometry(), QRect(8, 8, 80, 19));
        QCOMPARE(lengthLimit(s.txtsatu), 5);
        QVERIFY(!s.cmdgagal->isEnabled());
        QCOMPARE(s.focusWidget(), s.txtsatu); // lowest tab index that can take the focus
        QVERIFY(s.cmdbuka->autoDefault());
    }

    void enterRunsOnlyTheFieldHandler()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        env.screens().showStart(s);
        activate(&s);
        QTest::keyClicks(s.txtsatu, QStringLiteral("ab"));
        QTest::keyClick(s.txtsatu, Qt::Key_Return);
        QTest::keyClick(s.txtsatu, Qt::Key_Enter);
        QCOMPARE(s.steps, (QStringList { "enter", "enter" }));
        QCOMPARE(s.txtsatu->text(), QStringLiteral("ab"));
        QTest::keyClick(s.txtsatu, Qt::Key_Escape);
        QTest::keyClick(&s, Qt::Key_Escape);
        QVERIFY(env.screens().isLoaded<frmbawah>());
        QVERIFY(s.isVisible());
    }

    void failureStopsHandlerDropsPendingAndProgramGoesOn()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        env.screens().showStart(s);
        s.cmdgagal->setEnabled(true);
        QTest::mouseClick(s.cmdgagal, Qt::LeftButton);
        QCOMPARE(s.steps, QStringList { "before" });
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral(
                     "Isi kolom Merk terlalu panjang: paling banyak 20 karakter.") });
        QCOMPARE(env.dialogs.last().style, 16);
        QCOMPARE(env.dialogs.last().title, QStringLiteral("Gudang"));
        auto *upper = env.screens().find<frmatas>();
        QVERIFY(upper && !upper->isVisible()); // loaded hidden by the reach
        QCOMPARE(upper->source->recordCount(), 0);
        QVERIFY(!upper->source->hasPending());
        QCOMPARE(
            Env::query(env.locations.workingPath(), QStringLiteral("SELECT count(*) FROM tbarang")),
            QStringList { QStringLiteral("0") });
        QTest::keyClick(s.txtsatu, Qt::Key_Return); // still usable
        QCOMPARE(s.steps.last(), QStringLiteral("enter"));
    }

    void modalShowContinuesAfterUnload()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        env.screens().showStart(s);
        auto &reached = env.screens().get<frmatas>();
        reached.source->addNew();
        reached.source->setField(0, QStringLiteral("K9"));
        reached.source->update();
        QTest::mouseClick(s.cmdbuka, Qt::LeftButton);
        // The hidden instance is the one shown, with its state.
        QCOMPARE(env.screens().find<frmatas>(), &reached);
        QVERIFY(reached.isVisible());
        QCOMPARE(reached.source->recordCount(), 1);
        QCOMPARE(env.screens().top(), &reached);
        QVERIFY(reached.windowModality() == Qt::ApplicationModal);
        QCOMPARE(s.steps, QStringList { "show" });
        reached.windowHandle()->close(); // the window's close button, as the desktop sends it
        QCOMPARE(s.steps, (QStringList { "show", "returned" }));
        QVERIFY(!env.screens().isLoaded<frmatas>());
        QVERIFY(!env.screens().ended());
        // Shown again: a fresh load.
        QTest::mouseClick(s.cmdbuka, Qt::LeftButton);
        QVERIFY(env.screens().find<frmatas>() != nullptr);
        QCOMPARE(env.screens().find<frmatas>()->source->recordCount(), 1);
    }

    void endRunsNoFurtherStepAndClosesHiddenScreens()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        env.screens().showStart(s);
        QTest::mouseClick(s.cmdbuka, Qt::LeftButton);
        env.screens().end();
        QCOMPARE(s.steps, QStringList { "show" });
        QVERIFY(env.screens().ended());
        QCOMPARE(env.screens().loadedCount(), 0);
    }

    void lastShownScreenUnloadedEndsAndClosesHiddenOnes()
    {
        Env env;
        auto &s = env.screens().get<frmbawah>();
        env.screens().showStart(s);
        RecordSource *hidden = env.screens().get<frmatas>().source;
        s.close(); // the window closed, as its close button does
        QVERIFY(env.screens().ended());
        QCOMPARE(env.screens().loadedCount(), 0);
        QVERIFY_THROWS_EXCEPTION(AppError, hidden->recordCount()); // closed with its screen
    }

    // The test double itself: every box is answered from the script or read by the test.
    void scriptedDialogsAccountForEveryBox_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("unaccounted");
        // n<X>: notice X; q<X>: question X; i<X>: input box X; a: script Ok/Yes next;
        // t: script a text next; L: read last(); P: read prompts(); C: clear().
        QTest::newRow("notice read as the newest") << "nA L" << QStringList {};
        QTest::newRow("notice answered") << "a nA" << QStringList {};
        QTest::newRow("notice never read") << "nA" << QStringList { "A" };
        QTest::newRow("extra notice before the one read") << "nA nB L" << QStringList { "A" };
        QTest::newRow("all read through prompts") << "nA nB P" << QStringList {};
        QTest::newRow("notice after the reading") << "nA P nB" << QStringList { "B" };
        QTest::newRow("cleared unread") << "nA C" << QStringList { "A" };
        QTest::newRow("cleared after reading") << "nA P C" << QStringList {};
        QTest::newRow("question read but not answered") << "qA P" << QStringList { "A" };
        QTest::newRow("question answered") << "a qA" << QStringList {};
        QTest::newRow("input box not answered") << "iA P" << QStringList { "A" };
        QTest::newRow("input box answered") << "t iA" << QStringList {};
    }

    void scriptedDialogsAccountForEveryBox()
    {
        QFETCH(QString, steps);
        QFETCH(QStringList, unaccounted);
        ScriptedDialogs d;
        for (const QString &step : steps.split(QLatin1Char(' '))) {
            const QString what = step.mid(1);
            switch (step.at(0).toLatin1()) {
            case 'n':
                d.message(what, Style::Ok | Style::Information, QString());
                break;
            case 'q':
                d.message(what, Style::YesNo, QString());
                break;
            case 'i':
                d.input(what, QString());
                break;
            case 'a':
                d.answer(Button::Yes);
                break;
            case 't':
                d.answerInput(QStringLiteral("x"));
                break;
            case 'L':
                d.last();
                break;
            case 'P':
                d.prompts();
                break;
            case 'C':
                d.clear();
                break;
            }
        }
        QCOMPARE(d.unscripted(), unaccounted);
        QVERIFY(d.scriptUsedUp());
    }
};

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
