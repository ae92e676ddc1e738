#pragma once

#include "core/rights.h"

#include <QDate>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace gudang {

// One line of a receipt: goods received at a unit purchase price.
struct ReceiptLine
{
    QString code;
    double quantity = 0;
    double price = 0;
};

// Goods received from a supplier on one invoice.
struct Receipt
{
    QDate date;
    QString supplier;
    QString invoice;
    std::vector<ReceiptLine> lines;
};

// Receipts (tables tterima, tterimabrg): a receipt is posted in one transaction, each line
// raising the stock, with its journal row "terima" valued at its price. A posted receipt is
// never changed; it is taken back by a reversing receipt of the same lines.
class ReceiptService
{
public:
    ReceiptService(const QString &workingAddress, QString user, Role role);
    ~ReceiptService();

    // Posts the receipt; returns its number. Nothing is written when any line is refused.
    qint64 post(const Receipt &receipt);
    // Posts the receipt that takes receipt `number` back (its lines out at their prices);
    // returns its number. A receipt is taken back once, and only while its goods are there.
    qint64 reverse(qint64 number);

private:
    qint64 write(const Receipt &receipt, std::optional<qint64> reverses);
    struct Data;
    std::unique_ptr<Data> d;
};

} // namespace gudang
