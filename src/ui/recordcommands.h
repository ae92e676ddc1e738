#pragma once

#include "dialogs.h"

#include <QString>
#include <functional>

namespace gudang {

class Dialogs;
class RecordSource;

// The find that the entry screens share: move first, ask for the search text, find it in the
// column; "Tidak ada Pencarian" for an empty answer, "Data Tidak ada" (and back to the first
// row) when nothing matches. Returns the search text.
QString askAndFind(Dialogs &dialogs, RecordSource &source, const QString &column,
                   const QString &prompt);

// The delete that the entry screens share: "Maaf Tidak ada Data" on an empty table, otherwise
// "Yakin Mau Dihapus" and, on Yes, the current row is deleted (by `remove` when given: a
// service that journals the delete).
void askAndDelete(Dialogs &dialogs, RecordSource &source,
                  const std::function<void(RecordSource &)> &remove = {});

// The look-up that the edit screens share: the first row whose column holds the typed value
// becomes current. An empty table gives NoRows and says nothing; when no row holds the value
// the `notFound` box is shown.
enum class LookUp { NoRows, NotFound, Found };
LookUp lookUp(Dialogs &dialogs, RecordSource &source, const QString &column, const QString &value,
              const QString &notFound);

} // namespace gudang
