#pragma once

#include "ui/screen.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace gudang {

struct LabelLayout;

// Shelf labels: the goods' codes as Code 128 barcodes with name and unit, for the codes typed
// (all goods when none), on a sheet of 3 by 8 or 4 by 10 labels; to the preview, the printer
// or a PDF file.
class frmlabel : public Screen
{
    Q_OBJECT
public:
    explicit frmlabel(App &app);

    QLabel *Label1;
    QLineEdit *txtkode;
    QGroupBox *Frame1;
    QRadioButton *opt3x8;
    QRadioButton *opt4x10;
    QPushButton *cmdlihat;
    QPushButton *cmdcetak;
    QPushButton *cmdpdf;
    QPushButton *cmdtutup;

    void on_txtkode_returnPressed();
    void on_cmdlihat_clicked();
    void on_cmdcetak_clicked();
    void on_cmdpdf_clicked();
    void on_cmdtutup_clicked();

private:
    const LabelLayout &chosenLayout() const;
    QStringList chosenCodes() const;
};

} // namespace gudang
