#pragma once

#include "stock/importer.h"
#include "ui/screen.h"

#include <optional>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace gudang {

class GridView;
class ImportPlanModel;

// Bringing a store's existing lists in: goods, or opening stock, from a CSV or XLSX file.
// "Periksa" reads the file and shows every row with what the import would do (new, changes
// these fields, unchanged, refused and why) and the counts; nothing is written until "Impor",
// which writes the rows in one transaction.
class frmimpor : public Screen
{
    Q_OBJECT
public:
    explicit frmimpor(App &app);
    ~frmimpor() override;

    QLabel *Label1;
    QLineEdit *txtfile;
    QPushButton *cmdpilih;
    QGroupBox *Frame1;
    QRadioButton *optbarang;
    QRadioButton *optstok;
    QLabel *Label2;
    QLineEdit *txtlembar;
    QPushButton *cmdperiksa;
    QLabel *lblringkas;
    GridView *DataGrid1;
    QPushButton *cmdimpor;
    QPushButton *cmdtutup;

    void on_cmdpilih_clicked();
    void on_txtfile_returnPressed();
    void on_cmdperiksa_clicked();
    void on_cmdimpor_clicked();
    void on_cmdtutup_clicked();

    // The preview shown; none before "Periksa" and after an import.
    const std::optional<ImportPlan> &plan() const { return m_plan; }

private:
    void forget();

    std::optional<ImportPlan> m_plan;
    ImportPlanModel *m_model;
};

} // namespace gudang
