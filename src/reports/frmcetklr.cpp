#include "frmcetklr.h"
#include "reportdefinition.h"
#include "reportengine.h"

#include <QLabel>

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = [] {
        FormTable s { "frmcetklr", "Cetak barang Keluar", 4680, 3150, QColor(), "MS Sans Serif", 12,
                      true,        QColor(192, 192, 192), {} };
        s.fontOnLabelsOnly = true;
        s.controls.push_back(
            { "Label1", ControlKind::Label, "LAPORAN KELUAR BARANG", 360, 360, 3735, 375, -1 });
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
