#pragma once

#include <optional>

namespace gudang {

// What a stock is worth, by moving average. Values are whole rupiah; a value worked out from
// a price or an average is rounded to the nearest rupiah, halves away from zero. The average
// cost is the value over the quantity, unrounded. A code's value changes only by its
// movements' values, so it always equals their sum:
//  - a stock that falls to zero or below takes all its value with it (value zero after);
//  - a receipt at a price: its quantity times the price (a reversing receipt, a negative
//    quantity at its price, never more than the value there is);
//  - anything else that lowers the stock: its share of the value, value x quantity / stock;
//  - anything else that raises it: at the average cost (the last one kept, when the stock
//    was zero or below).
// The server's functions apply the same rule in the same order of operations.
struct MovementValue
{
    double value = 0; // the change of the stock's value
    double valueAfter = 0;
    double averageBefore = 0;
    double averageAfter = 0;
};

// Rounded to whole rupiah, halves away from zero.
double wholeRupiah(double amount);

// The value of a movement of `change` units of a stock of `stockBefore` units worth
// `valueBefore`, whose last average cost was `averageBefore`; `price` for a receipt.
MovementValue valueMovement(double stockBefore, double valueBefore, double averageBefore,
                            double change, std::optional<double> price);

} // namespace gudang
