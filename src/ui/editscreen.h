#pragma once

#include "dialogs.h"
#include "screen.h"

#include <QString>
#include <functional>
#include <vector>

class QPushButton;

namespace gudang {

class RecordSource;

// An edit screen: a key typed and confirmed looks its record up in another screen's record
// source; the record is read whole before any field changes, so a record that cannot be read
// leaves the screen as it was; "Simpan" writes the fields back and asks whether there is more;
// "Tutup" closes. Each screen keeps its own texts, fields and focus, given in its `Setup`.
class EditScreen : public Screen
{
    Q_OBJECT
public:
    QPushButton *cmdsimpan;
    QPushButton *cmdtutup;

    void on_cmdsimpan_clicked();
    void on_cmdtutup_clicked();

protected:
    struct Setup
    {
        std::function<RecordSource &()> source;
        QString keyColumn;
        QLineEdit *key = nullptr; // where the key is typed
        QString notFound; // the look-up found nothing, or "Simpan" without a record found
        QString more; // asked after a save
        // After a key that is not there: the key field is emptied as well as focused.
        bool clearKeyWhenNotFound = true;
        QWidget *firstField = nullptr; // focused once the record shows; null: focus stays
        bool focusKeyForNext = true; // after "Yes"
        bool closeWhenDone = true; // after "No"; otherwise the focus goes to "Tutup"
        // The record's fields on the screen, each a text field or a date picker; every
        // field is written back on "Simpan", the shown ones filled by the look-up. After
        // "Yes" the key and every text field are emptied and every date is now.
        struct Field
        {
            int column;
            QWidget *widget;
            bool shown = true;
        };
        std::vector<Field> fields;
        // Writes the fields set on the source; its update() when none is given (a service
        // that journals the change otherwise).
        std::function<void(RecordSource &)> save;
    };

    EditScreen(App &app, const FormTable &form);
    // Completes the screen: called once its fields exist.
    void setUp(Setup setup);

    // Looks up the typed key; found, the record is read whole, then shown.
    void lookUpKey();

private:
    Setup m_setup;
    // A record found by this screen's own look-up, since it opened or since the last "Yes".
    bool m_found = false;
};

} // namespace gudang
