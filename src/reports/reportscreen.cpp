#include "reportscreen.h"
#include "reportengine.h"
#include "ui/conversions.h"
#include "ui/updown.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace gudang {

std::vector<ControlRow> reportControls(const ReportLayout &at)
{
    using K = ControlKind;
    return {
        { "Label2", K::Label, "Jumlah ", at.label2[0], at.label2[1], 855, 375, -1, 0, Ctl::Bold },
        { "txtcopi", K::TextField, "1", at.txtcopi[0], at.txtcopi[1], 255, 285, 1 },
        { "up", K::Spinner, "", at.up[0], at.up[1], 255, 285, 5 },
        { "Label3", K::Label, "Lembar", at.label3[0], at.label3[1], 1095, 375, -1, 0, Ctl::Bold },
        { "opprev", K::Option, "Preview", at.opprev[0], at.opprev[1], 1215, 195, 2 },
        { "opcetak", K::Option, "Printer", at.opcetak[0], at.opcetak[1], 1215, 195, 3 },
        { "cmdproses", K::Button, "&CETAK", at.cmdproses[0], at.cmdproses[1], 1215, 615, 0 },
        { "cmdclose", K::Button, "&TUTUP", at.cmdclose[0], at.cmdclose[1], 1215, 615, 4 },
    };
}

ReportScreen::ReportScreen(App &app, const FormTable &form, const char *engineName,
                           const QString &reportFile)
    : Screen(app, form)
    , Label2(control<QLabel>("Label2"))
    , txtcopi(control<QLineEdit>("txtcopi"))
    , up(control<UpDown>("up"))
    , Label3(control<QLabel>("Label3"))
    , opprev(control<QRadioButton>("opprev"))
    , opcetak(control<QRadioButton>("opcetak"))
    , cmdproses(control<QPushButton>("cmdproses"))
    , cmdclose(control<QPushButton>("cmdclose"))
    , m_engine(new ReportEngine(app, reportFile, this))
{
    m_engine->setObjectName(QString::fromLatin1(engineName));
    up->setRange(1, 99);
    up->setValue(1);
    connect(up, &UpDown::changed, this, [this] { this->app().run([this] { on_up_changed(); }); });
    onClicked(cmdproses, &ReportScreen::on_cmdproses_clicked);
    onClicked(cmdclose, &ReportScreen::on_cmdclose_clicked);
}

void ReportScreen::on_up_changed()
{
    txtcopi->setText(QString::number(up->value()));
}

void ReportScreen::on_cmdproses_clicked()
{
    m_engine->setWindowState(2);
    m_engine->discardSavedData();
    if (opprev->isChecked())
        m_engine->setDestination(ReportEngine::Window);
    if (opcetak->isChecked())
        m_engine->setDestination(ReportEngine::Printer);
    // The copies come from the spinner; the text of txtcopi is not read.
    m_engine->setCopiesToPrint(wholeNumber16(up->value()));
    m_engine->printReport();
}

void ReportScreen::on_cmdclose_clicked()
{
    unloadMe();
}

} // namespace gudang
