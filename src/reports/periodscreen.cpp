#include "periodscreen.h"
#include "core/apperror.h"
#include "core/value.h"
#include "reportengine.h"
#include "reports/engine/reportdefinition.h"
#include "ui/datepicker.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

FormTable periodForm(const char *name, const char *caption)
{
    using K = ControlKind;
    return { .name = name, .caption = caption, .clientWidth = 5400, .clientHeight = 2520, .buttonColour = QColor(192, 192, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "&Dari tanggal", .left = 360, .top = 360, .width = 1695, .height = 255, .tabIndex = 5 },
            { .name = "dtdari", .kind = K::DatePicker, .text = "", .left = 2160, .top = 330, .width = 2415, .height = 315, .tabIndex = 0 },
            { .name = "Label2", .kind = K::Label, .text = "&Sampai tanggal", .left = 360, .top = 900, .width = 1695, .height = 255, .tabIndex = 6 },
            { .name = "dtsampai", .kind = K::DatePicker, .text = "", .left = 2160, .top = 870, .width = 2415, .height = 315, .tabIndex = 1 },
            { .name = "cmdlihat", .kind = K::Button, .text = "&Lihat", .left = 360, .top = 1680, .width = 1335, .height = 375, .tabIndex = 2 },
            { .name = "cmdcetak", .kind = K::Button, .text = "&Cetak", .left = 1920, .top = 1680, .width = 1335, .height = 375, .tabIndex = 3 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 3480, .top = 1680, .width = 1335, .height = 375, .tabIndex = 4 },
        },
    };
}

PeriodReportScreen::PeriodReportScreen(App &app, const FormTable &form, const QString &reportPath)
    : Screen(app, form)
    , Label1(control<QLabel>("Label1"))
    , dtdari(control<DatePicker>("dtdari"))
    , Label2(control<QLabel>("Label2"))
    , dtsampai(control<DatePicker>("dtsampai"))
    , cmdlihat(control<QPushButton>("cmdlihat"))
    , cmdcetak(control<QPushButton>("cmdcetak"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_engine(new ReportEngine(app, reportPath, this))
{
    Label1->setBuddy(dtdari);
    Label2->setBuddy(dtsampai);
    const QDate today = QDate::currentDate();
    dtdari->setDate(QDate(today.year(), today.month(), 1));
    dtsampai->setDate(QDate(today.year(), today.month(), today.daysInMonth()));
    onClicked(cmdlihat, &PeriodReportScreen::on_cmdlihat_clicked);
    onClicked(cmdcetak, &PeriodReportScreen::on_cmdcetak_clicked);
    onClicked(cmdtutup, &PeriodReportScreen::on_cmdtutup_clicked);
}

void PeriodReportScreen::produce(int destination)
{
    const QDate first = dtdari->date(), last = dtsampai->date();
    if (first > last)
        throw AppError(
            QStringLiteral("Tanggal awal (%1) sesudah tanggal akhir (%2).")
                .arg(dateToDisplay(dtdari->dateTime()), dateToDisplay(dtsampai->dateTime())));
    writeMissingReportDefinitions(app().locations());
    m_engine->setParameters(periodParameters(first, last));
    m_engine->setDestination(destination);
    m_engine->printReport();
}

void PeriodReportScreen::on_cmdlihat_clicked()
{
    produce(ReportEngine::Window);
}

void PeriodReportScreen::on_cmdcetak_clicked()
{
    produce(ReportEngine::Printer);
}

void PeriodReportScreen::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
