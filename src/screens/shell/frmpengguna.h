#pragma once

#include "ui/screen.h"
#include "users/users.h"

#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStandardItemModel;

namespace gudang {

class GridView;

// The users and their roles, for the owner: add one, give another role, disable or enable,
// set a new password (which the user replaces at the next login).
class frmpengguna : public Screen
{
    Q_OBJECT
public:
    explicit frmpengguna(App &app);

    GridView *DataGrid1;
    QLabel *Label1;
    QLineEdit *txtnama;
    QLabel *Label2;
    QLineEdit *txtpass;
    QGroupBox *Frame1;
    QRadioButton *optpemilik;
    QRadioButton *optgudang;
    QRadioButton *optkasir;
    QPushButton *cmdtambah;
    QPushButton *cmdperan;
    QPushButton *cmdaktif;
    QPushButton *cmdreset;
    QPushButton *cmdtutup;

    void on_cmdtambah_clicked();
    void on_cmdperan_clicked();
    void on_cmdaktif_clicked();
    void on_cmdreset_clicked();
    void on_cmdtutup_clicked();
    void on_DataGrid1_currentChanged();

    // The user of the grid's current row; empty when none.
    QString currentUser() const;

private:
    // Reads the users again and stands on `name` (or the first row).
    void reload(const QString &name = {});
    Role chosenRole() const;
    // The user of the grid's current row, as last read; none when none.
    const UserEntry *current() const;

    std::vector<UserEntry> m_users;
    QStandardItemModel *m_model;
};

} // namespace gudang
