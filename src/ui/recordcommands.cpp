#include "recordcommands.h"
#include "data/recordsource.h"
#include "dialogs.h"

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

void askAndDelete(Dialogs &dialogs, RecordSource &source)
{
    if (source.recordCount() == 0) {
        dialogs.message(QStringLiteral("Maaf Tidak ada Data"), Style::Ok);
        return;
    }
    if (dialogs.message(QStringLiteral("Yakin Mau Dihapus"), Style::YesNo | Style::Information,
                        QStringLiteral("PERHATIAN"))
        == Button::Yes) {
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

EditFlow::EditFlow(Dialogs &dialogs, std::function<RecordSource &()> source, QString keyColumn,
                   Texts texts)
    : m_dialogs(dialogs)
    , m_source(std::move(source))
    , m_keyColumn(std::move(keyColumn))
    , m_texts(std::move(texts))
{ }

LookUp EditFlow::lookUp(const QString &key, const Read &read)
{
    RecordSource &s = m_source();
    const LookUp found = gudang::lookUp(m_dialogs, s, m_keyColumn, key, m_texts.notFound);
    if (found == LookUp::NoRows)
        return found;
    m_found = false; // the source has moved: what was found before is no longer current
    if (found == LookUp::Found) {
        const std::function<void()> show = read(s);
        m_found = true;
        show();
    }
    return found;
}

std::optional<Button> EditFlow::save(const std::function<void(RecordSource &)> &write)
{
    if (!m_found) {
        m_dialogs.message(m_texts.notFound, Style::Ok);
        return std::nullopt;
    }
    RecordSource &s = m_source();
    write(s);
    s.update();
    return m_dialogs.message(m_texts.more, Style::YesNo | Style::Information,
                             QStringLiteral("PERHATIAN"));
}

} // namespace gudang
