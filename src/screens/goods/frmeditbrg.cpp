#include "frmeditbrg.h"
#include "core/schema.h"
#include "frmbrg.h"
#include "model/recordsource.h"

#include <QLabel>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmeditbrg", .caption = "Edit Barang", .clientWidth = 3945, .clientHeight = 3585, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "Kode Barang", .left = 240, .top = 360, .width = 1095, .height = 255, .tabIndex = 9 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 1920, .top = 360, .width = 1575, .height = 285, .tabIndex = 4, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Nama Barang", .left = 240, .top = 840, .width = 1095, .height = 255, .tabIndex = 8 },
            { .name = "txtnama", .kind = K::TextField, .text = "", .left = 1920, .top = 840, .width = 1935, .height = 285, .tabIndex = 3, .maxLength = 20 },
            { .name = "Label3", .kind = K::Label, .text = "Merk", .left = 240, .top = 1320, .width = 1095, .height = 255, .tabIndex = 7 },
            { .name = "txtmerk", .kind = K::TextField, .text = "", .left = 1920, .top = 1320, .width = 1575, .height = 285, .tabIndex = 2, .maxLength = 20 },
            { .name = "Label4", .kind = K::Label, .text = "Supplier", .left = 240, .top = 1800, .width = 1095, .height = 255, .tabIndex = 6 },
            { .name = "txtsup", .kind = K::TextField, .text = "", .left = 1920, .top = 1800, .width = 1575, .height = 285, .tabIndex = 1, .maxLength = 20 },
            { .name = "Label5", .kind = K::Label, .text = "Satuan", .left = 240, .top = 2280, .width = 1095, .height = 255, .tabIndex = 5 },
            { .name = "txtsatuan", .kind = K::TextField, .text = "", .left = 1920, .top = 2280, .width = 1575, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 600, .top = 2880, .width = 975, .height = 375, .tabIndex = 11 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 2040, .top = 2880, .width = 1095, .height = 375, .tabIndex = 10 },
        },
    };
    return form;
}

} // namespace

frmeditbrg::frmeditbrg(App &app)
    : EditScreen(app, formTable())
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
{
    setUp({
        .source = [&app]() -> RecordSource & { return *app.screens().get<frmbrg>().Adodc1; },
        .keyColumn = QStringLiteral("Kode_Barang"),
        .key = txtkode,
        .notFound = QStringLiteral("Data tidak Ada"),
        .more = QStringLiteral("Masih Ada edit Lagi?"),
        .firstField = txtnama,
        .fields = {
            { .column = col::tbarang::Kode_Barang, .widget = txtkode, .shown = false },
            { .column = col::tbarang::Nama_Barang, .widget = txtnama },
            { .column = col::tbarang::Merk, .widget = txtmerk },
            { .column = col::tbarang::Supplier, .widget = txtsup },
            { .column = col::tbarang::Satuan, .widget = txtsatuan },
        },
        .save = {},
    });
    onEnter(txtkode, &frmeditbrg::on_txtkode_returnPressed);
}

void frmeditbrg::on_txtkode_returnPressed()
{
    lookUpKey();
}

} // namespace gudang
