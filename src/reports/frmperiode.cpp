#include "frmperiode.h"
#include "reports/engine/reportdefinition.h"

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = periodForm("frmperiode", "Laporan Barang Keluar per Periode");
    return form;
}

} // namespace

frmperiode::frmperiode(App &app)
    : PeriodReportScreen(app, formTable(), periodReportPath(app.locations()))
{ }

} // namespace gudang
