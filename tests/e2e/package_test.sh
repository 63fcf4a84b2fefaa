#!/usr/bin/env bash
# The Debian package as a user meets it: built by cpack from the build tree,
# installed with apt, found by the menu, by man and by LV2 hosts; the installed synth plays
# a note under the rig; removal leaves none of its files. A failure midway
# still removes the package. (Depends comes from dpkg-shlibdeps.)
source "$(dirname "$0")/rig.sh" "$1"
sudo=()
[ "$(id -u)" = 0 ] || sudo=(sudo -n)
apt_get() {
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -y -o DPkg::Lock::Timeout=120 "$@" \
    >>"$RIG/apt.log" 2>&1
}
installed() { dpkg-query -W -f='${db:Status-Abbrev}' velmora 2>/dev/null | grep -q '^i'; }
# One package test at a time per machine, and never over a copy the user installed.
exec {lock}>/tmp/velmora-package-test.lock
flock -w 150 "$lock" || fail "another package test holds the lock"
! installed && [ ! -e /usr/bin/velmora ] ||
  fail "velmora is installed here already; remove it first"
package_cleanup() {
  local status=$?
  ! installed || "${sudo[@]}" dpkg --purge velmora >>"$RIG/apt.log" 2>&1 ||
    echo "could not remove velmora" >&2
  [ $status = 0 ] || tail -20 "$RIG/apt.log" 2>/dev/null || true
  rig_cleanup $status
}
trap package_cleanup EXIT

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
(cd "$RIG" && cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$RIG/deb" \
  >"$RIG/cpack.log" 2>&1) ||
  fail "cpack failed: $(tail -5 "$RIG/cpack.log")"
deb="$RIG/deb/velmora_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$RIG/deb")"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package) $(field Version) $(field Section)" = "velmora $version sound" ] ||
  fail "package fields"

apt_get install --no-install-recommends "$deb" || fail "apt-get install failed"
mapfile -t files < <(dpkg -L velmora | while read -r f; do [ ! -f "$f" ] || echo "$f"; done)
desktop=/usr/share/applications/velmora.desktop
desktop-file-validate "$desktop" || fail "$desktop does not validate"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
[[ ";$(entry Categories)" == *";AudioVideo;Audio;Midi;"* ]] || fail "Categories=$(entry Categories)"
[ "$(command -v "$(entry Exec | cut -d' ' -f1)")" = /usr/bin/velmora ] ||
  fail "the menu entry starts $(entry Exec)"
icons=/usr/share/icons/hicolor
[ -f "$icons/scalable/apps/$(entry Icon).svg" ] && [ -f "$icons/48x48/apps/$(entry Icon).png" ] ||
  fail "no icon $(entry Icon)"
for f in "${files[@]}"; do
  [[ "$f" == /usr/bin/* ]] || continue
  page=$(man -w 1 "$(basename "$f")") || fail "no manual page for $f"
  [[ "$(lexgrog "$page")" == *"\"$(basename "$f") - "?*\"* ]] ||
    fail "$page has no NAME line for whatis"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$page: $warnings"
done

# The LV2 plugin, found by hosts in the system folder with its presets.
uri=https://velmora.example/lv2/velmora
[ -f /usr/lib/lv2/velmora.lv2/velmora.so ] || fail "no /usr/lib/lv2/velmora.lv2/velmora.so"
[[ $'\n'"$(env -u LV2_PATH lv2ls)"$'\n' == *$'\n'"$uri"$'\n'* ]] || fail "lv2ls does not list $uri"
[[ "$(env -u LV2_PATH lv2info "$uri")" == *"FM Bass"* ]] || fail "lv2info shows no presets for $uri"

APP=/usr/bin/velmora start_playing keys
send keys on 69 100
wait_samples 22050
measure 8820
in_range "$HZ" 440.5 441.5 || fail "the installed synth plays note 69 at $HZ Hz"
"$BUILD_DIR/xclose" "$WIN"
app_ends 0

apt_get remove velmora || fail "apt-get remove failed"
! installed || fail "still installed after the removal"
for f in "${files[@]}"; do [ ! -e "$f" ] || fail "$f is left after the removal"; done
echo "package: ok"
