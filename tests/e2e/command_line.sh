#!/usr/bin/env bash
# The program's command line: --help and --version answer on the terminal
# without a display, and any other argument is refused with the usage on
# standard error and status 2, the program not started (no ledger made).
#   command_line.sh PROGRAM VERSION
set -uo pipefail

[[ -x ${1:-} && -n ${2:-} ]] || { echo "usage: $0 PROGRAM VERSION" >&2; exit 2; }
prog=$(realpath -- "$1")
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-cli.XXXXXX") || exit 2
errors=0
fail() { errors=$((errors + 1)); printf '[command line] FAIL: %s\n' "$*" >&2; }
check_eq() { [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"; }
cleanup() {
  if ((errors)); then echo "command line checks FAILED; files kept in $work" >&2; exit 1; fi
  rm -rf -- "$work"
}
trap cleanup EXIT

# run [ENV...] -- ARG...: runs the program in an empty folder of its own; sets
# $status, $out, $err and $made (what the folder holds afterwards). A program
# that started its window instead of answering is ended after 20 s.
run() {
  local -a env=()
  while [[ $1 != -- ]]; do env+=("$1"); shift; done
  shift
  rm -rf -- "$work/cwd" && mkdir "$work/cwd"
  (cd "$work/cwd" && exec timeout -k 5 20 env "${env[@]}" "$prog" "$@") >"$work/out" 2>"$work/err"
  status=$?
  out=$(cat -- "$work/out") err=$(cat -- "$work/err")
  made=$(cd "$work/cwd" && find . -mindepth 1 -printf '%P ')
}

# No display at all: a program that needed one for these would fail.
run -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb -- --version
check_eq "--version status" 0 "$status"
check_eq "--version" "tesmo $version" "$out"
check_eq "--version says nothing else" "" "$err"
run -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb -- --help
check_eq "--help status" 0 "$status"
[[ $out == "Usage: tesmo [--help | --version]"* ]] || fail "--help printed '$out'"
[[ $out == *Tesmo.mdb* && $out == *tesmo-start* ]] || fail "--help does not say where the ledger is"
check_eq "--help says nothing else" "" "$err"

# Refused: on the offscreen platform, a program that ignored them would start
# and make its ledger.
for args in "--bogus" "x" "-platform offscreen" "--help --version" "--version x" "-" "--"; do
  # shellcheck disable=SC2086 # the words of each case are its arguments
  run QT_QPA_PLATFORM=offscreen -- $args
  check_eq "status of '$args'" 2 "$status"
  [[ $err == *"Usage: tesmo"* ]] || fail "'$args' printed no usage on standard error: '$err'"
  check_eq "nothing on standard output for '$args'" "" "$out"
  check_eq "nothing made for '$args'" "" "$made"
done
run QT_QPA_PLATFORM=offscreen -- ""
check_eq "status of an empty argument" 2 "$status"
check_eq "nothing made for an empty argument" "" "$made"
