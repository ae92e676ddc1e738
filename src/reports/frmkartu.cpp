#include "frmkartu.h"
#include "core/apperror.h"
#include "core/value.h"
#include "reportengine.h"
#include "reportlist.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportrows.h"
#include "ui/datepicker.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmkartu", .caption = "Kartu Stok", .clientWidth = 11400, .clientHeight = 7200, .buttonColour = QColor(192, 192, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "&Kode barang (F3: cari)", .left = 240, .top = 300, .width = 2295, .height = 255, .tabIndex = 11 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 2640, .top = 270, .width = 1575, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "&Dari tanggal", .left = 4560, .top = 300, .width = 1335, .height = 255, .tabIndex = 12 },
            { .name = "dtdari", .kind = K::DatePicker, .text = "", .left = 6000, .top = 270, .width = 2055, .height = 315, .tabIndex = 1 },
            { .name = "Label3", .kind = K::Label, .text = "&Sampai", .left = 8280, .top = 300, .width = 735, .height = 255, .tabIndex = 13 },
            { .name = "dtsampai", .kind = K::DatePicker, .text = "", .left = 9120, .top = 270, .width = 2055, .height = 315, .tabIndex = 2 },
            { .name = "cmdtampil", .kind = K::Button, .text = "&Tampilkan", .left = 9840, .top = 720, .width = 1335, .height = 375, .tabIndex = 3 },
            { .name = "DataGrid1", .kind = K::Grid, .text = "Gerakan stok", .left = 240, .top = 1200, .width = 10935, .height = 5160, .tabIndex = 4 },
            { .name = "cmdlihat", .kind = K::Button, .text = "&Lihat", .left = 6720, .top = 6600, .width = 1335, .height = 375, .tabIndex = 5 },
            { .name = "cmdcetak", .kind = K::Button, .text = "&Cetak", .left = 8280, .top = 6600, .width = 1335, .height = 375, .tabIndex = 6 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 9840, .top = 6600, .width = 1335, .height = 375, .tabIndex = 7 },
        },
    };
    return form;
}

} // namespace

frmkartu::frmkartu(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , dtdari(control<DatePicker>("dtdari"))
    , Label3(control<QLabel>("Label3"))
    , dtsampai(control<DatePicker>("dtsampai"))
    , cmdtampil(control<QPushButton>("cmdtampil"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , cmdlihat(control<QPushButton>("cmdlihat"))
    , cmdcetak(control<QPushButton>("cmdcetak"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_lines(new ReportList(this))
    , m_engine(new ReportEngine(app, stockCardReportPath(app.locations()), this))
{
    Label1->setBuddy(txtkode);
    Label2->setBuddy(dtdari);
    Label3->setBuddy(dtsampai);
    const QDate today = QDate::currentDate();
    dtdari->setDate(QDate(today.year(), today.month(), 1));
    dtsampai->setDate(QDate(today.year(), today.month(), today.daysInMonth()));
    DataGrid1->setModel(m_lines);
    m_lines->onFailed = [this](const AppError &e) {
        this->app().run([&e] { throw e; });
    };
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->horizontalHeader()->setStretchLastSection(true);
    onEnter(txtkode, &frmkartu::on_txtkode_returnPressed);
    onClicked(cmdtampil, &frmkartu::on_cmdtampil_clicked);
    onClicked(cmdlihat, &frmkartu::on_cmdlihat_clicked);
    onClicked(cmdcetak, &frmkartu::on_cmdcetak_clicked);
    onClicked(cmdtutup, &frmkartu::on_cmdtutup_clicked);
}

std::map<QString, QString> frmkartu::parameters() const
{
    const QString code = txtkode->text();
    if (code.isEmpty())
        throw AppError(QStringLiteral("Isi kode barang dulu (F3 mencarinya menurut nama)."));
    const QDate first = dtdari->date(), last = dtsampai->date();
    if (first > last)
        throw AppError(
            QStringLiteral("Tanggal awal (%1) sesudah tanggal akhir (%2).")
                .arg(dateToDisplay(dtdari->dateTime()), dateToDisplay(dtsampai->dateTime())));
    return stockCardParameters(code, first, last);
}

bool frmkartu::codeKnown()
{
    if (goodsCodeKnown(app().locations().workingPath(), txtkode->text()))
        return true;
    app().dialogs().message(unknownCodeText(txtkode->text()), Style::Information,
                            QStringLiteral("PERHATIAN"));
    txtkode->setFocus();
    return false;
}

void frmkartu::on_txtkode_returnPressed()
{
    on_cmdtampil_clicked();
}

void frmkartu::on_cmdtampil_clicked()
{
    const ReportParameters values = parameters();
    if (!codeKnown())
        return;
    writeMissingReportDefinitions(app().locations());
    const QString path = stockCardReportPath(app().locations());
    const ReportDefinition def = readReportDefinition(path);
    const QString working = app().locations().workingPath();
    // A long card shows its first lines at once and is counted meanwhile; a query that fails
    // is said by the card's own reading.
    QueryStart start;
    try {
        start = readQueryStart(def, working, values, ReportList::kFirst);
    } catch (const AppError &) {
        start = QueryStart {};
    }
    m_lines->showWhileCounting(
        def, std::move(start),
        [def, working, path, values](const ReportProgress &progress) {
            return std::make_shared<ReportRows>(def, working, path, progress, ReportLimits {},
                                                values);
        },
        reportTitle(def, values));
}

void frmkartu::on_cmdlihat_clicked()
{
    writeMissingReportDefinitions(app().locations());
    m_engine->setParameters(parameters());
    if (!codeKnown())
        return;
    m_engine->setDestination(ReportEngine::Window);
    m_engine->printReport();
}

void frmkartu::on_cmdcetak_clicked()
{
    writeMissingReportDefinitions(app().locations());
    m_engine->setParameters(parameters());
    if (!codeKnown())
        return;
    m_engine->setDestination(ReportEngine::Printer);
    m_engine->printReport();
}

void frmkartu::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
