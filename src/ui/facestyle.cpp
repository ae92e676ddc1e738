#include "facestyle.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOption>

namespace gudang {

namespace {

class FaceStyle final : public QProxyStyle
{
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_PanelButtonCommand) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const QRect r = option->rect.adjusted(0, 0, -1, -1);
        const bool down = option->state & (State_Sunken | State_On);
        const bool enabled = option->state & State_Enabled;
        QColor face = option->palette.color(QPalette::Button);
        if (down)
            face = face.darker(115);
        painter->save();
        painter->setPen(Qt::NoPen);
        painter->setBrush(face);
        painter->drawRect(r);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(enabled ? QColor(64, 64, 64) : QColor(150, 150, 150));
        painter->drawRect(r);
        if (!down) {
            painter->setPen(face.lighter(125));
            painter->drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
            painter->drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
            painter->setPen(face.darker(140));
            painter->drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
            painter->drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
        }
        if (option->state & State_HasFocus) {
            QPen dots(QColor(0, 0, 0));
            dots.setStyle(Qt::DotLine);
            painter->setPen(dots);
            painter->drawRect(r.adjusted(3, 3, -3, -3));
        }
        painter->restore();
    }
};

} // namespace

QStyle *faceStyle()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new FaceStyle;
        style->setParent(qApp);
    }
    return style;
}

} // namespace gudang
