#include "frmcetstk.h"
#include "reportdefinition.h"

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = [] {
        FormTable s { "frmcetstk", "Cetak Stok Barang",   4275, 2580, QColor(), "MS Sans Serif", 12,
                      true,        QColor(192, 192, 192), {} };
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
