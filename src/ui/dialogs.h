#pragma once

#include <QString>
#include <deque>
#include <vector>

namespace gudang {

// Message box styles (sum of a button set and an icon).
namespace Style {
constexpr int Ok = 0;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Information = 64;
constexpr int DefaultSecond = 256; // the second button ("Tidak") is the default
} // namespace Style

// Buttons a message box returns.
enum class Button { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// Message and input boxes. Every screen asks through this interface, so that tests can answer
// from a script.
class Dialogs
{
public:
    virtual ~Dialogs() = default;
    // An empty title means the application's title.
    virtual Button message(const QString &prompt, int style = Style::Ok, const QString &title = {})
        = 0;
    // Cancel gives an empty text.
    virtual QString input(const QString &prompt, const QString &title = {}) = 0;

    static QString applicationTitle() { return QStringLiteral("Gudang"); }
};

// The boxes on the screen, with Indonesian button texts.
class QtDialogs : public Dialogs
{
public:
    Button message(const QString &prompt, int style, const QString &title) override;
    QString input(const QString &prompt, const QString &title) override;
};

// Answers from a queue and records every box, for tests. A message box with no scripted
// answer takes its default (first) button; an input box with none is cancelled.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        bool input = false;
        QString prompt;
        int style = 0;
        QString title; // as shown: the application's title when none was given
    };

    Button message(const QString &prompt, int style, const QString &title) override;
    QString input(const QString &prompt, const QString &title) override;

    void answer(Button b) { m_buttons.push_back(b); }
    void answerInput(const QString &text) { m_inputs.push_back(text); }

    const std::vector<Shown> &shown() const { return m_shown; }
    // Prompts of the boxes shown so far, in order.
    QStringList prompts() const;
    const Shown &last() const { return m_shown.back(); }
    void clear() { m_shown.clear(); }
    bool scriptUsedUp() const { return m_buttons.empty() && m_inputs.empty(); }

private:
    std::deque<Button> m_buttons;
    std::deque<QString> m_inputs;
    std::vector<Shown> m_shown;
};

} // namespace gudang
