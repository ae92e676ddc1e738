#include "frmeklr.h"
#include "core/schema.h"
#include "frmkeluar.h"
#include "model/recordsource.h"
#include "stock/stockservice.h"

#include <QLabel>

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
    : EditScreen(app, formTable())
    , Label2(control<QLabel>("Label2"))
    , txtklr(control<QLineEdit>("txtklr"))
    , Label5(control<QLabel>("Label5"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label4(control<QLabel>("Label4"))
    , dt1(control<DatePicker>("dt1"))
    , Label6(control<QLabel>("Label6"))
    , txtjumlah(control<QLineEdit>("txtjumlah"))
{
    dt1->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
    setUp({
        .source
        = [&app]() -> RecordSource & { return *app.screens().get<frmkeluar>().adodc1; },
        .keyColumn = QStringLiteral("No_Keluar"),
        .key = txtklr,
        .notFound = QStringLiteral("Data Tidak ada"),
        .more = QStringLiteral("Masih ada Edit Data lagi ?"),
        // The number typed stays after a number not found, and the focus stays after one
        // found; after "Yes" the fields empty and the focus stays, after "No" "Tutup" waits.
        .clearKeyWhenNotFound = false,
        .focusKeyForNext = false,
        .closeWhenDone = false,
        .fields = {
            { .column = col::tbrgkeluar::Kode_Barang, .widget = txtkode },
            { .column = col::tbrgkeluar::Tanggal, .widget = dt1 },
            { .column = col::tbrgkeluar::Jumlah, .widget = txtjumlah },
        },
        .save = [&app](RecordSource &s) { app.stock().saveGoodsOut(s); },
    });
    onEnter(txtklr, &frmeklr::on_txtklr_returnPressed);
}

void frmeklr::on_txtklr_returnPressed()
{
    lookUpKey();
}

} // namespace gudang
