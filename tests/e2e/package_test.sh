#!/usr/bin/env bash
# The Debian package, the way a user meets it: built by cpack from the build
# tree, installed with apt, its menu entry, icons and manual page where the
# desktop and man look for them, its dependencies those of the libraries the
# programs link; the installed synth plays a note under the rig; removal
# leaves nothing behind. A failure midway still removes the package.
source "$(dirname "$0")/rig.sh" "$1"

as_root=()
if [ "$(id -u)" != 0 ]; then
  sudo -n true 2>/dev/null || fail "installing a package needs root or password-less sudo"
  as_root=(sudo -n)
fi
apt_get() {
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -o DPkg::Lock::Timeout=120 "$@"
}
status_of() { dpkg-query -W -f='${db:Status-Abbrev}' velmora 2>/dev/null || true; }

# One package test at a time per machine: they install the same package.
exec {LOCK_FD}>/tmp/velmora-package-test.lock
flock -w 150 "$LOCK_FD" || fail "another package test holds the lock"

# Never replace or remove a copy the user installed.
case "$(status_of)" in
  "" | un*) ;;
  *) fail "velmora is already installed here ($(status_of)); remove it before this test" ;;
esac
[ ! -e /usr/bin/velmora ] || fail "/usr/bin/velmora exists outside any package"

INSTALLED=""
package_cleanup() {
  local status=$?
  set +e
  if [ -n "$INSTALLED" ]; then
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
    APP_PID=""
    "${as_root[@]}" dpkg --purge velmora >>"$RIG/apt.log" 2>&1 ||
      echo "could not remove the velmora package" >&2
    if [ $status -ne 0 ]; then
      echo "--- apt log (tail)"
      tail -20 "$RIG/apt.log"
    fi
  fi
  (exit $status)
  rig_cleanup
}
trap package_cleanup EXIT

# --- Build the package from the build tree's own packaging rules.
[ -f "$BUILD_DIR/CPackConfig.cmake" ] || fail "the build tree has no packaging rules"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in the build tree"
(cd "$RIG" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$RIG/deb" >"$RIG/cpack.log" 2>&1) ||
  { tail -20 "$RIG/cpack.log"; fail "cpack failed"; }
debs=("$RIG"/deb/velmora_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single velmora_*.deb: ${debs[*]}"
deb=${debs[0]}
[ "$(basename "$deb")" = "velmora_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "package file $(basename "$deb") does not carry version $version"

field() { dpkg-deb -f "$deb" "$1" 2>/dev/null || true; }
[ "$(field Package)" = velmora ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), project $version"
[ "$(field Section)" = sound ] || fail "section $(field Section)"
[[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "maintainer '$(field Maintainer)'"
description=$(field Description)
[ "$(printf '%s\n' "$description" | wc -l)" -ge 3 ] || fail "no long description: $description"
depends=$(field Depends)
[ -n "$depends" ] || fail "the package has no Depends"
echo "Depends: $depends"

# --- Install it the way the README says.
INSTALLED=1
apt_get install --no-install-recommends "$deb" >"$RIG/apt.log" 2>&1 || fail "apt-get install failed"
[ "$(status_of)" = "ii " ] || fail "dpkg shows '$(status_of)' after the install"
mapfile -t files < <(dpkg -L velmora | while read -r f; do [ -f "$f" ] && echo "$f"; done)
echo "installed ${#files[@]} files"

# The programs, found on the PATH as a menu would find them.
[ -x /usr/bin/velmora ] || fail "no /usr/bin/velmora"
[ "$(command -v velmora)" = /usr/bin/velmora ] || fail "velmora on the PATH is $(command -v velmora)"

# Depends names the package of every library a program links, and nothing
# else: each first alternative owns one of those libraries.
owner() {
  local path=$1 p
  for p in "$path" "${path#/usr}" "/usr${path}"; do
    dpkg -S "$p" 2>/dev/null | head -n1 | sed 's/[:,].*//' && return 0
  done
  return 1
}
declare -A linked=() named=()
while read -r name; do named[$name]=1; done < <(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
for f in "${files[@]}"; do
  [[ "$f" == /usr/bin/* ]] || continue
  while read -r lib path; do
    [ -n "$path" ] || fail "$f: $lib is not found"
    pkg=$(owner "$path") || fail "$f: no package owns $path"
    linked[$pkg]=1
    [ -n "${named[$pkg]:-}" ] || fail "$f links $lib from $pkg, which Depends lacks"
  done < <(for lib in $(readelf -d "$f" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    echo "$lib $(ldd "$f" | awk -v l="$lib" '$1 == l { print $3 }')"
  done)
done
[ ${#linked[@]} -gt 0 ] || fail "the programs link no shared library at all?"
IFS=',' read -ra clauses <<<"$depends"
for clause in "${clauses[@]}"; do
  first=$(sed 's/^ *//; s/[ |(].*//' <<<"$clause")
  [ -n "${linked[$first]:-}" ] || fail "Depends names $first, which no program links"
done

# The menu entry: valid, in the audio and MIDI categories, starting the
# installed synth and naming an icon that the theme has.
desktop=/usr/share/applications/velmora.desktop
[ -f "$desktop" ] || fail "no $desktop"
desktop-file-validate "$desktop" || fail "$desktop does not validate"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
for c in AudioVideo Audio Midi; do
  [[ ";$(entry Categories)" == *";$c;"* ]] || fail "Categories lacks $c: $(entry Categories)"
done
exec_cmd=$(entry Exec | awk '{ print $1 }')
APP=$(command -v "$exec_cmd") || fail "Exec=$(entry Exec) is not on the PATH"
[ "$APP" = /usr/bin/velmora ] || fail "the menu entry starts $APP"
icon=$(entry Icon)
[ "$icon" = velmora ] || fail "Icon=$icon"

# The icon: the SVG at any size, and PNGs whose pixel size is their folder's.
theme=/usr/share/icons/hicolor
svg=$theme/scalable/apps/$icon.svg
[ -f "$svg" ] || fail "no $svg"
rsvg-convert -w 48 -h 48 "$svg" -o "$RIG/svg48.png" || fail "$svg does not render"
sizes=()
for png in "$theme"/*/apps/"$icon".png; do
  [ -f "$png" ] || continue
  dir=$(basename "$(dirname "$(dirname "$png")")")
  [ "$(identify -format '%wx%h' "$png")" = "$dir" ] || fail "$png is $(identify -format '%wx%h' "$png")"
  sizes+=("${dir%%x*}")
done
for need in 16 32 48 256; do
  [[ " ${sizes[*]} " == *" $need "* ]] || fail "no ${need}x$need PNG icon (have: ${sizes[*]})"
done
# The PNGs are renderings of the SVG, not left over from an older drawing.
for s in 48 256; do
  rsvg-convert -w $s -h $s "$svg" -o "$RIG/svg$s.png"
  rmse=$(compare -metric RMSE "$RIG/svg$s.png" "$theme/${s}x$s/apps/$icon.png" null: 2>&1 |
    sed 's/.*(\(.*\)).*/\1/') || true
  awk -v e="$rmse" 'BEGIN { exit !(e != "" && e < 0.02) }' ||
    fail "the ${s}px PNG differs from the SVG (RMSE $rmse): run packaging/icons/render.sh"
done
echo "icon sizes: ${sizes[*]} and scalable"

# The manual page: found by man, a NAME line for whatis, no groff warnings.
[ -f /usr/share/man/man1/velmora.1.gz ] || fail "no /usr/share/man/man1/velmora.1.gz"
[ "$(man -w 1 velmora)" = /usr/share/man/man1/velmora.1.gz ] || fail "man finds $(man -w 1 velmora)"
lexgrog /usr/share/man/man1/velmora.1.gz | grep -q '"velmora - .\+"' || fail "no NAME line for whatis"
warnings=$(MANWIDTH=80 man --warnings -l /usr/share/man/man1/velmora.1.gz 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"

# --- The installed synth plays a note.
start_x
start_jack
use_captured_audio
start_midi_source
start_app
win=$(window_id Velmora) || fail "no window"
[ "$(readlink "/proc/$APP_PID/exe")" = /usr/bin/velmora ] ||
  fail "the running synth is $(readlink "/proc/$APP_PID/exe")"
wait_samples 22050
# The synth opened the source, its port 0, at start-up.
wait_for 5 bash -c "jack_lsp -c | grep -A1 velmora-test-source | grep -q '^ '" ||
  fail "the source is not connected to the synth"
"$PROBE" "$AUDIO" silent 0 "$(captured)" >/dev/null || fail "sound before the first note"
at=$(captured)
send on 69 100
wait_samples 22050
if "$PROBE" "$AUDIO" silent $(($(captured) - 13230)) "$(captured)" >/dev/null; then
  fail "note 69 is silent (sent at sample $at, first sound at $("$PROBE" "$AUDIO" first-sound "$at")," \
    "the source answered: $(tr '\n' ' ' <"${SOURCE_OUT:-/dev/null}"))"
fi
hz=$("$PROBE" "$AUDIO" period $(($(captured) - 13230)) 13230)
awk -v f="$hz" 'BEGIN { exit !(f > 440 && f < 442) }' || fail "note 69 sounds at $hz Hz"
echo "installed synth, note 69: $hz Hz"
send off 69
"$BUILD_DIR/tests/xclose" "$win"
wait_for 5 bash -c "! kill -0 $APP_PID" || fail "no exit after the close request"
status=0
wait "$APP_PID" || status=$?
APP_PID=""
[ "$status" = 0 ] || fail "exit code $status"

# --- Removal, as the README says, leaves none of the package's files.
apt_get remove velmora >>"$RIG/apt.log" 2>&1 || fail "apt-get remove failed"
INSTALLED=""
case "$(status_of)" in
  "" | un*) ;;
  *) fail "dpkg shows '$(status_of)' after the removal" ;;
esac
for f in "${files[@]}"; do
  [ ! -e "$f" ] || fail "$f is left after the removal"
done
echo "package: ok"
