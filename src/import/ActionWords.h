// What the action of a broker's row says, in the words brokers write it in
// English and in the languages of their other exports: a purchase, a
// purchase undone, a sale, or something else (a dividend, a fee, a short
// sale, a buy that closes one), with what it is when the words tell.
#pragma once

#include <QString>
#include <QStringView>
#include <utility>
#include <vector>

namespace tesmo::import {

enum class Action { Purchase, PurchaseUndone, Sale, Other };

struct ActionReading {
    Action kind = Action::Other;
    // What the row is, when its words tell (a noun phrase for a status:
    // "dividend", "fee", "short sale"); nullptr when they do not. A purchase
    // of a dividend's reinvestment says "dividend" too.
    const char *what = nullptr;
    // Words of buying or selling are in it, whatever they add up to.
    bool tradeWords = false;
};

// Whole words only ("Buyback" is no "buy", "Salesforce" no "sales"); a field
// that is one letter B, K (a purchase) or S, V (a sale) as terse files write
// it; the Japanese characters of buying and selling. A purchase word with a
// sale word is neither; a sale that is short, or a purchase that covers one,
// is neither; a purchase word with a word of cancelling or correcting undoes
// a purchase, and a sale so is something else.
ActionReading readAction(QStringView action);
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
