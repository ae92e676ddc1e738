#include "screen.h"
#include "data/recordsource.h"

#include <QCloseEvent>
#include <QKeyEvent>

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
    // Escape does not close a screen; other keys are left alone.
    event->ignore();
}

} // namespace gudang
