#include "frmmutasipengguna.h"
#include "reports/engine/reportdefinition.h"

namespace gudang {

namespace {

const FormTable &formTable()
{
    static const FormTable form = periodForm("frmmutasipengguna", "Laporan Mutasi per Pengguna");
    return form;
}

} // namespace

frmmutasipengguna::frmmutasipengguna(App &app)
    : PeriodReportScreen(app, formTable(), userMovementsReportPath(app.locations()))
{ }

} // namespace gudang
