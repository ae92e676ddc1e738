#include "frmcetstk.h"
#include "reports/engine/reportdefinition.h"

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = [] {
        FormTable s { .name = "frmcetstk",
                      .caption = "Cetak Stok Barang",
                      .clientWidth = 4275,
                      .clientHeight = 2580,
                      .fontFamily = "MS Sans Serif",
                      .fontPoints = 12,
                      .fontBold = true,
                      .buttonColour = QColor(192, 192, 192),
                      .controls = {} };
        s.fontOnLabelsOnly = true;
        const ReportLayout at { { 1080, 360 },  { 2040, 360 },  { 2280, 360 }, { 2640, 360 },
                                { 1200, 1080 }, { 2640, 1080 }, { 840, 1560 }, { 2520, 1560 } };
        s.controls = reportControls(at);
        return s;
    }();
    return form;
}

} // namespace

frmcetstk::frmcetstk(App &app)
    : ReportScreen(app, formTable(), "stok", stockReportPath(app.locations()))
    , stok(&engine())
{ }

} // namespace gudang
