#include "screen.h"
#include "model/recordsource.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>

namespace gudang {

Screen::Screen(App &app, const FormTable &form)
    : QWidget(nullptr,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_app(app)
    , m_form(form)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    buildForm(this, form);
}

Screen::~Screen() = default;

void Screen::focusFirst()
{
    if (QWidget *w = firstInTabOrder(this, m_form))
        w->setFocus(Qt::OtherFocusReason);
}

void Screen::fitToScreen()
{
    const QScreen *display = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!display || m_scroller)
        return;
    // The window's frame (title bar, borders) counts too; before the first show it is guessed.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty())
        frame = QSize(8, 32);
    const QSize room = display->availableGeometry().size() - frame;
    if (width() <= room.width() && height() <= room.height())
        return;
    const QSize design = size();
    const QSize fitted = design.boundedTo(room);
    QMenuBar *menu = findChild<QMenuBar *>(QString(), Qt::FindDirectChildrenOnly);
    if (m_form.controls.empty()) {
        // Only a picture under the menu: it is drawn to the window's size.
        setFixedSize(fitted);
        if (menu)
            menu->setGeometry(0, 0, width(), menu->height());
        return;
    }
    const int top = menu ? menu->height() : 0;
    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("qt_isi_layar"));
    content->setFixedSize(design.width(), design.height() - top);
    content->setAutoFillBackground(autoFillBackground());
    const QList<QWidget *> children
        = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *w : children) {
        if (w == menu || w->isWindow())
            continue;
        const bool hidden = w->isHidden();
        const QPoint at = w->pos() - QPoint(0, top);
        w->setParent(content);
        w->move(at);
        w->setVisible(!hidden);
    }
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("qt_gulung_layar"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    m_scroller->setWidget(content);
    setFixedSize(fitted);
    m_scroller->setGeometry(0, top, fitted.width(), fitted.height() - top);
    m_scroller->show();
    connect(qApp, &QApplication::focusChanged, m_scroller,
            [this, content](QWidget *, QWidget *now) {
                if (now && content->isAncestorOf(now))
                    m_scroller->ensureWidgetVisible(now);
            });
}

void Screen::closeSources()
{
    for (RecordSource *s : findChildren<RecordSource *>())
        s->close();
}

void Screen::closeEvent(QCloseEvent *event)
{
    // The window's close button unloads the screen.
    event->ignore();
    if (m_app.screens().isLoaded(this))
        m_app.run([this] { m_app.screens().unload(*this); });
}

void Screen::keyPressEvent(QKeyEvent *event)
{
    // F3 opens the goods search above the screen; Escape does not close a screen; other keys
    // are left alone.
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier && m_app.findGoods) {
        m_app.run([&] { m_app.findGoods(*this); });
        return;
    }
    event->ignore();
}

} // namespace gudang
