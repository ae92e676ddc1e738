#include "frmcetklr.h"
#include "reportengine.h"
#include "reports/engine/reportdefinition.h"

#include <QLabel>

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = [] {
        FormTable s { .name = "frmcetklr",
                      .caption = "Cetak barang Keluar",
                      .clientWidth = 4680,
                      .clientHeight = 3150,
                      .fontFamily = "MS Sans Serif",
                      .fontPoints = 12,
                      .fontBold = true,
                      .buttonColour = QColor(192, 192, 192),
                      .controls = {} };
        s.fontOnLabelsOnly = true;
        s.controls.push_back({ .name = "Label1",
                               .kind = ControlKind::Label,
                               .text = "LAPORAN KELUAR BARANG",
                               .left = 360,
                               .top = 360,
                               .width = 3735,
                               .height = 375 });
        const ReportLayout at { { 1320, 1080 }, { 2280, 1080 }, { 2520, 1080 }, { 2880, 1080 },
                                { 1440, 1800 }, { 2880, 1800 }, { 1080, 2280 }, { 2760, 2280 } };
        for (const ControlRow &c : reportControls(at))
            s.controls.push_back(c);
        return s;
    }();
    return form;
}

} // namespace

frmcetklr::frmcetklr(App &app)
    : ReportScreen(app, formTable(), "crklr", goodsOutReportPath(app.locations()))
    , Label1(control<QLabel>("Label1"))
    , crklr(&engine())
{ }

} // namespace gudang
