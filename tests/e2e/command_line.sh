#!/usr/bin/env bash
# The command line: --help and --version answer without a display; any other argument is refused
# with the usage on standard error and status 2, the program not started (no ledger made).
#   command_line.sh PROGRAM VERSION
set -uo pipefail

[[ -x ${1:-} && -n ${2:-} ]] || { echo "usage: $0 PROGRAM VERSION" >&2; exit 2; }
prog=$(realpath -- "$1")
version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-cli.XXXXXX") || exit 2
errors=0
fail() { errors=$((errors + 1)); printf '[command line] FAIL: %s\n' "$*" >&2; }
# shellcheck source=../support/desktop_session.sh
source "$(dirname -- "$0")/../support/desktop_session.sh" # check_eq
cleanup() {
  if ((errors)); then echo "command line checks FAILED; files kept in $work" >&2; exit 1; fi
  rm -rf -- "$work"
}
trap cleanup EXIT

# run [ENV...] -- ARG...: runs the program in an empty folder of its own; sets $status, $out, $err
# and $made (what the folder holds afterwards). One that started its window is ended after 20 s.
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
check_eq "--version: status, output, errors" "0|tesmo $version|" "$status|$out|$err"
run -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb -- --help
check_eq "--help: status, errors" "0|" "$status|$err"
[[ $out == "Usage: tesmo [--help | --version]"* ]] || fail "--help printed '$out'"
[[ $out == *Tesmo.mdb* && $out == *tesmo-start* ]] || fail "--help does not say where the ledger is"

# Refused: on the offscreen platform, a program that ignored them would start
# and make its ledger.
for args in "--bogus" "x" "-platform offscreen" "--help --version" "--version x" "-" "--" "--pack-workbook x"; do
  # shellcheck disable=SC2086 # the words of each case are its arguments
  run QT_QPA_PLATFORM=offscreen -- $args
  check_eq "'$args': status, output, files made" "2||" "$status|$out|$made"
  [[ $err == *"Usage: tesmo"* ]] || fail "'$args' printed no usage on standard error: '$err'"
done
run QT_QPA_PLATFORM=offscreen -- ""
check_eq "an empty argument: status, files made" "2|" "$status|$made"
# The packing mode of the workbook takes a job from the program alone; without one it packs nothing.
run QT_QPA_PLATFORM=offscreen -- --pack-workbook </dev/null
check_eq "the packing mode without a job: status, output, files made" "2||" "$status|$out|$made"
