#pragma once

#include "ui/screen.h"

#include <functional>

class QLabel;
class QPushButton;

namespace gudang {

// First run: asks for the user name and password to create, then creates both databases.
class frmawal : public Screen
{
    Q_OBJECT
public:
    explicit frmawal(App &app);

    // Runs after the databases have been created (shows the login screen).
    std::function<void()> onCreated;

    QLabel *Label1;
    QLineEdit *txtuser;
    QLabel *Label2;
    QLineEdit *txtpass;
    QLabel *Label3;
    QLineEdit *txtulang;
    QPushButton *cmdsimpan;
    QPushButton *cmdbatal;

    void on_txtuser_returnPressed();
    void on_txtpass_returnPressed();
    void on_txtulang_returnPressed();
    void on_cmdsimpan_clicked();
    void on_cmdbatal_clicked();
};

} // namespace gudang
