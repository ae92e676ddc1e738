#pragma once

#include "core/rights.h"
#include "ui/screen.h"

#include <optional>

#include <QPixmap>

class QAction;
class QMenu;
class QMenuBar;

namespace gudang {

// What screens of one subsystem need of another's, said once for the program: the record
// sources the goods and stock screens own and others use, and the goods search behind F3.
void prepareScreens(App &app);

// Main menu: its menu bar is the only way to the working screens.
class frmutama : public Screen
{
    Q_OBJECT
public:
    explicit frmutama(App &app);

    QMenuBar *menuBar;
    QMenu *wr;
    QAction *brg;
    QAction *stk;
    QAction *sdgsd;
    QAction *bts;
    QAction *out;
    QMenu *klrg;
    QAction *zx;
    QMenu *tr7;
    QAction *sd;
    QAction *gf;
    QAction *periode;
    QAction *kartu;
    QMenu *ff;
    QAction *df;
    QMenu *alat;
    QAction *cari;
    QAction *minimum;
    QAction *opname;
    QAction *label;
    QAction *impor;
    QAction *pengguna;
    QAction *mutasipengguna;

    void on_brg_triggered();
    void on_stk_triggered();
    void on_sdgsd_triggered();
    void on_out_triggered();
    void on_zx_triggered();
    void on_sd_triggered();
    void on_gf_triggered();
    void on_periode_triggered();
    void on_kartu_triggered();
    void on_cari_triggered();
    void on_minimum_triggered();
    void on_opname_triggered();
    void on_label_triggered();
    void on_impor_triggered();
    void on_pengguna_triggered();
    void on_mutasipengguna_triggered();

    // Entries the role logged in may not use are disabled (their shortcuts with them).
    void applyRights();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QAction *entry(QMenu *menu, const char *name, const char *caption, const QKeySequence &shortcut,
                   void (frmutama::*handler)(), std::optional<Right> right = std::nullopt);
    std::vector<std::pair<QAction *, Right>> m_rights;
    template<class T> void showScreen() { app().screens().showModal(app().screens().get<T>()); }

    QPixmap m_background;
};

} // namespace gudang
