#include "scripteddialogs.h"

namespace gudang {

Button ScriptedDialogs::message(const QString &prompt, int style, const QString &title)
{
    m_shown.push_back({ false, prompt, style, title.isEmpty() ? applicationTitle() : title });
    if (m_buttons.empty()) {
        // A notice with its one button needs no answer; a question does.
        if ((style & 7) != Style::Ok)
            m_unscripted << prompt;
        return (style & 7) == Style::YesNo
            ? ((style & Style::DefaultSecond) ? Button::No : Button::Yes)
            : Button::Ok;
    }
    const Button b = m_buttons.front();
    m_buttons.pop_front();
    return b;
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title)
{
    m_shown.push_back({ true, prompt, 0, title.isEmpty() ? applicationTitle() : title });
    if (m_inputs.empty()) {
        m_unscripted << prompt;
        return QString();
    }
    QString t = m_inputs.front();
    m_inputs.pop_front();
    return t;
}

QStringList ScriptedDialogs::prompts() const
{
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.prompt;
    return out;
}

} // namespace gudang
