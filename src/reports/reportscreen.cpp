#include "reportscreen.h"
#include "core/conversions.h"
#include "reportengine.h"
#include "ui/updown.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace gudang {

std::vector<ControlRow> reportControls(const ReportLayout &at)
{
    using K = ControlKind;
    return {
        { .name = "Label2",
          .kind = K::Label,
          .text = "Jumlah ",
          .left = at.label2[0],
          .top = at.label2[1],
          .width = 855,
          .height = 375,
          .tabIndex = -1,
          .flags = Ctl::Bold },
        { .name = "txtcopi",
          .kind = K::TextField,
          .text = "1",
          .left = at.txtcopi[0],
          .top = at.txtcopi[1],
          .width = 255,
          .height = 285,
          .tabIndex = 1 },
        { .name = "up",
          .kind = K::Spinner,
          .text = "",
          .left = at.up[0],
          .top = at.up[1],
          .width = 255,
          .height = 285,
          .tabIndex = 5 },
        { .name = "Label3",
          .kind = K::Label,
          .text = "Lembar",
          .left = at.label3[0],
          .top = at.label3[1],
          .width = 1095,
          .height = 375,
          .tabIndex = -1,
          .flags = Ctl::Bold },
        { .name = "opprev",
          .kind = K::Option,
          .text = "Preview",
          .left = at.opprev[0],
          .top = at.opprev[1],
          .width = 1215,
          .height = 195,
          .tabIndex = 2 },
        { .name = "opcetak",
          .kind = K::Option,
          .text = "Printer",
          .left = at.opcetak[0],
          .top = at.opcetak[1],
          .width = 1215,
          .height = 195,
          .tabIndex = 3 },
        { .name = "cmdproses",
          .kind = K::Button,
          .text = "&CETAK",
          .left = at.cmdproses[0],
          .top = at.cmdproses[1],
          .width = 1215,
          .height = 615,
          .tabIndex = 0 },
        { .name = "cmdclose",
          .kind = K::Button,
          .text = "&TUTUP",
          .left = at.cmdclose[0],
          .top = at.cmdclose[1],
          .width = 1215,
          .height = 615,
          .tabIndex = 4 },
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
