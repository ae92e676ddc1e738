#pragma once

#include "ui/screen.h"

class QLabel;
class QPushButton;
class QRadioButton;

namespace gudang {

class ReportEngine;
class UpDown;

// What the two report printing screens share: the copies spinner, the destination options,
// "&CETAK" and "&TUTUP". Each screen gives its layout, engine name and report file.
class ReportScreen : public Screen
{
    Q_OBJECT
public:
    ReportScreen(App &app, const FormTable &form, const char *engineName,
                 const QString &reportFile);

    QLabel *Label2;
    QLineEdit *txtcopi;
    UpDown *up;
    QLabel *Label3;
    QRadioButton *opprev;
    QRadioButton *opcetak;
    QPushButton *cmdproses;
    QPushButton *cmdclose;

    ReportEngine &engine() const { return *m_engine; }

    void on_up_changed();
    void on_cmdproses_clicked();
    void on_cmdclose_clicked();

private:
    ReportEngine *m_engine;
};

// The controls both screens have, at their places on each screen.
struct ReportLayout
{
    int label2[2], txtcopi[2], up[2], label3[2], opprev[2], opcetak[2], cmdproses[2], cmdclose[2];
};
std::vector<ControlRow> reportControls(const ReportLayout &at);

} // namespace gudang
