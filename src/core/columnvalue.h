#pragma once

#include "schema.h"
#include "value.h"

#include <cstddef>

namespace gudang {

// The value a column can hold, converted from what a screen or a file gives: text for a
// number column read as a number (blanks around it allowed, a decimal comma or point), text
// for a date column read as a date; a text longer than its column, or one that is not a
// number or a date where one belongs, fails with AppError naming the column.
Value toColumnValue(const ColumnDef &column, const Value &value);

// A stored cell (its text as the stores give it: numbers in their shortest form, dates as
// "yyyy-MM-dd HH:mm:ss") as a value of its column; `bytes` null for Null.
Value fromStoredText(const ColumnDef &column, const char *bytes, size_t size);

// A text typed into a number column as a number; false when it is none.
bool parseColumnNumber(const QString &text, double *out);

} // namespace gudang
