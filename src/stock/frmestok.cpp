#include "frmestok.h"
#include "data/recordsource.h"
#include "data/schema.h"
#include "frmstok.h"
#include "ui/recordcommands.h"

#include <QLabel>
#include <QPushButton>

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
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Label2(control<QLabel>("Label2"))
    , txtstok(control<QLineEdit>("txtstok"))
    , Label3(control<QLabel>("Label3"))
    , txtmin(control<QLineEdit>("txtmin"))
    , cmdsimpan(control<QPushButton>("cmdsimpan"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_flow(app.dialogs(), [this]() -> RecordSource & { return source(); },
             QStringLiteral("Kode_Barang"),
             { QStringLiteral("Data tidak Ada"), QStringLiteral("Masih Ada edit Lagi?") })
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
    const LookUp found = m_flow.lookUp(txtkode->text(), [this](RecordSource &s) {
        const QString stok = s.field(col::tstok::Jumlah_Stok).toDisplay();
        const QString min = s.field(col::tstok::Stok_Minimum).toDisplay();
        return [=, this] {
            txtstok->setText(stok);
            txtmin->setText(min);
        };
    });
    if (found == LookUp::NotFound) {
        txtkode->setFocus();
        txtkode->setText(QString());
    } else if (found == LookUp::Found) {
        txtstok->setFocus();
    }
}

void frmestok::on_cmdsimpan_clicked()
{
    const std::optional<Button> more = m_flow.save([this](RecordSource &s) {
        s.setField(col::tstok::Jumlah_Stok, txtstok->text());
        s.setField(col::tstok::Stok_Minimum, txtmin->text());
    });
    if (!more) {
        txtkode->setFocus();
    } else if (*more == Button::Yes) {
        m_flow.reset();
        txtkode->setFocus();
        for (QLineEdit *f : { txtkode, txtstok, txtmin })
            f->setText(QString());
    } else {
        unloadMe();
    }
}

void frmestok::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
