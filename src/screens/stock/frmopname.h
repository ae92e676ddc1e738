#pragma once

#include "stock/stockcount.h"
#include "ui/screen.h"

#include <map>

class QGroupBox;
class QLabel;
class QPushButton;
class QStandardItemModel;

namespace gudang {

class GridView;

// Stock count (stok opname) by scanner: a count for all goods or those whose code or name
// holds a filter, the stock of each taken at its start. Each scan of a code (a keyboard
// scanner types the code and Enter) adds the quantity field's number, one unless typed, to the
// code's count; a code not in the count is refused with a sound and a line that leaves the
// focus where the next scan goes. The count is stored scan by scan and resumes after a restart;
// applied once, it is read only.
class frmopname : public Screen
{
    Q_OBJECT
public:
    explicit frmopname(App &app);

    QGroupBox *Frame1;
    QLabel *lblhitungan;
    QLabel *Label1;
    QLineEdit *txtsaring;
    QPushButton *cmdmulai;
    QLabel *Label2;
    QLineEdit *txtjumlah;
    QLabel *Label3;
    QLineEdit *txtkode;
    QLabel *lblpesan;
    QGroupBox *Frame2;
    GridView *DataGrid1;
    QGroupBox *Frame3;
    GridView *DataGrid2;
    QGroupBox *Frame4;
    GridView *DataGrid3; // the codes scanned that are not in the count, and how often
    QPushButton *cmdterapkan;
    QPushButton *cmdlembar;
    QPushButton *cmdselisih;
    QPushButton *cmdtutup;

    void on_cmdmulai_clicked();
    void on_txtsaring_returnPressed();
    void on_txtjumlah_returnPressed();
    void on_txtkode_returnPressed();
    void on_cmdterapkan_clicked();
    void on_cmdlembar_clicked();
    void on_cmdselisih_clicked();
    void on_cmdtutup_clicked();

    // The count shown; 0 when none.
    int countId() const { return m_count ? m_count->id : 0; }

private:
    // Shows the count: its lines, counted and not yet, and whether it may still be counted.
    void show(const CountInfo &count);
    void showLine(const CountLine &line);
    void say(const QString &text, bool refused);

    std::optional<CountInfo> m_count;
    QStandardItemModel *m_counted;
    QStandardItemModel *m_open;
    QStandardItemModel *m_unknown;
};

} // namespace gudang
