#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace gudang {

// One cell of a file being imported: empty, a text, or a number (an XLSX number cell).
struct SheetCell
{
    enum Kind { Empty, Text, Number };
    Kind kind = Empty;
    QString text;
    double number = 0;
};

// The first row of a file (its headings) and the rows below it, as read.
struct Sheet
{
    QString format; // as the preview names it: "CSV (;, koma desimal)", "XLSX (lembar Data)"
    bool decimalComma = false; // a CSV whose numbers are written 12,5
    bool beyondHeadings = false; // cells right of the last heading were left out (XLSX)
    QStringList headers;
    std::vector<std::vector<SheetCell>> rows;
    std::vector<int> lines; // each row's line (CSV) or row number (XLSX) in the file
};

// Told now and then how far the reading is (bytes of the file); false stops it (AppError,
// Kind::Cancelled).
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

// Reads a CSV file (";" with decimal commas, as our export and an Indonesian spreadsheet
// write it, or "," with decimal points; UTF-8 with or without a byte order mark, or UTF-16
// with one; lines ended by LF, CR LF or CR; told apart by the heading line) or an XLSX
// workbook (its first sheet, or the sheet named; cells right of the last heading left out).
// Only a regular file is read. A file that is neither, a damaged or password-protected
// workbook, an empty file, a cell with a formula or a number that is not finite, a line or a
// sheet beyond what a list of goods holds, more than 256 MB held in memory: AppError saying so,
// in the user's words.
Sheet readSheet(const QString &path, const QString &sheetName = {},
                const ReadProgress &progress = {});

// The most rows a file may hold.
inline constexpr int kMaxSheetRows = 1000000;

} // namespace gudang
