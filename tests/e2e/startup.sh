#!/usr/bin/env bash
# End-to-end checks: the real program on a private Xvfb display, driven with xdotool,
# the ledger it leaves read with sqlite3. startup.sh PROGRAM [SCENARIO...] (default: all)
# Every step waits for what it needs, never a fixed time: a window, the focus on a
# control (read on the accessibility bus by focused.py), a box, a file, a row.
set -uo pipefail

[[ -x ${1:-} ]] || { echo "usage: $0 PROGRAM [SCENARIO...]" >&2; exit 2; }
prog=$(realpath -- "$1")
shift
here=$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")
# shellcheck source=../support/desktop_session.sh
source "$here/../support/desktop_session.sh"
for t in Xvfb xdotool xdpyinfo sqlite3 dbus-daemon; do command -v "$t" >/dev/null || { echo "$t is missing" >&2; exit 2; }; done
/usr/bin/python3 -c 'import dbus' 2>/dev/null || { echo "the system's python3 with its dbus module is missing" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-e2e.XXXXXX") || exit 2
limit=30 # seconds, for every wait
name=setup dir=$work data='' db='' xvfb_pid='' bus_pid='' wm_pid='' app_pid='' app_status='' main='' win='' out='' errors=0

log() { printf '[e2e %s] %s\n' "$name" "$*" >&2; }
shot() { command -v import >/dev/null && timeout 15 import -display "${DISPLAY:-}" -window root "$dir/$1.png" 2>/dev/null; }
# A failed check is logged with a screenshot and the scenario goes on; die when nothing can follow.
fail() { errors=$((errors + 1)); log "FAIL: $*"; shot "fail-$errors"; }
die() { fail "$*"; exit 1; }
cleanup() {
  local rc=$?; ((errors)) && rc=1
  stop "$app_pid"; stop "$bus_pid"; stop "$xvfb_pid"
  if ((rc == 0)); then rm -rf -- "$work"; exit 0; fi
  [[ -s $dir/program.log ]] && { echo "---- $dir/program.log"; tail -n 60 "$dir/program.log"; echo ----; } >&2
  echo "e2e FAILED; files kept in $work" >&2
  find "$work" -name '*.png' | sort | sed 's/^/  screenshot: /' >&2
  exit "$rc"
}
trap cleanup EXIT; trap 'exit 130' INT; trap 'exit 143' TERM

# ------------------------------------------------------------------ program

launch_env=() # more NAME=VALUE settings for the program, set by a scenario
launch() { # starts the program in $data, with a HOME of its own so no user setting leaks in
  (cd "$data" && exec env -u SESSION_MANAGER QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 HOME="$dir/home" \
    XDG_CONFIG_HOME="$dir/home/.config" XDG_DATA_HOME="$dir/home/.local/share" \
    XDG_CACHE_HOME="$dir/home/.cache" XDG_RUNTIME_DIR="$dir/runtime" "${launch_env[@]}" "$prog") >>"$dir/program.log" 2>&1 &
  app_pid=$!
}
running() { [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; }
# The newest such window: a box comes up over the small start-up frame, which
# has the same title.
find_win() { timeout 5 xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 | grep .; }
shown() { timeout 5 xdotool search --onlyvisible --name . 2>/dev/null | grep -qx "$1"; } # WINDOW: true while that window is visible
visible() { # names of the visible windows, for messages (Xvfb draws no titles)
  local w; for w in $(timeout 5 xdotool search --onlyvisible --name . 2>/dev/null); do printf "'%s' " "$(timeout 5 xdotool getwindowname "$w")"; done
}
seen() { win=$(find_win "$1") || ! running; }
wait_win() { poll "$limit" seen "$1" && [[ -n $win ]]; } # REGEX: sets $win once a window so named is visible
window_up() { wait_win "^$1\$" || die "no window '$1' after $2; visible: $(visible)"; ready "$win"; } # TITLE WHAT: and ready
reap() { wait "$app_pid"; app_status=$? app_pid=''; } # sets $app_status once the program has ended

# focus_is WINDOW [ROLE [NAME [PLACE [TEXT]]]]: true once the focused control is in the active
# window WINDOW with that role, name, place (x,y from the window's corner) and text ('*' or
# left out: any), or once the program has ended. $out holds what focused.py reported.
focus_is() {
  local -a seen want=("$@")
  local i
  out=$(timeout 20 /usr/bin/python3 "$here/focused.py" 2>>"$dir/focused.log") || { out=''; ! running; return; }
  IFS='|' read -r -a seen <<<"$out"
  for i in 0 1 2 3 4; do
    [[ ${want[i]:-*} == '*' || ${want[i]} == "${seen[i]:-}" ]] || return 1
  done
}
wait_focus() { # WHAT WINDOW [ROLE [NAME [PLACE [TEXT]]]]: waits for focus_is; fails, naming WHAT, if it never comes
  poll "$limit" focus_is "${@:2}" && running && return
  if running; then fail "$1: the focus is not on '$(IFS='|' && echo "${*:2}")' but on '${out:-nothing}'"
  else fail "$1: the program ended"; fi
  return 1
}

focus() {
  timeout 10 xdotool windowfocus --sync "$1" >/dev/null 2>&1 ||
    timeout 10 xdotool windowfocus "$1" >/dev/null 2>&1 || fail "could not focus window $1"
}
# ready WINDOW: gives WINDOW the X focus and waits until one of its controls has it, so that
# keys and clicks reach what the program shows rather than a window still coming up.
ready() {
  local title
  focus "$1"
  title=$(timeout 5 xdotool getwindowname "$1" 2>/dev/null) || die "window $1 is gone; visible: $(visible)"
  wait_focus "keys for '$title'" "$title" || exit 1 # nothing sensible can follow
}
press() { # WINDOW KEY...: xdotool key names, e.g. alt+x Return
  ready "$1"
  timeout 30 xdotool key --clearmodifiers --delay 60 "${@:2}" || fail "xdotool key ${*:2} failed"
}
type_in() { # WINDOW TEXT [SHOWN]: types TEXT as a person would and waits for the box with the focus to show it
  timeout 120 xdotool type --clearmodifiers --delay 30 -- "$2" || fail "xdotool type failed"
  wait_focus "typing '$2'" "$1" text '*' '*' "${3:-$2}"
}
# An access key clicks after a short animation: what it does is waited for by what it brings.
main_window() { # sets $main once the main window is shown and holds the focus
  wait_win '^ Stocks$' && { main=$win; ready "$main"; return; }
  running && die "no window named ' Stocks' within ${limit}s; visible: $(visible)"
  reap; die "the program exited (status $app_status) before its main window appeared"
}
quit() { main_window; press "$main" alt+x; expect_exit; }
open_main() { launch; main_window; }
# seed SQL: the ledger a first start makes, SQL run on it
seed() { launch; quit; sqlite3 -batch "$db" "$1" || die "could not seed"; }

box_up() { # [NOT]: sets $win to a visible box titled "Tesmo" other than window NOT
  local w h
  for w in $(timeout 5 xdotool search --onlyvisible --name '^Tesmo$' 2>/dev/null); do
    [[ $w == "${1:-}" ]] && continue
    h=$(timeout 5 xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: [0-9]*x//p')
    ((${h:-0} > 40)) && { win=$w; return 0; }
  done
  return 1
}
box_seen() { box_up || ! running; }
wait_box() { # WHAT: sets $win once a box or dialog is up; fails, naming WHAT, if none comes
  win=''
  poll "$limit" box_seen && [[ -n $win ]] || { fail "$1 showed no box or dialog titled 'Tesmo'; visible: $(visible)"; return 1; }
}
closed() { ! shown "$1"; }
closes() { press "$1" "$2"; poll 10 closed "$1" || fail "$2 did not close $3"; } # WINDOW KEY WHAT
expect_no_box() { # WHAT: fails, and answers them, if boxes titled "Tesmo" are up after WHAT
  box_up || return 0
  fail "a message box titled 'Tesmo' came up after $1"
  local i
  for ((i = 0; i < 5; i++)); do box_up || break; closes "$win" Return "box $i"; done
}
answer_box() { # WHAT: a "Tesmo" box must come up after WHAT, and Return must close it
  wait_box "$1" || return
  shot "box-after-${1// /-}"
  closes "$win" Return "the box shown after $1"
}

# Waits for the end; under the sanitizers a leak makes the exit status non-zero, failing this.
expect_exit() { poll "$limit" eval '! running' || die "no exit within ${limit}s; visible: $(visible)"; reap; check_eq "exit status" 0 "$app_status"; }

# ------------------------------------------------------------------- ledger

sql() { sqlite3 -readonly -batch -noheader -separator '|' "${2:-$db}" "$1"; } # QUERY [FILE]
# check_sql DESCRIPTION QUERY EXPECTED: repeated while the program runs, until it gives EXPECTED.
sql_is() { out=$(sql "$1" 2>&1) && [[ $out == "$2" ]] || ! running; }
check_sql() { poll "$limit" sql_is "$2" "$3"; check_eq "$1" "$3" "$out"; }

# A window manager for a scenario, giving the focus to new windows and back as a desktop does.
start_wm() {
  command -v openbox >/dev/null || die "openbox is missing"
  openbox --sm-disable >"$dir/openbox.log" 2>&1 &
  wm_pid=$!
  wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
  poll 10 wm_up || die "openbox did not start"
}

# desktop_program NAME MIME: the desktop's program for MIME, which writes its arguments, one
# <ARG> a line, to $dir/NAME.log
desktop_program() {
  local apps=$dir/home/.local/share/applications
  mkdir -p "$apps" "$dir/bin"
  printf '#!/bin/sh\nfor a; do printf "<%%s>\\n" "$a"; done >>"%s"\n' "$dir/$1.log" >"$dir/bin/$1" && chmod +x "$dir/bin/$1"
  printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s %%f\nMimeType=%s;\n' "$1" "$dir/bin/$1" "$2" >"$apps/$1.desktop"
  printf '[Default Applications]\n%s=%s.desktop\n' "$2" "$1" >"$dir/home/.config/mimeapps.list"
}

# ---------------------------------------------------------------- scenarios

# Places of the main window's controls in pixels from its corner (designed twips over 15).
shares_box=584,67 net_box=584,93 master_list=8,24

# Under a window manager: after a rule's message the focus is on the field the rule names.
scenario_focus_after_box() {
  start_wm
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Blank Net', 'BN', 10, 1, NULL, '2003-01-15'), ('Full', 'FL', 20, 2, 40, '2003-01-16')"
  open_main
  wait_focus "start-up puts the focus into the blank net amount" ' Stocks' text '*' "$net_box" ''
  press "$main" shift+Tab shift+Tab ctrl+a x
  wait_focus "x typed into the number of shares" ' Stocks' text '*' "$shares_box" x
  press "$main" alt+s
  answer_box "saving shares of x"
  wait_focus "the focus back on the shares once the box closed" ' Stocks' text '*' "$shares_box" x
  press "$main" 7
  wait_focus "7 typed over the selected x" ' Stocks' text '*' "$shares_box" 7
  press "$main" alt+s
  check_sql "the 7 went into the shares" "SELECT NumShares, ifnull(NetAmount, 'none') FROM Lots WHERE ID = 1" "7.0|none"
  expect_no_box "saving 7 shares"
  quit
}

# Export! of all as a text file: to the XDG desktop folder (a blank in its name), handed to the
# desktop's program for text as one argument.
scenario_export_text() {
  local desk="$dir/home/My Desk" file
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Zoë & Co \"Quoted\"', 'O''NEIL', 100, 12.5, 1250, '2003-01-15'),
    ('Acme Corporation Holdings', 'ACME', 7, NULL, NULL, '2010-02-01')"
  mkdir -p "$desk"
  printf 'XDG_DESKTOP_DIR="$HOME/My Desk"\n' >"$dir/home/.config/user-dirs.dirs"
  desktop_program viewer text/plain
  file="$desk/Tesmo_$(date +%-m_%-d_%Y).txt"

  open_main
  # The first activation moves the focus into the blank net amount: a press before it would be lost.
  wait_focus "start-up puts the focus into the blank net amount" ' Stocks' text '*' "$net_box" ''
  click_export
  viewed() { [[ -s $dir/viewer.log ]]; }
  poll "$limit" viewed || fail "the text viewer was not started"
  check_eq "the viewer's arguments" "<$file>" "$(cat "$dir/viewer.log" 2>&1)"
  check_eq "the exported file" "$(printf '%s\r\n' \
    'Name/Description | Ticker | Number of Shares | Price/Share | Net Amount (Tesmo) | Trade Date' \
    "$(printf '_%.0s' {1..104})" \
    'Zoë & Co "Quoted" | O'"'"'NEIL | 100              | $12.5000    | $1,250.00          | 1/15/2003' \
    'Acme Corporation Holdings | ACME  | 7                |             |                    | 2/1/2010' | od -c)" \
    "$(od -c <"$file" 2>&1)"
  expect_no_box "exporting the text file"
  quit
}

click_export() { click_at 680 380; } # the Export! button, at its designed place (9120, 5520 twips)
click_at() { # X Y: a click on the main window, 15 twips a pixel from its corner
  timeout 10 xdotool mousemove --window "$main" "$1" "$2" || fail "xdotool mousemove failed"
  on_main() { # the window under the pointer is the main window, or the frame a window manager put round it
    local under
    under=$(timeout 5 xdotool getmouselocation 2>/dev/null | sed -n 's/.* window:\([0-9]*\)$/\1/p')
    [[ -n $under ]] && { [[ $under == "$main" ]] || timeout 5 xwininfo -children -id "$under" 2>/dev/null | grep -qi "$(printf '0x%x ' "$main")"; }
  }
  poll 10 on_main || fail "the pointer is not over the main window"
  timeout 10 xdotool click 1 || fail "xdotool click failed"
}

# Without a temporary folder a workbook's export fails at once: its message holds the keys alone,
# with no progress dialog over it, not even once the progress' second has passed.
scenario_failed_export() {
  seed "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600000)
    INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate)
    SELECT 'Company number ' || i, 'T' || (i % 1000), i % 500 + 1, i / 100.0, i * 3.25, '2000-01-01' FROM n"
  launch_env=(TMPDIR="$dir/no such folder")
  start_wm
  open_main
  click_at 640 338 # the export box (9120, 4920 twips) takes the kind typed over its text
  wait_focus "the export box has the focus" ' Stocks' 'combo box' 'Text File' || return
  press "$main" ctrl+a
  timeout 30 xdotool type --clearmodifiers --delay 40 -- Spreadsheet || fail "xdotool type failed"
  wait_focus "Spreadsheet typed into the export box" ' Stocks' 'combo box' Spreadsheet || return
  click_export
  wait_box "the export without a temporary folder" || return
  local box=$win
  wait_focus "the failure's message holds the keys" Tesmo
  [[ $out != *'|push button|Cancel|'* ]] || fail "a Cancel holds the keys over the failure's message"
  poll 3 box_up "$box" && fail "a dialog came up over the failure's message"
  closes "$box" Return "the failure's message"
  quit
}

# Ctrl+I, a typed path, the preview: dates that read either way import nothing until Alt+O and
# the arrows choose their order; then the new lots follow the one the ledger (and the file) had,
# and the copy made before the import holds the ledger as it was.
scenario_import() {
  local lots="SELECT Ticker, NumShares, Price, NetAmount, TradeDate FROM qryStocks ORDER BY ID"
  local folder="$dir/home/Broker files" copy
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Vodafone Group', 'VOD', 1000, 0.71, 710, '2024-04-03')"
  mkdir -p "$folder" && cp -- "$here/../import/corpus/uk-dates-either-way.csv" "$folder/" || die "could not copy the sample"

  open_main
  press "$main" ctrl+i
  window_up 'Import Lots from File' Ctrl+I
  wait_focus "the file dialog opens on its file name" 'Import Lots from File' text
  type_in 'Import Lots from File' "$folder/uk-dates-either-way.csv"
  press "$win" Return
  window_up 'Import Lots' 'the file was chosen'
  wait_focus "the preview opens on its rows" 'Import Lots' table
  press "$win" alt+i alt+o
  wait_focus "Alt+I imports nothing, Alt+O goes to the date order" 'Import Lots' 'combo box'
  check_sql "nothing imported before the date order is chosen" "$lots" 'VOD|1000.0|0.71|710.0|2024-04-03'
  press "$win" Down Down
  wait_focus "the arrow keys choose day first" 'Import Lots' 'combo box' 'Day/Month/Year'
  press "$win" alt+i
  answer_box "the import"
  check_sql "the new lots after the one the ledger had" "$lots" "$(printf '%s\n' \
    'VOD|1000.0|0.71|710.0|2024-04-03' 'BARC|200.0|2.15|430.0|2024-06-05' 'AZN|3.0|120.5|361.5|2024-06-05')"
  check_sql "the order chosen, kept for the layout" "SELECT Choices FROM ImportLayouts" 'date=DMY'
  copy=$(find "$data/Tesmo backups" -name 'Tesmo * before import.mdb' -print -quit)
  [[ -n $copy ]] || fail "no copy made before the import"
  check_eq "the copy before the import" "VOD|1000.0|0.71|710.0|2024-04-03" "$(sql "$lots" "$copy" 2>&1)"
  expect_no_box "the import's message"
  quit
}

preview() { # PATH: Ctrl+I, the path typed, the preview up with the focus on its rows
  press "$main" ctrl+i
  window_up 'Import Lots from File' Ctrl+I
  wait_focus "the file dialog opens on its file name" 'Import Lots from File' text
  type_in 'Import Lots from File' "$1"
  press "$win" Return
  window_up 'Import Lots' 'the file was chosen'
  wait_focus "the preview opens on its rows" 'Import Lots' table
}

# A file's lots imported, one given a net amount by hand (the file has none) and one split 2 for 1,
# both saved: the same file again adds nothing, Alt+I imports nothing and no message comes.
scenario_reimport() {
  local lots="SELECT Ticker, NumShares, Price, ifnull(NetAmount, 'none'), TradeDate FROM qryStocks ORDER BY ID"
  local file="$dir/home/tradebook.csv" edited i
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Held before', 'OLD', 1, 1, 1, '2020-01-02')"
  cp -- "$here/../import/corpus/in-zerodha-tradebook.csv" "$file" || die "could not copy the sample"
  open_main
  preview "$file"
  press "$win" alt+i
  answer_box "the import"
  check_sql "the file's purchases after the lot held" "$lots" "$(printf '%s\n' 'OLD|1.0|1.0|1.0|2020-01-02' \
    'INFY|12.0|1478.45|none|2024-04-02' 'TCS|3.0|3962.1|none|2024-04-03')"
  main_window
  for ((i = 0; i < 20; i++)); do # Tab to the net amount box of the last lot imported, the current one
    focus_is ' Stocks' text '*' "$net_box" && break
    press "$main" Tab
  done
  wait_focus "the net amount box of the last lot" ' Stocks' text '*' "$net_box" '' || return
  type_in ' Stocks' 11886.30
  press "$main" alt+s
  check_sql "the net amount typed" "SELECT NetAmount FROM Lots WHERE Ticker = 'TCS'" 11886.3
  press "$main" alt+v alt+i
  window_up Split 'Alt+I on the main window'
  type_in Split 2
  press "$win" Tab
  type_in Split 1
  press "$win" Return
  main_window
  press "$main" alt+s
  check_sql "the lot split" "SELECT NumShares, Price FROM Lots WHERE Ticker = 'INFY'" '24.0|739.225'
  edited=$(sql "$lots")
  preview "$file"
  shot reimport-preview
  press "$win" alt+i
  closes "$win" Escape "the preview of the file imported before"
  expect_no_box "Alt+I on the file imported before"
  check_eq "the ledger after the file again" "$edited" "$(sql "$lots" 2>&1)"
  quit
}

# A writer killed in the middle of a change leaves a hot journal beside the file, as a crash does.
crash_mid_change() {
  local writer
  rm -f "$dir/writer.in" && mkfifo "$dir/writer.in" || die "no fifo"
  sqlite3 -batch "$db" <"$dir/writer.in" >"$dir/writer.out" 2>&1 & writer=$!
  exec 4>"$dir/writer.in"
  printf 'PRAGMA cache_size = 2;\nBEGIN;\nUPDATE Lots SET NumShares = NumShares + 1;\n.print changed\n' >&4
  changed() { grep -q changed "$dir/writer.out"; }
  poll "$limit" changed || fail "the writer did not change the ledger: $(cat "$dir/writer.out")"
  kill -KILL "$writer"; wait "$writer" 2>/dev/null; exec 4>&-
  [[ -s $db-journal ]] || fail "the crash left no journal"
}

# After a crash: a copy put over the ledger by hand opens whole, the other file's journal set
# aside with a message; "Restore from Backup..." from the keyboard writes the daily copy back
# whole, the ledger as it was kept as a "before restore" copy.
scenario_restore() {
  local lots="SELECT count(*), sum(NumShares), sum(length(Ticker)) FROM Lots" copy copied kept i
  seed "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000)
    INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate)
    SELECT 'Company ' || i, 'T' || i, i, 1.5, i * 1.5, '2003-01-15' FROM n"
  copied=$(sql "$lots")
  open_main
  daily() { copy=$(find "$data/Tesmo backups" -name 'Tesmo * daily.mdb' -print -quit 2>/dev/null) && [[ -n $copy ]]; }
  poll "$limit" daily || fail "no daily copy"
  quit

  sqlite3 -batch "$db" "DELETE FROM Lots WHERE ID > 2000" || die "could not change the ledger"
  crash_mid_change
  cp -- "$copy" "$db" || die "could not copy"
  launch
  answer_box "a start beside another file's journal"
  main_window
  check_sql "the copy put in place by hand, whole" "$lots" "$copied"
  [[ -n $(find "$data" -name 'Tesmo.mdb-journal of another file (set aside *)') ]] || fail "no journal set aside"
  quit

  sqlite3 -batch "$db" "DELETE FROM Lots WHERE ID > 1000" || die "could not change the ledger"
  kept=$(sql "$lots")
  open_main
  for ((i = 0; i < 20; i++)); do # Tab to the master list
    focus_is ' Stocks' table '*' "$master_list" && break
    press "$main" Tab
  done
  wait_focus "the master list has the focus" ' Stocks' table '*' "$master_list" || return
  press "$main" shift+F10
  timeout 10 xdotool key --clearmodifiers --delay 100 Down Down Return || fail "xdotool key failed"
  window_up 'Restore from Backup' 'the menu entry'
  press "$win" Return
  answer_box "the question once the daily copy was chosen" # Return answers Yes
  answer_box "the restore"
  check_sql "every lot of the daily copy" "$lots" "$copied"
  copy=$(find "$data/Tesmo backups" -name 'Tesmo * before restore.mdb' -print -quit)
  check_eq "the ledger as it was, kept before the restore" "$kept" "$(sql "$lots" "$copy" 2>&1)"
  expect_no_box "the restore's message closed"
  quit
}

sell() { # TICKER DATE SHARES PROCEEDS [KEY]: Ctrl+L, the fields typed (KEY on the method), Enter, the message answered
  local field
  press "$main" ctrl+l
  window_up "Sell Shares of $1" Ctrl+L
  wait_focus "the sale date has the focus" "Sell Shares of $1" text
  for field in "$2" "$3" "$4"; do
    type_in "Sell Shares of $1" "$field"
    press "$win" Tab
  done
  [[ -z ${5:-} ]] || press "$win" "$5"
  press "$win" Return
  answer_box "the sale of $1"
  main_window
}

# Two sales by Ctrl+L (one last in, first out); the year's gains saved by Ctrl+G, Alt+S and a
# typed path without suffix, and its rows of Form 8949 by Alt+F, each read with python's csv
# module (the form with LibreOffice Calc too) and told in a message; Delete on a sale of three
# lots puts all their shares back.
scenario_gains() {
  local folder="$dir/home/My taxes" gains
  seed "INSERT INTO qryStocks (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) VALUES
    ('Acme Corp', 'ACME', 100, 10, 1000, '2020-01-15'), ('Acme Corp', 'ACME', 50, 15, 750, '2021-06-01'),
    ('Acme Corp', 'ACME', 80, 25, 2000, '2023-03-03'), ('Widgets, \"Best\" Inc.', 'WDG', 40, 10, 400, '2024-01-10')"
  # Last year's file on the desktop: an empty file list stalls the accessibility bus.
  mkdir -p "$folder" "$dir/home/Desktop" && printf 'Description\r\n' >"$dir/home/Desktop/Tesmo gains 2023.csv"
  start_wm
  open_main
  sell WDG 5/1/2024 40 380.50 # the lot current at the start, sold whole
  sell ACME 6/1/2024 150 '$3,000' Down
  check_sql "the sales in the ledger" "SELECT LotID, NumShares, Acquired, Sold, Proceeds, CostBasis, Gain, Term FROM qrySales" \
    "$(printf '%s\n' '4|40.0|2024-01-10|2024-05-01|380.5|400.0|-19.5|Short' '3|80.0|2023-03-03|2024-06-01|1600.0|2000.0|-400.0|Long' \
      '2|50.0|2021-06-01|2024-06-01|1000.0|750.0|250.0|Long' '1|20.0|2020-01-15|2024-06-01|400.0|200.0|200.0|Long')"
  press "$main" ctrl+g
  wait_win '^Holdings and Gains$' || die "Ctrl+G showed no window; visible: $(visible)"
  gains=$win
  press "$gains" alt+s
  window_up 'Save Gains as CSV' Alt+S
  wait_focus "the file dialog proposes the year's file" 'Save Gains as CSV' text '*' '*' 'Tesmo gains 2024.csv'
  type_in 'Save Gains as CSV' "$folder/gains"
  press "$win" Return
  answer_box "the gains saved"
  saved() { [[ -s $folder/gains.csv ]]; }
  poll "$limit" saved || fail "no gains.csv in $folder: $(ls "$folder")"
  check_eq "the gains file as python's csv module reads it" "$(printf '%s\n' 'CRLF, no BOM' \
    'Description|Date Acquired|Date Sold|Proceeds|Cost Basis|Gain or Loss|Term' \
    '40 sh. WDG (Widgets, "Best" Inc.)|1/10/2024|5/1/2024|380.50|400.00|-19.50|Short' \
    '80 sh. ACME (Acme Corp)|3/3/2023|6/1/2024|1600.00|2000.00|-400.00|Long' \
    '50 sh. ACME (Acme Corp)|6/1/2021|6/1/2024|1000.00|750.00|250.00|Long' \
    '20 sh. ACME (Acme Corp)|1/15/2020|6/1/2024|400.00|200.00|200.00|Long')" \
    "$(/usr/bin/python3 -c 'import csv, sys
raw = open(sys.argv[1], "rb").read()
print("CRLF" if raw.count(b"\n") == raw.count(b"\r\n") else "LF", "BOM" if raw.startswith(b"\xef\xbb\xbf") else "no BOM", sep=", ")
for row in csv.reader(open(sys.argv[1], newline="", encoding="utf-8")):
    print("|".join(row))' "$folder/gains.csv" 2>&1)"
  press "$gains" alt+f
  window_up 'Save Form 8949' Alt+F
  wait_focus "the file dialog proposes the year's form" 'Save Form 8949' text '*' '*' 'Tesmo Form 8949 2024.csv'
  type_in 'Save Form 8949' "$folder/form"
  press "$win" Return
  answer_box "the rows of Form 8949 saved"
  check_eq "Form 8949 as python's csv module reads it" "$(printf '%s\n' \
    'Part|Box|Description|Date Acquired|Date Sold|Proceeds|Cost Basis|Code|Adjustment|Gain or Loss' \
    'I|A|40 sh. WDG (Widgets, "Best" Inc.)|1/10/2024|5/1/2024|380.50|400.00|||-19.50' \
    'II|D|80 sh. ACME (Acme Corp)|3/3/2023|6/1/2024|1600.00|2000.00|||-400.00' \
    'II|D|50 sh. ACME (Acme Corp)|6/1/2021|6/1/2024|1000.00|750.00|||250.00' \
    'II|D|20 sh. ACME (Acme Corp)|1/15/2020|6/1/2024|400.00|200.00|||200.00')" \
    "$(/usr/bin/python3 -c 'import csv, sys
for row in csv.reader(open(sys.argv[1], newline="", encoding="utf-8")):
    print("|".join(row))' "$folder/form.csv" 2>&1)"
  check_eq "Form 8949 as LibreOffice Calc reads it: dates and amounts typed" "$(printf '%s\n' \
    'Part|Box|Description|Date Acquired|Date Sold|Proceeds|Cost Basis|Code|Adjustment|Gain or Loss' \
    'I|A|40 sh. WDG (Widgets, "Best" Inc.)|2024-01-10|2024-05-01|380.5|400|||-19.5' \
    'II|D|80 sh. ACME (Acme Corp)|2023-03-03|2024-06-01|1600|2000|||-400' \
    'II|D|50 sh. ACME (Acme Corp)|2021-06-01|2024-06-01|1000|750|||250' \
    'II|D|20 sh. ACME (Acme Corp)|2020-01-15|2024-06-01|400|200|||200')" \
    "$(/usr/bin/python3 "$here/../office/read_back.py" --calc "$folder/form.csv" 2>&1)"
  press "$gains" alt+r End Delete
  answer_box "Delete on a sale" # Return answers Yes
  check_sql "every lot of the last sale holds its shares again" \
    "SELECT group_concat(NumShares || ' ' || NetAmount, '|') FROM qryStocks WHERE Ticker = 'ACME'" \
    '100.0 1000.0|50.0 750.0|80.0 2000.0'
  press "$gains" Escape
  poll "$limit" closed "$gains" || fail "Escape did not close the Holdings and Gains window"
  expect_no_box "the gains"
  quit
}

# -------------------------------------------------------------------- main

# shellcheck disable=SC2046 # scenario names are single words
(($#)) || set -- $(declare -F | sed -n 's/^declare -f scenario_//p')
for s; do declare -F "scenario_$s" >/dev/null || die "no scenario named '$s'"; done

start_session "$work" "$limit"

for s; do
  name=$s dir=$work/$s data=$work/$s/data db=$work/$s/data/Tesmo.mdb errors=0 main='' app_pid='' wm_pid=''
  # data/ is the program's folder, home/ its HOME; both are kept on failure
  mkdir -p "$data" "$dir"/home/{.config,.local/share,.cache} && mkdir -m 700 "$dir/runtime"
  "scenario_$s"
  stop "$wm_pid"
  ((errors == 0)) || exit 1
  log "passed"
done
