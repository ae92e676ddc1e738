#include "form.h"
#include "datepicker.h"
#include "facestyle.h"
#include "gridview.h"
#include "updown.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBoundaryFinder>
#include <QToolButton>
#include <QValidator>
#include <algorithm>
#include <cmath>

namespace gudang {

int twipsToPixels(int twips, const QWidget *widget)
{
    const int dpi = widget ? widget->logicalDpiX() : 96;
    return int(std::lround(double(twips) * dpi / 1440.0));
}

namespace {

// A field's length limit, counted in characters as the column counts them (code points), cut
// only between characters as a user sees them: a surrogate pair or a letter with its combining
// marks is kept whole or left out whole. What goes over the limit is dropped from the end of
// what was just typed or pasted, as a plain length limit does.
class LengthLimit final : public QValidator
{
public:
    LengthLimit(int limit, QObject *parent)
        : QValidator(parent)
        , m_limit(limit)
    { }

    State validate(QString &input, int &pos) const override
    {
        if (codePoints(input) <= m_limit)
            return Acceptable;
        pos = std::clamp(pos, 0, int(input.size()));
        QString tail = input.mid(pos);
        tail.truncate(fitting(tail, m_limit));
        const QString head = input.left(fitting(input.left(pos), m_limit - codePoints(tail)));
        input = head + tail;
        pos = int(head.size());
        return Acceptable;
    }

private:
    static int codePoints(const QString &s)
    {
        int n = 0;
        for (QChar c : s)
            n += c.isLowSurrogate() ? 0 : 1;
        return n;
    }
    // The length of the longest start of `s` that ends between two characters as a user sees
    // them and holds at most `budget` code points.
    static qsizetype fitting(const QString &s, int budget)
    {
        QTextBoundaryFinder f(QTextBoundaryFinder::Grapheme, s);
        qsizetype end = 0;
        int used = 0;
        for (qsizetype next = f.toNextBoundary(); next > 0; next = f.toNextBoundary()) {
            used += codePoints(s.mid(end, next - end));
            if (used > budget)
                break;
            end = next;
        }
        return end;
    }

public:
    int limit() const { return m_limit; }

private:
    int m_limit;
};

QWidget *create(const ControlRow &c, QWidget *parent)
{
    const QString text = QString::fromUtf8(c.text ? c.text : "");
    switch (c.kind) {
    case ControlKind::Label:
        return new QLabel(text, parent);
    case ControlKind::TextField: {
        auto *e = new QLineEdit(text, parent);
        if (c.maxLength > 0)
            e->setValidator(new LengthLimit(c.maxLength, e));
        if (c.flags & Ctl::Password) {
            e->setEchoMode(QLineEdit::Password);
            e->setStyleSheet(QStringLiteral("lineedit-password-character: 35"));
        }
        return e;
    }
    case ControlKind::Button: {
        auto *b = new QPushButton(text, parent);
        b->setAutoDefault(true); // Enter on a focused button presses it
        return b;
    }
    case ControlKind::Option:
        return new QRadioButton(text, parent);
    case ControlKind::Frame:
        return new QGroupBox(text, parent);
    case ControlKind::Grid:
        return new GridView(parent);
    case ControlKind::Spinner:
        return new UpDown(parent);
    case ControlKind::DatePicker:
        return new DatePicker(parent);
    }
    return nullptr;
}

bool usesFormFont(ControlKind k)
{
    return k == ControlKind::Label || k == ControlKind::Button || k == ControlKind::Option
        || k == ControlKind::Frame;
}

} // namespace

namespace {

// The screens name their fonts by families few systems have: map them to free look-alikes.
void installFontSubstitutes()
{
    static const bool done = [] {
        QFont::insertSubstitutions(
            QStringLiteral("Comic Sans MS"),
            { QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans Condensed") });
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            { QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans") });
        return true;
    }();
    (void)done;
}

// A field's label: a label of the same frame whose line the field's middle lies on, at its
// left; the nearest one.
QLabel *labelOf(QWidget *window, const FormTable &form, const ControlRow &field)
{
    QLabel *best = nullptr;
    int bestGap = 0;
    const int middle = field.top + field.height / 2;
    for (const ControlRow &c : form.controls) {
        if (c.kind != ControlKind::Label || (c.parent == nullptr) != (field.parent == nullptr)
            || (c.parent && qstrcmp(c.parent, field.parent) != 0))
            continue;
        const int gap = field.left - (c.left + c.width);
        if (middle < c.top - 60 || middle > c.top + c.height + 60 || gap < -60)
            continue;
        if (!best || gap < bestGap) {
            best = window->findChild<QLabel *>(QString::fromLatin1(c.name));
            bestGap = gap;
        }
    }
    return best;
}

// Screen readers hear every field by its own label (the label's buddy), never by its frame;
// a grid by the text its row gives (what it lists).
void nameFields(QWidget *window, const FormTable &form)
{
    for (const ControlRow &c : form.controls) {
        if (c.kind == ControlKind::Grid && c.text && *c.text) {
            if (QWidget *grid = window->findChild<QWidget *>(QString::fromLatin1(c.name)))
                grid->setAccessibleName(QString::fromUtf8(c.text));
            continue;
        }
        if (c.kind != ControlKind::TextField && c.kind != ControlKind::DatePicker
            && c.kind != ControlKind::Spinner)
            continue;
        QWidget *w = window->findChild<QWidget *>(QString::fromLatin1(c.name));
        QLabel *label = labelOf(window, form, c);
        if (!w || !label)
            continue;
        QString name = label->text();
        name.remove(QLatin1Char('&'));
        name = name.simplified();
        w->setAccessibleName(name);
        if (auto *picker = qobject_cast<DatePicker *>(w)) {
            picker->lineEdit()->setAccessibleName(name);
            picker->button()->setAccessibleName(QStringLiteral("Kalender %1").arg(name));
            label->setBuddy(picker->lineEdit());
        } else if (c.kind == ControlKind::TextField) {
            label->setBuddy(w);
        }
    }
}

} // namespace

void buildForm(QWidget *window, const FormTable &form)
{
    installFontSubstitutes();
    window->setObjectName(QString::fromLatin1(form.name));
    window->setWindowTitle(QString::fromUtf8(form.caption));
    window->setFixedSize(twipsToPixels(form.clientWidth, window),
                         twipsToPixels(form.clientHeight, window));
    if (form.background.isValid()) {
        QPalette pal = window->palette();
        pal.setColor(QPalette::Window, form.background);
        window->setPalette(pal);
        window->setAutoFillBackground(true);
    }
    // Controls without a font of their own use the screens' dialog font, 8.25 points.
    QFont windowFont = window->font();
    windowFont.setFamily(QStringLiteral("MS Sans Serif"));
    windowFont.setPointSizeF(8.25);
    window->setFont(windowFont);
    QFont formFont = windowFont;
    if (form.fontFamily) {
        formFont.setFamily(QString::fromUtf8(form.fontFamily));
        formFont.setPointSizeF(form.fontPoints);
        formFont.setBold(form.fontBold);
    }
    for (const ControlRow &c : form.controls) {
        QWidget *parent = window;
        if (c.parent)
            parent = window->findChild<QWidget *>(QString::fromLatin1(c.parent));
        QWidget *w = create(c, parent);
        w->setObjectName(QString::fromLatin1(c.name));
        w->setGeometry(twipsToPixels(c.left, window), twipsToPixels(c.top, window),
                       twipsToPixels(c.width, window), twipsToPixels(c.height, window));
        // Every control gets its font explicitly, so that a frame's bold caption is not
        // passed on to the controls inside it.
        const bool ownFont
            = form.fontOnLabelsOnly ? c.kind == ControlKind::Label : usesFormFont(c.kind);
        QFont f = ownFont ? formFont : windowFont;
        f.setBold((c.flags & Ctl::Bold) || (ownFont && form.fontBold));
        w->setFont(f);
        if (c.kind == ControlKind::Button && form.buttonColour.isValid()) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Button, form.buttonColour);
            w->setPalette(pal);
            w->setStyle(faceStyle());
        }
        if (c.colour.isValid()) {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Window, c.colour);
            w->setPalette(pal);
            w->setAutoFillBackground(true);
        }
        if (c.kind == ControlKind::Label || c.kind == ControlKind::Frame)
            w->setFocusPolicy(Qt::NoFocus);
        w->setEnabled(!(c.flags & Ctl::Disabled));
        if (c.flags & Ctl::Hidden)
            w->setVisible(false);
    }
    nameFields(window, form);
    // Tab order by tab index.
    std::vector<const ControlRow *> order;
    for (const ControlRow &c : form.controls) {
        if (c.tabIndex >= 0 && c.kind != ControlKind::Label && c.kind != ControlKind::Frame)
            order.push_back(&c);
    }
    std::stable_sort(order.begin(), order.end(), [](const ControlRow *a, const ControlRow *b) {
        return a->tabIndex < b->tabIndex;
    });
    for (size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(window->findChild<QWidget *>(QString::fromLatin1(order[i - 1]->name)),
                             window->findChild<QWidget *>(QString::fromLatin1(order[i]->name)));
    }
}

int lengthLimit(const QLineEdit *field)
{
    const auto *v = dynamic_cast<const LengthLimit *>(field->validator());
    return v ? v->limit() : 0;
}

QWidget *firstInTabOrder(QWidget *window, const FormTable &form)
{
    const ControlRow *best = nullptr;
    QWidget *bestWidget = nullptr;
    for (const ControlRow &c : form.controls) {
        if (c.tabIndex < 0 || c.kind == ControlKind::Label || c.kind == ControlKind::Frame)
            continue;
        QWidget *w = window->findChild<QWidget *>(QString::fromLatin1(c.name));
        if (!w || !w->isEnabled() || w->isHidden() || w->focusPolicy() == Qt::NoFocus)
            continue;
        if (!best || c.tabIndex < best->tabIndex) {
            best = &c;
            bestWidget = w;
        }
    }
    return bestWidget;
}

} // namespace gudang
