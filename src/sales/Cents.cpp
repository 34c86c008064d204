#include "sales/Cents.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace tesmo {

Ticks roundToCent(long double ticks)
{
    return Ticks(std::round(ticks / 100)) * 100;
}

Ticks truncateToCent(Ticks ticks)
{
    return ticks / 100 * 100;
}

std::vector<Ticks> shareCents(Ticks total, const std::vector<double> &weights,
                              const std::vector<std::size_t> &seniority)
{
    const std::size_t n = weights.size();
    std::vector<Ticks> parts(n, 0);
    if (n <= 1) {
        if (n == 1)
            parts[0] = truncateToCent(total);
        return parts;
    }
    std::vector<std::size_t> order = seniority;
    if (order.size() != n) {
        order.resize(n);
        std::iota(order.begin(), order.end(), std::size_t(0));
    }
    long double sum = 0;
    for (const double w : weights)
        sum += std::max(w, 0.0);
    const Ticks cents = total / 100;
    if (!(sum > 0)) {
        parts[order.front()] = cents * 100;
        return parts;
    }
    // Each share to the cent below; a share a rounding error below a whole
    // cent counts as that cent.
    std::vector<long double> rest(n);
    Ticks given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const long double exact = cents * (std::max(weights[i], 0.0) / sum);
        long double whole = std::floor(exact);
        if (exact - whole > 1 - 1e-9L)
            whole += 1;
        parts[i] = std::clamp(Ticks(whole), Ticks(0), cents - given);
        rest[i] = exact - (long double)parts[i];
        given += parts[i];
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rest[a] > rest[b]; });
    for (std::size_t k = 0; given < cents; k = (k + 1) % n, ++given)
        ++parts[order[k]];
    for (Ticks &part : parts)
        part *= 100;
    return parts;
}

std::optional<Ticks> lotCost(std::optional<Ticks> netAmount, std::optional<Ticks> price, double shares)
{
    if (netAmount)
        return truncateToCent(*netAmount);
    if (!price)
        return std::nullopt;
    const long double cost = (long double)*price * shares;
    if (!(std::abs(cost) < 9e18L))
        return std::nullopt;
    return roundToCent(cost);
}

} // namespace tesmo
