// What the action of a broker's row says, in the words brokers write it in
// English and in the languages of their other exports: a purchase, a
// purchase undone, a sale, a company's action on the shares (a split, a
// merger, a spin-off, a return of capital), or something else (a dividend, a
// fee, a short sale, a buy that closes one), with what it is when the words
// tell.
#pragma once

#include <QString>
#include <QStringView>
#include <utility>
#include <vector>

namespace tesmo::import {

enum class Action { Purchase, PurchaseUndone, Sale, Other, Company };

// The company's actions a row's words name, as bits.
enum CompanyAction : unsigned {
    kSplitAction = 1,
    kReverseSplitAction = 2,
    kMergerAction = 4,
    kSpinOffAction = 8,
    kReturnOfCapitalAction = 16,
};
// "split", "reverse split" and so on, for one bit; "split or merger" for two.
QString companyActionText(unsigned actions);

struct ActionReading {
    Action kind = Action::Other;
    // What the row is, when its words tell (a noun phrase for a status:
    // "dividend", "fee", "short sale"); nullptr when they do not. A purchase
    // of a dividend's reinvestment says "dividend" too.
    const char *what = nullptr;
    // Words of buying or selling are in it, whatever they add up to.
    bool tradeWords = false;
    // Of Company: the actions named (more than one: the words read two ways).
    unsigned company = 0;
    // Of a row whose words are the company's only when it receives shares:
    // an "exchange" (of shares: a merger) or a "distribution" (of the
    // shares of another company: a spin-off). Without shares it stays what
    // kind and what say.
    unsigned companyWithShares = 0;
};

// Whole words only ("Buyback" is no "buy", "Salesforce" no "sales"); a field
// that is one letter B, K (a purchase) or S, V (a sale) as terse files write
// it; the Japanese characters of buying and selling. A purchase word with a
// sale word is neither; a sale that is short, or a purchase that covers one,
// is neither; a purchase word with a word of cancelling or correcting undoes
// a purchase, and a sale so is something else. Words of a company's action
// make the row the company's, whatever else they say ("sale of fractional
// shares, reverse split" names a sale too: tradeWords tells).
ActionReading readAction(QStringView action);

// Whether a row of action and of shares of sharesSign (-1, 0 or 1) is a
// company's action: words of one, or an exchange or a distribution only of
// shares received.
inline bool isCompanyRow(const ActionReading &action, int sharesSign)
{
    return action.kind == Action::Company || (action.companyWithShares && sharesSign > 0 && !action.tradeWords);
}
inline Action actionOf(QStringView action)
{
    return readAction(action).kind;
}

// The readings of the few actions a file writes, each read once.
class ActionCache {
public:
    ActionReading operator()(QStringView action);

private:
    std::vector<std::pair<QString, ActionReading>> seen_;
};

} // namespace tesmo::import
