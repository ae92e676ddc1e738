#pragma once

#include "ui/dialogs.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace gudang {

// Answers from a queue and records every box, for tests. A question (Yes/No) or an input box
// with no scripted answer is recorded as unscripted, and the test that caused it fails (see
// test::Env); a notice with its single OK button needs no answer.
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
    // Drops the answers not asked for, where a case may end before its questions.
    void forgetUnusedAnswers()
    {
        m_buttons.clear();
        m_inputs.clear();
    }
    bool scriptUsedUp() const { return m_buttons.empty() && m_inputs.empty(); }
    // Boxes shown with no answer scripted for them: a test fails on any.
    const QStringList &unscripted() const { return m_unscripted; }

private:
    std::deque<Button> m_buttons;
    std::deque<QString> m_inputs;
    std::vector<Shown> m_shown;
    QStringList m_unscripted;
};

} // namespace gudang
