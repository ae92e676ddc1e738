#pragma once

#include "ui/screen.h"

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTableView;

namespace gudang {

class RecordSource;

// Goods search: finds goods by any part of the code or the name, without regard to letter
// case, as the user types (quotes, "%" and "_" are ordinary characters). Enter takes the chosen
// code into the screen it was opened from, where that screen waits for a code.
class frmcari : public Screen
{
    Q_OBJECT
public:
    explicit frmcari(App &app);

    QLabel *Label1;
    QLineEdit *txtcari;
    QTableView *DataGrid1;
    QLabel *Label2;
    QPushButton *cmdpilih;
    QPushButton *cmdtutup;
    RecordSource *Adodc1; // tbarang

    // Where a chosen code goes; empty: the search only shows.
    std::function<void(const QString &code)> onChosen;

    void on_txtcari_textChanged();
    void on_txtcari_returnPressed();
    void on_cmdpilih_clicked();
    void on_cmdtutup_clicked();

    // The rows of Adodc1 whose code or name holds the text, in table order.
    std::vector<int> search(const QString &text);

    // Opens the search above a screen; its code field (txtkode), when it waits for a code,
    // takes the chosen code.
    static void openAbove(App &app, Screen &from);

private:
    class Found;
    Found *m_found;
    // Code, a separator and name of a few thousand rows in folded case, one row after another,
    // and where each row's text ends: the block a search works through, used again.
    std::string m_block;
    std::vector<size_t> m_rowEnds;
};

} // namespace gudang
