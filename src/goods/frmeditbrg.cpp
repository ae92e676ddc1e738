#include "frmeditbrg.h"
#include "data/recordsource.h"
#include "frmbrg.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmeditbrg",
        "Edit Barang",
        3945,
        3585,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 255, 192),
        {
            { "Label1", K::Label, "Kode Barang", 240, 360, 1095, 255, 9 },
            { "txtkode", K::TextField, "", 1920, 360, 1575, 285, 4, 10 },
            { "Label2", K::Label, "Nama Barang", 240, 840, 1095, 255, 8 },
            { "txtnama", K::TextField, "", 1920, 840, 1935, 285, 3, 20 },
            { "Label3", K::Label, "Merk", 240, 1320, 1095, 255, 7 },
            { "txtmerk", K::TextField, "", 1920, 1320, 1575, 285, 2, 20 },
            { "Label4", K::Label, "Supplier", 240, 1800, 1095, 255, 6 },
            { "txtsup", K::TextField, "", 1920, 1800, 1575, 285, 1, 20 },
            { "Label5", K::Label, "Satuan", 240, 2280, 1095, 255, 5 },
            { "txtsatuan", K::TextField, "", 1920, 2280, 1575, 285, 0, 10 },
            { "cmdsimpan", K::Button, "&Simpan", 600, 2880, 975, 375, 11 },
            { "cmdtutup", K::Button, "T&utup", 2040, 2880, 1095, 375, 10 },
        },
    };
    return form;
}

} // namespace

frmeditbrg::frmeditbrg(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtnama(control<QLineEdit>("txtnama"))
    , Label3(control<QLabel>("Label3"))
    , txtmerk(control<QLineEdit>("txtmerk"))
    , Label4(control<QLabel>("Label4"))
    , txtsup(control<QLineEdit>("txtsup"))
    , Label5(control<QLabel>("Label5"))
    , txtsatuan(control<QLineEdit>("txtsatuan"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    onEnter(txtkode, &frmeditbrg::on_txtkode_returnPressed);
    onClicked(cmdsimpan, &frmeditbrg::on_cmdsimpan_clicked);
    onClicked(cmdtutup, &frmeditbrg::on_cmdtutup_clicked);
}

RecordSource &frmeditbrg::source()
{
    return *app().screens().get<frmbrg>().Adodc1;
}

void frmeditbrg::on_txtkode_returnPressed()
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
    // A column without a value shows as an empty text. All is read before anything changes.
    const QString values[]
        = { s.field(1).toText(), s.field(2).toText(), s.field(3).toText(), s.field(4).toText() };
    m_found = true;
    txtnama->setText(values[0]);
    txtmerk->setText(values[1]);
    txtsup->setText(values[2]);
    txtsatuan->setText(values[3]);
    txtnama->setFocus();
}

void frmeditbrg::on_cmdsimpan_clicked()
{
    if (!m_found) {
        app().dialogs().message(QStringLiteral("Data tidak Ada"), Style::Ok);
        txtkode->setFocus();
        return;
    }
    RecordSource &s = source();
    s.setField(0, txtkode->text());
    s.setField(1, txtnama->text());
    s.setField(2, txtmerk->text());
    s.setField(3, txtsup->text());
    s.setField(4, txtsatuan->text());
    s.update();
    if (app().dialogs().message(QStringLiteral("Masih Ada edit Lagi?"),
                                Style::YesNo | Style::Information, QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        m_found = false;
        txtkode->setFocus();
        for (QLineEdit *f : { txtkode, txtnama, txtmerk, txtsup, txtsatuan })
            f->setText(QString());
    } else {
        unloadMe();
    }
}

void frmeditbrg::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
