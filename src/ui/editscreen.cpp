#include "editscreen.h"
#include "datepicker.h"
#include "model/recordsource.h"
#include "recordcommands.h"

#include <QPushButton>

namespace gudang {

EditScreen::EditScreen(App &app, const FormTable &form)
    : Screen(app, form)
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    onClicked(cmdsimpan, &EditScreen::on_cmdsimpan_clicked);
    onClicked(cmdtutup, &EditScreen::on_cmdtutup_clicked);
}

void EditScreen::setUp(Setup setup)
{
    m_setup = std::move(setup);
    Q_ASSERT(m_setup.key && m_setup.source && !m_setup.fields.empty());
    for (const Setup::Field &f : m_setup.fields)
        if (!qobject_cast<QLineEdit *>(f.widget) && !qobject_cast<DatePicker *>(f.widget))
            qFatal("%s: field for column %d is neither a text field nor a date picker", form().name,
                   f.column);
}

void EditScreen::lookUpKey()
{
    RecordSource &s = m_setup.source();
    const LookUp found
        = lookUp(app().dialogs(), s, m_setup.keyColumn, m_setup.key->text(), m_setup.notFound);
    if (found == LookUp::NoRows)
        return;
    m_found = false; // the source has moved: what was found before is no longer current
    if (found == LookUp::NotFound) {
        m_setup.key->setFocus();
        if (m_setup.clearKeyWhenNotFound)
            m_setup.key->setText(QString());
        return;
    }
    // Everything is read and converted first: a record that cannot be read changes nothing.
    std::vector<std::function<void()>> show;
    for (const Setup::Field &f : m_setup.fields) {
        if (!f.shown)
            continue;
        const Value v = s.field(f.column);
        if (auto *date = qobject_cast<DatePicker *>(f.widget)) {
            const QDateTime d = v.toDate();
            show.push_back([date, d] { date->setDateTime(d); });
        } else {
            auto *text = static_cast<QLineEdit *>(f.widget);
            show.push_back([text, t = v.toDisplay()] { text->setText(t); });
        }
    }
    m_found = true;
    for (const auto &step : show)
        step();
    if (m_setup.firstField)
        m_setup.firstField->setFocus();
}

void EditScreen::on_cmdsimpan_clicked()
{
    Dialogs &dialogs = app().dialogs();
    if (!m_found) {
        dialogs.message(m_setup.notFound, Style::Ok);
        m_setup.key->setFocus();
        return;
    }
    RecordSource &s = m_setup.source();
    for (const Setup::Field &f : m_setup.fields) {
        if (auto *date = qobject_cast<DatePicker *>(f.widget))
            s.setField(f.column, date->dateTime());
        else
            s.setField(f.column, static_cast<QLineEdit *>(f.widget)->text());
    }
    if (m_setup.save)
        m_setup.save(s);
    else
        s.update();
    if (dialogs.message(m_setup.more, Style::YesNo | Style::Information,
                        QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        m_found = false;
        m_setup.key->setText(QString());
        for (const Setup::Field &f : m_setup.fields) {
            if (auto *date = qobject_cast<DatePicker *>(f.widget))
                date->setDateTime(QDateTime::currentDateTime());
            else
                static_cast<QLineEdit *>(f.widget)->setText(QString());
        }
        if (m_setup.focusKeyForNext)
            m_setup.key->setFocus();
    } else if (m_setup.closeWhenDone) {
        unloadMe();
    } else {
        cmdtutup->setFocus();
    }
}

void EditScreen::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
