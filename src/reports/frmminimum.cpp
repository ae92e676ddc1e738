#include "frmminimum.h"
#include "core/value.h"
#include "reportengine.h"
#include "reportlist.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportrows.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmminimum", .caption = "Stok di bawah minimum", .clientWidth = 10200, .clientHeight = 6600, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "", .left = 240, .top = 240, .width = 9720, .height = 255, .tabIndex = 4 },
            { .name = "DataGrid1", .kind = K::Grid, .text = "Stok di bawah minimum", .left = 240, .top = 600, .width = 9720, .height = 5040, .tabIndex = 0 },
            { .name = "cmdcetak", .kind = K::Button, .text = "&Cetak", .left = 7200, .top = 5880, .width = 1215, .height = 375, .tabIndex = 1 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 8640, .top = 5880, .width = 1215, .height = 375, .tabIndex = 2 },
        },
    };
    return form;
}

} // namespace

frmminimum::frmminimum(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , cmdcetak(control<QPushButton>("cmdcetak"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_rows(new ReportList(this))
    , m_engine(new ReportEngine(app, lowStockReportPath(app.locations()), this))
{
    DataGrid1->setModel(m_rows);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->horizontalHeader()->setStretchLastSection(true);
    onClicked(cmdcetak, &frmminimum::on_cmdcetak_clicked);
    onClicked(cmdtutup, &frmminimum::on_cmdtutup_clicked);
    app.run([this] { refresh(); });
}

void frmminimum::refresh()
{
    writeMissingReportDefinitions(app().locations());
    const QString path = lowStockReportPath(app().locations());
    const ReportDefinition def = readReportDefinition(path);
    m_rows->show(def, std::make_shared<ReportRows>(def, app().locations().workingPath(), path),
                 def.title);
    const qint64 n = m_rows->count();
    Label1->setText(n == 0 ? QStringLiteral("Tidak ada stok di bawah minimum.")
                           : QStringLiteral("%1 barang di bawah minimum atau tanpa data stok.")
                                 .arg(formatNumber(double(n), 0, true)));
}

void frmminimum::on_cmdcetak_clicked()
{
    m_engine->discardSavedData();
    m_engine->setDestination(ReportEngine::Window);
    m_engine->printReport();
}

void frmminimum::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
