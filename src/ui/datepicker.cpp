#include "datepicker.h"
#include "core/apperror.h"
#include "core/value.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace gudang {

namespace {

// The text part: taking the focus selects the whole date, so that typing replaces it.
class DateText final : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent *event) override
    {
        QLineEdit::focusInEvent(event);
        if (event->reason() != Qt::MouseFocusReason) {
            selectAll();
            return;
        }
        // A click would undo the selection as it places the cursor; select once it is handled.
        QTimer::singleShot(0, this, [this] {
            if (hasFocus())
                selectAll();
        });
    }
};

} // namespace

DatePicker::DatePicker(QWidget *parent)
    : QWidget(parent)
    , m_edit(new DateText(this))
    , m_button(new QToolButton(this))
    , m_popup(new QWidget(this, Qt::Popup))
    , m_calendar(new QCalendarWidget(m_popup))
    , m_time(0, 0)
{
    m_edit->setObjectName(QStringLiteral("qt_datepicker_text"));
    m_edit->setMaxLength(10);
    m_edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9/.\\- ]{0,10}")), m_edit));
    m_edit->installEventFilter(this);
    m_button->setObjectName(QStringLiteral("qt_datepicker_button"));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(QStringLiteral("Pilih tanggal dari kalender (Alt+Panah Bawah)"));
    connect(m_button, &QToolButton::clicked, this, &DatePicker::showCalendar);
    setFocusProxy(m_edit);
    setFocusPolicy(m_edit->focusPolicy());

    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_calendar);
    m_calendar->setObjectName(QStringLiteral("qt_datepicker_calendar"));
    m_calendar->setGridVisible(true);
    m_calendar->setDateRange(m_min, m_max);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DatePicker::takeCalendarDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &DatePicker::takeCalendarDate);
    setDate(QDate::currentDate());
}

QDate DatePicker::parse(const QString &text)
{
    static const QRegularExpression separated(
        QStringLiteral("^\\s*(\\d{1,2})\\s*([/.\\-])\\s*(\\d{1,2})\\s*\\2\\s*(\\d{4})\\s*$"));
    static const QRegularExpression digits(QStringLiteral("^\\s*(\\d{2})(\\d{2})(\\d{4})\\s*$"));
    QRegularExpressionMatch m = separated.match(text);
    int day, month, year;
    if (m.hasMatch()) {
        day = m.captured(1).toInt();
        month = m.captured(3).toInt();
        year = m.captured(4).toInt();
    } else if ((m = digits.match(text)).hasMatch()) {
        day = m.captured(1).toInt();
        month = m.captured(2).toInt();
        year = m.captured(3).toInt();
    } else {
        return {};
    }
    return QDate(year, month, day); // invalid when the day does not exist
}

QDateTime DatePicker::dateTime() const
{
    const QString t = m_edit->text();
    if (t.trimmed().isEmpty())
        throw AppError(QStringLiteral("Tanggal belum diisi. Tulis tanggal sebagai "
                                      "hari/bulan/tahun, misalnya 15/03/2025."));
    const QDate d = parse(t);
    if (!d.isValid())
        throw AppError(QStringLiteral("Tanggal \"%1\" tidak ada. Tulis tanggal sebagai "
                                      "hari/bulan/tahun, misalnya 15/03/2025.")
                           .arg(t.trimmed()));
    if (d < m_min || d > m_max)
        throw AppError(QStringLiteral("Tanggal \"%1\" di luar jangkauan (%2 sampai %3).")
                           .arg(t.trimmed(), dateToDisplay(m_min.startOfDay()),
                                dateToDisplay(m_max.startOfDay())));
    return QDateTime(d, m_time);
}

void DatePicker::setDateTime(const QDateTime &dateTime)
{
    m_time = dateTime.time();
    setDate(dateTime.date());
}

void DatePicker::setDate(const QDate &date)
{
    m_edit->setText(date.toString(QStringLiteral("dd/MM/yyyy")));
    if (date.isValid())
        m_calendar->setSelectedDate(date);
}

QString DatePicker::text() const
{
    return m_edit->text();
}

void DatePicker::showCalendar()
{
    const QDate shown = parse(m_edit->text());
    if (shown.isValid())
        m_calendar->setSelectedDate(shown);
    m_popup->adjustSize();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() - m_popup->width())));
        if (at.y() + m_popup->height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - m_popup->height());
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus();
}

void DatePicker::takeCalendarDate(const QDate &date)
{
    setDate(date);
    m_popup->hide();
    m_edit->setFocus();
    m_edit->selectAll();
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress) {
            const auto *k = static_cast<QKeyEvent *>(event);
            if (k->key() == Qt::Key_F4
                || (k->key() == Qt::Key_Down && (k->modifiers() & Qt::AltModifier))) {
                showCalendar();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void DatePicker::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int h = height();
    const int bw = std::min(h, 20);
    m_edit->setGeometry(0, 0, width() - bw, h);
    m_button->setGeometry(width() - bw, 0, bw, h);
}

} // namespace gudang
