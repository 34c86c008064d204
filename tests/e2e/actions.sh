#!/usr/bin/env bash
# End-to-end check of corporate actions: actions.sh PROGRAM. The real program under a window
# manager, each kind of action recorded in turn from the keyboard (Ctrl+K, the dialog's access
# keys), the ledger read back with sqlite3 after each: every lot's shares, price, net amount and
# trade date, the sales an action makes and the gain of a return of capital beyond a lot's cost.
# The display, the program and the waits are those of startup.sh, which runs this scenario.
# With TESMO_E2E_SHOTS set to a folder, the screenshots of the dialog are kept there as act-*.png.

keep_shot() { # NAME: a screenshot, kept when asked for
  shot "$1"
  [[ -n ${TESMO_E2E_SHOTS:-} && -s $dir/$1.png ]] && cp -- "$dir/$1.png" "$TESMO_E2E_SHOTS/$1.png"
}

# Ctrl+K on the current lot; the dialog up with the focus on its kind.
open_actions() {
  press "$main" ctrl+k
  window_up 'Corporate Action' Ctrl+K
  wait_focus "the dialog opens on the kind" 'Corporate Action' 'combo box' || return
}

# act DOWNS [KEY VALUE]...: the kind DOWNS below the first, the date, then each field reached by
# KEY (its access key, or Tab) and VALUE typed into it, or a check box ticked with the space bar
# for the value " "; Enter, and the message answered.
act() {
  local downs=$1 i
  shift
  open_actions || return
  for ((i = 0; i < downs; i++)); do press "$win" Down; done
  press "$win" alt+d
  wait_focus "Alt+D goes to the date" 'Corporate Action' text || return
  type_in 'Corporate Action' "$action_day"
  while (($#)); do
    press "$win" "$1"
    if [[ $2 == ' ' ]]; then
      wait_focus "$1 goes to the check box" 'Corporate Action' 'check box' || return
      press "$win" space
    else
      wait_focus "$1 goes to its box" 'Corporate Action' text || return
      type_in 'Corporate Action' "$2"
    fi
    shift 2
  done
  keep_shot "act-$(echo "$action_day" | tr / -)"
  press "$win" Return
  answer_box "recording the action of $action_day"
  main_window
}

lots_sql="SELECT ID, Ticker, ifnull(Name1, 'none'), NumShares, Price, NetAmount, TradeDate FROM qryStocks ORDER BY ID"
sales_sql="SELECT LotID, Ticker, NumShares, Acquired, Sold, Proceeds, CostBasis, Gain, Term FROM qrySales ORDER BY ID"
zeta='1|ZETA|Zeta|10.0|1.0|10.0|2020-01-01'
rows() { printf '%s\n' "$@"; } # ROW...: rows as sqlite3 prints them, one a line

scenario_actions() {
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Zeta', 'ZETA', 10, 1, 10, '2020-01-01'), ('Acme Corp', 'ACME', 100, 10, 1000, '2020-01-15'),
    ('Acme Corp', 'ACME', 50, 15, 750, '2021-06-01'), ('Acme Corp', 'ACME', 33, 20, 660, '2024-03-01')"
  start_wm
  open_main # on lot 4, the last

  action_day=6/3/2024 act 0 alt+a '4 for 1'
  check_sql "split 4 for 1" "$lots_sql" "$(rows "$zeta" '2|ACME|Acme Corp|400.0|2.5|1000.0|2020-01-15' \
    '3|ACME|Acme Corp|200.0|3.75|750.0|2021-06-01' '4|ACME|Acme Corp|132.0|5.0|660.0|2024-03-01')"

  # 73.2 shares after the reverse split: the 0.2 share is sold for $7.50 from lot 2, first in.
  action_day=7/1/2024 act 0 alt+a '1 for 10' Tab ' ' Tab 7.50
  check_sql "reverse split 1 for 10 with cash for the fraction" "$lots_sql" "$(rows "$zeta" \
    '2|ACME|Acme Corp|39.8|25.0|995.0|2020-01-15' '3|ACME|Acme Corp|20.0|37.5|750.0|2021-06-01' \
    '4|ACME|Acme Corp|13.2|50.0|660.0|2024-03-01')"
  check_sql "the cash for the fraction, a sale with its gain and term" "$sales_sql" \
    '2|ACME|0.2|2020-01-15|2024-07-01|7.5|5.0|2.5|Long'

  action_day=8/1/2024 act 1 alt+t ACMX alt+n 'Acme Holdings'
  check_sql "ticker and name change" "$lots_sql" "$(rows "$zeta" '2|ACMX|Acme Holdings|39.8|25.0|995.0|2020-01-15' \
    '3|ACMX|Acme Holdings|20.0|37.5|750.0|2021-06-01' '4|ACMX|Acme Holdings|13.2|50.0|660.0|2024-03-01')"
  check_sql "the sale recorded before keeps the old ticker" "SELECT Ticker FROM qrySales" ACME

  action_day=9/3/2024 act 2 alt+a '2 for 1' alt+t BIGCO alt+n 'Big Co'
  check_sql "merger for shares 2 for 1" "$lots_sql" "$(rows "$zeta" '2|BIGCO|Big Co|79.6|12.5|995.0|2020-01-15' \
    '3|BIGCO|Big Co|40.0|18.75|750.0|2021-06-01' '4|BIGCO|Big Co|26.4|25.0|660.0|2024-03-01')"

  # 20% of each lot's cost goes to its new lot, the trade date kept; the costs add up to the cent.
  action_day=10/1/2024 act 4 alt+a '1 for 2' alt+t SPIN alt+n 'Spin Co' alt+o 20
  check_sql "spin-off 1 for 2 at 20% of the cost" "$lots_sql" "$(rows "$zeta" '2|BIGCO|Big Co|79.6|12.5|796.0|2020-01-15' \
    '3|BIGCO|Big Co|40.0|18.75|600.0|2021-06-01' '4|BIGCO|Big Co|26.4|25.0|528.0|2024-03-01' \
    '5|SPIN|Spin Co|39.8|5.0|199.0|2020-01-15' '6|SPIN|Spin Co|20.0|7.5|150.0|2021-06-01' \
    '7|SPIN|Spin Co|13.2|10.0|132.0|2024-03-01')"

  local spun
  spun=$(sql "$lots_sql")
  # $11 a share: lot 2 is paid $875.60 on a cost of $796.00, a gain of $79.60 held long.
  local returned
  returned=$(rows "$zeta" '2|BIGCO|Big Co|79.6|12.5|0.0|2020-01-15' '3|BIGCO|Big Co|40.0|18.75|160.0|2021-06-01' \
    '4|BIGCO|Big Co|26.4|25.0|237.6|2024-03-01' '5|SPIN|Spin Co|39.8|5.0|199.0|2020-01-15' \
    '6|SPIN|Spin Co|20.0|7.5|150.0|2021-06-01' '7|SPIN|Spin Co|13.2|10.0|132.0|2024-03-01')
  action_day=11/1/2024 act 5 alt+p 11
  check_sql "return of capital, lot 2 beyond its cost" "$lots_sql" "$returned"

  # The ticker's actions, the latest chosen: Delete asks, Enter answers Yes, every lot as it was.
  open_actions || return
  press "$win" alt+i
  wait_focus "Alt+I goes to the actions" 'Corporate Action' table || return
  keep_shot act-dialog
  press "$win" Delete
  wait_box "Delete on the return of capital" || return
  keep_shot act-undo-question
  closes "$win" Return "the question"
  check_sql "the return of capital undone" "$lots_sql" "$spun"
  window_up 'Corporate Action' 'the undo'
  closes "$win" Escape "the dialog"
  main_window
  expect_no_box "the undo"

  action_day=11/1/2024 act 5 alt+p 11
  check_sql "return of capital recorded again" "$lots_sql" "$returned"
  # The realized gains shown (Ctrl+G) are those other tools read in qryGains.
  press "$main" ctrl+g
  wait_win '^Holdings and Gains$' || die "Ctrl+G showed no window; visible: $(visible)"
  keep_shot act-gains
  closes "$win" Escape "the Holdings and Gains window"
  main_window
  check_sql "the return of capital's gain with the realized gains" \
    "SELECT LotID, Acquired, Sold, Proceeds, CostBasis, Gain, Term FROM qryGains WHERE Sold = '2024-11-01'" \
    '2|2020-01-15|2024-11-01|79.6|0.0|79.6|Long'

  # $30 a share for every lot of BIGCO: one sale, each lot sold whole, gone from the ledger.
  action_day=12/2/2024 act 3 alt+p 30
  check_sql "merger for cash" "$lots_sql" "$(rows "$zeta" '5|SPIN|Spin Co|39.8|5.0|199.0|2020-01-15' \
    '6|SPIN|Spin Co|20.0|7.5|150.0|2021-06-01' '7|SPIN|Spin Co|13.2|10.0|132.0|2024-03-01')"
  check_sql "the merger's sale" "$sales_sql" "$(rows '2|ACME|0.2|2020-01-15|2024-07-01|7.5|5.0|2.5|Long' \
    '2|BIGCO|79.6|2020-01-15|2024-12-02|2388.0|0.0|2388.0|Long' '3|BIGCO|40.0|2021-06-01|2024-12-02|1200.0|160.0|1040.0|Long' \
    '4|BIGCO|26.4|2024-03-01|2024-12-02|792.0|237.6|554.4|Short')"
  check_sql "one row an action" "SELECT group_concat(Kind, '|') FROM (SELECT Kind FROM Actions ORDER BY ID)" \
    'Split|Split|Ticker change|Merger|Spin-off|Return of capital|Cash merger'

  expect_no_box "the actions"
  quit
}

here=$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")
# shellcheck source=startup.sh
source "$here/startup.sh" "${1:-}" actions
