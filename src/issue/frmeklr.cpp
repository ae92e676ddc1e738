#include "frmeklr.h"
#include "data/recordsource.h"
#include "frmkeluar.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form {
        "frmeklr",
        "EDIT DATA KELUAR",
        4275,
        3180,
        QColor(),
        nullptr,
        0,
        false,
        QColor(192, 255, 192),
        {
            { "Label2", K::Label, "No Keluar", 240, 240, 975, 255, 6 },
            { "txtklr", K::TextField, "", 1800, 240, 1935, 285, 0 },
            { "Label5", K::Label, "Kode Barang", 240, 720, 975, 255, 8 },
            { "txtkode", K::TextField, "", 1800, 720, 1935, 285, 1 },
            { "Label4", K::Label, "Tanggal", 240, 1200, 1095, 375, 7 },
            { "dt1", K::DatePicker, "", 1800, 1200, 1935, 375, 5 },
            { "Label6", K::Label, "Jumlah", 240, 1680, 975, 255, 9 },
            { "txtjumlah", K::TextField, "", 1800, 1680, 1935, 285, 2 },
            { "cmdsimpan", K::Button, "&Simpan", 960, 2400, 855, 495, 3 },
            { "cmdtutup", K::Button, "&Tutup", 2400, 2400, 855, 495, 4 },
        },
    };
    return form;
}

} // namespace

frmeklr::frmeklr(App &app)
    : Screen(app, formTable())
    , Label2(control<QLabel>("Label2"))
    , txtklr(control<QLineEdit>("txtklr"))
    , Label5(control<QLabel>("Label5"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label4(control<QLabel>("Label4"))
    , dt1(control<DatePicker>("dt1"))
    , Label6(control<QLabel>("Label6"))
    , txtjumlah(control<QLineEdit>("txtjumlah"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    dt1->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    onEnter(txtklr, &frmeklr::on_txtklr_returnPressed);
    onClicked(cmdsimpan, &frmeklr::on_cmdsimpan_clicked);
    onClicked(cmdtutup, &frmeklr::on_cmdtutup_clicked);
}

RecordSource &frmeklr::source()
{
    return *app().screens().get<frmkeluar>().adodc1;
}

void frmeklr::on_txtklr_returnPressed()
{
    RecordSource &s = source();
    const LookUp found = lookUp(app().dialogs(), s, QStringLiteral("No_Keluar"), txtklr->text(),
                                QStringLiteral("Data Tidak ada"));
    if (found == LookUp::NoRows)
        return;
    m_found = false; // the source has moved: what was found before is no longer current
    if (found != LookUp::Found) {
        txtklr->setFocus();
        return;
    }
    // Everything is read before a field or the flag changes, so that a record that cannot be
    // read leaves the screen as it was.
    const QString kode = s.field(1).toText();
    const QDateTime tanggal = s.field(2).toDate();
    const QString jumlah = s.field(3).toDisplay();
    m_found = true;
    txtkode->setText(kode);
    dt1->setDateTime(tanggal);
    txtjumlah->setText(jumlah);
}

void frmeklr::on_cmdsimpan_clicked()
{
    if (!m_found) {
        app().dialogs().message(QStringLiteral("Data Tidak ada"), Style::Ok);
        txtklr->setFocus();
        return;
    }
    RecordSource &s = source();
    s.setField(1, txtkode->text());
    s.setField(2, dt1->dateTime());
    s.setField(3, txtjumlah->text());
    s.update();
    if (app().dialogs().message(QStringLiteral("Masih ada Edit Data lagi ?"),
                                Style::YesNo | Style::Information, QStringLiteral("PERHATIAN"))
        == Button::Yes) {
        m_found = false;
        txtklr->setText(QString());
        txtkode->setText(QString());
        dt1->setDateTime(QDateTime::currentDateTime());
        txtjumlah->setText(QString());
    } else {
        cmdtutup->setFocus();
    }
}

void frmeklr::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
