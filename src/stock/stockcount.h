#pragma once

#include "core/rights.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

// One stock count (stok opname) as stored.
struct CountInfo
{
    int id = 0;
    QDateTime made;
    QString by;
    QString filter; // the goods it counts: code or name containing this; empty: all
    bool applied = false;
    QDateTime appliedAt;
    QString appliedBy;
};

// One code of a count: the stock when the count began, what was counted (none: not yet), and
// the movements since the count began (postings, bookings; once applied, as they were then).
struct CountLine
{
    QString code;
    QString name;
    std::optional<double> counted;
    double atStart = 0;
    double movedSince = 0;
    // What the apply adds to the stock: counted less the stock at the start.
    double difference() const { return counted ? *counted - atStart : 0; }
};

// Stock counts: begun for all goods or some, counted by scans (one transaction each, so that
// several workstations count into one count at once and nothing is lost), and applied once:
// every stock set to what was counted plus what moved during the count, a journal row
// "opname" for each difference, all in one transaction; then read only.
class CountService
{
public:
    CountService(QString workingAddress, QString user, Role role);
    ~CountService();
    CountService(const CountService &) = delete;
    CountService &operator=(const CountService &) = delete;

    void setUser(const QString &user, Role role);

    CountInfo start(const QString &filter);
    std::optional<CountInfo> latest();
    std::optional<CountInfo> info(int id);
    // Every code of the count, by code.
    std::vector<CountLine> lines(int id);

    enum class Scanned { Counted, NotInCount, Applied };
    struct Scan
    {
        Scanned outcome = Scanned::Counted;
        CountLine line;
    };
    // Adds `quantity` to the code's count.
    Scan scan(int id, const QString &code, double quantity);

    // Applies the count; returns how many stocks it changed. A count applied already is
    // refused (AppError).
    int apply(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace gudang
