// How the action dialog words a corporate action: its line in the list of
// the ticker's actions, and what it did, in a sentence.
#pragma once

#include "store/Actions.h"
#include "store/GainsTable.h"

#include <QString>
#include <vector>

namespace tesmo {

// Cash per share as the action's words give it: to the cent, or to the
// tenth of a cent and below as typed ("$0.0125").
QString perShareText(Ticks ticks);

// The action as its list names it: "Split 4 for 1 on 6/3/2024", "Merger
// into BIGCO, 1 for 2, on 6/3/2024", "Return of capital of $2.00 a share on
// 6/3/2024".
QString actionTitle(const CorporateAction &action);

// What the action did, after its title: "Split 4 for 1 on 6/3/2024: 40 lots,
// 400 shares become 1,600." with the cash paid for a fraction and its gain or
// loss by term ("; cash for 0.5 shares: $25.00, gain $5.00 Short"), what a
// cash merger paid, what a spin-off made, what a return of capital took off
// the costs and its gain. The gains of the action's sale are those of
// saleRows, its figures for taxes as the file keeps them, when given (a wash
// sale's adjustments in them); else as sold.
QString actionSummary(const CorporateAction &action, const std::vector<GainRow> *saleRows = nullptr);

} // namespace tesmo
