#include "scripteddialogs.h"

namespace gudang {

Button ScriptedDialogs::message(const QString &prompt, int style, const QString &title)
{
    m_shown.push_back(
        { false, prompt, style, title.isEmpty() ? applicationTitle() : title, {}, {} });
    if (m_buttons.empty()) {
        // A notice may be read by the test instead; a question needs its answer.
        if ((style & 7) != Style::Ok)
            m_unscripted << prompt;
        return (style & 7) == Style::YesNo
            ? ((style & Style::DefaultSecond) ? Button::No : Button::Yes)
            : Button::Ok;
    }
    m_answered.insert(m_shown.size() - 1);
    const Button b = m_buttons.front();
    m_buttons.pop_front();
    return b;
}

QString ScriptedDialogs::input(const QString &prompt, const QString &title)
{
    m_shown.push_back({ true, prompt, 0, title.isEmpty() ? applicationTitle() : title, {}, {} });
    if (m_inputs.empty()) {
        m_unscripted << prompt;
        return QString();
    }
    m_answered.insert(m_shown.size() - 1);
    QString t = m_inputs.front();
    m_inputs.pop_front();
    return t;
}

QString ScriptedDialogs::saveFile(const QString &title, const QString &suggested,
                                  const QStringList &types)
{
    m_shown.push_back({ true, title, 0, title, suggested, types });
    if (m_files.empty()) {
        m_unscripted << title;
        return QString();
    }
    m_answered.insert(m_shown.size() - 1);
    QString f = m_files.front();
    m_files.pop_front();
    return f;
}

QStringList ScriptedDialogs::prompts() const
{
    m_readUpTo = m_shown.size();
    QStringList out;
    for (const Shown &s : m_shown)
        out << s.prompt;
    return out;
}

QStringList ScriptedDialogs::unreadNotices() const
{
    QStringList out;
    for (size_t i = m_readUpTo; i < m_shown.size(); ++i) {
        const Shown &s = m_shown[i];
        if (!s.input && (s.style & 7) == Style::Ok && !m_answered.count(i) && !m_readLast.count(i))
            out << s.prompt;
    }
    return out;
}

void ScriptedDialogs::clear()
{
    m_unscripted << unreadNotices();
    m_shown.clear();
    m_answered.clear();
    m_readLast.clear();
    m_readUpTo = 0;
}

QStringList ScriptedDialogs::unscripted() const
{
    return m_unscripted + unreadNotices();
}

} // namespace gudang
