#include "frmlabel.h"
#include "reports/engine/labels.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmlabel", .caption = "Label Rak", .clientWidth = 6480, .clientHeight = 3600, .buttonColour = QColor(192, 192, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "&Kode barang (pisahkan dengan koma; kosong: semua barang)", .left = 240, .top = 240, .width = 6000, .height = 255, .tabIndex = 8 },
            { .name = "txtkode", .kind = K::TextField, .text = "", .left = 240, .top = 540, .width = 6000, .height = 315, .tabIndex = 0, .maxLength = 2000 },
            { .name = "Frame1", .kind = K::Frame, .text = "Lembar A4", .left = 240, .top = 1080, .width = 6000, .height = 1095, .tabIndex = 9 },
            { .name = "opt3x8", .kind = K::Option, .text = "&3 x 8 label (70 x 37 mm)", .left = 240, .top = 330, .width = 5400, .height = 255, .tabIndex = 1, .parent = "Frame1" },
            { .name = "opt4x10", .kind = K::Option, .text = "&4 x 10 label (52,5 x 29,7 mm)", .left = 240, .top = 690, .width = 5400, .height = 255, .tabIndex = 2, .parent = "Frame1" },
            { .name = "cmdlihat", .kind = K::Button, .text = "&Lihat", .left = 240, .top = 2760, .width = 1335, .height = 495, .tabIndex = 3 },
            { .name = "cmdcetak", .kind = K::Button, .text = "&Cetak", .left = 1740, .top = 2760, .width = 1335, .height = 495, .tabIndex = 4 },
            { .name = "cmdpdf", .kind = K::Button, .text = "&PDF", .left = 3240, .top = 2760, .width = 1335, .height = 495, .tabIndex = 5 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 4905, .top = 2760, .width = 1335, .height = 495, .tabIndex = 6 },
        },
    };
    return form;
}

// Paints the labels on a printer's pages, the printer's own margins set aside.
void printOn(QPrinter &printer, const std::vector<Label> &labels, const LabelLayout &layout)
{
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&printer);
    const double perMm = printer.resolution() / 25.4;
    painter.scale(perMm, perMm);
    paintLabels(painter, labels, layout, [&printer] { printer.newPage(); });
}

} // namespace

frmlabel::frmlabel(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtkode(control<QLineEdit>("txtkode"))
    , Frame1(control<QGroupBox>("Frame1"))
    , opt3x8(control<QRadioButton>("opt3x8"))
    , opt4x10(control<QRadioButton>("opt4x10"))
    , cmdlihat(control<QPushButton>("cmdlihat"))
    , cmdcetak(control<QPushButton>("cmdcetak"))
    , cmdpdf(control<QPushButton>("cmdpdf"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
{
    app.require(Right::Goods);
    Label1->setBuddy(txtkode);
    opt3x8->setChecked(true);
    onEnter(txtkode, &frmlabel::on_txtkode_returnPressed);
    onClicked(cmdlihat, &frmlabel::on_cmdlihat_clicked);
    onClicked(cmdcetak, &frmlabel::on_cmdcetak_clicked);
    onClicked(cmdpdf, &frmlabel::on_cmdpdf_clicked);
    onClicked(cmdtutup, &frmlabel::on_cmdtutup_clicked);
}

const LabelLayout &frmlabel::chosenLayout() const
{
    return *findLabelLayout(opt4x10->isChecked() ? QStringLiteral("4x10") : QStringLiteral("3x8"));
}

QStringList frmlabel::chosenCodes() const
{
    QStringList codes;
    for (const QString &c : txtkode->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (!c.trimmed().isEmpty())
            codes << c.trimmed();
    }
    return codes;
}

void frmlabel::on_txtkode_returnPressed()
{
    cmdlihat->setFocus();
}

void frmlabel::on_cmdlihat_clicked()
{
    const std::vector<Label> labels = labelsOf(app().locations().workingPath(), chosenCodes());
    const LabelLayout &layout = chosenLayout();
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Label Rak"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&](QPrinter *p) { printOn(*p, labels, layout); });
    preview.exec();
}

void frmlabel::on_cmdcetak_clicked()
{
    const std::vector<Label> labels = labelsOf(app().locations().workingPath(), chosenCodes());
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Cetak Label Rak"));
    if (dialog.exec() == QDialog::Accepted)
        printOn(printer, labels, chosenLayout());
}

void frmlabel::on_cmdpdf_clicked()
{
    const std::vector<Label> labels = labelsOf(app().locations().workingPath(), chosenCodes());
    const QString path
        = app().dialogs().saveFile(QStringLiteral("Simpan PDF"), QStringLiteral("label-rak.pdf"),
                                   { QStringLiteral("PDF (*.pdf)") });
    if (path.isEmpty())
        return;
    writeLabelsPdf(labels, chosenLayout(), path);
    app().dialogs().message(QStringLiteral("%1 label disimpan di %2.")
                                .arg(labels.size())
                                .arg(QDir::toNativeSeparators(path)),
                            Style::Information);
}

void frmlabel::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
