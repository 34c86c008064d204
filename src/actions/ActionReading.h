// The figures of a corporate action as the user types them, read and
// checked one field at a time: each refusal (ActionRefusal) names its field.
#pragma once

#include "text/Money.h"

#include <QDate>
#include <QString>

namespace tesmo {

// Refuses a day that is not a date of the ledger's years, or lies after today.
void checkActionDay(QDate day, QDate today);

// The ratio as the lists show it, "4 for 1", from any form readActionRatio
// reads ("4:1", "4-FOR-1"); the text itself when it does not read.
QString ratioText(const QString &typed);

// A percentage from 0 to 100, with or without a "%".
double readActionPercent(const QString &typed);

// An amount of 0 or more, as money is typed ("12.5", "$1,250.00"); what
// names what the amount is in the message that refuses an empty one.
Ticks readActionCash(const QString &typed, const QString &label, const QString &what);

// Refuses cash paid beside the shares of a merger: any amount above 0.
void refuseCashAndShares(const QString &typed);

// A new ticker as the ticker box takes it; refuses one the field rules do.
QString checkedNewTicker(const QString &typed);
// A new name as the name box takes it; empty for none.
QString checkedNewName(const QString &typed);

} // namespace tesmo
