#pragma once

#include "periodscreen.h"

namespace gudang {

// The goods-out report of a period: from and to (both days whole), by default the current
// month; a subtotal per goods code and unit, and one sum per unit at the end.
class frmperiode : public PeriodReportScreen
{
    Q_OBJECT
public:
    explicit frmperiode(App &app);
};

} // namespace gudang
