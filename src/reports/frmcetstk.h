#pragma once

#include "reportscreen.h"

namespace gudang {

// Prints or previews the stock report.
class frmcetstk : public ReportScreen
{
    Q_OBJECT
public:
    explicit frmcetstk(App &app);

    ReportEngine *stok;
};

} // namespace gudang
