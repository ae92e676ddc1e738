#pragma once

#include "export/export.h"
#include "reports/engine/reportdefinition.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportrows.h"

#include <QAbstractTableModel>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace gudang {

// Rows of a report shown in a grid: the definition's columns, headings and alignment, numbers
// and dates as the program shows them. Every row of the report is there: the first ones at
// once, the rest as the grid scrolls to them (a chunk at a time, read from the report's
// sorted query, which lets go of the database between chunks).
class ReportList : public QAbstractTableModel, public TableSource
{
public:
    using QAbstractTableModel::QAbstractTableModel;
    ~ReportList() override;

    static constexpr int kChunk = 1000;
    static constexpr int kFirst = 200; // rows shown before a long report is counted

    // `title`: the report's title, its parameters filled in.
    void show(const ReportDefinition &def, std::shared_ptr<ReportRows> data, const QString &title);

    // Opens the report's rows (counted and sorted; AppError when they cannot be had), with a
    // progress that says when to stop.
    using Opener = std::function<std::shared_ptr<ReportRows>(const ReportProgress &)>;
    // Shows a report whose query may give many rows: its first rows as the query gives them,
    // at once, when they stand in the report's order; the report is counted and sorted on a
    // thread of its own meanwhile, and its rows join (or, when the sorted ones differ, replace)
    // them when it is ready. A query that gives few rows is shown as show() shows it. What
    // counting finds wrong goes to onFailed, and the list is emptied.
    void showWhileCounting(const ReportDefinition &def, QueryStart start, Opener open,
                           const QString &title);
    std::function<void(const AppError &)> onFailed;
    bool counting() const { return m_worker.joinable(); }
    // Waits for the counting, if any.
    void finishCounting();

    qint64 count() const { return m_count; }
    // The report's every row as a table to save as a spreadsheet, with every column the
    // printed report shows.
    ExportTable exportTable() const override;

    int rowCount(const QModelIndex &parent) const override;
    int columnCount(const QModelIndex &parent) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    QString text(const ReportRow &row, int column) const;
    void setColumns(const ReportDefinition &def, const QStringList &fields);
    // What the thread that counts hands over.
    struct Counted
    {
        std::shared_ptr<ReportRows> data;
        std::vector<ReportRow> first; // the first chunk in order
        std::optional<AppError> failure;
    };
    void stopCounting();
    void take(Counted counted);

    ReportDefinition m_def;
    QString m_title;
    std::vector<std::pair<ReportColumn, int>> m_columns; // with the field's index
    std::shared_ptr<ReportRows> m_data;
    qint64 m_count = 0;
    std::vector<ReportRow> m_rows;
    std::thread m_worker;
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::shared_ptr<Counted> m_counted; // filled by the worker before it ends
    int m_generation = 0;
};

} // namespace gudang
