# shellcheck shell=bash
# What the scripts that drive the real program share: checks, waits, stopping a process, and a
# private desktop session (Xvfb, a session bus with the accessibility bus). Sourced; the caller
# defines fail and die, and keeps the pids in xvfb_pid and bus_pid.

check_eq() { [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"; }

poll() { # SECONDS COMMAND...: runs COMMAND every 0.25 s until it succeeds; false once SECONDS have passed
  local end=$((SECONDS + $1))
  until "${@:2}"; do ((SECONDS < end)) || return 1; sleep 0.25; done
}

stop() { # PID: TERM, then KILL if it is still there after 3 s
  [[ -n $1 ]] && kill -TERM "$1" 2>/dev/null || return 0
  timeout 3 tail --pid="$1" -s 0.1 -f /dev/null
  kill -KILL "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

# start_session FOLDER SECONDS: an Xvfb on a display it picks itself (-displayfd), so that several
# scripts can run at once, and a session bus; the accessibility bus comes up on it when first asked
# for (focused.py exits 2 until then). Exports DISPLAY and DBUS_SESSION_BUS_ADDRESS; logs in FOLDER.
start_session() {
  local folder=$1 seconds=$2 focused
  focused=$(dirname "${BASH_SOURCE[0]}")/../e2e/focused.py
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp -noreset 9>"$folder/display" >"$folder/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY
  display_up() { DISPLAY=:$(cat "$folder/display") && [[ $DISPLAY =~ ^:[0-9]+$ ]] && xdpyinfo >/dev/null 2>&1; }
  poll 10 display_up || { cat "$folder/xvfb.log" >&2; die "Xvfb did not start"; }

  mkdir -m 700 "$folder/bus"
  HOME=$folder/bus XDG_RUNTIME_DIR=$folder/bus dbus-daemon --session --fork --print-address=3 --print-pid=4 \
    3>"$folder/bus/address" 4>"$folder/bus/pid" 2>"$folder/bus/log" ||
    { cat "$folder/bus/log" >&2; die "dbus-daemon did not start"; }
  bus_up() { [[ -s $folder/bus/address && -s $folder/bus/pid ]]; }
  poll 10 bus_up || die "dbus-daemon gave no address"
  bus_pid=$(<"$folder/bus/pid")
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$folder/bus/address")
  export DBUS_SESSION_BUS_ADDRESS
  a11y_up() { timeout 20 /usr/bin/python3 "$focused" >/dev/null 2>>"$folder/bus/log"; (($? < 2)); }
  poll "$seconds" a11y_up || { cat "$folder/bus/log" >&2; die "the accessibility bus did not come up"; }
}
