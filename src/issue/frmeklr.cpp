#include "frmeklr.h"
#include "data/recordsource.h"
#include "data/schema.h"
#include "frmkeluar.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmeklr", .caption = "EDIT DATA KELUAR", .clientWidth = 4275, .clientHeight = 3180, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label2", .kind = K::Label, .text = "No Keluar", .left = 240, .top = 240, .width = 975, .height = 255, .tabIndex = 6 },
            { .name = "txtklr", .kind = K::TextField, .text = "", .left = 1800, .top = 240, .width = 1935, .height = 285, .tabIndex = 0 },
            { .name = "Label5", .kind = K::Label, .text = "Kode Barang", .left = 240, .top = 720, .width = 975, .height = 255, .tabIndex = 8 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 1800, .top = 720, .width = 1935, .height = 285, .tabIndex = 1 },
            { .name = "Label4", .kind = K::Label, .text = "Tanggal", .left = 240, .top = 1200, .width = 1095, .height = 375, .tabIndex = 7 },
            { .name = "dt1", .kind = K::DatePicker, .text = "", .left = 1800, .top = 1200, .width = 1935, .height = 375, .tabIndex = 5 },
            { .name = "Label6", .kind = K::Label, .text = "Jumlah", .left = 240, .top = 1680, .width = 975, .height = 255, .tabIndex = 9 },
            { .name = "txtjumlah", .kind = K::TextField, .text = "", .left = 1800, .top = 1680, .width = 1935, .height = 285, .tabIndex = 2 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 960, .top = 2400, .width = 855, .height = 495, .tabIndex = 3 },
            { .name = "cmdtutup", .kind = K::Button, .text = "&Tutup", .left = 2400, .top = 2400, .width = 855, .height = 495, .tabIndex = 4 },
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
    , m_flow(app.dialogs(), [this]() -> RecordSource & { return source(); },
             QStringLiteral("No_Keluar"),
             { QStringLiteral("Data Tidak ada"), QStringLiteral("Masih ada Edit Data lagi ?") })
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
    const LookUp found = m_flow.lookUp(txtklr->text(), [this](RecordSource &s) {
        const QString kode = s.field(col::tbrgkeluar::Kode_Barang).toText();
        const QDateTime tanggal = s.field(col::tbrgkeluar::Tanggal).toDate();
        const QString jumlah = s.field(col::tbrgkeluar::Jumlah).toDisplay();
        return [=, this] {
            txtkode->setText(kode);
            dt1->setDateTime(tanggal);
            txtjumlah->setText(jumlah);
        };
    });
    if (found == LookUp::NotFound)
        txtklr->setFocus();
}

void frmeklr::on_cmdsimpan_clicked()
{
    const std::optional<Button> more = m_flow.save([this](RecordSource &s) {
        s.setField(col::tbrgkeluar::Kode_Barang, txtkode->text());
        s.setField(col::tbrgkeluar::Tanggal, dt1->dateTime());
        s.setField(col::tbrgkeluar::Jumlah, txtjumlah->text());
    });
    if (!more) {
        txtklr->setFocus();
    } else if (*more == Button::Yes) {
        m_flow.reset();
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
