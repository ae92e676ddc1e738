#include "recordcommands.h"
#include "dialogs.h"
#include "model/recordsource.h"

namespace gudang {

QString askAndFind(Dialogs &dialogs, RecordSource &source, const QString &column,
                   const QString &prompt)
{
    if (source.recordCount() > 0)
        source.moveFirst();
    const QString text = dialogs.input(prompt, QStringLiteral("PENCARIAN"));
    if (text.isEmpty()) {
        dialogs.message(QStringLiteral("Tidak ada Pencarian"), Style::Ok);
        return text;
    }
    source.find(column, text);
    if (source.eof()) {
        dialogs.message(QStringLiteral("Data Tidak ada"), Style::Ok);
        if (source.recordCount() > 0)
            source.moveFirst();
    }
    return text;
}

void askAndDelete(Dialogs &dialogs, RecordSource &source,
                  const std::function<void(RecordSource &)> &remove)
{
    if (source.recordCount() == 0) {
        dialogs.message(QStringLiteral("Maaf Tidak ada Data"), Style::Ok);
        return;
    }
    if (dialogs.message(QStringLiteral("Yakin Mau Dihapus"), Style::YesNo | Style::Information,
                        QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        if (remove)
            remove(source);
        else
            source.deleteCurrent();
    }
}

LookUp lookUp(Dialogs &dialogs, RecordSource &source, const QString &column, const QString &value,
              const QString &notFound)
{
    if (source.recordCount() <= 0)
        return LookUp::NoRows;
    source.moveFirst();
    source.find(column, value);
    if (source.eof()) {
        dialogs.message(notFound, Style::Ok);
        return LookUp::NotFound;
    }
    return LookUp::Found;
}

} // namespace gudang
