#include "frmutama.h"
#include "core/apperror.h"
#include "frmgpas.h"
#include "frmpengguna.h"
#include "reports/engine/reportdefinition.h"
#include "reports/frmcetklr.h"
#include "reports/frmcetstk.h"
#include "reports/frmkartu.h"
#include "reports/frmlabel.h"
#include "reports/frmminimum.h"
#include "reports/frmmutasipengguna.h"
#include "reports/frmperiode.h"
#include "reports/reportengine.h"
#include "screens/goods/frmbrg.h"
#include "screens/goods/frmcari.h"
#include "screens/goods/frmimpor.h"
#include "screens/issue/frmkeluar.h"
#include "screens/stock/frmopname.h"
#include "screens/stock/frmstok.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form { .name = "frmutama",
                                  .caption = "UTAMA",
                                  .clientWidth = 9540,
                                  .clientHeight = 8340,
                                  .buttonColour = QColor(),
                                  .controls = {} };
    return form;
}

} // namespace

void prepareScreens(App &app)
{
    app.provideSource(SharedSource::Goods,
                      [&app]() -> RecordSource & { return *app.screens().get<frmbrg>().Adodc1; });
    app.provideSource(SharedSource::Stock,
                      [&app]() -> RecordSource & { return *app.screens().get<frmstok>().Adodc1; });
    // The papers of a screen that offers them, in the preview window.
    app.openReport
        = [&app](Screen &from, const QString &name, const std::map<QString, QString> &parameters) {
              const ReportKind *kind = findReportKind(name);
              if (!kind)
                  throw AppError(QStringLiteral("Laporan %1 tidak dikenal.").arg(name));
              writeMissingReportDefinitions(app.locations());
              auto *engine = new ReportEngine(app, reportPath(app.locations(), *kind), &from);
              engine->setParameters(parameters);
              engine->setDestination(ReportEngine::Window);
              engine->printReport();
          };
    // F3 on any screen opens the search above it.
    app.findGoods = [&app](Screen &from) {
        frmcari::openAbove(app, from);
    };
}

QAction *frmutama::entry(QMenu *menu, const char *name, const char *caption,
                         const QKeySequence &shortcut, void (frmutama::*handler)(),
                         std::optional<Right> right)
{
    auto *a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(shortcut);
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a); // the shortcut works while the menu is closed
    if (right)
        m_rights.emplace_back(a, *right);
    if (handler) {
        // Refused when reached anyway (a disabled entry triggered from code).
        connect(a, &QAction::triggered, this, [this, handler, right] {
            app().run([&] {
                if (right)
                    app().require(*right);
                (this->*handler)();
            });
        });
    }
    return a;
}

frmutama::frmutama(App &app)
    : Screen(app, formTable())
    , m_background(QStringLiteral(":/gudang/utama.jpg"))
{
    setWindowIcon(QIcon(QStringLiteral(":/gudang/utama.png")));
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);

    wr = menuBar->addMenu(QStringLiteral("&File"));
    wr->setObjectName(QStringLiteral("wr"));
    brg = entry(wr, "brg", "Input Barang", QKeySequence(Qt::CTRL | Qt::Key_A),
                &frmutama::on_brg_triggered, Right::Goods);
    stk = entry(wr, "stk", "Input Stok", QKeySequence(Qt::CTRL | Qt::Key_B),
                &frmutama::on_stk_triggered, Right::Stock);
    sdgsd = entry(wr, "sdgsd", "Ganti Pasword", QKeySequence(), &frmutama::on_sdgsd_triggered,
                  Right::OwnPassword);
    bts = wr->addSeparator();
    bts->setObjectName(QStringLiteral("bts"));
    out = entry(wr, "out", "Keluar", QKeySequence(Qt::CTRL | Qt::Key_C),
                &frmutama::on_out_triggered);

    klrg = menuBar->addMenu(QStringLiteral("&Barang Keluar"));
    klrg->setObjectName(QStringLiteral("klrg"));
    zx = entry(klrg, "zx", "Input barang keluar", QKeySequence(Qt::CTRL | Qt::Key_D),
               &frmutama::on_zx_triggered, Right::Posting);

    tr7 = menuBar->addMenu(QStringLiteral("&Laporan"));
    tr7->setObjectName(QStringLiteral("tr7"));
    sd = entry(tr7, "sd", "Barang Keluar", QKeySequence(Qt::CTRL | Qt::Key_E),
               &frmutama::on_sd_triggered, Right::GoodsOutReports);
    gf = entry(tr7, "gf", "Stok barang", QKeySequence(Qt::CTRL | Qt::Key_F),
               &frmutama::on_gf_triggered, Right::StockReports);
    periode = entry(tr7, "periode", "Barang Keluar per Periode", QKeySequence(Qt::CTRL | Qt::Key_P),
                    &frmutama::on_periode_triggered, Right::GoodsOutReports);
    kartu = entry(tr7, "kartu", "Kartu Stok", QKeySequence(Qt::CTRL | Qt::Key_K),
                  &frmutama::on_kartu_triggered, Right::StockReports);

    ff = menuBar->addMenu(QStringLiteral("&Programmer"));
    ff->setObjectName(QStringLiteral("ff"));
    df = entry(ff, "df", "About me", QKeySequence(Qt::CTRL | Qt::Key_G), nullptr);

    // Beyond the first menus: tools for the store keeper.
    alat = menuBar->addMenu(QStringLiteral("&Alat"));
    alat->setObjectName(QStringLiteral("alat"));
    cari = entry(alat, "cari", "Cari Barang", QKeySequence(Qt::Key_F3),
                 &frmutama::on_cari_triggered, Right::Find);
    minimum = entry(alat, "minimum", "Stok di bawah minimum", QKeySequence(Qt::CTRL | Qt::Key_M),
                    &frmutama::on_minimum_triggered, Right::StockReports);
    mutasipengguna = entry(tr7, "mutasipengguna", "Mutasi per Pengguna", QKeySequence(),
                           &frmutama::on_mutasipengguna_triggered, Right::StockReports);
    opname = entry(alat, "opname", "Stok Opname", QKeySequence(Qt::CTRL | Qt::Key_O),
                   &frmutama::on_opname_triggered, Right::Stock);
    label = entry(alat, "label", "Label Rak", QKeySequence(Qt::CTRL | Qt::Key_L),
                  &frmutama::on_label_triggered, Right::Goods);
    impor = entry(alat, "impor", "Impor Data", QKeySequence(Qt::CTRL | Qt::Key_I),
                  &frmutama::on_impor_triggered, Right::Goods);
    pengguna = entry(alat, "pengguna", "Pengguna", QKeySequence(), &frmutama::on_pengguna_triggered,
                     Right::Users);
    applyRights();
    prepareScreens(app);

    // The client area lies below the menu bar.
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    setFixedSize(width(), height() + menuHeight);
}

void frmutama::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int top = menuBar->height();
    const QRect client(0, top, width(), height() - top);
    p.setClipRect(client);
    // The picture covers the client area, scaled evenly and centred, so that its middle (the
    // name) is always in sight.
    QSizeF size = m_background.size();
    size.scale(client.size(), Qt::KeepAspectRatioByExpanding);
    QRectF target(QPointF(), size);
    target.moveCenter(QRectF(client).center());
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawPixmap(target, m_background, QRectF(m_background.rect()));
}

void frmutama::applyRights()
{
    for (const auto &[action, right] : m_rights)
        action->setEnabled(app().may(right));
}

void frmutama::showEvent(QShowEvent *event)
{
    applyRights();
    Screen::showEvent(event);
}

void frmutama::on_opname_triggered()
{
    showScreen<frmopname>();
}

void frmutama::on_label_triggered()
{
    showScreen<frmlabel>();
}

void frmutama::on_impor_triggered()
{
    showScreen<frmimpor>();
}

void frmutama::on_pengguna_triggered()
{
    showScreen<frmpengguna>();
}

void frmutama::on_mutasipengguna_triggered()
{
    showScreen<frmmutasipengguna>();
}

void frmutama::on_brg_triggered()
{
    showScreen<frmbrg>();
}

void frmutama::on_stk_triggered()
{
    showScreen<frmstok>();
}

void frmutama::on_sdgsd_triggered()
{
    showScreen<frmgpas>();
}

void frmutama::on_zx_triggered()
{
    showScreen<frmkeluar>();
}

void frmutama::on_cari_triggered()
{
    frmcari::openAbove(app(), *this);
}

void frmutama::on_minimum_triggered()
{
    showScreen<frmminimum>();
}

void frmutama::on_periode_triggered()
{
    showScreen<frmperiode>();
}

void frmutama::on_kartu_triggered()
{
    showScreen<frmkartu>();
}

void frmutama::on_sd_triggered()
{
    showScreen<frmcetklr>();
}

void frmutama::on_gf_triggered()
{
    showScreen<frmcetstk>();
}

void frmutama::on_out_triggered()
{
    if (app().dialogs().message(QStringLiteral("Yakin mau keluar ?"), Style::YesNo) == Button::Yes)
        app().screens().end();
}

} // namespace gudang
