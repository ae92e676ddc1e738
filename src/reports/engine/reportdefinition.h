#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

namespace gudang {

// A report definition file: a text file of "key = value" lines, "#" starting a remark.
//   judul = title printed on every page
//   data  = one SELECT statement on the working database
//   urut  = fields to sort by, separated by commas
//   kolom = field | heading | width in mm | kiri, kanan or tengah | teks, angka, ribuan or
//           tanggal (ribuan: a number with thousands dots)
//   total = numeric field totalled at the end (may repeat)
//   tanda = heading | width in mm | field < field | text shown where the comparison holds
struct ReportColumn
{
    QString field;
    QString heading;
    double widthMm = 0;
    enum class Align { Left, Right, Centre } align = Align::Left;
    enum class Format { Text, Number, Grouped, Date } format = Format::Text;
};

struct ReportMark
{
    QString heading;
    double widthMm = 0;
    QString left; // field
    QString right; // field
    QString text;
    int line = 0; // where the definition file says it
};

struct ReportDefinition
{
    QString title;
    QString query;
    QStringList sortBy;
    std::vector<ReportColumn> columns;
    QStringList totals;
    QList<int> totalLines; // the line of each total in the definition file
    std::optional<ReportMark> mark;
};

// Reads a definition; a missing, unreadable or malformed file fails with AppError naming the
// file and, for a malformed one, the line.
ReportDefinition readReportDefinition(const QString &path);
ReportDefinition parseReportDefinition(const QString &text, const QString &fileName);

// The definitions the program writes when a report file is missing.
QString defaultGoodsOutDefinition();
QString defaultStockDefinition();
// Stock below its minimum, and registered goods without a stock record.
QString defaultLowStockDefinition();

class Locations;
// Report files of the working folder.
QString goodsOutReportPath(const Locations &locations);
QString stockReportPath(const Locations &locations);
QString lowStockReportPath(const Locations &locations);
// Goods out in a period, with subtotals per code and unit.
QString defaultPeriodDefinition();
QString periodReportPath(const Locations &locations);
// The parameters of a period from `first` to `last`, both days whole whatever the time of day.
using ReportParameters = std::map<QString, QString>;
ReportParameters periodParameters(const QDate &first, const QDate &last);
// The stock card of a code over a period, from the movement journal.
QString defaultStockCardDefinition();
QString stockCardReportPath(const Locations &locations);
ReportParameters stockCardParameters(const QString &code, const QDate &first, const QDate &last);
// A stock count: its differences, and the sheet to count on; :id is the count's number.
QString defaultCountDefinition();
QString defaultCountSheetDefinition();
// The movements of a period by the user who made them, from the movement journal.
QString defaultUserMovementsDefinition();
QString userMovementsReportPath(const Locations &locations);
// What the stock is worth at the end of a day (:tanggal), what the goods out of a period cost,
// and the purchase prices of a code (:kode).
QString defaultStockValueDefinition();
QString defaultCostOfGoodsDefinition();
QString defaultPurchasePriceDefinition();
ReportParameters stockValueParameters(const QDate &day);

// The reports of the program, one entry each: adding a report is its default definition and
// one entry in this table (reportdefinition.cpp); the command line and the start take it from
// here.
struct ReportKind
{
    enum class Needs { Nothing, Period, CodeAndPeriod, Count, Date, Code };
    const char *name; // as --report names it; empty for one reached only through another
    const char *file; // the definition file in the working folder
    QString (*defaultDefinition)();
    Needs needs = Needs::Nothing;
    // The report --report NAME gives with --from/--to (the goods out of a period).
    const char *withPeriod = nullptr;
    // The defaults of earlier versions: a file that still holds one, unedited, is given the
    // new default.
    QStringList (*replaces)() = nullptr;
};
const std::vector<ReportKind> &reportKinds();
// The report of that --report name or file name; null when there is none.
const ReportKind *findReportKind(const QString &name);
QString reportPath(const Locations &locations, const ReportKind &kind);

// Writes the default definitions where a file is missing; existing files are left alone.
void writeMissingReportDefinitions(const Locations &locations);

} // namespace gudang
