#pragma once

#include "periodscreen.h"

namespace gudang {

// The movements of a period by the user who made them, with the number of movements of each.
class frmmutasipengguna : public PeriodReportScreen
{
    Q_OBJECT
public:
    explicit frmmutasipengguna(App &app);
};

} // namespace gudang
