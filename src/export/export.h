#pragma once

#include "core/value.h"

#include <QString>
#include <functional>
#include <vector>

namespace gudang {

// A table saved as a spreadsheet: a report's rows or a grid's table.
struct ExportTable
{
    enum class Kind { Text, Number, Date };
    struct Column
    {
        QString heading;
        Kind kind = Kind::Text;
    };
    QString title; // the sheet's name
    std::vector<Column> columns;
    // Gives every row in order, one cell per column (Null, a text, a number or a date).
    std::function<void(const std::function<void(const std::vector<Value> &)> &)> rows;
};

// What can be saved as a spreadsheet: a grid's model, a report's list.
class TableSource
{
public:
    virtual ~TableSource() = default;
    // Every row, with every column shown.
    virtual ExportTable exportTable() const = 0;
};

// A file name that says what a table holds, from its title: dates as yyyy-MM-dd ("01/03/2026"
// becomes "2026-03-01"), "s.d." as "sd", no character a file name may not hold; with the
// suffix ("xlsx").
QString suggestedFileName(const QString &title, const QString &suffix);
// A sheet name a spreadsheet takes (at most 31 characters, none of []:*?/\) from a title:
// dates as in file names, and words left out from the front where it is too long, never a
// date cut.
QString sheetName(const QString &title);

// As `format` says ("csv" or "xlsx"), or by the file's suffix when it says nothing:
// - CSV as a spreadsheet set to Indonesian opens it: fields separated by ";" (the comma is the
//   decimal separator there), numbers with a decimal comma and no thousands separator, dates
//   as dd/mm/yyyy, texts in double quotes where they hold ";", a quote or a line break (a quote
//   doubled), a text a spreadsheet would run as a formula led by an apostrophe, lines ended by
//   CR LF, UTF-8 with a byte order mark so that the spreadsheet reads it as UTF-8;
// - XLSX (Office Open XML) through libxlsxwriter: numbers are numbers, dates are dates
//   formatted dd/mm/yyyy, a bold heading row, every text a text.
// Written as SaveFile writes (a part file renamed at the end): a failure leaves no half-written
// file and an older file as it was; a target of the data folder's own, or a database, is
// refused. Failures throw AppError.
void writeSpreadsheet(const ExportTable &table, const QString &path, QString format = {});

} // namespace gudang
