#!/usr/bin/env bash
# tesmo-start beside a stand-in that records its folder: it makes and enters
# ~/Tesmo or the folder given, copies missing instructions, hands on the status.
#   launcher.sh LAUNCHER       (the launcher made for installing)
set -uo pipefail

[[ -f ${1:-} ]] || { echo "usage: $0 LAUNCHER" >&2; exit 2; }
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-launcher.XXXXXX") || exit 2
errors=0
fail() { errors=$((errors + 1)); printf '[launcher] FAIL: %s\n' "$*" >&2; }
check_eq() { [[ $2 == "$3" ]] || fail "$1: expected '$2', got '$3'"; }
cleanup() {
  if ((errors)); then echo "launcher checks FAILED; files kept in $work" >&2; exit 1; fi
  rm -rf -- "$work"
}
trap cleanup EXIT

# An installed tree, the launcher run through a link from elsewhere.
tree=$work/tree
mkdir -p "$tree/bin" "$tree/share/tesmo" "$work/links"
cp -- "$1" "$tree/bin/tesmo-start" && chmod 755 "$tree/bin/tesmo-start"
printf '#!/bin/sh\npwd >"%s"\nprintf "%%s\\n" "$#" >>"%s"\nexit 7\n' "$work/ran" "$work/ran" >"$tree/bin/tesmo"
chmod 755 "$tree/bin/tesmo"
printf 'installed page\n' >"$tree/share/tesmo/instr.HTML"
printf 'installed text\n' >"$tree/share/tesmo/instr.txt"
ln -s ../tree/bin/tesmo-start "$work/links/tesmo-start"
launcher=$work/links/tesmo-start

# start [ENV...] -- [ARG...]: the launcher run from /; sets $status, $err, $ran (folder and argc, or empty).
start() {
  local -a env=()
  while [[ $1 != -- ]]; do env+=("$1"); shift; done
  shift
  rm -f -- "$work/ran"
  (cd / && exec env "${env[@]}" "$launcher" "$@") >"$work/out" 2>"$work/err"
  status=$?
  ran=$(cat -- "$work/ran" 2>/dev/null)
  err=$(cat -- "$work/err")
}

# A HOME with blanks, quotes, a dollar, a star, a backslash and a non-ASCII letter.
home="$work/home of Jo 'J' \"Q\" \$HOME * \\ é"
mkdir -p -- "$home"
start HOME="$home" --
check_eq "exit status handed on" 7 "$status"
check_eq "started in ~/Tesmo, without arguments" "$home/Tesmo"$'\n'0 "$ran"
check_eq "nothing said" "" "$err"

# The user's own copies stay, a broken link among them.
printf 'my notes\n' >"$home/Tesmo/instr.HTML"
rm -- "$home/Tesmo/instr.txt" && ln -s nowhere "$home/Tesmo/instr.txt"
start HOME="$home" --
check_eq "started again in ~/Tesmo" "$home/Tesmo"$'\n'0 "$ran"
check_eq "the user's page kept" "my notes" "$(cat -- "$home/Tesmo/instr.HTML")"
check_eq "the user's link kept" nowhere "$(readlink -- "$home/Tesmo/instr.txt")"

# Another folder, absolute and not there yet, or relative to where it is started.
start HOME="$home" -- "$work/other folder/2003"
check_eq "started in the folder given" "$work/other folder/2003"$'\n'0 "$ran"
check_eq "instructions copied there" "installed page" "$(cat -- "$work/other folder/2003/instr.HTML" 2>&1)"
rm -f -- "$work/ran"
(cd "$work" && HOME=$home "$launcher" "relative dir") >/dev/null 2>&1
check_eq "a relative folder is taken from where it is started" "$work/relative dir"$'\n'0 "$(cat -- "$work/ran" 2>/dev/null)"

# Missing instructions are reported, and the program starts all the same.
rm -- "$tree/share/tesmo/instr.txt"
start HOME="$home" -- "$work/third"
check_eq "started without the text instructions" "$work/third"$'\n'0 "$ran"
[[ $err == *instr.txt* ]] || fail "the missing instructions were not reported: '$err'"

# Refused command lines start nothing and make no folder.
start HOME="$home" -- --help
check_eq "--help" 0 "$status"
[[ $(cat -- "$work/out") == Usage:* ]] || fail "--help printed no usage"
for args in "-x" "a b" "--folder x"; do
  # shellcheck disable=SC2086 # the words of each case are its arguments
  start HOME="$home" -- $args
  check_eq "exit status of '$args'" 2 "$status"
  [[ $err == *Usage:* ]] || fail "'$args' printed no usage on standard error"
  check_eq "the program not started for '$args'" "" "$ran"
done
[[ ! -e $home/Tesmo/-x && ! -e /a ]] || fail "a refused command line made a folder"
start -u HOME --
check_eq "without HOME" 1 "$status"
check_eq "the program not started without HOME" "" "$ran"
