#include "tableaccess.h"

namespace gudang {

QString refusedWrite(const TableDef &table, const std::vector<Value> &values, const AppError &e,
                     bool uniqueViolation, const std::function<bool(const ColumnDef &)> &names)
{
    for (size_t c = 0; uniqueViolation && c < table.columns.size(); ++c) {
        const ColumnDef &def = table.columns[c];
        if (def.unique && names(def))
            return QStringLiteral("%1 \"%2\" sudah ada pada tabel %3; data tidak disimpan.")
                .arg(def.name, shortQuote(values[c].toText()), table.name);
    }
    return QStringLiteral("Data tabel %1 tidak dapat disimpan. %2")
        .arg(table.name, e.description());
}

} // namespace gudang
