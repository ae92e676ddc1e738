#pragma once

#include <QDateTime>
#include <QWidget>

class QCalendarWidget;
class QLineEdit;
class QToolButton;

namespace gudang {

// A date field: the date is typed as it is shown, day/month/year ("15/03/2025", "1/3/2025";
// "15-03-2025", "15.03.2025" and "15032025" are read too), or chosen in a calendar that drops
// down from the arrow button (Alt+Down or F4). Taking the focus selects the whole text, so that
// typing replaces it. A time of day given with setDateTime is kept. Reading a text that is no
// date fails with AppError: an impossible date is never turned into another one.
class DatePicker : public QWidget
{
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr);

    // The date shown, with the time of day last set; AppError when the text is no date.
    QDateTime dateTime() const;
    QDate date() const { return dateTime().date(); }
    void setDateTime(const QDateTime &dateTime);
    void setDate(const QDate &date);
    QDate minimumDate() const { return m_min; }
    QDate maximumDate() const { return m_max; }

    // The text as typed.
    QString text() const;
    QLineEdit *lineEdit() const { return m_edit; }
    QToolButton *button() const { return m_button; }
    QCalendarWidget *calendar() const { return m_calendar; }

    // Reads a typed date; an invalid QDate when it is none.
    static QDate parse(const QString &text);

    void showCalendar();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void takeCalendarDate(const QDate &date);

    QLineEdit *m_edit;
    QToolButton *m_button;
    QWidget *m_popup;
    QCalendarWidget *m_calendar;
    QTime m_time;
    QDate m_min { 1601, 1, 1 };
    QDate m_max { 9999, 12, 31 };
};

} // namespace gudang
