#pragma once

namespace gudang {

class Locations;

// Fills a new working database (all its tables empty) with a small set of goods, stock and
// goods-out rows. Returns false when the database already holds data.
bool fillDemoData(const Locations &locations);

} // namespace gudang
