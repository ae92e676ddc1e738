#pragma once

#include <QColor>
#include <QString>
#include <vector>

class QLineEdit;
class QWidget;

namespace gudang {

// The layout values of a screen, in one declarative table per screen. Positions and sizes are
// in twips (1/1440 inch), relative to the client area or the enclosing frame.
enum class ControlKind { Label, TextField, Button, Option, Frame, Grid, Spinner, DatePicker };

namespace Ctl {
constexpr unsigned Disabled = 1;
constexpr unsigned Password = 2; // shows "#" for each character
constexpr unsigned Bold = 4;
constexpr unsigned Hidden = 8;
} // namespace Ctl

struct ControlRow
{
    const char *name;
    ControlKind kind;
    const char *text;
    int left, top, width, height;
    int tabIndex = -1; // -1: takes no part in the tab order
    int maxLength = 0; // text fields: 0 = no limit
    unsigned flags = 0;
    const char *parent = nullptr; // enclosing frame, or the window
    QColor colour = QColor(); // background of a frame; invalid: the window's
};

struct FormTable
{
    const char *name;
    const char *caption;
    int clientWidth, clientHeight;
    QColor background = QColor(); // invalid: the default
    const char *fontFamily = nullptr; // labels and buttons
    double fontPoints = 0;
    bool fontBold = false;
    QColor buttonColour = QColor(); // invalid: the default
    std::vector<ControlRow> controls = {};
    bool fontOnLabelsOnly = false; // the form's font is for its labels alone
};

// Pixels for a length in twips on this widget's screen: 15 twips a pixel at 96 DPI.
int twipsToPixels(int twips, const QWidget *widget);

// Creates the window's controls from the table (object names as in the table), sizes the window
// to its client area and chains the tab order by tab index.
void buildForm(QWidget *window, const FormTable &form);

// The length limit of a text field from its form table, in characters; 0 when it has none.
int lengthLimit(const QLineEdit *field);

// The control with the lowest tab index that is visible and enabled and can take the focus.
QWidget *firstInTabOrder(QWidget *window, const FormTable &form);

} // namespace gudang
