# Helpers of the Wine runs that drive the real rodiduz-setup.exe through its window on Xvfb with
# xdotool against the box simulator, sourced by scripts/wine-whole-run and
# scripts/wine-installer-test. The caller sets build, simulator and com (the program's COM
# number) and WINEPREFIX, and may add its own step to cleanup through cleanup_more.
# It starts Xvfb and exports DISPLAY; $work is a scratch folder removed at exit.
title="Rodiduz Box Setup Wizard"
log_name=deruruv_ozo.txt

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$(basename "$0"): $tool is missing (scripts/install-deps)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/rodiduz-wine-run-XXXXXX")
xvfb_pid= sim_pid= wizard_pid=
cleanup_more() { :; }
cleanup() {
  cleanup_more
  for pid in $wizard_pid $sim_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -f "$WINEPREFIX/dosdevices/com$com"
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "$(basename "$0"): $*" >&2
  echo "--- simulator" >&2
  cat "$work/boxsim.out" >&2 || true
  echo "--- wizard" >&2
  cat "$work/wizard.out" >&2 || true
  exit 1
}

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_until() {
  for _ in $(seq 1 "$2"); do
    eval "$1" && return 0
    sleep 0.1
  done
  return 1
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -dpi 96 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
wait_until '[[ -s "$work/display" ]]' 100 || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

temp_folders=("$WINEPREFIX"/drive_c/users/*/AppData/Local/Temp "$WINEPREFIX"/drive_c/users/*/Temp)

# A fresh simulated box on the prefix's COM port, with the simulator's options $@.
plug_box() {
  if [[ -n "$sim_pid" ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work/ports"
  mkdir -p "$work/ports"
  "$simulator" --port-dir "$work/ports" --com 7 --announce-ms 200 --test-ms 100 --lifetime 120 "$@" \
    >"$work/boxsim.out" 2>&1 &
  sim_pid=$!
  wait_until '[[ -L "$work/ports/COM7" ]]' 50 || fail "the simulator's port did not appear"
  ln -sfn "$work/ports/COM7" "$WINEPREFIX/dosdevices/com$com"
}

# Starts the program in folder $1, with the command $2... (wine rodiduz-setup.exe when none), and
# waits for a window titled as the application.
start_wizard() {
  local folder=$1
  shift
  [[ $# -gt 0 ]] || set -- wine rodiduz-setup.exe
  for temp in "${temp_folders[@]}"; do rm -f "$temp/$log_name"; done
  (cd "$folder" && RODIDUZ_STANDIN_BOX_COM=$com exec "$@") >"$work/wizard.out" 2>&1 &
  wizard_pid=$!
  find_main() { main=$(shown_window "$title") && [[ -n "$main" ]]; }
  main=
  wait_until find_main 600 || fail "no window titled \"$title\" appeared"
  sleep 0.5
}

# Prints the id of the shown window named exactly $1. Compared here, not by xdotool's pattern,
# which finds no title in Arabic.
shown_window() {
  local id
  for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    if [[ "$(xdotool getwindowname "$id" 2>/dev/null)" == "$1" ]]; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

exited() { ! kill -0 "$wizard_pid" 2>/dev/null; }
# Waits for the program to end with status 0.
expect_ended() {
  wait_until exited 100 || fail "the program did not end"
  wait "$wizard_pid" || fail "the program ended with status $?"
  wizard_pid=
}

# Xvfb has no window manager: the X window is the client area, in the layout's coordinates,
# seen in a mirror while $mirrored is set (a window in a language written right to left).
mirrored=
click() {
  local x=$2
  if [[ -n "$mirrored" ]]; then
    x=$(($(xdotool getwindowgeometry --shell "$1" 2>/dev/null | sed -n 's/^WIDTH=//p') - x))
  fi
  xdotool mousemove --window "$1" "$x" "$3" click 1 2>/dev/null || true
}
click_start() { click "$main" 846 419; }  # notebook 412,8 + button 386,397 97x29
# Exit and Next share a place (notebook 412,8 + button 384,396 97x29). Exit is clicked until the
# program ends, since nothing on the earlier pages answers a click there.
click_exit() {
  for _ in $(seq 1 60); do
    exited && break
    click "$main" 844 418
    sleep 0.5
  done
  expect_ended
}

saved_log() {
  saved=
  for folder in "${temp_folders[@]}"; do [[ -f "$folder/$log_name" ]] && saved="$folder/$log_name"; done
  [[ -n "$saved" ]] || fail "no $log_name in the Wine user's temporary folder"
}
expect_logged() {
  saved_log
  for line in "$@"; do
    grep -qF "$line" "$saved" || { cat "$saved" >&2; fail "the saved log lacks \"$line\""; }
  done
}
expect_not_logged() {
  saved_log
  for line in "$@"; do
    ! grep -qF "$line" "$saved" || { cat "$saved" >&2; fail "the saved log has \"$line\""; }
  done
}
# The simulator prints each line it received as "<- line".
received() { sed -n 's/^<- //p' "$work/boxsim.out"; }
expect_received_in_order() {
  local at=0 expected=("$@")
  while IFS= read -r line; do
    [[ $at -lt ${#expected[@]} && "$line" == "${expected[$at]}" ]] && at=$((at + 1))
  done < <(received)
  [[ $at -eq ${#expected[@]} ]] || fail "the box did not receive \"${expected[$at]}\" in order"
}
expect_received_times() {
  local count
  count=$(received | grep -cxF "$2" || true)
  [[ "$count" -eq "$1" ]] || fail "the box received \"$2\" $count times, not $1"
}

