#include "frmestok.h"
#include "core/schema.h"
#include "frmstok.h"
#include "model/recordsource.h"
#include "stock/stockservice.h"

#include <QLabel>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmestok", .caption = "Edit Stok", .clientWidth = 3795, .clientHeight = 2490, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "Kode Barang", .left = 360, .top = 240, .width = 1095, .height = 255, .tabIndex = 3 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 2040, .top = 240, .width = 1575, .height = 285, .tabIndex = 0, .maxLength = 10 },
            { .name = "Label2", .kind = K::Label, .text = "Jumlah Stok", .left = 360, .top = 720, .width = 1095, .height = 255, .tabIndex = 4 },
            { .name = "txtstok", .kind = K::TextField, .text = "", .left = 2040, .top = 720, .width = 975, .height = 285, .tabIndex = 1, .maxLength = 10 },
            { .name = "Label3", .kind = K::Label, .text = "Stok Minimum", .left = 360, .top = 1200, .width = 1095, .height = 255, .tabIndex = 5 },
            { .name = "txtmin", .kind = K::TextField, .text = "", .left = 2040, .top = 1200, .width = 975, .height = 285, .tabIndex = 2, .maxLength = 10 },
            { .name = "cmdsimpan", .kind = K::Button, .text = "&Simpan", .left = 600, .top = 1800, .width = 975, .height = 375, .tabIndex = 6 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 2040, .top = 1800, .width = 1095, .height = 375, .tabIndex = 7 },
        },
    };
    return form;
}

} // namespace

frmestok::frmestok(App &app)
    : EditScreen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtstok(control<QLineEdit>("txtstok"))
    , Label3(control<QLabel>("Label3"))
    , txtmin(control<QLineEdit>("txtmin"))
{
    setUp({
        .source = [&app]() -> RecordSource & { return *app.screens().get<frmstok>().Adodc1; },
        .keyColumn = QStringLiteral("Kode_Barang"),
        .key = txtkode,
        .notFound = QStringLiteral("Data tidak Ada"),
        .more = QStringLiteral("Masih Ada edit Lagi?"),
        .firstField = txtstok,
        .fields = {
            { .column = col::tstok::Jumlah_Stok, .widget = txtstok },
            { .column = col::tstok::Stok_Minimum, .widget = txtmin },
        },
        .save = [&app](RecordSource &s) { app.stock().saveStock(s); },
    });
    onEnter(txtkode, &frmestok::on_txtkode_returnPressed);
}

void frmestok::on_txtkode_returnPressed()
{
    lookUpKey();
}

} // namespace gudang
