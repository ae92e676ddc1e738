#include "frmminimum.h"
#include "data/value.h"
#include "reportdata.h"
#include "reportdefinition.h"
#include "reportengine.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace gudang {

namespace {

const FormTable &formTable()
{
    using K = ControlKind;
    static const FormTable form { .name = "frmminimum", .caption = "Stok di bawah minimum", .clientWidth = 10200, .clientHeight = 6600, .buttonColour = QColor(192, 255, 192), .controls = {
            { .name = "Label1", .kind = K::Label, .text = "", .left = 240, .top = 240, .width = 9720, .height = 255, .tabIndex = 4 },
            { .name = "DataGrid1", .kind = K::Grid, .text = "Stok di bawah minimum", .left = 240, .top = 600, .width = 9720, .height = 5040, .tabIndex = 0 },
            { .name = "cmdcetak", .kind = K::Button, .text = "&Cetak", .left = 7200, .top = 5880, .width = 1215, .height = 375, .tabIndex = 1 },
            { .name = "cmdtutup", .kind = K::Button, .text = "T&utup", .left = 8640, .top = 5880, .width = 1215, .height = 375, .tabIndex = 2 },
        },
    };
    return form;
}

constexpr int kShown = 5000; // rows listed on the screen; the print has them all

} // namespace

// The rows of the list as the definition gives them, its columns and headings.
class frmminimum::Rows : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    void show(const ReportDefinition &def, const ReportRows &data, std::vector<ReportRow> rows)
    {
        beginResetModel();
        m_columns.clear();
        for (const ReportColumn &c : def.columns)
            m_columns.push_back({ c, data.fieldIndex(c.field) });
        m_rows = std::move(rows);
        endResetModel();
    }

    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : int(m_columns.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        const auto &[column, field] = m_columns[size_t(index.column())];
        if (role == Qt::TextAlignmentRole)
            return int((column.align == ReportColumn::Align::Right ? Qt::AlignRight : Qt::AlignLeft)
                       | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        const ReportCell &cell = m_rows[size_t(index.row())][size_t(field)];
        if (cell.null)
            return QString();
        return cell.isNumber ? QVariant(formatNumber(cell.number)) : QVariant(cell.text);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QAbstractTableModel::headerData(section, orientation, role);
        return m_columns[size_t(section)].first.heading;
    }

private:
    std::vector<std::pair<ReportColumn, int>> m_columns;
    std::vector<ReportRow> m_rows;
};

frmminimum::frmminimum(App &app)
    : Screen(app, formTable())
    , Label1(control<QLabel>("Label1"))
    , DataGrid1(control<QTableView>("DataGrid1"))
    , cmdcetak(control<QPushButton>("cmdcetak"))
    , cmdtutup(control<QPushButton>("cmdtutup"))
    , m_rows(new Rows(this))
    , m_engine(new ReportEngine(app, lowStockReportPath(app.locations()), this))
{
    DataGrid1->setModel(m_rows);
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->horizontalHeader()->setStretchLastSection(true);
    onClicked(cmdcetak, &frmminimum::on_cmdcetak_clicked);
    onClicked(cmdtutup, &frmminimum::on_cmdtutup_clicked);
    app.run([this] { refresh(); });
}

void frmminimum::refresh()
{
    writeMissingReportDefinitions(app().locations());
    const QString path = lowStockReportPath(app().locations());
    const ReportDefinition def = readReportDefinition(path);
    ReportRows data(def, app().locations().workingPath(), path);
    m_rows->show(def, data, data.read(0, kShown));
    data.release();
    const qint64 n = data.count();
    Label1->setText(n == 0 ? QStringLiteral("Tidak ada stok di bawah minimum.")
                        : n > kShown
                        ? QStringLiteral("%1 barang; %2 yang pertama ditampilkan, cetak untuk "
                                         "semuanya.")
                              .arg(formatNumber(double(n), 0, true))
                              .arg(kShown)
                        : QStringLiteral("%1 barang di bawah minimum atau tanpa data stok.")
                              .arg(formatNumber(double(n), 0, true)));
}

void frmminimum::on_cmdcetak_clicked()
{
    m_engine->discardSavedData();
    m_engine->setDestination(ReportEngine::Window);
    m_engine->printReport();
}

void frmminimum::on_cmdtutup_clicked()
{
    unloadMe();
}

} // namespace gudang
