#!/usr/bin/env bash
# End-to-end checks: the real program on a virtual X display, driven from the
# keyboard with xdotool, and the ledger file it leaves behind read with sqlite3.
#
#   startup.sh PROGRAM [SCENARIO...]
#
# A SCENARIO is the name of a scenario_<name> function below; without one,
# every scenario runs. Each scenario gets a fresh folder under $work:
#   data/     the program's current folder, where Tesmo.mdb lives
#   home/     HOME and XDG folders of the program, so no user setting leaks in
#   *.png     screenshots;  program.log  the program's output
# On success the folders are removed; on failure they are kept and printed.
# TESMO_E2E_KEEP=1 keeps them always. TESMO_E2E_WAIT (seconds, default 30)
# bounds every wait for a window or for the program to exit.
#
# To add a scenario: write scenario_<name>() using the helpers (launch,
# main_window, type_text, press, click_key, enter_lot, find_ticker, split_lot,
# close_main, expect_exit, create_ledger, seed_sql, sql, check_eq, check_sql,
# wait_sql ...) and register it in tests/CMakeLists.txt with
# tesmo_add_e2e(<name>).
set -uo pipefail

if (($# < 1)); then
  echo "usage: $0 PROGRAM [SCENARIO...]" >&2
  exit 2
fi
prog=$(realpath -- "$1") || exit 2
shift
[[ -x $prog ]] || { echo "not an executable: $prog" >&2; exit 2; }

wait_limit=${TESMO_E2E_WAIT:-30}
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-e2e.XXXXXX") || exit 2

xvfb_pid=
win=
boxes_dismissed=0
app_pid=
app_status=
case_name=
case_dir=
data_dir=
errors=0

# ---------------------------------------------------------------- reporting

log() { printf '[e2e %s] %s\n' "${case_name:-setup}" "$*" >&2; }

# A soft failure: the scenario goes on so that one run shows every broken check.
fail() {
  log "FAIL: $*"
  errors=$((errors + 1))
}

# A hard failure: nothing sensible can follow.
die() {
  fail "$*"
  screenshot failure || true
  exit 1
}

check_eq() { # DESCRIPTION EXPECTED ACTUAL
  if [[ $2 == "$3" ]]; then
    log "ok: $1"
  else
    fail "$1: expected '$2', got '$3'"
  fi
}

# ------------------------------------------------------------------ cleanup

stop_pid() { # PID: TERM, then KILL if it does not go within 3 s
  local pid=$1 i
  [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  for ((i = 0; i < 30; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

cleanup() {
  local rc=$?
  ((errors)) && rc=1
  stop_pid "$app_pid"
  stop_pid "$xvfb_pid"
  if ((rc != 0)); then
    {
      if [[ -n $case_dir && -s $case_dir/program.log ]]; then
        echo "---- program output ($case_dir/program.log) ----"
        tail -n 60 "$case_dir/program.log"
        echo "----"
      fi
      echo "e2e FAILED; files kept in $work"
      find "$work" -name '*.png' | sort | sed 's/^/  screenshot: /'
    } >&2
  elif [[ ${TESMO_E2E_KEEP:-0} == 1 ]]; then
    echo "e2e files kept in $work" >&2
  else
    rm -rf -- "$work"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# ------------------------------------------------------------------ display

# Starts a private Xvfb on a display number it picks itself (-displayfd), so
# several of these scripts can run at the same time.
start_display() {
  local numfile=$work/display i
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    9>"$numfile" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 100; i++)); do
    if [[ -s $numfile ]] && grep -q '^[0-9][0-9]*$' "$numfile"; then
      DISPLAY=":$(cat "$numfile")"
      export DISPLAY
      if xdpyinfo >/dev/null 2>&1; then
        log "Xvfb on $DISPLAY"
        return 0
      fi
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/xvfb.log" >&2
  die "Xvfb did not start"
}

screenshot() { # NAME: saves $case_dir/NAME.png (or $work when between cases)
  [[ -n ${DISPLAY:-} ]] && command -v import >/dev/null || return 0
  local file=${case_dir:-$work}/$1.png
  if timeout 15 import -display "$DISPLAY" -window root "$file" 2>/dev/null; then
    log "screenshot $file"
  fi
}

# ------------------------------------------------------------------ program

new_case() { # NAME: fresh folders for one scenario
  case_name=$1
  case_dir=$work/$1
  data_dir=$case_dir/data
  mkdir -p "$data_dir" "$case_dir/home/.config" "$case_dir/home/.local/share" \
    "$case_dir/home/.cache" "$case_dir/runtime"
  chmod 700 "$case_dir/runtime"
  errors=0
  app_pid=
  app_status=
  win=
  boxes_dismissed=0
  log "---- scenario $1"
}

# shellcheck disable=SC2120 # scenarios may pass arguments to the program
launch() { # [ARGS...]: starts the program in $data_dir
  (
    cd "$data_dir" || exit 127
    unset SESSION_MANAGER
    export QT_QPA_PLATFORM=xcb \
      HOME=$case_dir/home \
      XDG_CONFIG_HOME=$case_dir/home/.config \
      XDG_DATA_HOME=$case_dir/home/.local/share \
      XDG_CACHE_HOME=$case_dir/home/.cache \
      XDG_RUNTIME_DIR=$case_dir/runtime
    exec "$prog" "$@"
  ) >>"$case_dir/program.log" 2>&1 &
  app_pid=$!
  log "started $prog (pid $app_pid) in $data_dir"
}

app_running() { [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; }

visible_windows() { # names of all visible windows, for diagnostics
  timeout 5 xdotool search --onlyvisible --name '.' 2>/dev/null |
    while read -r w; do
      printf "'%s' " "$(timeout 5 xdotool getwindowname "$w" 2>/dev/null)"
    done
}

find_window() { # REGEX: prints the id of a visible window so named, now
  timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .
}

wait_window() { # REGEX [SECONDS]: sets $win once such a window is visible
  local limit=${2:-$wait_limit} i
  win=
  for ((i = 0; i < limit * 4; i++)); do
    if win=$(find_window "$1"); then
      sleep 0.3 # let the program finish showing it before keys arrive
      return 0
    fi
    app_running || return 1
    sleep 0.25
  done
  win=
  return 1
}

main_window() { # sets $win to the main window, waiting for it
  if ! wait_window '^ Stocks$'; then
    if ! app_running; then
      wait "$app_pid"
      app_status=$?
      app_pid=
      die "the program exited (status $app_status) before its main window appeared"
    fi
    die "no window named ' Stocks' within ${wait_limit}s; visible: $(visible_windows)"
  fi
}

focus() { # WINDOW
  timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1 ||
    timeout 10 xdotool windowfocus "$1" >/dev/null 2>&1 ||
    fail "could not focus window $1"
}

press() { # WINDOW KEY...: xdotool key names, e.g. alt+x Return Tab ctrl+a
  local w=$1
  shift
  focus "$w"
  timeout 30 xdotool key --clearmodifiers --delay 60 "$@" || fail "xdotool key $* failed"
}

type_text() { # WINDOW TEXT: types TEXT as a person would
  focus "$1"
  timeout 120 xdotool type --clearmodifiers --delay 40 -- "$2" || fail "xdotool type failed"
}

# dismiss_boxes [SECONDS]: presses Return on message boxes titled "Tesmo"
# while there is one; adds the number of boxes seen to $boxes_dismissed and
# takes a screenshot of each.
dismiss_boxes() {
  local limit=${1:-$wait_limit} i box last=
  for ((i = 0; i < limit * 2; i++)); do
    box=$(find_window '^Tesmo$') || break
    if [[ $box != "$last" ]]; then
      boxes_dismissed=$((boxes_dismissed + 1))
      screenshot "box-$boxes_dismissed"
      last=$box
    fi
    log "pressing Return on message box $box"
    press "$box" Return
    sleep 0.5
  done
}

close_main() { # Alt+X on the main window
  main_window
  log "closing with Alt+X"
  press "$win" alt+x
}

# wait_exit [SECONDS] [answer-boxes]: waits for the program to end and sets
# app_status; with a second argument, message boxes met on the way are
# dismissed with Return.
wait_exit() {
  local limit=${1:-$wait_limit} answer=${2:-} i
  for ((i = 0; i < limit * 4; i++)); do
    app_running || break
    if [[ -n $answer ]] && find_window '^Tesmo$' >/dev/null; then
      dismiss_boxes 10
    fi
    sleep 0.25
  done
  if app_running; then
    screenshot "not-exited"
    die "the program did not exit within ${limit}s; visible: $(visible_windows)"
  fi
  wait "$app_pid"
  app_status=$?
  app_pid=
  log "program exited with status $app_status"
}

expect_exit() { # STATUS [SECONDS] [answer-boxes]
  wait_exit "${2:-}" "${3:-}"
  check_eq "exit status" "$1" "$app_status"
}

# ------------------------------------------------------------------- ledger

db() { echo "$data_dir/Tesmo.mdb"; }

sql() { # QUERY: runs it read-only on the ledger, one row a line, fields by '|'
  sqlite3 -readonly -batch -noheader -separator '|' "$(db)" "$1"
}

check_sql() { # DESCRIPTION QUERY EXPECTED
  local out
  if ! out=$(sql "$2" 2>&1); then
    fail "$1: query failed: $out"
    return
  fi
  check_eq "$1" "$3" "$out"
}

check_ledger_shape() { # the view and the options row every ledger must have
  [[ -f $(db) ]] || { fail "Tesmo.mdb was not created in $data_dir"; return; }
  check_eq "file is an SQLite database" "SQLite format 3" \
    "$(head -c 15 "$(db)")"
  check_sql "qryStocks columns" \
    "SELECT group_concat(name, ',') FROM (SELECT name FROM pragma_table_info('qryStocks') ORDER BY cid)" \
    "ID,Name1,Ticker,NumShares,Price,NetAmount,TradeDate"
  check_sql "one Options row" "SELECT count(*) FROM Options" 1
}

# wait_sql DESCRIPTION QUERY EXPECTED [SECONDS]: the program writes the ledger
# on its own time, so the query is repeated until it gives EXPECTED.
wait_sql() {
  local limit=${4:-$wait_limit} out='' i
  for ((i = 0; i < limit * 4; i++)); do
    out=$(sql "$2" 2>&1) && [[ $out == "$3" ]] && break
    app_running || break # nothing will change the file any more
    sleep 0.25
  done
  check_eq "$1" "$3" "$out"
}

seed_sql() { # STATEMENTS: writes to the ledger while the program is not running
  app_running && die "seed_sql while the program is running"
  sqlite3 -batch "$(db)" "$1" || die "could not seed the ledger: $1"
}

# A ledger to seed: the program creates an empty one on a first start.
create_ledger() {
  launch
  main_window
  press "$win" alt+x
  expect_exit 0
  check_ledger_shape
}

# Button access keys click after a short animation; give it time to finish.
click_key() { # WINDOW KEY: e.g. alt+s
  press "$1" "$2"
  sleep 0.4
}

# Types the lot's boxes in Enter order, from the name box on; the Enter after
# the trade date saves the lot.
enter_lot() { # WINDOW NAME TICKER SHARES PRICE NETAMOUNT TRADEDATE
  local w=$1 text
  shift
  for text in "$@"; do
    [[ -n $text ]] && type_text "$w" "$text"
    press "$w" Return
  done
}

# expect_no_box WHAT: fails (and answers it) if a "Tesmo" box is up after WHAT.
expect_no_box() {
  if find_window '^Tesmo$' >/dev/null; then
    screenshot "unexpected-box"
    fail "a message box titled 'Tesmo' came up after $1"
    dismiss_boxes 5
  fi
}

# find_ticker WINDOW TEXT: Alt+F, TEXT into the "Find" box, Return.
find_ticker() {
  local main=$1
  click_key "$main" alt+f
  wait_window '^Find$' || die "Alt+F showed no 'Find' box; visible: $(visible_windows)"
  type_text "$win" "$2"
  press "$win" Return
  win=$main
}

# split_lot WINDOW FROM TO: Alt+I, FROM Enter TO Enter in the "Split" window,
# which then closes. The lot is not stored until Save.
split_lot() {
  local main=$1 i
  click_key "$main" alt+i
  wait_window '^Split$' || die "Alt+I showed no 'Split' window; visible: $(visible_windows)"
  type_text "$win" "$2"
  press "$win" Return
  type_text "$win" "$3"
  press "$win" Return
  for ((i = 0; i < 40; i++)); do
    find_window '^Split$' >/dev/null || break
    sleep 0.25
  done
  if find_window '^Split$' >/dev/null; then
    screenshot "split-still-open"
    fail "the 'Split' window is still open after Enter in its To box"
  fi
  expect_no_box "a $2 for $3 split"
  win=$main
}

finish_case() {
  if ((errors)); then
    log "scenario $case_name FAILED ($errors failed checks)"
    exit 1
  fi
  log "scenario $case_name passed"
}

# ---------------------------------------------------------------- scenarios

# First start in an empty folder: the main window comes up without any
# message, Alt+X closes it cleanly, and an empty ledger has been created.
scenario_startup() {
  new_case startup
  launch
  main_window
  screenshot "main"
  if find_window '^Tesmo$' >/dev/null; then
    fail "a message box titled 'Tesmo' is shown on first start"
  fi
  press "$win" alt+x
  expect_exit 0
  check_ledger_shape
  check_sql "no lots in a new ledger" "SELECT count(*) FROM qryStocks" 0
  finish_case
}

# A Tesmo.mdb that is not a database: the program reports it and must leave
# the file, and the folder, exactly as they were.
scenario_foreign_file() {
  new_case foreign_file
  head -c 8192 /dev/urandom >"$(db)"
  local before after listing i
  before=$(sha256sum <"$(db)")
  launch

  # Boxes may come before or over the main window; answer them until only the
  # main window is left (or the program has ended on its own).
  for ((i = 0; i < wait_limit * 4; i++)); do
    app_running || break
    if find_window '^Tesmo$' >/dev/null; then
      dismiss_boxes 10
      continue
    fi
    find_window '^ Stocks$' >/dev/null && break
    sleep 0.25
  done
  ((boxes_dismissed > 0)) || fail "no message box titled 'Tesmo' reported the foreign file"

  if app_running; then
    close_main
    expect_exit 0 "" answer-boxes
  else
    wait_exit
    log "the program ended by itself after the message"
    ((app_status < 128)) || fail "the program died from signal $((app_status - 128))"
  fi

  after=$(sha256sum <"$(db)" 2>/dev/null)
  check_eq "foreign Tesmo.mdb unchanged" "$before" "$after"
  listing=$(cd "$data_dir" && find . -mindepth 1 -printf '%P ')
  check_eq "no other file created next to it" "Tesmo.mdb " "$listing"
  finish_case
}

# A new ledger, two lots typed in with Enter between the boxes (Enter in the
# trade date box saves), then the current one deleted after a Yes.
scenario_add_and_delete() {
  new_case add_and_delete
  local lots="SELECT Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks ORDER BY ID"
  local first="Acme Widgets|ACME|100.0|12.5|1250.0|2003-01-15"
  local second="Bolt & Nut Co|BLT|250.0|4.75|1187.5|2005-03-09"
  launch
  main_window
  local main=$win

  # On a new ledger the blank lot is already being added and New is off, so
  # Alt+N must leave the name box as it is.
  click_key "$main" alt+n
  enter_lot "$main" "Acme Widgets" ACME 100 12.5 1250 1/15/2003
  wait_sql "first lot stored with its values" "$lots" "$first"
  expect_no_box "saving the first lot"

  click_key "$main" alt+n
  enter_lot "$main" "Bolt & Nut Co" BLT 250 4.75 1187.5 3/9/05
  wait_sql "second lot stored after the first (two-digit year)" "$lots" "$first"$'\n'"$second"
  expect_no_box "saving the second lot"
  screenshot "after-adds"

  click_key "$main" alt+d
  if wait_window '^Tesmo$' 10; then
    screenshot "delete-question"
    press "$win" Return
  else
    fail "Alt+D asked no question; visible: $(visible_windows)"
  fi
  wait_sql "the current (second) lot deleted, the first kept" "$lots" "$first"
  expect_no_box "deleting the second lot"
  screenshot "after-delete"

  close_main
  expect_exit 0
  check_sql "closing changed nothing" "$lots" "$first"
  finish_case
}

# Finding lots by ticker (any case, with an apostrophe, and one no lot has)
# and splitting the found lot: only that lot changes, and only on Save.
scenario_find_and_split() {
  new_case find_and_split
  local lots="SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks ORDER BY ID"
  local abc1="1|Alpha Beta|ABC|100.0|20.0|2000.0|2001-02-03"
  local xyz="2|Xylo Inc|XYZ|40.0|25.5|1020.0|2002-03-04"
  local abc2="3|Alpha Beta|ABC|60.0|30.0|1800.0|2003-04-05"
  local oneil="4|O'Neil Corp|O'NEIL|300.0|7.25|2175.0|2004-05-06"
  local xyz_split="2|Xylo Inc|XYZ|80.0|12.75|1020.0|2002-03-04"
  local oneil_split="4|O'Neil Corp|O'NEIL|150.0|14.5|2175.0|2004-05-06"
  local nl=$'\n' before
  create_ledger
  seed_sql "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Alpha Beta', 'ABC', 100, 20, 2000, '2001-02-03'),
    ('Xylo Inc', 'XYZ', 40, 25.5, 1020, '2002-03-04'),
    ('Alpha Beta', 'ABC', 60, 30, 1800, '2003-04-05'),
    ('O''Neil Corp', 'O''NEIL', 300, 7.25, 2175, '2004-05-06')"
  check_sql "seeded lots" "$lots" "$abc1$nl$xyz$nl$abc2$nl$oneil"

  launch
  main_window
  local main=$win
  expect_no_box "start-up"

  # Every lot has a net amount, so the last one (O'NEIL) is current.
  find_ticker "$main" xyz
  expect_no_box "finding xyz"
  split_lot "$main" 2 1
  sleep 0.5
  check_sql "a split alone stores nothing" "$lots" "$abc1$nl$xyz$nl$abc2$nl$oneil"
  click_key "$main" alt+s
  wait_sql "2 for 1 saved on the XYZ lot only" "$lots" "$abc1$nl$xyz_split$nl$abc2$nl$oneil"
  expect_no_box "saving the split XYZ lot"
  screenshot "after-xyz-split"

  find_ticker "$main" "o'neil"
  expect_no_box "finding o'neil"
  split_lot "$main" 1 2
  click_key "$main" alt+s
  wait_sql "1 for 2 saved on the O'NEIL lot only" "$lots" \
    "$abc1$nl$xyz_split$nl$abc2$nl$oneil_split"
  expect_no_box "saving the split O'NEIL lot"

  # A ticker no lot has: a message, and the O'NEIL lot stays current, which
  # a 2 for 1 split and Save show by bringing it back to what it was.
  before=$(sql "$lots")
  find_ticker "$main" QQQ
  if wait_window '^Tesmo$' 10; then
    screenshot "not-found"
    press "$win" Return
    sleep 0.5
    find_window '^Tesmo$' >/dev/null && fail "Return did not dismiss the 'not found' box"
  else
    fail "finding QQQ showed no 'Tesmo' box; visible: $(visible_windows)"
  fi
  check_sql "a failed find changes no lot" "$lots" "$before"
  split_lot "$main" 2 1
  click_key "$main" alt+s
  wait_sql "after the failed find the O'NEIL lot is still the current one" "$lots" \
    "$abc1$nl$xyz_split$nl$abc2$nl$oneil"

  close_main
  expect_exit 0
  check_sql "closing changed nothing" "$lots" "$abc1$nl$xyz_split$nl$abc2$nl$oneil"
  finish_case
}

# -------------------------------------------------------------------- main

for tool in Xvfb xdotool xdpyinfo sqlite3 sha256sum; do
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

if (($# == 0)); then
  mapfile -t scenarios < <(declare -F | sed -n 's/^declare -f scenario_//p')
else
  scenarios=("$@")
fi
for s in "${scenarios[@]}"; do
  declare -F "scenario_$s" >/dev/null || die "no scenario named '$s'"
done

start_display
for s in "${scenarios[@]}"; do
  "scenario_$s"
done
case_name=
log "all scenarios passed: ${scenarios[*]}"
