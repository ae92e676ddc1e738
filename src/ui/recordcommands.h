#pragma once

#include "dialogs.h"

#include <QString>
#include <functional>
#include <optional>

namespace gudang {

class Dialogs;
class RecordSource;

// The find that the entry screens share: move first, ask for the search text, find it in the
// column; "Tidak ada Pencarian" for an empty answer, "Data Tidak ada" (and back to the first
// row) when nothing matches. Returns the search text.
QString askAndFind(Dialogs &dialogs, RecordSource &source, const QString &column,
                   const QString &prompt);

// The delete that the entry screens share: "Maaf Tidak ada Data" on an empty table, otherwise
// "Yakin Mau Dihapus" and, on Yes, the current row is deleted.
void askAndDelete(Dialogs &dialogs, RecordSource &source);

// The look-up that the edit screens share: the first row whose column holds the typed value
// becomes current. An empty table gives NoRows and says nothing; when no row holds the value
// the `notFound` box is shown.
enum class LookUp { NoRows, NotFound, Found };
LookUp lookUp(Dialogs &dialogs, RecordSource &source, const QString &column, const QString &value,
              const QString &notFound);

// The flow the edit screens share: a key typed and confirmed looks its record up; the record
// is read whole before any field changes, so a record that cannot be read leaves the screen as
// it was; "Simpan" writes the fields back and asks whether there is more. Each screen keeps its
// own texts, fields and focus.
class EditFlow
{
public:
    struct Texts
    {
        QString notFound; // the look-up found nothing, or "Simpan" without a record found
        QString more; // asked after a save
    };
    EditFlow(Dialogs &dialogs, std::function<RecordSource &()> source, QString keyColumn,
             Texts texts);

    // Reads what the screen shows of a record: it returns the step that shows it.
    using Read = std::function<std::function<void()>(RecordSource &)>;
    // Looks the key up; found, `read` reads the record and its step shows it.
    LookUp lookUp(const QString &key, const Read &read);
    bool found() const { return m_found; }
    // Writes the record found through `write` and asks the "more" question: its answer, or
    // nothing (after the `notFound` box) when no record was found.
    std::optional<Button> save(const std::function<void(RecordSource &)> &write);
    // The next record starts afresh.
    void reset() { m_found = false; }

private:
    Dialogs &m_dialogs;
    std::function<RecordSource &()> m_source;
    QString m_keyColumn;
    Texts m_texts;
    bool m_found = false;
};

} // namespace gudang
