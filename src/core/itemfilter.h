#pragma once

#include <cmath>
#include <optional>

// Which items a page may show, as the item source's own search parameters: only items with a
// coupon, only Tmall's, a band of final prices (yuan) and a lowest commission rate (percent).
struct ItemFilter
{
    bool couponOnly = false;
    bool tmallOnly = false;
    std::optional<double> minPrice;
    std::optional<double> maxPrice;
    std::optional<double> minCommission; // percent: 5 is 5 %

    bool isEmpty() const { return !couponOnly && !tmallOnly && !minPrice && !maxPrice && !minCommission; }
    bool operator==(const ItemFilter &) const = default;

    // The rate in hundredths of a percent, as the services take it: 5 % is 500.
    long long commissionHundredths() const { return minCommission ? std::llround(*minCommission * 100) : 0; }
};
