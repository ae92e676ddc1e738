#pragma once

#include "reportscreen.h"

namespace gudang {

// Prints or previews the goods-out report.
class frmcetklr : public ReportScreen
{
    Q_OBJECT
public:
    explicit frmcetklr(App &app);

    QLabel *Label1;
    ReportEngine *crklr;
};

} // namespace gudang
