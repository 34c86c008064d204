#!/usr/bin/env bash
# Tesmo installed into ~/.local (a HOME of awkward characters) and as the
# Debian package (hardened, accepted by lintian, desktop-file-validate and
# appstreamcli) in a scratch root. Each desktop entry, started by GLib on Xvfb,
# shows " Stocks" with its icon and ~/Tesmo; Help hands the instructions to the
# web-page program; a purge leaves ~/Tesmo as it was. Waits are for conditions.
#   installed.sh BUILD_DIR
set -uo pipefail

[[ -f ${1:-}/CPackConfig.cmake ]] || { echo "usage: $0 BUILD_DIR (a configured and built tree)" >&2; exit 2; }
build=$(realpath -- "$1")
here=$(dirname "$(realpath -- "${BASH_SOURCE[0]}")")
# shellcheck source=../support/desktop_session.sh
source "$here/../support/desktop_session.sh"
dist=$(realpath -- "$here/../../dist")
for t in cmake cpack dpkg dpkg-deb lintian desktop-file-validate appstreamcli rsvg-convert identify compare \
  readelf Xvfb xdotool xdpyinfo xprop dbus-daemon xdg-open gio; do
  command -v "$t" >/dev/null || { echo "$t is missing" >&2; exit 2; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tesmo-package.XXXXXX") || exit 2
limit=60 # seconds, for every wait
app_id=io.github.tesmo.Tesmo
errors=0 xvfb_pid='' bus_pid='' app_pid='' win='' out=''

log() { printf '[package] %s\n' "$*" >&2; }
shot() { timeout 15 import -display "${DISPLAY:-}" -window root "$work/$1.png" 2>/dev/null; }
fail() { errors=$((errors + 1)); log "FAIL: $*"; [[ -n $xvfb_pid ]] && shot "fail-$errors"; }
die() { fail "$*"; exit 1; }
cleanup() {
  local rc=$?
  ((errors)) && rc=1
  stop "$app_pid"
  stop "$bus_pid"
  stop "$xvfb_pid"
  if ((rc == 0)); then rm -rf -- "$work"; exit 0; fi
  [[ -s $work/program.log ]] && { echo "---- $work/program.log"; tail -n 40 "$work/program.log"; echo ----; } >&2
  echo "package checks FAILED; files kept in $work" >&2
  exit "$rc"
}
trap cleanup EXIT; trap 'exit 130' INT; trap 'exit 143' TERM

version=$("$build/tesmo" --version) && version=${version#tesmo } || die "tesmo --version failed"
[[ $version =~ ^[0-9]+(\.[0-9]+)+$ ]] || die "tesmo --version gave '$version'"

# ------------------------------------------------ cmake --install, any prefix

# A HOME of blanks, quotes, a dollar and a non-ASCII letter; the README's install.
home="$work/home of Jo 'J' \"Q\" \$HOME é"
ledger=$home/Tesmo
prefix=$home/.local
mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$work/bin" "$work/share/applications" &&
  mkdir -m 700 "$work/runtime"
cmake --install "$build" --prefix "$prefix" --strip >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; die "cmake --install failed"; }
expected=$(sort <<EOF
bin/tesmo
bin/tesmo-start
share/applications/$app_id.desktop
share/doc/tesmo/changelog.gz
share/doc/tesmo/copyright
$(for s in 16 22 24 32 48 64 128 256; do echo "share/icons/hicolor/${s}x$s/apps/$app_id.png"; done)
share/icons/hicolor/scalable/apps/$app_id.svg
share/man/man1/tesmo-start.1.gz
share/man/man1/tesmo.1.gz
share/metainfo/$app_id.metainfo.xml
share/tesmo/instr.HTML
share/tesmo/instr.txt
EOF
)
check_eq "the installed files, and nothing of the tests" "$expected" \
  "$(cd "$prefix" && find . \( -type f -o -type l \) -printf '%P\n' | sort)"
check_eq "tesmo-start(1) is tesmo(1)" tesmo.1.gz "$(readlink -- "$prefix/share/man/man1/tesmo-start.1.gz")"

# One version in the program, the metainfo, the changelog and the manual page.
check_eq "metainfo's newest release" "$version" \
  "$(grep -o '<release version="[^"]*"' "$dist/$app_id.metainfo.xml" | head -n 1 | cut -d'"' -f2)"
check_eq "changelog's newest entry" "tesmo ($version)" "$(zcat "$prefix/share/doc/tesmo/changelog.gz" | head -n 1 | cut -d' ' -f1-2)"
check_eq "manual page's version" "\"Tesmo $version\"" "$(zcat "$prefix/share/man/man1/tesmo.1.gz" | sed -n 's/^\.TH TESMO 1 [^ ]* //p' | cut -d' ' -f1-2)"

# The committed PNGs are the SVG's rendering (by dist/icons/render), each its folder's size.
mkdir "$work/icons" && "$dist/icons/render" "$work/icons" || fail "the icon could not be rendered"
for s in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${s}x$s/apps/$app_id.png
  check_eq "size of the ${s}px icon" "${s}x$s" "$(identify -format '%wx%h' "$png" 2>&1)"
  differ=$(compare -metric AE -fuzz 10% "$png" "$work/icons/$s/$app_id.png" null: 2>&1)
  check_eq "pixels of the ${s}px icon that differ from the SVG's rendering" 0 "$differ"
done

# ------------------------------------------------------------ the package

cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; die "cpack failed"; }
deb=$work/package/tesmo_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || die "no $(basename "$deb"); cpack made: $(cd "$work/package" && echo *.deb)"
field() { dpkg-deb --field "$deb" "$1"; }
check_eq "package version" "$version" "$(field Version)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\ ]+@[^@\ ]+\.[a-z]+\>$ ]] || fail "maintainer '$(field Maintainer)' is not a name and an address"
[[ -n $(field Section) && $(field Description) == *$'\n'* ]] || fail "no section, or no long description"
# Dependencies from dpkg-shlibdeps, each installed here (the program runs on them below).
depends=$(field Depends)
for p in libqt6widgets6 libsqlite3-0 libc6; do
  [[ $depends == *"$p "* ]] || fail "Depends lacks $p (shlibdeps): $depends"
done
for p in $(tr ',' '\n' <<<"$depends" | sed 's/(.*)//; s/|.*//'); do
  [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null) == installed ]] || fail "Depends names $p, which is not installed here"
done
# No maintainer scripts: the package touches nothing but its own files.
check_eq "control members" "./control ./md5sums" "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sort | xargs)"

# lintian: no error, warning or hardening tag ("info" only: the .comment CPack keeps, data outside /usr/share/doc).
lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; fail "lintian found errors or warnings"; }
grep -E '^[EW]: |hardening' "$work/lintian.log" >&2 && fail "lintian reported the lines above"

# -------------------------------------------------- installed into a scratch root

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers" &&
  touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
# The dependencies are this machine's, outside the root.
dpkg --root="$root" --log=/dev/null --force-not-root --force-depends --install "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; die "dpkg could not install the package"; }
# The stack protector and the C library's checked calls (lintian checks the rest).
symbols=$(readelf --dyn-syms -W "$root/usr/bin/tesmo")
[[ $symbols == *' __stack_chk_fail'* && $symbols =~ \ __[a-z0-9_]+_chk[@\ ] ]] || fail "tesmo lacks the stack protector or checked calls"
for tree in "$prefix" "$root/usr"; do
  out=$(desktop-file-validate "$tree/share/applications/$app_id.desktop" 2>&1) && [[ -z $out ]] || fail "desktop-file-validate of $tree: $out"
done
out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" 2>&1) || fail "appstreamcli validate: $out"
# The metainfo's launchable is the desktop entry, whose icon is installed.
out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli validate-tree: $out"
# The screenshot software centres show is the one in dist/screenshots.
image=$(grep -o '<image[^>]*>[^<]*' "$root/usr/share/metainfo/$app_id.metainfo.xml" | sed 's/.*>//')
[[ $image == */main/dist/screenshots/* && -f $dist/screenshots/${image##*/} ]] || fail "the metainfo's screenshot $image is not in dist/screenshots"

# -------------------------------------------- started as the desktop entry says

start_session "$work" "$limit"

# The web-page program records what it is handed (outside HOME: xdg-utils cut a folder's name at blanks).
printf '#!/bin/sh\nfor a; do printf "<%%s>\\n" "$a"; done >"%s"\n' "$work/browser.log" >"$work/bin/browser"
chmod +x "$work/bin/browser"
printf '[Desktop Entry]\nType=Application\nName=Browser\nExec=%s %%f\nMimeType=text/html;\n' "$work/bin/browser" \
  >"$work/share/applications/browser.desktop"
printf '[Default Applications]\ntext/html=browser.desktop\n' >"$home/.config/mimeapps.list"

running() { [[ -n $app_pid ]] && kill -0 "$app_pid" 2>/dev/null; }
found() { win=$(timeout 5 xdotool search --onlyvisible --name '^ Stocks$' 2>/dev/null | tail -n 1 | grep .); }
# press KEY: the window given the X focus and a control in it the program's, KEY sent.
in_window() {
  out=$(timeout 20 /usr/bin/python3 "$here/../e2e/focused.py" 2>>"$work/focused.log") && [[ ${out%%|*} == ' Stocks' ]]
}
press() {
  timeout 10 xdotool windowfocus --sync "$win" >/dev/null 2>&1 || timeout 10 xdotool windowfocus "$win" >/dev/null 2>&1
  poll "$limit" in_window || die "the window never took the focus (focus: '${out:-nothing}')"
  timeout 30 xdotool key --clearmodifiers "$1" || fail "xdotool key $1 failed"
}
ended() { ! running; }
# start TREE [PATH_HEAD]: GLib starts TREE's desktop entry, PATH_HEAD before the PATH; the
# window must be TREE's program, in a new ~/Tesmo with the ledger and instructions, with its icon and class.
start() {
  rm -rf -- "$ledger"
  (cd / && exec env -u SESSION_MANAGER PATH="${2:-}$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_DATA_HOME="$home/.local/share" XDG_DATA_DIRS="$work/share:/usr/local/share:/usr/share" \
    XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    gio launch "$1/share/applications/$app_id.desktop") >>"$work/program.log" 2>&1 || die "gio could not start the entry of $1"
  poll "$limit" found || die "no window ' Stocks' from the entry of $1 within ${limit}s"
  app_pid=$(xdotool getwindowpid "$win")
  check_eq "the program running" "$1/bin/tesmo" "$(readlink "/proc/$app_pid/exe")"
  check_eq "its folder" "$ledger" "$(readlink "/proc/$app_pid/cwd")"
  [[ -f $ledger/Tesmo.mdb ]] || fail "no Tesmo.mdb in ~/Tesmo"
  for f in instr.HTML instr.txt; do
    cmp -s "$1/share/tesmo/$f" "$ledger/$f" || fail "~/Tesmo/$f is not the installed $f"
  done
  wm_class=$(xprop -id "$win" WM_CLASS | sed 's/.*= //; s/"//g; s/, /,/')
  check_eq "the window's class" "$(sed -n 's/^StartupWMClass=//p' "$1/share/applications/$app_id.desktop")" "${wm_class#*,}"
  [[ $(xprop -id "$win" -len 8 _NET_WM_ICON) == *'Icon ('* ]] || fail "the window of $1 has no icon"
}

# The ~/.local entry, without ~/.local/bin on PATH; then the package's, with Help and Exit.
start "$prefix"
press alt+x
poll "$limit" ended || die "the program of ~/.local did not end within ${limit}s of Alt+X"
start "$root/usr" "$root/usr/bin:"
press alt+h
handed() { [[ -s $work/browser.log ]]; }
poll "$limit" handed || fail "Help handed nothing to the program for web pages"
check_eq "what Help handed over" "<$ledger/instr.HTML>" "$(cat "$work/browser.log" 2>&1)"
press alt+x
poll "$limit" ended || die "the program did not end within ${limit}s of Alt+X"
app_pid=''

# ------------------------------------------------------------------ purged

snapshot() { (cd "$ledger" && find . -printf '%P %y %s %m\n' | sort && find . -type f -exec sha256sum {} + | sort); }
before=$(snapshot)
dpkg --root="$root" --log=/dev/null --force-not-root --purge tesmo >>"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; die "dpkg could not purge the package"; }
check_eq "the package's files after the purge" "" "$(cd "$root" && find . -path ./var -prune -o ! -type d -print)"
check_eq "~/Tesmo after the purge" "$before" "$(snapshot)"
((errors == 0)) && log "passed"
