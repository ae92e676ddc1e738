#pragma once

#include "credentialsscreen.h"

class QLabel;

namespace gudang {

// Login screen: the start-up screen. Compares the typed pair with the first row of tpass.
class frmpas : public CredentialsScreen
{
    Q_OBJECT
public:
    explicit frmpas(App &app);

    void on_txtpass_returnPressed();
    void on_cmdok_clicked();
};

} // namespace gudang
