#include "app/startup.h"
#include "core/apperror.h"
#include "model/recordsource.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportrows.h"
#include "screens/issue/frmkeluar.h"
#include "screens/shell/frmgpas.h"
#include "screens/shell/frmpas.h"
#include "screens/shell/frmpengguna.h"
#include "screens/shell/frmutama.h"
#include "stock/stockservice.h"
#include "store/serverusers.h"
#include "support.h"
#include "ui/app.h"
#include "ui/gridview.h"
#include "users/users.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QTest>

using namespace gudang;
using gudang::test::activate;
using gudang::test::Env;
using gudang::test::ownerOf;
using gudang::test::uniqueName;

namespace {

// An Env with the first user and some stock, goods and one goods-out row.
void fill(Env &env)
{
    env.setCredentials({ { "admin", "rahasia" } });
    Env::exec(env.locations.workingPath(),
              QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak');"
                             "INSERT INTO tstok VALUES ('A1', 10, 2);"
                             "INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                             "('A1', '2026-12-01 00:00:00', 1)"));
}

void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

// Logs in through the login window as a user whose password the owner set: the program asks
// for a new one first, then opens the main menu.
frmutama *firstLogin(Env &env, const QString &name, const QString &given, const QString &own)
{
    startProgram(env.app(), false);
    auto *pas = env.screens().find<frmpas>();
    activate(pas);
    typeAndEnter(pas->txtuser, name);
    typeAndEnter(pas->txtpass, given);
    QTest::keyClick(pas->cmdok, Qt::Key_Return);
    if (env.dialogs.prompts().value(0)
        != QStringLiteral("Password Anda baru saja diatur oleh pemilik. Buat password baru Anda "
                          "sekarang."))
        return nullptr;
    auto *g = env.screens().find<frmgpas>();
    activate(g);
    // The name is there (old and new) and the focus on the old password: the person types
    // the password given and their own, pressing Enter after each, as the fields lead.
    if (g->txtuser->text() != name || QApplication::focusWidget() != g->txtpass)
        return nullptr;
    QTest::keyClicks(QApplication::focusWidget(), given);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    if (QApplication::focusWidget() != g->txtus2 || g->txtus2->text() != name)
        return nullptr;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClicks(QApplication::focusWidget(), own);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    if (QApplication::focusWidget() != g->cmdok)
        return nullptr;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    if (env.dialogs.last().prompt != QStringLiteral("Data Sudah Ter-update"))
        return nullptr;
    env.dialogs.clear();
    auto *utama = env.screens().find<frmutama>();
    if (utama)
        activate(utama);
    return utama;
}

QString psql(const QString &conninfo, const QString &password, const QString &sql)
{
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert(QStringLiteral("PGPASSWORD"), password);
    p.setProcessEnvironment(e);
    p.start(QStringLiteral("psql"),
            { QStringLiteral("-X"), QStringLiteral("-w"), QStringLiteral("-v"),
              QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-At"), QStringLiteral("-c"), sql,
              conninfo });
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

} // namespace

class TestRoles : public QObject
{
    Q_OBJECT

private slots:
    // Each role logs in through the login window and walks the main menu: what its role may
    // use opens by menu and shortcut, the rest is disabled and opens nothing; the goods-out
    // screen offers corrections only to those who may make them. A cashier posts (on a server
    // through the server's own posting, the journal naming the cashier).
    void everyRoleWalksTheMenu_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QStringList>("enabled");
        const QStringList all { "brg",   "stk",     "sdgsd",          "out",    "zx",
                                "sd",    "gf",      "periode",        "kartu",  "df",
                                "cari",  "minimum", "mutasipengguna", "opname", "label",
                                "impor", "pengguna" };
        QTest::newRow("pemilik") << int(Role::Pemilik) << all;
        QStringList gudang = all;
        gudang.removeAll(QStringLiteral("pengguna"));
        QTest::newRow("gudang") << int(Role::Gudang) << gudang;
        QTest::newRow("kasir") << int(Role::Kasir) << QStringList { "sdgsd",   "out", "zx",  "sd",
                                                                    "periode", "df",  "cari" };
    }
    void everyRoleWalksTheMenu()
    {
        QFETCH(int, role);
        QFETCH(QStringList, enabled);
        Env env;
        fill(env);
        const QString name = uniqueName("p");
        addUser(ownerOf(env), name, QStringLiteral("awal1"), Role(role));
        frmutama *utama = firstLogin(env, name, QStringLiteral("awal1"), QStringLiteral("sendiri"));
        QVERIFY(utama);
        QCOMPARE(env.app().role(), Role(role));
        QCOMPARE(env.app().user(), name);

        QStringList seen;
        for (QAction *a : utama->findChildren<QAction *>()) {
            if (!a->objectName().isEmpty() && !a->isSeparator() && a->isEnabled()
                && a != utama->wr->menuAction() && a != utama->klrg->menuAction()
                && a != utama->tr7->menuAction() && a != utama->ff->menuAction()
                && a != utama->alat->menuAction())
                seen << a->objectName();
        }
        QStringList want = enabled;
        want.sort();
        seen.sort();
        QCOMPARE(seen, want);

        // Every shortcut: the screen of an enabled entry opens, a disabled one opens nothing.
        struct Key
        {
            QAction *action;
            int key;
            Qt::KeyboardModifiers modifiers;
            const char *screen;
        };
        const Key keys[] = {
            { utama->brg, Qt::Key_A, Qt::ControlModifier, "frmbrg" },
            { utama->stk, Qt::Key_B, Qt::ControlModifier, "frmstok" },
            { utama->zx, Qt::Key_D, Qt::ControlModifier, "frmkeluar" },
            { utama->sd, Qt::Key_E, Qt::ControlModifier, "frmcetklr" },
            { utama->gf, Qt::Key_F, Qt::ControlModifier, "frmcetstk" },
            { utama->periode, Qt::Key_P, Qt::ControlModifier, "frmperiode" },
            { utama->kartu, Qt::Key_K, Qt::ControlModifier, "frmkartu" },
            { utama->minimum, Qt::Key_M, Qt::ControlModifier, "frmminimum" },
            { utama->cari, Qt::Key_F3, Qt::NoModifier, "frmcari" },
            { utama->opname, Qt::Key_O, Qt::ControlModifier, "frmopname" },
            { utama->label, Qt::Key_L, Qt::ControlModifier, "frmlabel" },
            { utama->impor, Qt::Key_I, Qt::ControlModifier, "frmimpor" },
        };
        for (const Key &k : keys) {
            activate(utama);
            QTest::keyClick(utama, Qt::Key(k.key), k.modifiers);
            Screen *top = env.screens().top();
            if (enabled.contains(k.action->objectName())) {
                QVERIFY2(top && top->objectName() == QLatin1String(k.screen), k.screen);
                top->close();
            } else {
                QVERIFY2(top == utama, k.screen);
            }
        }
        for (QAction *a : { utama->pengguna, utama->mutasipengguna }) {
            a->trigger();
            Screen *top = env.screens().top();
            if (enabled.contains(a->objectName())) {
                QVERIFY(top != utama);
                top->close();
            } else {
                QCOMPARE(top, utama);
            }
        }
        QVERIFY(env.dialogs.shown().empty());

        // The goods-out screen: a posting for everyone, corrections not for a cashier.
        activate(utama);
        QTest::keyClick(utama, Qt::Key_D, Qt::ControlModifier);
        auto *k = env.screens().find<frmkeluar>();
        QVERIFY(k);
        activate(k);
        const bool corrects = Role(role) != Role::Kasir;
        QCOMPARE(k->cmdedit->isEnabled(), corrects);
        QCOMPARE(k->cmdhapus->isEnabled(), corrects);
        if (!corrects) {
            // Reached anyway: refused, nothing deleted.
            env.app().run([&] { k->on_cmdhapus_clicked(); });
            QCOMPARE(env.dialogs.last().prompt,
                     QStringLiteral("Maaf, pengguna dengan peran Kasir tidak boleh mengedit atau "
                                    "menghapus data barang keluar."));
            env.dialogs.clear();
        }
        test::readyIssue(*k, QStringLiteral("A1"), QStringLiteral("3"));
        env.dialogs.answer(Button::No); // no further input
        QTest::mouseClick(k->cmdsimpan, Qt::LeftButton);
        QCOMPARE(env.dialogs.prompts(),
                 QStringList { QStringLiteral("Masih ada Input Data Lagi?") });
        env.dialogs.clear();
        const QString path = env.locations.workingPath();
        QCOMPARE(Env::query(path, QStringLiteral("SELECT Jumlah_Stok FROM tstok")),
                 QStringList { QStringLiteral("7.0") });
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Kode_Barang, Jumlah FROM tbrgkeluar ORDER BY "
                                           "No_Keluar")),
                 (QStringList { QStringLiteral("A1|1.0"), QStringLiteral("A1|3.0") }));
        QCOMPARE(Env::query(path,
                            QStringLiteral("SELECT Pengguna, Jenis, Perubahan, Stok_Akhir, "
                                           "No_Keluar FROM tmutasi WHERE Jenis = 'barang keluar'")),
                 QStringList { name + QStringLiteral("|barang keluar|-3.0|7.0|2.0") });
    }

    // Each write of the services as each role, on both stores (on a server as the person's
    // own login role, so that the server's grants are what refuses).
    void servicesRefuseWhatARoleMayNot_data()
    {
        QTest::addColumn<int>("role");
        QTest::addColumn<QStringList>("allowed");
        const QStringList all { "book",           "saveStock", "deleteStock", "saveGoodsOut",
                                "deleteGoodsOut", "post",      "goods" };
        QTest::newRow("pemilik") << int(Role::Pemilik) << all;
        QTest::newRow("gudang") << int(Role::Gudang) << all;
        QTest::newRow("kasir") << int(Role::Kasir) << QStringList { "post" };
    }
    void servicesRefuseWhatARoleMayNot()
    {
        QFETCH(int, role);
        QFETCH(QStringList, allowed);
        Env env;
        fill(env);
        const QString name = uniqueName("s");
        addUser(ownerOf(env), name, QStringLiteral("awal1"), Role(role));
        const LoginResult login = logIn(env.locations, name, QStringLiteral("awal1"));
        QCOMPARE(login.outcome, LoginResult::LoggedIn);
        QVERIFY(login.session.mustChangePassword);
        QCOMPARE(login.session.role, Role(role));
        QCOMPARE(login.session.locations.onServer(), test::onServer());
        env.app().setSession(login.session);
        StockService &stock = env.app().stock();
        const QString address = env.app().locations().workingPath();
        auto goods = openRecordSource(address, QStringLiteral("tbarang"));
        auto tstok = openRecordSource(address, QStringLiteral("tstok"));
        auto out = openRecordSource(address, QStringLiteral("tbrgkeluar"));
        const std::vector<std::pair<QString, std::function<void()>>> writes = {
            { "book",
              [&] {
                  stock.book(*tstok, QStringLiteral("A1"), 5, 2);
              } },
            { "saveStock",
              [&] {
                  tstok->moveFirst();
                  tstok->setField(col::tstok::Stok_Minimum, Value(3.0));
                  stock.saveStock(*tstok);
              } },
            { "saveGoodsOut",
              [&] {
                  out->moveFirst();
                  out->setField(col::tbrgkeluar::Jumlah, Value(2.0));
                  stock.saveGoodsOut(*out);
              } },
            { "post",
              [&] {
                  tstok->moveFirst();
                  const PostingResult r
                      = stock.post(*out, *tstok,
                                   { QStringLiteral("A1"), QDateTime(QDate(2026, 12, 2), QTime()),
                                     QStringLiteral("1"), 1, std::nullopt });
                  if (r.outcome != PostingResult::Done)
                      throw AppError(QStringLiteral("not posted"));
              } },
            { "goods",
              [&] {
                  goods->moveFirst();
                  goods->setField(col::tbarang::Merk, QStringLiteral("Baru"));
                  goods->update();
              } },
            { "deleteGoodsOut",
              [&] {
                  out->moveFirst();
                  stock.deleteGoodsOut(*out);
              } },
            { "deleteStock",
              [&] {
                  tstok->moveFirst();
                  stock.deleteStock(*tstok);
              } },
        };
        const QString before = Env::query(env.locations.workingPath(),
                                          QStringLiteral("SELECT count(*) FROM tmutasi"))
                                   .join(QString());
        for (const auto &[what, write] : writes) {
            const QString failure = test::failureOf(write);
            if (allowed.contains(what)) {
                QVERIFY2(failure.isEmpty(), qPrintable(what + QStringLiteral(": ") + failure));
            } else {
                QVERIFY2(
                    failure.startsWith(QStringLiteral("Maaf, pengguna dengan peran %1 tidak boleh")
                                           .arg(roleCaption(Role(role)))),
                    qPrintable(what + QStringLiteral(": ") + failure));
                RecordSource::cancelAllPending();
            }
        }
        const QString path = env.locations.workingPath();
        if (Role(role) == Role::Kasir) {
            // Only the posting's three rows were written.
            QCOMPARE(Env::query(path, QStringLiteral("SELECT Merk FROM tbarang")),
                     QStringList { QString() });
            QCOMPARE(
                Env::query(path, QStringLiteral("SELECT Jumlah_Stok, Stok_Minimum FROM tstok")),
                QStringList { QStringLiteral("9.0|2.0") });
            QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tbrgkeluar")),
                     QStringList { QStringLiteral("2") });
            QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tmutasi"))
                         .join(QString())
                         .toInt(),
                     before.toInt() + 1);
        } else {
            QCOMPARE(Env::query(path, QStringLiteral("SELECT count(*) FROM tstok")),
                     QStringList { QStringLiteral("0") });
            QCOMPARE(Env::query(path, QStringLiteral("SELECT Merk FROM tbarang")),
                     QStringList { QStringLiteral("Baru") });
        }
        // The journal names the person (on a server, as the server knows them).
        const QStringList users = Env::query(
            path,
            QStringLiteral("SELECT DISTINCT Pengguna FROM tmutasi WHERE Jenis <> 'saldo awal'"));
        QCOMPARE(users, QStringList { name });
    }

    // The owner's screen of users: add, reset, disable, enable, another role; the first user
    // and the last active owner stay; nobody else opens it.
    void ownerKeepsTheUsers()
    {
        Env env;
        fill(env);
        env.app().setSession(ownerOf(env));
        frmpengguna &p = test::showAlone<frmpengguna>(env.screens());
        QCOMPARE(p.windowTitle(), QStringLiteral("Pengguna"));
        QCOMPARE(p.currentUser(), QStringLiteral("admin"));
        QVERIFY(p.optpemilik->isChecked()); // the role of the user the grid stands on
        QTest::mouseClick(p.optkasir, Qt::LeftButton);
        const QString kasir = uniqueName("k"), owner = uniqueName("o");
        typeAndEnter(p.txtnama, kasir);
        p.txtpass->setText(QStringLiteral("awal1"));
        QTest::mouseClick(p.cmdtambah, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("User %1 ditambahkan sebagai Kasir. Pada login pertama ia "
                                "membuat password sendiri.")
                     .arg(kasir));
        QCOMPARE(p.currentUser(), kasir);
        // The same name again, an empty password: refused, said.
        p.txtnama->setText(kasir);
        p.txtpass->setText(QStringLiteral("x"));
        QTest::mouseClick(p.cmdtambah, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("User %1 sudah ada.").arg(kasir));
        p.txtnama->setText(owner);
        p.txtpass->setText(QString());
        QTest::mouseClick(p.cmdtambah, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Password tidak boleh kosong."));
        p.txtpass->setText(QStringLiteral("awal2"));
        p.optpemilik->setChecked(true);
        QTest::mouseClick(p.cmdtambah, Qt::LeftButton);
        QVERIFY(env.dialogs.last().prompt.contains(QStringLiteral("sebagai Pemilik")));
        env.dialogs.clear();
        QCOMPARE(p.currentUser(), owner);

        // The first user: always an owner, always active.
        p.DataGrid1->setCurrentIndex(p.DataGrid1->model()->index(0, 0));
        QTest::mouseClick(p.cmdaktif, Qt::LeftButton);
        QVERIFY(env.dialogs.last().prompt.startsWith(
            QStringLiteral("User admin adalah pengguna pertama")));
        env.dialogs.clear();
        // The kasir made a warehouse keeper, then disabled: the login says so.
        const auto rowOf = [&](const QString &name) {
            for (int r = 0; r < p.DataGrid1->model()->rowCount(); ++r)
                if (p.DataGrid1->model()->index(r, 0).data().toString() == name)
                    return r;
            return -1;
        };
        p.DataGrid1->setCurrentIndex(p.DataGrid1->model()->index(rowOf(kasir), 0));
        QVERIFY(p.optkasir->isChecked());
        p.optgudang->setChecked(true);
        QTest::mouseClick(p.cmdperan, Qt::LeftButton);
        QCOMPARE(p.DataGrid1->model()->index(rowOf(kasir), 1).data().toString(),
                 QStringLiteral("Gudang"));
        QCOMPARE(p.cmdaktif->text(), QStringLiteral("&Nonaktifkan"));
        // Asked first: "Tidak" leaves the person as they were.
        env.dialogs.answer(Button::No);
        QTest::mouseClick(p.cmdaktif, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Nonaktifkan user %1? Ia tidak dapat login lagi, dan program "
                                "yang sedang ia pakai ditutup.")
                     .arg(kasir));
        QCOMPARE(p.DataGrid1->model()->index(rowOf(kasir), 2).data().toString(),
                 QStringLiteral("aktif"));
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(p.cmdaktif, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("User %1 dinonaktifkan.").arg(kasir));
        QCOMPARE(p.DataGrid1->model()->index(rowOf(kasir), 2).data().toString(),
                 QStringLiteral("nonaktif"));
        QCOMPARE(p.cmdaktif->text(), QStringLiteral("&Aktifkan"));
        env.dialogs.clear();
        LoginResult login = logIn(env.locations, kasir, QStringLiteral("awal1"));
        QVERIFY(login.outcome == LoginResult::Disabled
                || login.outcome == LoginResult::WrongPassword);
        env.dialogs.answer(Button::Yes);
        QTest::mouseClick(p.cmdaktif, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt, QStringLiteral("User %1 aktif lagi.").arg(kasir));
        // A reset: the old password no longer, the new one once, then the user's own.
        p.txtpass->setText(QStringLiteral("baru9"));
        QTest::mouseClick(p.cmdreset, Qt::LeftButton);
        QCOMPARE(env.dialogs.last().prompt,
                 QStringLiteral("Password %1 sudah direset. Pada login berikutnya ia membuat "
                                "password sendiri.")
                     .arg(kasir));
        QCOMPARE(logIn(env.locations, kasir, QStringLiteral("awal1")).outcome,
                 LoginResult::WrongPassword);
        login = logIn(env.locations, kasir, QStringLiteral("baru9"));
        QCOMPARE(login.outcome, LoginResult::LoggedIn);
        QVERIFY(login.session.mustChangePassword);
        QCOMPARE(login.session.role, Role::Gudang);
        changeOwnCredentials(login.session, kasir, QStringLiteral("milikku"));
        login = logIn(env.locations, kasir, QStringLiteral("milikku"));
        QCOMPARE(login.outcome, LoginResult::LoggedIn);
        QVERIFY(!login.session.mustChangePassword);

        // The other owner may be demoted while the first user is an owner; the first user
        // never. A non-owner's session is refused every change.
        QVERIFY(
            test::failureOf([&] { changeUser(ownerOf(env), owner, Role::Kasir, true); }).isEmpty());
        QVERIFY(test::failureOf([&] { listUsers(login.session); })
                    .startsWith(QStringLiteral("Maaf, pengguna dengan peran Gudang tidak boleh "
                                               "mengatur pengguna.")));
        QVERIFY(test::failureOf([&] {
                    addUser(login.session, uniqueName("x"), QStringLiteral("a"), Role::Pemilik);
                }).contains(QStringLiteral("tidak boleh mengatur pengguna")));
        env.app().setSession(login.session);
        env.screens().unload(p);
        QVERIFY(!test::failureOf([&] { env.screens().get<frmpengguna>(); }).isEmpty());

        // Every change was logged, by whom and on which computer.
        const QStringList log = Env::query(
            env.locations.credentialsPath(),
            QStringLiteral("SELECT Nama, Kejadian, Oleh FROM tlogmasuk WHERE Kejadian <> "
                           "'masuk' AND Kejadian <> 'gagal masuk' ORDER BY No_Log"));
        QVERIFY2(log.contains(kasir + QStringLiteral("|user ditambah|admin"))
                     || log.contains(kasir + QStringLiteral("|user ditambah|gudang")),
                 qPrintable(log.join(QLatin1Char('\n'))));
        QVERIFY(std::any_of(log.begin(), log.end(), [&](const QString &l) {
            return l.startsWith(kasir + QStringLiteral("|password direset|"));
        }));
        QVERIFY(std::any_of(log.begin(), log.end(), [&](const QString &l) {
            return l.startsWith(kasir + QStringLiteral("|password diganti|"));
        }));
        QVERIFY(!Env::query(env.locations.credentialsPath(),
                            QStringLiteral("SELECT Komputer FROM tlogmasuk"))
                     .contains(QString()));
    }

    // The last active owner other than the first user on a data folder: when the first user's
    // row is gone, another owner is the last, and stays.
    void lastActiveOwnerStays()
    {
        SKIP_ON_SERVER(); // the server's owner is its administrator
        Env env;
        fill(env);
        addUser(ownerOf(env), QStringLiteral("dua"), QStringLiteral("a"), Role::Pemilik);
        Env::exec(env.locations.credentialsPath(), QStringLiteral("DELETE FROM tpass"));
        Session other { QStringLiteral("dua"), Role::Pemilik, false, false, env.locations };
        QCOMPARE(
            test::failureOf([&] { changeUser(other, QStringLiteral("dua"), Role::Gudang, true); }),
            QStringLiteral("User dua adalah pemilik aktif terakhir: tidak dapat "
                           "dinonaktifkan atau diganti perannya."));
        QVERIFY(!test::failureOf([&] {
                     changeUser(other, QStringLiteral("dua"), Role::Pemilik, false);
                 }).isEmpty());
    }

    // Five wrong passwords for a name, then each try waits: 2 s, 4 s, 8 s; a login ends it.
    // Logins and failed ones are logged on both stores (on a server, the failures this
    // workstation saw go to the server's log with the next login from here).
    void wrongPasswordsSlowTheNextTry()
    {
        QCOMPARE(loginWaitSeconds(4), 0);
        QCOMPARE(loginWaitSeconds(5), 2);
        QCOMPARE(loginWaitSeconds(6), 4);
        QCOMPARE(loginWaitSeconds(8), 16);
        QCOMPARE(loginWaitSeconds(40), 3600);
        Env env;
        fill(env);
        const QString name = uniqueName("w");
        addUser(ownerOf(env), name, QStringLiteral("benar"), Role::Kasir);
        QDateTime t = QDateTime::currentDateTime();
        for (int i = 0; i < 5; ++i)
            QCOMPARE(logIn(env.locations, name, QStringLiteral("salah"), t).outcome,
                     LoginResult::WrongPassword);
        // Even the right password waits now; the wait is said.
        LoginResult r = logIn(env.locations, name, QStringLiteral("benar"), t);
        QCOMPARE(r.outcome, LoginResult::Wait);
        QVERIFY(r.waitSeconds >= 2 && r.waitSeconds <= 3);
        QCOMPARE(r.why,
                 QStringLiteral("Sudah 5 kali password salah untuk user %1. Coba lagi dalam %2 "
                                "detik.")
                     .arg(name)
                     .arg(r.waitSeconds));
        t = t.addSecs(3);
        QCOMPARE(logIn(env.locations, name, QStringLiteral("salah"), t).outcome,
                 LoginResult::WrongPassword);
        r = logIn(env.locations, name, QStringLiteral("benar"), t);
        QCOMPARE(r.outcome, LoginResult::Wait);
        QVERIFY(r.waitSeconds >= 4 && r.waitSeconds <= 5);
        QVERIFY2(r.why.startsWith(QStringLiteral("Sudah 6 kali")),
                 qPrintable(r.why)); // the real count
        // Another name is not slowed by it.
        QCOMPARE(
            logIn(env.locations, QStringLiteral("admin"), QStringLiteral("rahasia"), t).outcome,
            LoginResult::LoggedIn);
        r = logIn(env.locations, name, QStringLiteral("benar"), t.addSecs(6));
        QCOMPARE(r.outcome, LoginResult::LoggedIn);
        // After a login the count starts again.
        QCOMPARE(logIn(env.locations, name, QStringLiteral("salah"), t.addSecs(7)).outcome,
                 LoginResult::WrongPassword);
        QCOMPARE(logIn(env.locations, name, QStringLiteral("benar"), t.addSecs(7)).outcome,
                 LoginResult::LoggedIn);
        const QStringList log = Env::query(
            env.locations.credentialsPath(),
            QStringLiteral("SELECT Kejadian FROM tlogmasuk WHERE Nama = '%1' AND Kejadian LIKE "
                           "'%masuk' ORDER BY No_Log")
                .arg(name));
        QCOMPARE(log,
                 (QStringList { "gagal masuk", "gagal masuk", "gagal masuk", "gagal masuk",
                                "gagal masuk", "gagal masuk", "masuk", "gagal masuk", "masuk" }));

        // Through the login window: the box says the wait.
        for (int i = 0; i < 5; ++i)
            logIn(env.locations, name, QStringLiteral("salah"));
        startProgram(env.app(), false);
        auto *pas = env.screens().find<frmpas>();
        activate(pas);
        pas->txtuser->setText(name);
        pas->txtpass->setText(QStringLiteral("benar"));
        QTest::mouseClick(pas->cmdok, Qt::LeftButton);
        QVERIFY(env.dialogs.last().prompt.startsWith(
            QStringLiteral("Sudah 5 kali password salah untuk user %1. Coba lagi dalam ")
                .arg(name)));
        QCOMPARE(env.dialogs.last().style, Style::Critical);
        QCOMPARE(pas->focusWidget(), pas->txtpass);
        QVERIFY(!env.screens().isLoaded<frmutama>());
    }

    // The report of a period's movements by the user who made them.
    void movementsPerUser()
    {
        Env env;
        Env::exec(
            env.locations.workingPath(),
            QStringLiteral("INSERT INTO tbarang VALUES ('A1', 'Beras', '', '', 'sak');"
                           "INSERT INTO tmutasi (Waktu, Pengguna, Jenis, Kode_Barang, Perubahan, "
                           "Stok_Akhir, No_Keluar, Keterangan, Tanggal) VALUES "
                           "('2025-03-01 08:00:00', 'ani', 'stok masuk', 'A1', 5, 5, NULL, '', "
                           "'2025-03-01 00:00:00'), "
                           "('2025-03-02 08:00:00', 'budi', 'barang keluar', 'A1', -2, 3, 1, '', "
                           "'2025-03-02 00:00:00'), "
                           "('2025-03-03 08:00:00', 'ani', 'barang keluar', 'A1', -1, 2, 2, '', "
                           "'2025-03-03 00:00:00'), "
                           "('2025-04-01 08:00:00', 'budi', 'stok masuk', 'A1', 9, 11, NULL, '', "
                           "'2025-04-01 00:00:00')"));
        writeMissingReportDefinitions(env.locations);
        const QString path = userMovementsReportPath(env.locations);
        ReportRows data(readReportDefinition(path), env.locations.workingPath(), path, {}, {},
                        periodParameters(QDate(2025, 3, 1), QDate(2025, 3, 31)));
        QStringList seen;
        for (const ReportRow &row : data.read(0, 100)) {
            QStringList cells;
            for (const char *field :
                 { "Pengguna", "Jenis", "Nama_Barang", "Perubahan", "Gerakan" }) {
                const ReportCell &c = row[size_t(data.fieldIndex(QLatin1String(field)))];
                cells << (c.null ? QString() : c.isNumber ? formatNumber(c.number) : c.text);
            }
            seen << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(seen,
                 (QStringList { "ani|stok masuk|Beras|5|", "ani|barang keluar|Beras|-1|",
                                "ani|Jumlah gerakan|||2", "budi|barang keluar|Beras|-2|",
                                "budi|Jumlah gerakan|||1" }));
        // The period report of goods out names who posted each row.
        Env::exec(env.locations.workingPath(),
                  QStringLiteral("INSERT INTO tbrgkeluar (Kode_Barang, Tanggal, Jumlah) VALUES "
                                 "('A1', '2025-03-02 00:00:00', 2), ('A1', '2025-03-03 00:00:00', "
                                 "1)"));
        const QString periodPath = periodReportPath(env.locations);
        ReportRows period(readReportDefinition(periodPath), env.locations.workingPath(), periodPath,
                          {}, {}, periodParameters(QDate(2025, 3, 1), QDate(2025, 3, 31)));
        QStringList posted;
        for (const ReportRow &row : period.read(0, 100)) {
            const ReportCell &no = row[size_t(period.fieldIndex(QStringLiteral("No_Keluar")))];
            if (!no.null)
                posted << formatNumber(no.number) + QLatin1Char('|')
                        + row[size_t(period.fieldIndex(QStringLiteral("Pengguna")))].text;
        }
        QCOMPARE(posted, (QStringList { "1|budi", "2|ani" }));
        // From the command line, as CSV.
        const QString csv = env.locations.dataDir() + QStringLiteral("/pengguna.csv");
        QProcess p;
        p.start(QStringLiteral(GUDANG_BINARY),
                test::storeArguments(env.locations)
                    << QStringLiteral("--report") << QStringLiteral("pengguna")
                    << QStringLiteral("--from") << QStringLiteral("2025-03-01")
                    << QStringLiteral("--to") << QStringLiteral("2025-03-31")
                    << QStringLiteral("--csv") << csv);
        QVERIFY(p.waitForFinished(60000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        // The count under its own heading, never under the changes.
        QVERIFY2(text.contains(QStringLiteral(";Perubahan;No. Keluar;Keterangan;Gerakan")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("budi;;Jumlah gerakan;;;;;;1")), qPrintable(text));
    }

    // On a server the server itself keeps a cashier's role to its rights, whatever the
    // program: psql as the cashier cannot change stock, post around the server's posting or
    // read the password hashes; the journal names the person the server knows.
    void serverKeepsTheCashierOut()
    {
        if (!test::onServer())
            QSKIP("only on a server");
        Env env;
        fill(env);
        const QString name = uniqueName("c");
        addUser(ownerOf(env), name, QStringLiteral("kasir1"), Role::Kasir);
        const QString conninfo = env.locations.server() + QStringLiteral(" user=") + name;
        const auto as = [&](const QString &sql) {
            return psql(conninfo, QStringLiteral("kasir1"), sql);
        };
        QVERIFY(as(QStringLiteral("UPDATE tstok SET jumlah_stok = 99"))
                    .contains(QStringLiteral("permission denied for table tstok")));
        QVERIFY(as(QStringLiteral("SELECT password FROM tpass"))
                    .contains(QStringLiteral("permission denied for table tpass")));
        QVERIFY(as(QStringLiteral("SELECT password FROM tpengguna"))
                    .contains(QStringLiteral("permission denied for table tpengguna")));
        QVERIFY(as(QStringLiteral("INSERT INTO tbrgkeluar (kode_barang, tanggal, jumlah) VALUES "
                                  "('A1', now(), 1)"))
                    .contains(QStringLiteral("permission denied for table tbrgkeluar")));
        QVERIFY(as(QStringLiteral("DELETE FROM tbrgkeluar"))
                    .contains(QStringLiteral("permission denied for table tbrgkeluar")));
        QVERIFY(as(QStringLiteral("SELECT gudang_pengguna_baru('x', 'y', 'pemilik')"))
                    .contains(QStringLiteral("permission denied for function")));
        // A wrong password: the server lets nobody in.
        QVERIFY(psql(conninfo, QStringLiteral("salah"), QStringLiteral("SELECT 1"))
                    .contains(QStringLiteral("password authentication failed")));
        // Its own posting: the stock tested and lowered, the journal naming the cashier.
        QCOMPARE(as(QStringLiteral("SELECT hasil, stok FROM gudang_keluar('A1', "
                                   "'2026-12-03', 11, NULL, 'token-kasir-1', 'palsu')")),
                 QStringLiteral("kurang|10"));
        QCOMPARE(as(QStringLiteral("SELECT hasil, stok FROM gudang_keluar('A1', "
                                   "'2026-12-03', 4, NULL, 'token-kasir-2', 'palsu')")),
                 QStringLiteral("ok|10"));
        QCOMPARE(Env::query(env.locations.workingPath(),
                            QStringLiteral("SELECT Pengguna, Perubahan, Stok_Akhir FROM tmutasi "
                                           "WHERE Jenis = 'barang keluar'")),
                 QStringList { name + QStringLiteral("|-4.0|6.0") });
        // A warehouse keeper writes the journal, yet the server names them.
        const QString keeper = uniqueName("g");
        addUser(ownerOf(env), keeper, QStringLiteral("gudang1"), Role::Gudang);
        QCOMPARE(psql(env.locations.server() + QStringLiteral(" user=") + keeper,
                      QStringLiteral("gudang1"),
                      QStringLiteral("INSERT INTO tmutasi (pengguna, jenis) VALUES ('palsu', "
                                     "'stok diubah') RETURNING pengguna")),
                 keeper + QStringLiteral("\nINSERT 0 1"));
        // A till with no password of its own for the server: the login window opens, and the
        // cashier logs in as the server knows them.
        {
            App till(Locations(env.locations.dataDir(),
                               env.locations.server() + QStringLiteral(" user=") + name),
                     env.dialogs);
            prepareScreens(till);
            QVERIFY(startProgram(till, false));
            auto *pas = till.screens().find<frmpas>();
            QVERIFY(pas && !pas->Adodc1);
            pas->txtuser->setText(name);
            pas->txtpass->setText(QStringLiteral("salah"));
            QTest::mouseClick(pas->cmdok, Qt::LeftButton);
            QCOMPARE(env.dialogs.last().prompt, QStringLiteral("Password Salah"));
            pas->txtpass->setText(QStringLiteral("kasir1"));
            QTest::mouseClick(pas->cmdok, Qt::LeftButton);
            QCOMPARE(env.dialogs.last().prompt,
                     QStringLiteral("Password Anda baru saja diatur oleh pemilik. Buat password "
                                    "baru Anda sekarang."));
            QVERIFY(till.screens().isLoaded<frmgpas>());
            QCOMPARE(till.role(), Role::Kasir);
            QVERIFY(till.locations().server().contains(QStringLiteral("password=")));
            till.screens().end();
        }
        // The failed try at the till went to the server's log with the login.
        QCOMPARE(Env::query(env.locations.credentialsPath(),
                            QStringLiteral("SELECT Kejadian, Oleh FROM tlogmasuk WHERE Nama = '%1' "
                                           "AND Kejadian LIKE '%%masuk' ORDER BY No_Log")
                                .arg(name)),
                 (QStringList { QStringLiteral("gagal masuk|") + name,
                                QStringLiteral("masuk|") + name }));
        // Disabled: the server refuses the login itself.
        changeUser(ownerOf(env), name, Role::Kasir, false);
        QVERIFY(as(QStringLiteral("SELECT 1")).contains(QStringLiteral("not permitted to log in")));
    }
};

QTEST_MAIN(TestRoles)
#include "tst_roles.moc"
