#!/usr/bin/env bash
# The Debian package as a user gets it: unpacked into a scratch root it holds exactly the files
# the program needs, they pass their validators, and the installed command, started from a
# folder without a catalogue, runs a whole setup against the box simulator under a virtual
# display. Its log must land in the user's state folder, where it survives the session's end.
#
#   installed_run.sh <folder holding the .deb> <build folder>
set -euo pipefail
package_dir=$1
build=$(cd "$2" && pwd)
title="Rodiduz Box Setup Wizard"

for tool in dpkg-deb readelf file xvfb-run xdotool desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is missing (scripts/install-deps)"; exit 77; }
done
debs=("$package_dir"/rodiduz-setup_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "expected one package in $package_dir, found: ${debs[*]}"; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/rodiduz-package-XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "${debs[0]}" "$root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# --- Exactly these files: nothing the program needs is missing, no test or tool slipped in.
expected=$(cat <<'FILES'
./lib/udev/rules.d/70-rodiduz-box.rules
./usr/bin/rodiduz-setup
./usr/bin/rodiduz-setup-cli
./usr/lib/rodiduz-setup/libusblib.so
./usr/lib/rodiduz-setup/rodiduz-setup
./usr/lib/rodiduz-setup/rodiduz-setup-cli
./usr/share/applications/rodiduz-setup.desktop
./usr/share/doc/rodiduz-setup/changelog.gz
./usr/share/doc/rodiduz-setup/copyright
./usr/share/icons/hicolor/128x128/apps/rodiduz-setup.png
./usr/share/icons/hicolor/16x16/apps/rodiduz-setup.png
./usr/share/icons/hicolor/256x256/apps/rodiduz-setup.png
./usr/share/icons/hicolor/32x32/apps/rodiduz-setup.png
./usr/share/icons/hicolor/48x48/apps/rodiduz-setup.png
./usr/share/icons/hicolor/64x64/apps/rodiduz-setup.png
./usr/share/man/man1/rodiduz-setup-cli.1.gz
./usr/share/man/man1/rodiduz-setup.1.gz
./usr/share/metainfo/com.rodiduz.setup.metainfo.xml
./usr/share/rodiduz-setup/apnlist.csv
FILES
)
actual=$(cd "$root" && find . \( -type f -o -type l \) | LC_ALL=C sort)
[[ "$actual" == "$expected" ]] || fail "package contents differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual") || true)"

for program in usr/bin/rodiduz-setup usr/lib/rodiduz-setup/rodiduz-setup usr/bin/rodiduz-setup-cli \
               usr/lib/rodiduz-setup/rodiduz-setup-cli; do
  [[ -x "$root/$program" ]] || fail "$program is not executable"
done
runpath=$(readelf -d "$root/usr/lib/rodiduz-setup/rodiduz-setup" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[[ "$runpath" == '$ORIGIN' ]] || fail "the program's RUNPATH is '$runpath', not \$ORIGIN"
[[ $(wc -l <"$root/usr/share/rodiduz-setup/apnlist.csv") -gt 100 ]] || fail "the catalogue is nearly empty"
rule=$root/lib/udev/rules.d/70-rodiduz-box.rules
for part in 'SUBSYSTEM=="tty"' 'ATTRS{idVendor}=="0403"' 'ATTRS{idProduct}=="6015"' 'TAG+="uaccess"' \
            'ENV{ID_MM_DEVICE_IGNORE}="1"'; do
  grep -vE '^#' "$rule" | grep -qF "$part" || fail "the udev rule lacks $part"
done
for size in 16 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/rodiduz-setup.png" | grep -q "$size x $size" ||
    fail "the ${size}x${size} icon has another size"
done
desktop-file-validate "$root/usr/share/applications/rodiduz-setup.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$root/usr/share/metainfo/com.rodiduz.setup.metainfo.xml" ||
  fail "appstreamcli validate"
# The name and summary in the languages of po/packaging/, German and Arabic among them.
for language in de ar; do
  grep -q "^Name\[$language\]=" "$root/usr/share/applications/rodiduz-setup.desktop" ||
    fail "the desktop entry has no $language name"
  grep -q "<summary xml:lang=\"$language\">" "$root/usr/share/metainfo/com.rodiduz.setup.metainfo.xml" ||
    fail "the metainfo has no $language summary"
done
zcat "$root/usr/share/man/man1/rodiduz-setup.1.gz" | grep -q '^\.TH RODIDUZ-SETUP 1' || fail "the man page"
zcat "$root/usr/share/man/man1/rodiduz-setup-cli.1.gz" | grep -q '^\.TH RODIDUZ-SETUP-CLI 1' ||
  fail "the command line's man page"
# The installed command finds its catalogue and library from anywhere: no box within no time.
cli_status=0
(cd "$work" && env -u LD_LIBRARY_PATH "$root/usr/bin/rodiduz-setup-cli" --wait 0 --log-dir "$work/cli-logs" \
  >"$work/cli.out" 2>"$work/cli.err") || cli_status=$?
[[ $cli_status == 3 ]] || fail "the installed command ended with $cli_status, not 3: $(cat "$work/cli.err")"

# --- Start-up from a folder without a catalogue, with the installed USB library: the loader
# must find it beside the program (LD_LIBRARY_PATH would win over the RUNPATH, so it is unset).
# Its log (in its state folder) and Qt's runtime folder go into the scratch folder.
runtime=$work/runtime
mkdir -p "$work/elsewhere" "$work/ports" "$work/tmp"
mkdir -m 0700 "$runtime"
(cd "$work/elsewhere" && env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen RODIDUZ_EXIT_WHEN_SHOWN=1 \
  XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$runtime" \
  LD_DEBUG=libs LD_DEBUG_OUTPUT="$work/loader" "$root/usr/bin/rodiduz-setup" >"$work/startup.out" 2>&1) ||
  fail "the installed command did not start: $(cat "$work/startup.out")"
grep -q "shown after" "$work/startup.out" || fail "no window shown: $(cat "$work/startup.out")"
[[ -s "$work/state/rodiduz-setup/deruruv_ozo.txt" ]] || fail "the start-up's log is not in its XDG_STATE_HOME"
# Under AddressSanitizer its dlopen interceptor is the caller, and the loader then searches the
# sanitizer library's paths instead of the program's RUNPATH: there the RUNPATH check above
# stands for the search.
if readelf -d "$root/usr/lib/rodiduz-setup/rodiduz-setup" | grep -q 'NEEDED.*libasan'; then
  echo "note: a sanitizer build; the loader's search for libusblib.so is not checked"
else
  grep -hq "calling init: $root/usr/lib/rodiduz-setup/libusblib.so" "$work"/loader.* ||
    fail "the installed libusblib.so was not loaded"
fi

# --- A whole setup through the installed command, on the virtual USB bus with the simulator.
cat >"$work/session" <<'SESSION'
#!/usr/bin/env bash
set -euo pipefail
work=$1 root=$2 build=$3 title=$4
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT
"$build/rodiduz-boxsim" --port-dir "$work/ports" --com 7 --lifetime 120 >"$work/boxsim.log" 2>&1 &
(cd "$work/elsewhere" && env -u XDG_STATE_HOME HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" RODIDUZ_PORT_DIR="$work/ports" \
  LD_LIBRARY_PATH="$build/sim" "$root/usr/bin/rodiduz-setup" >"$work/wizard.out" 2>&1) &
wizard=$!

# Polls until `$1` holds or $2 seconds have passed.
wait_until() {
  local deadline=$((SECONDS + $2))
  until eval "$1"; do
    ((SECONDS < deadline)) || { echo "gave up waiting for: $1" >&2; return 1; }
    sleep 0.2
  done
}
main_window() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1; }
wait_until '[[ -n "$(main_window)" ]]' 30
main=$(main_window)
# Start: notebook 412,8 + button 386,397 97x29.
xdotool mousemove --window "$main" 846 419 click 1
wait_until 'grep -q "GPRSTEST OK" "$work/boxsim.log"' 60
# Exit sits where Next does on the settings page (notebook 412,8 + 384,396): clicked until the
# wizard has shown its last page and ended; the message window is moved out of the way first.
clicks=0
until ! kill -0 "$wizard" 2>/dev/null; do
  for message in $(xdotool search --onlyvisible --name "^Information\$" 2>/dev/null); do
    xdotool windowmove "$message" 0 0
  done
  ((clicks++ < 100)) || { echo "the wizard did not end on Exit" >&2; exit 1; }
  xdotool mousemove --window "$main" 844 418 click 1 2>/dev/null || true
  sleep 0.3
done
SESSION
# xvfb-run keeps its authority file in TMPDIR: here, the scratch folder.
TMPDIR="$work" xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash "$work/session" "$work" "$root" "$build" "$title" ||
  fail "the whole run did not finish"$'\n'"$(cat "$work/wizard.out" 2>/dev/null)"

log=$work/home/.local/state/rodiduz-setup/deruruv_ozo.txt
if [[ -s "$log" ]]; then
  for text in "Program Version: " "==== NEW ====" "[Rx]  [GPRSTEST OK]" "(State GPRSTesting->GPRSPassed)"; do
    grep -qF "$text" "$log" || fail "the log lacks \"$text\""
  done
  ((failures == 0)) || { echo "the saved log:"; cat "$log"; }
  ! grep -qF "USB library could not be loaded" "$log" || fail "the log says the USB library did not load"
else
  fail "no log in the state folder; the wizard said: $(cat "$work/wizard.out")"
fi
[[ -z "$(ls -A "$work/elsewhere")" ]] || fail "the wizard wrote into the folder it was started from"

if ((failures > 0)); then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package ${debs[0]##*/}: contents, validators, start-up and a whole setup all pass"
