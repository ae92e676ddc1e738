#pragma once

#include "credentialsscreen.h"

class QLabel;

namespace gudang {

// Login screen: the start-up screen. The typed pair logs in the first user (tpass) or another
// active user, with the role the owner gave them.
class frmpas : public CredentialsScreen
{
    Q_OBJECT
public:
    explicit frmpas(App &app);

    void on_txtpass_returnPressed();
    void on_cmdok_clicked();
};

} // namespace gudang
