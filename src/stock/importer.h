#pragma once

#include "core/rights.h"
#include "core/value.h"
#include "import/sheet.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace gudang {

// What a file brings: the goods master, or the stock (an opening stock).
enum class ImportKind { Goods, Stock };

// One row of the file and what the import would do with it.
struct ImportRow
{
    enum Verdict { New, Changes, Unchanged, Refused };
    int line = 0; // in the file
    QString code;
    Verdict verdict = Refused;
    QString said; // the fields it changes, or why it is refused
    std::vector<Value> values; // the table's row as it would be stored
    std::vector<bool> given; // the columns the file gives
    QDate day; // of an opening stock, when the file gives one
};

// The preview of an import: every row with its verdict, nothing written yet.
struct ImportPlan
{
    ImportKind kind = ImportKind::Goods;
    QString format; // of the file
    QStringList columns; // the file's headings taken, as the table's columns
    QStringList ignored; // the file's headings not taken
    std::vector<ImportRow> rows;
    bool beyondHeadings = false; // the file had cells right of its last heading, not read
    int count(ImportRow::Verdict v) const;
    QString summary() const; // "3 baru, 1 berubah, 0 sama, 2 ditolak"
};

// Reads `sheet` against the working tables as stored now: columns by their headings (the
// table's names, those our export writes, common Indonesian and English words, any order);
// each row new, changing some fields, unchanged, or refused with the reason (an empty or too
// long code, a code with invisible or control characters or one a person cannot tell from
// another by case or width, a text too long, a text where a number belongs, a number beyond 15
// digits, a day that does not exist or lies outside 1900-9999, a code twice in the file, stock
// of goods not registered, a text line wider than its heading). `progress` is told the rows
// checked; false stops it (Kind::Cancelled).
ImportPlan planImport(const QString &workingAddress, ImportKind kind, const Sheet &sheet,
                      const std::function<bool(qint64 rows)> &progress = {});

struct ImportResult
{
    int added = 0, changed = 0, journaled = 0;
};
// What becomes of a file with refused rows: refused whole, or the other rows written (when
// the person has seen the refused ones and said so).
enum class RefusedRows { RefuseFile, LeaveOut };

// Writes the plan's new and changed rows (unchanged ones left out) in one transaction of the
// working store, the stock with one journal row "stok awal impor" per change; refused rows
// refuse the whole file or are left out, as `refusedRows` says; rows stored otherwise than
// when the plan read them fail the whole import (AppError, nothing written). A role that may
// not change goods and stock is refused.
ImportResult applyImport(const QString &workingAddress, const ImportPlan &plan, const QString &user,
                         Role role, RefusedRows refusedRows = RefusedRows::RefuseFile);

} // namespace gudang
