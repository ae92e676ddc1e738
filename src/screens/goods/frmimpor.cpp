#include "frmimpor.h"
#include "core/apperror.h"
#include "ui/gridview.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>

namespace gudang {

// The preview's rows, read from the plan as the grid shows them.
class ImportPlanModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setPlan(const ImportPlan *plan)
    {
        beginResetModel();
        m_plan = plan;
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() || !m_plan ? 0 : int(m_plan->rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 4;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!m_plan || role != Qt::DisplayRole)
            return {};
        const ImportRow &r = m_plan->rows[size_t(index.row())];
        switch (index.column()) {
        case 0:
            return r.line;
        case 1:
            return r.code;
        case 2:
            switch (r.verdict) {
            case ImportRow::New:
                return QStringLiteral("baru");
            case ImportRow::Changes:
                return QStringLiteral("berubah");
            case ImportRow::Unchanged:
                return QStringLiteral("sama");
            case ImportRow::Refused:
                return QStringLiteral("ditolak");
            }
            return {};
        default:
            return r.said;
        }
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        const char *names[] = { "Baris", "Kode", "Hasil", "Keterangan" };
        return QString::fromLatin1(names[section]);
    }

private:
    const ImportPlan *m_plan = nullptr;
};

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmimpor", .caption = "Impor Data", .clientWidth = 10200, .clientHeight = 7200, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "&File", .left = 240, .top = 300, .width = 855, .height = 255, .tabIndex = 9 },
            { .name = "txtfile", .kind = K::TextField, .text = "", .left = 1200, .top = 240, .width = 7095, .height = 315, .tabIndex = 0 },
            { .name = "cmdpilih", .kind = K::Button, .text = "&Pilih...", .left = 8520, .top = 210, .width = 1455, .height = 375, .tabIndex = 1 },
            { .name = "Frame1", .kind = K::Frame, .text = "Isi file", .left = 240, .top = 720, .width = 4575, .height = 735, .tabIndex = 10 },
            { .name = "optbarang", .kind = K::Option, .text = "&Barang", .left = 240, .top = 330, .width = 1695, .height = 255, .tabIndex = 2, .parent = "Frame1" },
            { .name = "optstok", .kind = K::Option, .text = "&Stok awal", .left = 2280, .top = 330, .width = 1935, .height = 255, .tabIndex = 3, .parent = "Frame1" },
            { .name = "Label2", .kind = K::Label, .text = "&Lembar XLSX", .left = 5040, .top = 960, .width = 1215, .height = 255, .tabIndex = 11 },
            { .name = "txtlembar", .kind = K::TextField, .text = "", .left = 6360, .top = 900, .width = 1935, .height = 315, .tabIndex = 4, .maxLength = 31 },
            { .name = "cmdperiksa", .kind = K::Button, .text = "P&eriksa", .left = 8520, .top = 870, .width = 1455, .height = 375, .tabIndex = 5 },
            { .name = "lblringkas", .kind = K::Label, .text = "", .left = 240, .top = 1620, .width = 9735, .height = 615, .tabIndex = 12 },
            { .name = "DataGrid1", .kind = K::Grid, .text = "", .left = 240, .top = 2340, .width = 9735, .height = 4095, .tabIndex = 6 },
            { .name = "cmdimpor", .kind = K::Button, .text = "&Impor", .left = 240, .top = 6600, .width = 1455, .height = 435, .tabIndex = 7, .flags = Ctl::Disabled },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 8520, .top = 6600, .width = 1455, .height = 435, .tabIndex = 8 },
        },
    };
    return form;
}

} // namespace

frmimpor::frmimpor(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , txtfile(control<QLineEdit>("txtfile"))
    , cmdpilih(control<QPushButton>("cmdpilih"))
    , Frame1(control<QGroupBox>("Frame1"))
    , optbarang(control<QRadioButton>("optbarang"))
    , optstok(control<QRadioButton>("optstok"))
    , Label2(control<QLabel>("Label2"))
    , txtlembar(control<QLineEdit>("txtlembar"))
    , cmdperiksa(control<QPushButton>("cmdperiksa"))
    , lblringkas(control<QLabel>("lblringkas"))
    , DataGrid1(control<GridView>("DataGrid1"))
    , cmdimpor(control<QPushButton>("cmdimpor"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_model(new ImportPlanModel(this))
{
    app.require(Right::Goods);
    Label1->setBuddy(txtfile);
    Label2->setBuddy(txtlembar);
    optbarang->setChecked(true);
    lblringkas->setWordWrap(true);
    DataGrid1->setAccessibleName(QStringLiteral("Hasil pemeriksaan"));
    DataGrid1->showList(m_model);
    onClicked(cmdpilih, &frmimpor::on_cmdpilih_clicked);
    onEnter(txtfile, &frmimpor::on_txtfile_returnPressed);
    onClicked(cmdperiksa, &frmimpor::on_cmdperiksa_clicked);
    onClicked(cmdimpor, &frmimpor::on_cmdimpor_clicked);
    onClicked(cmdtutup, &frmimpor::on_cmdtutup_clicked);
    // Another file, another kind or sheet: the preview no longer says what would be written.
    for (QLineEdit *f : { txtfile, txtlembar })
        connect(f, &QLineEdit::textEdited, this, [this] { forget(); });
    for (QRadioButton *o : { optbarang, optstok })
        connect(o, &QRadioButton::toggled, this, [this] { forget(); });
}

frmimpor::~frmimpor() = default;

void frmimpor::forget()
{
    m_model->setPlan(nullptr);
    m_plan.reset();
    cmdimpor->setEnabled(false);
    lblringkas->clear();
}

void frmimpor::on_cmdpilih_clicked()
{
    const QString path = app().dialogs().openFile(
        QStringLiteral("Pilih file untuk diimpor"),
        { QStringLiteral("CSV atau Excel (*.csv *.xlsx)"), QStringLiteral("Semua file (*)") });
    if (path.isEmpty())
        return;
    txtfile->setText(path);
    forget();
    cmdperiksa->setFocus();
}

void frmimpor::on_txtfile_returnPressed()
{
    cmdperiksa->setFocus();
}

void frmimpor::on_cmdperiksa_clicked()
{
    forget();
    const QString path = txtfile->text().trimmed();
    if (path.isEmpty()) {
        app().dialogs().message(QStringLiteral("Pilih dulu file yang diimpor."), Style::Ok);
        txtfile->setFocus();
        return;
    }
    // A big file says how far it is and can be stopped.
    QProgressDialog progress(QStringLiteral("Membaca %1...").arg(QDir::toNativeSeparators(path)),
                             QStringLiteral("&Batal"), 0, 1000, this);
    progress.setObjectName(QStringLiteral("progress"));
    progress.setWindowTitle(QStringLiteral("Impor Data"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const auto step = [&progress](int value) {
        progress.setValue(value);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    };
    try {
        const Sheet sheet
            = readSheet(path, txtlembar->text().trimmed(), [&](qint64 done, qint64 total) {
                  return step(total > 0 ? int(500 * done / total) : 0);
              });
        progress.setLabelText(QStringLiteral("Memeriksa %1 baris...").arg(sheet.rows.size()));
        const qint64 rows = qint64(sheet.rows.size());
        m_plan = planImport(
            app().locations().workingPath(),
            optstok->isChecked() ? ImportKind::Stock : ImportKind::Goods, sheet,
            [&](qint64 done) { return step(500 + int(rows > 0 ? 500 * done / rows : 500)); });
    } catch (const AppError &e) {
        if (e.kind() == AppError::Kind::Cancelled) {
            lblringkas->setText(QStringLiteral("Pemeriksaan dibatalkan; tidak ada yang disimpan."));
            return;
        }
        throw;
    }
    progress.setValue(1000);
    m_model->setPlan(&*m_plan);
    DataGrid1->resizeColumnToContents(0);
    DataGrid1->resizeColumnToContents(2);
    QString said = QStringLiteral("%1: %2.").arg(m_plan->format, m_plan->summary());
    said += QStringLiteral(" Kolom dipakai: %1.").arg(m_plan->columns.join(QStringLiteral(", ")));
    if (!m_plan->ignored.isEmpty())
        said += QStringLiteral(" Tidak dipakai: %1.")
                    .arg(m_plan->ignored.join(QStringLiteral(", ")).left(200));
    if (m_plan->beyondHeadings)
        said += QStringLiteral(" Sel di kanan judul terakhir tidak dibaca.");
    lblringkas->setText(said);
    cmdimpor->setEnabled(m_plan->count(ImportRow::New) + m_plan->count(ImportRow::Changes) > 0);
    if (cmdimpor->isEnabled())
        cmdimpor->setFocus();
}

void frmimpor::on_cmdimpor_clicked()
{
    if (!m_plan)
        return;
    const int writes = m_plan->count(ImportRow::New) + m_plan->count(ImportRow::Changes);
    const int refused = m_plan->count(ImportRow::Refused);
    QString question = QStringLiteral("Impor %1 baris (%2 baru, %3 berubah) dalam satu transaksi?")
                           .arg(writes)
                           .arg(m_plan->count(ImportRow::New))
                           .arg(m_plan->count(ImportRow::Changes));
    if (refused > 0)
        question = QStringLiteral("%1 baris ditolak dan tidak diimpor. ").arg(refused) + question;
    if (app().dialogs().message(question, Style::YesNo | Style::Information | Style::DefaultSecond,
                                QStringLiteral("PERHATIAN"))
        != Button::Yes)
        return;
    // The refused rows were shown and the question said they are left out.
    const ImportResult done = applyImport(app().locations().workingPath(), *m_plan,
                                          app().journalName(), app().role(), RefusedRows::LeaveOut);
    forget();
    app().dialogs().message(QStringLiteral("Impor selesai: %1 baru, %2 diubah; %3 baris jurnal "
                                           "\"stok awal impor\".")
                                .arg(done.added)
                                .arg(done.changed)
                                .arg(done.journaled),
                            Style::Information);
}

void frmimpor::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
