#pragma once

#include "app.h"
#include "form.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QWidget>

class QScrollArea;

namespace gudang {

class RecordSource;

// Base of every screen: builds its controls from the screen's form table, and wires
// handlers so that each runs inside the application's failure wrapper.
class Screen : public QWidget
{
    Q_OBJECT
public:
    Screen(App &app, const FormTable &form);
    ~Screen() override;

    App &app() const { return m_app; }
    const FormTable &form() const { return m_form; }

    // Puts the focus on the first control in tab order that can take it.
    virtual void focusFirst();
    // Closes the record sources of the screen (on unload).
    void closeSources();
    // A screen larger than the available area of its display (a large scale factor, a small
    // display) is shrunk to that area and its controls scroll, keeping their places; the
    // control with the focus is scrolled into view. A screen that fits is left as it is.
    void fitToScreen();
    // The scroll area of a screen that did not fit, or null.
    QScrollArea *scroller() const { return m_scroller; }

protected:
    // The control of the form table with that name and class; a name the table does not
    // have, or a control of another class, stops the program in every build.
    template<class T> T *control(const char *name)
    {
        T *w = findChild<T *>(QString::fromLatin1(name));
        if (!w)
            qFatal("Screen %s has no control %s of class %s", m_form.name, name,
                   T::staticMetaObject.className());
        return w;
    }

    // Click of a button runs the handler.
    template<class S> void onClicked(QAbstractButton *button, void (S::*handler)())
    {
        connect(button, &QAbstractButton::clicked, this,
                [this, handler] { m_app.run([&] { (static_cast<S *>(this)->*handler)(); }); });
    }
    // Enter (Return or keypad Enter) in a text field runs the handler; the key itself is left
    // to the field.
    template<class S> void onEnter(QLineEdit *field, void (S::*handler)())
    {
        connect(field, &QLineEdit::returnPressed, this,
                [this, handler] { m_app.run([&] { (static_cast<S *>(this)->*handler)(); }); });
    }

    void unloadMe() { m_app.screens().unload(*this); }

    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    App &m_app;
    const FormTable &m_form;
    QScrollArea *m_scroller = nullptr;
};

} // namespace gudang
