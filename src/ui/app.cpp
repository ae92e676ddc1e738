#include "app.h"
#include "core/apperror.h"
#include "core/savefile.h"
#include "model/recordsource.h"
#include "screen.h"
#include "stock/stockcount.h"
#include "stock/stockservice.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QScreen>

namespace gudang {

ScreenManager::ScreenManager(App &app)
    : m_app(app)
{ }

ScreenManager::~ScreenManager()
{
    for (auto &[key, screen] : m_loaded) {
        if (screen) {
            screen->closeSources();
            delete screen.data();
        }
    }
}

void ScreenManager::adopt(const std::string &key, Screen *screen)
{
    m_loaded[key] = screen;
}

bool ScreenManager::isLoaded(const Screen *screen) const
{
    for (const auto &[key, s] : m_loaded) {
        if (s == screen)
            return true;
    }
    return false;
}

Screen *ScreenManager::top() const
{
    return m_shown.empty() ? nullptr : m_shown.back().screen.data();
}

namespace {

void centre(QWidget *w)
{
    QScreen *s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    QRect frame = w->frameGeometry();
    frame.moveCenter(area.center());
    w->move(frame.topLeft());
}

} // namespace

void ScreenManager::showStart(Screen &screen)
{
    m_shown.push_back({ &screen, {} });
    screen.fitToScreen();
    centre(&screen);
    screen.show();
    screen.activateWindow();
    screen.focusFirst();
}

void ScreenManager::showModal(Screen &screen, std::function<void()> after)
{
    m_shown.push_back({ &screen, std::move(after) });
    screen.setWindowModality(Qt::ApplicationModal);
    screen.fitToScreen();
    centre(&screen);
    screen.show();
    screen.activateWindow();
    screen.focusFirst();
}

void ScreenManager::dispose(Screen *screen)
{
    screen->hide();
    screen->closeSources();
    screen->deleteLater();
}

void ScreenManager::unload(Screen &screen)
{
    if (!isLoaded(&screen))
        return;
    for (auto it = m_loaded.begin(); it != m_loaded.end(); ++it) {
        if (it->second == &screen) {
            m_loaded.erase(it);
            break;
        }
    }
    std::function<void()> after;
    bool wasShown = false;
    for (auto it = m_shown.begin(); it != m_shown.end(); ++it) {
        if (it->screen == &screen) {
            after = std::move(it->after);
            m_shown.erase(it);
            wasShown = true;
            break;
        }
    }
    dispose(&screen);
    if (wasShown && after)
        after();
    if (!m_ended && m_shown.empty()) {
        // No screen takes input any more: close the hidden ones and end.
        end();
    } else if (Screen *t = top()) {
        t->activateWindow();
    }
}

void ScreenManager::backToStart()
{
    if (m_shown.empty() || !m_shown.front().screen)
        return;
    Screen *start = m_shown.front().screen;
    m_shown.resize(1);
    std::vector<QPointer<Screen>> others;
    for (auto it = m_loaded.begin(); it != m_loaded.end();) {
        if (it->second != start) {
            others.push_back(it->second);
            it = m_loaded.erase(it);
        } else {
            ++it;
        }
    }
    for (const QPointer<Screen> &s : others) {
        if (s)
            dispose(s);
    }
    start->activateWindow();
    start->focusFirst();
}

void ScreenManager::end()
{
    if (m_ended)
        return;
    m_ended = true;
    m_shown.clear();
    auto loaded = std::move(m_loaded);
    m_loaded.clear();
    for (auto &[key, screen] : loaded) {
        if (screen)
            dispose(screen);
    }
    emit finished();
}

void useIndonesianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Indonesian, QLocale::Indonesia));
}

namespace {

// An operation waiting for a table that is still being read shows a window with the rows read
// so far; it blocks the other windows, and only painting goes on meanwhile.
void showLoadWait(const QString &table, qint64 rowsRead, bool done)
{
    static QPointer<QProgressDialog> window;
    if (done) {
        delete window.data();
        return;
    }
    if (!window) {
        window = new QProgressDialog;
        window->setWindowTitle(Dialogs::applicationTitle());
        window->setCancelButton(nullptr);
        window->setRange(0, 0);
        window->setMinimumDuration(0);
        window->setWindowModality(Qt::ApplicationModal);
        window->setAccessibleName(QStringLiteral("Memuat tabel"));
        window->show();
    }
    window->setLabelText(QStringLiteral("Memuat tabel %1: %2 baris terbaca…")
                             .arg(table, formatNumber(double(rowsRead), 0, true)));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

namespace {

// A key or a button pressed anywhere: tables read in the background give way to it.
class UserWatch : public QObject
{
protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
            RecordSource::userActed();
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

App::App(Locations locations, Dialogs &dialogs)
    : m_locations(std::move(locations))
    , m_folder(m_locations)
    , m_dialogs(dialogs)
    , m_screens(std::make_unique<ScreenManager>(*this))
{
    m_session.locations = m_locations;
    m_session.loggedIn = false;
    if (qApp) {
        m_userWatch = std::make_unique<UserWatch>();
        qApp->installEventFilter(m_userWatch.get());
    }
    useIndonesianLocale();
    protectDataFolder(m_locations);
    RecordSource::loadWait() = showLoadWait;
    // Rights are kept where the data is changed: a role that may not change a table writes
    // nothing there, whichever screen asked.
    m_outerGuard = RecordSource::writeGuard();
    RecordSource::writeGuard() = [this](const QString &table) {
        const std::optional<Right> right = writeRight(table);
        if (!right)
            throw AppError(QStringLiteral("Tabel %1 tidak diubah lewat layar.").arg(table),
                           AppError::Kind::Refused);
        require(*right);
    };
    // A table that cannot be read to its end is said at once, not at the next click.
    RecordSource::loadFailed() = [this](RecordSource &, const QString &why) {
        m_dialogs.message(why, Style::Critical);
    };
}

App::~App()
{
    m_screens.reset();
    m_stock.reset();
    m_counts.reset();
    RecordSource::loadWait() = nullptr;
    RecordSource::loadFailed() = nullptr;
    RecordSource::writeGuard() = m_outerGuard;
}

QString App::journalName() const
{
    if (!m_session.loggedIn)
        return QString();
    return m_session.name.isEmpty() ? QStringLiteral("(kosong)") : m_session.name;
}

StockService &App::stock()
{
    if (!m_stock)
        m_stock = std::make_unique<StockService>(m_locations.workingPath(), journalName(),
                                                 m_session.role);
    return *m_stock;
}

CountService &App::counts()
{
    if (!m_counts)
        m_counts = std::make_unique<CountService>(m_locations.workingPath(), journalName(),
                                                  m_session.role);
    return *m_counts;
}

void App::setUser(const QString &user)
{
    m_session.name = user;
    if (m_stock)
        m_stock->setUser(journalName(), m_session.role);
    if (m_counts)
        m_counts->setUser(journalName(), m_session.role);
}

void App::setSession(Session session)
{
    const bool moved = !session.locations.dataDir().isEmpty()
        && session.locations.server() != m_locations.server();
    if (!session.locations.dataDir().isEmpty())
        m_locations = session.locations;
    m_session = std::move(session);
    m_session.locations = m_locations;
    if (moved) {
        m_stock.reset(); // the services open the store at the session's own address
        m_counts.reset();
    }
    if (m_stock)
        m_stock->setUser(journalName(), m_session.role);
    if (m_counts)
        m_counts->setUser(journalName(), m_session.role);
}

void App::provideSource(SharedSource which, SourceProvider provider)
{
    m_providers[which] = std::move(provider);
}

RecordSource &App::sharedSource(SharedSource which)
{
    const auto it = m_providers.find(which);
    if (it == m_providers.end())
        throw AppError(QStringLiteral("Sumber data bersama belum disiapkan."));
    return it->second();
}

QString describeFailure(const std::function<void()> &step)
{
    try {
        step();
    } catch (const AppError &e) {
        return e.description();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Memori tidak cukup untuk menyelesaikan perintah ini.");
    } catch (const std::exception &e) {
        return QStringLiteral("Terjadi kesalahan: %1").arg(QString::fromUtf8(e.what()));
    }
    return {};
}

void App::logOut()
{
    m_session = Session {};
    m_session.loggedIn = false;
    m_locations = m_folder;
    m_session.locations = m_folder;
    m_stock.reset();
    m_counts.reset();
    sessionShut = nullptr;
    m_screens->backToStart();
    if (loggedOut)
        loggedOut();
}

bool App::run(const std::function<void()> &handler)
{
    AppError::Kind kind = AppError::Kind::General;
    const QString failure = describeFailure([&] {
        try {
            handler();
        } catch (const AppError &e) {
            kind = e.kind();
            throw;
        }
    });
    if (failure.isEmpty())
        return true;
    RecordSource::cancelAllPending();
    // A person the owner disabled meanwhile: the server ended their session or refuses it.
    const bool asShut = kind == AppError::Kind::CannotOpen || kind == AppError::Kind::ConnectionLost
        || kind == AppError::Kind::Unsure || kind == AppError::Kind::Permission;
    if (asShut && sessionShut && describeFailure([&] {
                                     if (!sessionShut())
                                         throw AppError(QString());
                                 }).isEmpty()) {
        m_dialogs.message(QStringLiteral("User %1 sudah dinonaktifkan oleh pemilik atau tidak "
                                         "lagi berhak masuk ke toko ini; yang sedang dikerjakan "
                                         "tidak disimpan. Silakan masuk lagi.")
                              .arg(m_session.name),
                          Style::Critical);
        logOut();
        return false;
    }
    m_dialogs.message(failure, Style::Critical);
    return false;
}

} // namespace gudang
