#include "frmestok.h"
#include "data/recordsource.h"
#include "frmstok.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmestok",
        "Edit Stok",
        3795,
        2490,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "Kode Barang", 360, 240, 1095, 255, 3 },
            { "txtkode", K::TextField, "", 2040, 240, 1575, 285, 0, 10 },
            { "Label2", K::Label, "Jumlah Stok", 360, 720, 1095, 255, 4 },
            { "txtstok", K::TextField, "", 2040, 720, 975, 285, 1, 10 },
            { "Label3", K::Label, "Stok Minimum", 360, 1200, 1095, 255, 5 },
            { "txtmin", K::TextField, "", 2040, 1200, 975, 285, 2, 10 },
            { "cmdsimpan", K::Button, "&Simpan", 600, 1800, 975, 375, 6 },
            { "cmdtutup", K::Button, "T&utup", 2040, 1800, 1095, 375, 7 },
        },
    };
    return form;
}

} // namespace

frmestok::frmestok(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtstok(control<QLineEdit>("txtstok"))
    , Label3(control<QLabel>("Label3"))
    , txtmin(control<QLineEdit>("txtmin"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    onEnter(txtkode, &frmestok::on_txtkode_returnPressed);
    onClicked(cmdsimpan, &frmestok::on_cmdsimpan_clicked);
    onClicked(cmdtutup, &frmestok::on_cmdtutup_clicked);
}

RecordSource &frmestok::source()
{
    return *app().screens().get<frmstok>().Adodc1;
}

void frmestok::on_txtkode_returnPressed()
{
    RecordSource &s = source();
    const LookUp found = lookUp(app().dialogs(), s, QStringLiteral("Kode_Barang"), txtkode->text(),
                                QStringLiteral("Data tidak Ada"));
    if (found == LookUp::NoRows)
        return;
    m_found = false; // the source has moved: what was found before is no longer current
    if (found != LookUp::Found) {
        txtkode->setFocus();
        txtkode->setText(QString());
        return;
    }
    const QString stok = s.field(1).toDisplay();
    const QString min = s.field(2).toDisplay();
    m_found = true;
    txtstok->setText(stok);
    txtmin->setText(min);
    txtstok->setFocus();
}

void frmestok::on_cmdsimpan_clicked()
{
    if (!m_found) {
        app().dialogs().message(QStringLiteral("Data tidak Ada"), Style::Ok);
        txtkode->setFocus();
        return;
    }
    RecordSource &s = source();
    s.setField(1, txtstok->text());
    s.setField(2, txtmin->text());
    s.update();
    if (app().dialogs().message(QStringLiteral("Masih Ada edit Lagi?"),
                                Style::YesNo | Style::Information, QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        m_found = false;
        txtkode->setFocus();
        txtkode->setText(QString());
        txtstok->setText(QString());
        txtmin->setText(QString());
    } else {
        unloadMe();
    }
}

void frmestok::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
