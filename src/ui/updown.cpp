#include "updown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <algorithm>

namespace gudang {

UpDown::UpDown(QWidget *parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAccessibleName(QStringLiteral("Tambah satu"));
    m_down->setAccessibleName(QStringLiteral("Kurangi satu"));
    for (QToolButton *b : { m_up, m_down }) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    setFocusPolicy(Qt::TabFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setRange(int min, int max)
{
    m_min = min;
    m_max = max;
    m_value = std::clamp(m_value, m_min, m_max);
}

void UpDown::setValue(int value)
{
    m_value = std::clamp(value, m_min, m_max);
}

void UpDown::step(int delta)
{
    const int next = std::clamp(m_value + delta, m_min, m_max);
    if (next == m_value)
        return;
    m_value = next;
    emit changed();
}

void UpDown::resizeEvent(QResizeEvent *)
{
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

void UpDown::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up)
        step(1);
    else if (event->key() == Qt::Key_Down)
        step(-1);
    else
        QWidget::keyPressEvent(event);
}

} // namespace gudang
