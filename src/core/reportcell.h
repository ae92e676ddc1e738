#pragma once

#include <QString>
#include <functional>
#include <map>
#include <vector>

namespace gudang {

// One value of a report's query.
struct ReportCell
{
    QString text;
    double number = 0;
    bool isNumber = false;
    bool null = true;
};
using ReportRow = std::vector<ReportCell>;

// Values of a query's named parameters (":dari" is given as "dari"), bound as values and
// never put into the query's text.
using QueryParameters = std::map<QString, QString>;
// Called now and then while a query runs, with the rows it gave so far; false stops it.
using QueryProgress = std::function<bool(qint64 rows)>;

} // namespace gudang
