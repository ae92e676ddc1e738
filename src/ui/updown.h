#pragma once

#include <QWidget>

class QToolButton;

namespace gudang {

// An up-down spinner: two arrow buttons holding a whole-number value; each click changes the
// value by one within its range and signals the change.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setRange(int min, int max);
    void setValue(int value);
    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

signals:
    void changed();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void step(int delta);

    QToolButton *m_up;
    QToolButton *m_down;
    int m_value = 1;
    int m_min = 1;
    int m_max = 99;
};

} // namespace gudang
