#include "valuation.h"

#include <cmath>

namespace gudang {

double wholeRupiah(double amount)
{
    return amount < 0 ? -std::floor(-amount + 0.5) : std::floor(amount + 0.5);
}

MovementValue valueMovement(double stockBefore, double valueBefore, double averageBefore,
                            double change, std::optional<double> price)
{
    MovementValue m;
    m.averageBefore = averageBefore;
    const double stockAfter = stockBefore + change;
    if (stockAfter <= 0) {
        m.value = -valueBefore;
    } else if (price) {
        m.value = wholeRupiah(change * *price);
        if (valueBefore + m.value < 0)
            m.value = -valueBefore;
    } else if (change < 0) {
        m.value = -wholeRupiah(valueBefore * -change / stockBefore);
    } else if (change > 0) {
        m.value = stockBefore > 0 ? wholeRupiah(valueBefore * change / stockBefore)
                                  : wholeRupiah(averageBefore * change);
    }
    m.valueAfter = valueBefore + m.value;
    m.averageAfter = stockAfter > 0 ? m.valueAfter / stockAfter : averageBefore;
    return m;
}

} // namespace gudang
