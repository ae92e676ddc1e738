#pragma once

#include "ui/dialogs.h"

#include <QStringList>
#include <deque>
#include <set>
#include <vector>

namespace gudang {

// Answers from a queue and records every box, for tests. Every box must be accounted for, or
// the test that caused it fails (see test::Env): a question (Yes/No) or an input box by a
// scripted answer; a notice with its single OK button by a scripted answer or by the test
// reading it afterwards: `last()` reads the newest box, `shown()` and `prompts()` all of them.
// A notice shown and never read, such as an extra one before the box a test checks, fails.
class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        bool input = false;
        QString prompt;
        int style = 0;
        QString title; // as shown: the application's title when none was given
        QString suggested; // a save window's file name to begin with
        QStringList types; // and the kinds of file it offers
    };

    Button message(const QString &prompt, int style, const QString &title) override;
    QString input(const QString &prompt, const QString &title) override;
    // A save window is shown as an input box whose prompt is its title.
    QString saveFile(const QString &title, const QString &suggested,
                     const QStringList &types) override;
    // An open window is shown as a save window is; answered from the same queue of files.
    QString openFile(const QString &title, const QStringList &types) override
    {
        return saveFile(title, QString(), types);
    }

    void answer(Button b) { m_buttons.push_back(b); }
    void answerInput(const QString &text) { m_inputs.push_back(text); }
    void answerFile(const QString &path) { m_files.push_back(path); }

    const std::vector<Shown> &shown() const
    {
        m_readUpTo = m_shown.size();
        return m_shown;
    }
    // Prompts of the boxes shown so far, in order.
    QStringList prompts() const;
    const Shown &last() const
    {
        m_readLast.insert(m_shown.size() - 1);
        return m_shown.back();
    }
    // Forgets the boxes shown so far; a notice among them that was never read fails the test.
    void clear();
    // Drops the answers not asked for, where a case may end before its questions.
    void forgetUnusedAnswers()
    {
        m_buttons.clear();
        m_inputs.clear();
        m_files.clear();
    }
    bool scriptUsedUp() const { return m_buttons.empty() && m_inputs.empty() && m_files.empty(); }
    // Boxes shown with no answer scripted for them: a test fails on any.
    QStringList unscripted() const;

private:
    QStringList unreadNotices() const;

    std::deque<Button> m_buttons;
    std::deque<QString> m_inputs;
    std::deque<QString> m_files;
    std::vector<Shown> m_shown;
    QStringList m_unscripted; // questions and input boxes, and notices dropped unread
    std::set<size_t> m_answered; // boxes answered from the script
    mutable size_t m_readUpTo = 0; // boxes before this one were read by the test
    mutable std::set<size_t> m_readLast; // boxes read one by one, as the newest
};

} // namespace gudang
