#include "import/ActionWords.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

namespace tesmo::import {

namespace {

enum Kind : unsigned {
    kBuys = 1,
    kSells = 2,
    kUndoes = 4,
    kShort = 8,
    kCover = 16,
    kDividend = 32,
    kInterest = 64,
    kFee = 128,
    kTax = 256,
    kTransfer = 512,
    kSplit = 1024,
    kReverse = 2048,
    kMerger = 4096,
    kExchange = 8192,
    kSpin = 16384,
    kDistribution = 32768,
    kReturn = 65536,
    kCapital = 131072,
    kRepayment = 262144,
    kRoc = 524288,
    kNondividend = 1048576,
};

// In alphabetical order, in lower case.
constexpr std::pair<std::string_view, unsigned> kWords[] = {
    {"achat", kBuys},          {"acquisition", kMerger},  {"acquisto", kBuys},       {"annulation", kUndoes},
    {"bought", kBuys},         {"buy", kBuys},            {"buys", kBuys},           {"ca", kUndoes},
    {"cancel", kUndoes},       {"cancelation", kUndoes},  {"canceled", kUndoes},     {"cancellation", kUndoes},
    {"cancelled", kUndoes},    {"cancels", kUndoes},      {"capital", kCapital},     {"charge", kFee},
    {"charges", kFee},         {"commission", kFee},      {"compra", kBuys},         {"corrected", kUndoes},
    {"correction", kUndoes},   {"cover", kCover},         {"cxl", kUndoes},          {"deposit", kTransfer},
    {"distribution", kDividend | kDistribution}, {"div", kDividend},
    {"dividend", kDividend},   {"dividende", kDividend},
    {"dividendo", kDividend},  {"dividends", kDividend},  {"exchange", kExchange},   {"fee", kFee},
    {"fees", kFee},            {"interest", kInterest},   {"journal", kTransfer},    {"kauf", kBuys},
    {"koop", kBuys},           {"merger", kMerger},       {"nondividend", kNondividend},
    {"purchase", kBuys},       {"purchased", kBuys},      {"purchases", kBuys},      {"redeem", kSells},
    {"redeemed", kSells},      {"redemption", kSells},    {"reinvest", kBuys},       {"reinvested", kBuys},
    {"reinvestment", kBuys},   {"reinvestments", kBuys},  {"repayment", kRepayment}, {"return", kReturn},
    {"reversal", kUndoes},     {"reverse", kUndoes | kReverse}, {"reversed", kUndoes},     {"roc", kRoc},
    {"sale", kSells},          {"sales", kSells},         {"sell", kSells},          {"sells", kSells},
    {"short", kShort},         {"sold", kSells},          {"spin", kSpin},           {"spinoff", kSpin},
    {"split", kSplit},         {"storno", kUndoes},       {"tax", kTax},             {"tender", kSells},
    {"tendered", kSells},      {"transfer", kTransfer},   {"vendita", kSells},       {"venta", kSells},
    {"vente", kSells},         {"verkauf", kSells},       {"verkoop", kSells},       {"wire", kTransfer},
    {"withdrawal", kTransfer}, {"withholding", kTax},
};
static_assert(std::is_sorted(std::begin(kWords), std::end(kWords)));

// The Japanese characters of buying (買), selling (売), a dividend (配当,
// 分配金) and a cancellation (取消, 訂正).
unsigned japaneseWords(QStringView text)
{
    unsigned said = 0;
    said |= text.contains(u'\u8CB7') ? unsigned(kBuys) : 0u;
    said |= text.contains(u'\u58F2') ? unsigned(kSells) : 0u;
    said |= text.contains(u"\u914D\u5F53") || text.contains(u"\u5206\u914D\u91D1") ? unsigned(kDividend) : 0u;
    said |= text.contains(u"\u53D6\u6D88") || text.contains(u"\u8A02\u6B63") ? unsigned(kUndoes) : 0u;
    return said;
}

unsigned wordsOf(QStringView action)
{
    const QStringView whole = action.trimmed();
    if (whole.size() == 1) {
        switch (whole.front().toUpper().unicode()) {
        case u'B': case u'K': return kBuys;
        case u'S': case u'V': return kSells;
        default: break;
        }
    }
    unsigned said = japaneseWords(action);
    bool afterNon = false;   // the word before was "non": "non-dividend" is "nondividend"
    for (qsizetype i = 0; i < action.size();) {
        if (!action[i].isLetter()) {
            ++i;
            continue;
        }
        // The word in lower case; one beyond the Latin letters of the list is none of them.
        char word[16];
        std::size_t length = 0;
        bool known = true;
        for (; i < action.size() && action[i].isLetter(); ++i) {
            const char16_t c = action[i].unicode();
            known = known && c < 0x80 && length < sizeof word;
            if (known)
                word[length++] = char(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
        }
        if (!known) {
            afterNon = false;
            continue;
        }
        const std::string_view w(word, length);
        if (std::exchange(afterNon, w == "non") && w == "dividend")
            said |= kNondividend;
        const auto *found = std::lower_bound(std::begin(kWords), std::end(kWords), w,
                                             [](const auto &entry, std::string_view x) { return entry.first < x; });
        if (found != std::end(kWords) && found->first == w)
            said |= found->second;
    }
    return said;
}

// The company's actions the words name.
unsigned companyActions(unsigned said)
{
    unsigned named = 0;
    if (said & kSplit)
        named |= said & kReverse ? kReverseSplitAction : said & kUndoes ? 0u : unsigned(kSplitAction);
    named |= said & kMerger ? unsigned(kMergerAction) : 0u;
    named |= said & kSpin ? unsigned(kSpinOffAction) : 0u;
    if ((said & kRoc) || (said & kNondividend) || ((said & kCapital) && (said & (kReturn | kRepayment))))
        named |= kReturnOfCapitalAction;
    return named;
}

} // namespace

QString companyActionText(unsigned actions)
{
    static const char *const kNames[] = {"split", "reverse split", "merger", "spin-off", "return of capital"};
    QStringList named;
    for (unsigned bit = 0; bit < std::size(kNames); ++bit)
        if (actions & (1u << bit))
            named << QString::fromLatin1(kNames[bit]);
    return named.join(QStringLiteral(" or "));
}

ActionReading readAction(QStringView action)
{
    const unsigned said = wordsOf(action);
    ActionReading r;
    r.tradeWords = said & (kBuys | kSells);
    if ((r.company = companyActions(said))) {
        r.kind = Action::Company;
        return r;
    }
    r.companyWithShares = (said & kExchange ? unsigned(kMergerAction) : 0u)
                          | (said & kDistribution ? unsigned(kSpinOffAction) : 0u);
    r.what = said & kDividend   ? "dividend"
             : said & kInterest ? "interest"
             : said & kTax      ? "tax"
             : said & kFee      ? "fee"
             : said & kSplit    ? "a split undone"
             : said & kTransfer ? "cash transfer"
                                : nullptr;
    if ((said & kBuys) && (said & kSells))
        r.kind = Action::Other;
    else if (said & kSells)
        r.kind = said & kShort ? Action::Other : said & kUndoes ? Action::Other : Action::Sale;
    else if (said & kBuys)
        r.kind = said & kCover ? Action::Other : said & kUndoes ? Action::PurchaseUndone : Action::Purchase;
    if ((said & kSells) && (said & kShort))
        r.what = "short sale";
    else if ((said & kBuys) && (said & kCover))
        r.what = "a buy to cover closes a short sale";
    else if ((said & kSells) && (said & kUndoes) && !(said & kBuys))
        r.what = "a sale undone";
    else if (r.kind == Action::PurchaseUndone)
        r.what = "it undoes a purchase";
    return r;
}

ActionReading ActionCache::operator()(QStringView action)
{
    for (const auto &[text, reading] : seen_)
        if (text == action)
            return reading;
    const ActionReading reading = readAction(action);
    if (seen_.size() < 64)
        seen_.emplace_back(action.toString(), reading);
    return reading;
}

} // namespace tesmo::import
