// How the wash sales tell tickers and count shares through the splits of
// a whole ticker (sales/WashSales.h): the engine's own, below its interface.
#pragma once

#include "store/TickerFamilies.h"
#include "text/FieldRules.h"

#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace tesmo::wash {

// Tickers as whole numbers, one for each ticker but for letter case, and one
// for the tickers of a family.
class TickerKeys {
public:
    explicit TickerKeys(const TickerFamilies &families) : families_(families) {}
    int keyOf(const QString &ticker)
    {
        if (!haveLast_ || ticker != last_) {
            folded_.clear();
            bool ascii = true;
            for (const QChar c : ticker) {
                const char16_t u = c.unicode();
                ascii = ascii && u < 0x80;
                folded_ += char(u >= 'A' && u <= 'Z' ? u - 'A' + 'a' : u);
            }
            if (!ascii)
                folded_ = foldTicker(ticker).toStdString();
            if (!families_.empty())
                folded_ = families_.keyOfFolded(QString::fromStdString(folded_)).toStdString();
            lastKey_ = keys_.try_emplace(folded_, int(keys_.size())).first->second;
            last_ = ticker;
            haveLast_ = true;
        }
        return lastKey_;
    }
    int count() const { return int(keys_.size()); }

private:
    const TickerFamilies &families_;
    std::unordered_map<std::string, int> keys_;
    std::string folded_;
    QString last_;
    bool haveLast_ = false;
    int lastKey_ = 0;
};

// The factor that turns shares of a day into shares after every split.
class Scales {
public:
    void add(int key, std::int64_t day, double factor)
    {
        if (factor > 0)
            splits_.push_back({key, day, factor});
    }
    void ready()
    {
        std::sort(splits_.begin(), splits_.end(), [](const Split &a, const Split &b) {
            return std::tie(a.key, a.day) < std::tie(b.key, b.day);
        });
        // Each split's factor times those after it of its ticker.
        for (std::size_t i = splits_.size(); i-- > 0;)
            if (i + 1 < splits_.size() && splits_[i + 1].key == splits_[i].key)
                splits_[i].factor *= splits_[i + 1].factor;
    }
    double of(int key, std::int64_t day) const
    {
        const auto at = std::upper_bound(splits_.begin(), splits_.end(), std::pair(key, day),
                                         [](const std::pair<int, std::int64_t> &k, const Split &s) {
                                             return k < std::pair(s.key, s.day);
                                         });
        return at != splits_.end() && at->key == key ? at->factor : 1.0;
    }

private:
    struct Split {
        int key;
        std::int64_t day;
        double factor;
    };
    std::vector<Split> splits_;
};

} // namespace tesmo::wash
