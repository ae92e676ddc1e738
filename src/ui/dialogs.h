#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

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
    // The name of a file to save: `suggested` its name to begin with, `types` the kinds of
    // file it may be ("Excel (*.xlsx)"), the first chosen. Cancel gives an empty text.
    virtual QString saveFile(const QString &title, const QString &suggested,
                             const QStringList &types)
        = 0;

    // The name of an existing file to open, of one of `types`. Cancel gives an empty text;
    // boxes that never open a file give that too.
    virtual QString openFile(const QString &title, const QStringList &types)
    {
        Q_UNUSED(title);
        Q_UNUSED(types);
        return QString();
    }

    static QString applicationTitle() { return QStringLiteral("Gudang"); }
};

// The boxes on the screen, with Indonesian button texts.
class QtDialogs : public Dialogs
{
public:
    Button message(const QString &prompt, int style, const QString &title) override;
    QString input(const QString &prompt, const QString &title) override;
    QString saveFile(const QString &title, const QString &suggested,
                     const QStringList &types) override;
    QString openFile(const QString &title, const QStringList &types) override;
    // The save window as saveFile() shows it: Indonesian labels, buttons and tips.
    static QFileDialog *saveDialog(const QString &title, const QString &suggested,
                                   const QStringList &types);
};

} // namespace gudang
