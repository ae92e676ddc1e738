#pragma once

#include "core/locations.h"
#include "core/rights.h"
#include "core/session.h"
#include "dialogs.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace gudang {

class App;
class RecordSource;
class Screen;
class CountService;
class StockService;

// Record sources that one screen owns and screens of another subsystem use: the goods table of
// the goods entry screen (the stock entry screen's code check), the stock table of the stock
// entry screen (the goods-out screen's code check and posting).
enum class SharedSource { Goods, Stock };

// Each screen exists once. It is loaded when it is first shown, or hidden when another screen
// reaches one of its record sources, and stays loaded until it is unloaded. Shown screens form
// one stack; only the top one takes input. A modal show does not block: what follows it runs
// as the `after` step once the shown screen has been unloaded, so tests can drive screens in
// straight-line code.
class ScreenManager : public QObject
{
    Q_OBJECT
public:
    explicit ScreenManager(App &app);
    ~ScreenManager() override;

    // The screen's single instance, loaded hidden when it is not loaded.
    template<class T> T &get()
    {
        const std::string key = T::staticMetaObject.className();
        if (auto it = m_loaded.find(key); it != m_loaded.end())
            return static_cast<T &>(*it->second);
        T *screen = new T(m_app);
        adopt(key, screen);
        return *screen;
    }
    template<class T> bool isLoaded() const
    {
        return m_loaded.count(T::staticMetaObject.className()) != 0;
    }
    template<class T> T *find() const
    {
        auto it = m_loaded.find(T::staticMetaObject.className());
        return it == m_loaded.end() ? nullptr : static_cast<T *>(it->second.data());
    }

    bool isLoaded(const Screen *screen) const;

    // Shows the start-up screen, not modally.
    void showStart(Screen &screen);
    // Shows the screen above the others; `after` runs once it has been unloaded.
    void showModal(Screen &screen, std::function<void()> after = {});
    // Closes the screen and its record sources and drops its state. When no shown screen
    // remains, the hidden ones are unloaded too and the program ends.
    void unload(Screen &screen);
    // Ends the program at once: every screen closes and no further step runs.
    void end();
    // Closes every screen but the start screen, shown or not, without the steps that were to
    // follow them; the start screen takes input again.
    void backToStart();

    bool ended() const { return m_ended; }
    Screen *top() const;
    int loadedCount() const { return int(m_loaded.size()); }

signals:
    void finished();

private:
    void adopt(const std::string &key, Screen *screen);
    void dispose(Screen *screen);

    App &m_app;
    std::map<std::string, QPointer<Screen>> m_loaded;
    struct Shown
    {
        QPointer<Screen> screen;
        std::function<void()> after;
    };
    std::vector<Shown> m_shown;
    bool m_ended = false;
};

// Runs a step; the description of what it threw (our error, lack of memory, any other
// exception), or an empty text when it ran through.
QString describeFailure(const std::function<void()> &step);

// Numbers, dates and the calendar follow the Indonesian locale throughout the program.
void useIndonesianLocale();

// What every screen reaches: where the data lives, the boxes, the screens, and the wrapper
// that runs handlers.
class App
{
public:
    App(Locations locations, Dialogs &dialogs);
    ~App();

    const Locations &locations() const { return m_locations; }
    Dialogs &dialogs() { return m_dialogs; }
    ScreenManager &screens() { return *m_screens; }

    // Runs a handler. A thrown error stops the rest of it, drops pending edits, and its
    // description is shown (critical icon, application title); the program goes on.
    // Returns false when the handler failed.
    bool run(const std::function<void()> &handler);

    // Opens the goods search above a screen (F3 there), set by the screens that offer it.
    std::function<void(Screen &)> findGoods;
    // Shows a report by its name with these parameters in the preview window, from a screen
    // that offers it; set by the shell, which knows the reports.
    std::function<void(Screen &, const QString &, const std::map<QString, QString> &)> openReport;

    // The stock services of the working tables; the journal names the user logged in.
    StockService &stock();
    // The stock counts, as the same user.
    CountService &counts();
    void setUser(const QString &user);
    const QString &user() const { return m_session.name; }

    // The person logged in: their name, role and, on a server, their own connection, which
    // every store opened from now on uses. Until a login the program acts as an owner.
    void setSession(Session session);
    const Session &session() const { return m_session; }
    Role role() const { return m_session.role; }
    bool may(Right right) const { return allows(m_session.role, right); }
    // Throws the refusal (AppError) when the role may not.
    void require(Right right) const { requireRight(journalName(), m_session.role, right); }
    // The name the journal gives the person logged in (the first user may have an empty one);
    // empty when nobody is logged in.
    QString journalName() const;

    // Set by the login: whether the server has shut the person logged in out (asked when a
    // command failed as it does then), and what the login window does when it takes input
    // again after that.
    std::function<bool()> sessionShut;
    std::function<void()> loggedOut;
    // Nobody logged in any more: every screen but the login window closes.
    void logOut();

    // A record source another subsystem owns, through the screen that owns it (loading that
    // screen unseen when it is not loaded). The shell, which knows every screen, says which
    // screen provides which source; screens never reach into each other's members.
    using SourceProvider = std::function<RecordSource &()>;
    void provideSource(SharedSource which, SourceProvider provider);
    RecordSource &sharedSource(SharedSource which);

private:
    Locations m_locations;
    const Locations m_folder; // as the program was started, before any login
    Dialogs &m_dialogs;
    std::unique_ptr<ScreenManager> m_screens;
    Session m_session;
    std::unique_ptr<StockService> m_stock;
    std::unique_ptr<CountService> m_counts;
    std::map<SharedSource, SourceProvider> m_providers;
    std::unique_ptr<QObject> m_userWatch; // tells the background reading of keys and clicks
    std::function<void(const QString &)> m_outerGuard; // an App made before this one's
};

} // namespace gudang
