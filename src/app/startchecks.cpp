#include "startchecks.h"
#include "files/backups.h"
#include "files/filechecks.h"
#include "files/folderlock.h"
#include "files/pagecheck.h"
#include "store/setup.h"
#include "ui/app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace gudang {

// A refusal at start: shown in a box and said on the terminal, for a start from a script.
void refuseStart(App &app, const QString &why)
{
    std::fprintf(stderr, "%s\n", qPrintable(why));
    app.dialogs().message(why, Style::Critical);
}

namespace {

QString damagedText(const Locations &loc, DbRole role, const QString &path, const QString &damage)
{
    return QStringLiteral("File database %1 rusak: %2.\nFile itu tidak diubah dan program "
                          "berhenti.\n%3")
        .arg(QDir::toNativeSeparators(path), damage, lastBackupText(loc, role));
}

// The check of every page of the working file, running while the login window waits; the
// first write waits for it, and damage found ends the program before anything is written.
class WorkingFileCheck : public QObject
{
public:
    WorkingFileCheck(App &app, const QString &path)
        : QObject(&app.screens())
        , m_app(app)
        , m_check(path,
                  [self = QPointer<WorkingFileCheck>(this)](const QString &damage) {
                      if (damage.isEmpty())
                          return;
                      QMetaObject::invokeMethod(
                          self.data(),
                          [self, damage] {
                              if (self)
                                  self->damaged(damage);
                          },
                          Qt::QueuedConnection);
                  })
        , m_hold(
              m_check,
              [this](const QString &damage) {
                  m_said = true;
                  return damagedText(m_app.locations(), DbRole::Working, m_check.path(), damage);
              },
              [this] { showWait(); })
    {
        // Begun once the first window has been painted: the check does not take its time
        // from the first paint, and ends while the login waits.
        qApp->installEventFilter(this);
        QTimer::singleShot(1000, this, [this] { begin(); });
    }
    ~WorkingFileCheck() override { delete m_wait.data(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            QTimer::singleShot(0, this, [this] { begin(); });
        return false;
    }

public:
    bool damageFound() const { return m_found; }

private:
    void begin()
    {
        qApp->removeEventFilter(this);
        m_check.start();
    }

    // Said once (unless the refused write said it already), and the program ends.
    void damaged(const QString &damage)
    {
        delete m_wait.data();
        m_found = true;
        if (!m_said)
            refuseStart(m_app,
                        damagedText(m_app.locations(), DbRole::Working, m_check.path(), damage));
        m_said = true;
        m_app.screens().end();
        QCoreApplication::exit(1);
    }

    // A write waiting for the check: a window says so.
    void showWait()
    {
        if (!m_wait) {
            m_wait = new QProgressDialog;
            m_wait->setWindowTitle(Dialogs::applicationTitle());
            m_wait->setCancelButton(nullptr);
            m_wait->setRange(0, 0);
            m_wait->setMinimumDuration(0);
            m_wait->setWindowModality(Qt::ApplicationModal);
            m_wait->setAccessibleName(QStringLiteral("Memeriksa database"));
            m_wait->setLabelText(QStringLiteral("Memeriksa setiap halaman database %1 sebelum "
                                                "menyimpan…")
                                     .arg(QDir::toNativeSeparators(m_check.path())));
            m_wait->show();
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

    App &m_app;
    BackgroundPageCheck m_check;
    BackgroundPageCheck::Hold m_hold;
    QPointer<QProgressDialog> m_wait;
    bool m_said = false;
    bool m_found = false;
};

} // namespace

// False after telling the user, when one of the existing database files cannot be used: it
// cannot be written, it is damaged, or it is not a database of Gudang. Nothing is written to
// such a file. The credentials file, a few pages, is checked page by page at once; the working
// file's header and size at once, and its pages while the login waits (WorkingFileCheck).
bool filesSound(App &app)
{
    const Locations &loc = app.locations();
    // A note an earlier version left at a clean end: nothing is trusted from it now.
    struct stat st;
    const QByteArray note = QFile::encodeName(loc.dataDir() + QStringLiteral("/gudang.selesai"));
    if (::lstat(note.constData(), &st) == 0 && !S_ISDIR(st.st_mode))
        ::unlink(note.constData());
    for (DbRole role : { DbRole::Credentials, DbRole::Working }) {
        const QString path = role == DbRole::Working ? loc.workingPath() : loc.credentialsPath();
        if (!QFileInfo::exists(path))
            continue;
        const QString file = QDir::toNativeSeparators(path);
        if (const QString why = unwritableOf(path); !why.isEmpty()) {
            refuseStart(app,
                        QStringLiteral("File database %1 tidak dapat ditulis: %2.\nPeriksa izin "
                                       "tulis file itu dan foldernya, dan apakah disknya dipasang "
                                       "hanya-baca; lalu jalankan Gudang lagi. File itu tidak "
                                       "rusak dan tidak diubah.")
                            .arg(file, why));
            return false;
        }
        const Check check = role == DbRole::Working ? Check::Header : Check::Quick;
        const FileFindings found = inspectFile(path, role, check);
        if (!found.damage.isEmpty()) {
            refuseStart(app, damagedText(loc, role, path, found.damage));
            return false;
        }
        if (const QString &foreign = found.foreign; !foreign.isEmpty()) {
            refuseStart(app,
                        QStringLiteral("File database %1 bukan database Gudang: %2.\nFile itu "
                                       "tidak diubah dan program berhenti.\n%3")
                            .arg(file, foreign, lastBackupText(loc, role)));
            return false;
        }
        if (role == DbRole::Working)
            new WorkingFileCheck(app, path);
    }
    return true;
}

// Working data without credentials: a new user is made only when the user says so.
bool newUserOverExistingData(App &app)
{
    const Locations &loc = app.locations();
    return app.dialogs().message(
               QStringLiteral("Data kerja ditemukan di %1, tetapi data pengguna %2 tidak ada.\n"
                              "%3\nBuat pengguna baru untuk data yang sudah ada ini?")
                   .arg(QDir::toNativeSeparators(loc.workingPath()),
                        QDir::toNativeSeparators(loc.credentialsPath()),
                        lastBackupText(loc, DbRole::Credentials)),
               Style::YesNo | Style::Information | Style::DefaultSecond,
               QStringLiteral("PERHATIAN"))
        == Button::Yes;
}

bool workingFileDamaged(App &app)
{
    const auto *check = app.screens().findChild<WorkingFileCheck *>();
    return check && check->damageFound();
}

} // namespace gudang
