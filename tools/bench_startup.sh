#!/usr/bin/env bash
# Start-up and idle benchmark: time from process start to the window shown, CPU used while the
# window sits idle, and resident memory. Runs the program under its own Xvfb in a scratch folder.
# usage: tools/bench_startup.sh [build-dir] [idle-seconds]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
idle="${2:-20}"
work="$(mktemp -d)"
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r "$here/assets" "$work/assets"
printf '1\r\n0\r\n' > "$work/cnf.dat"
export XDG_CONFIG_HOME="$work/config"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY="$display"

runs=()
for i in 1 2 3 4 5; do
    start=$(date +%s%N)
    (cd "$work" && exec "$build/bin/quendar") >/dev/null 2>&1 &
    app=$!
    # The port does not open here, so the first window shown is the main window; the "Fehler"
    # box follows it.
    # A tight poll; xdotool's own --sync waits half a second between looks.
    until xdotool search --onlyvisible --name '^Quendar 1.10$' >/dev/null 2>&1; do :; done
    end=$(date +%s%N)
    runs+=($(( (end - start) / 1000000 )))
    if [ "$i" -lt 5 ]; then kill "$app"; wait "$app" 2>/dev/null || true; fi
done
sorted=($(printf '%s\n' "${runs[@]}" | sort -n))
echo "start to window shown: median ${sorted[2]} ms (runs: ${runs[*]} ms)"

# Close the start-up message box, then let the window idle.
sleep 1
xdotool search --name '^Fehler$' key --clearmodifiers Return 2>/dev/null || true
sleep 2
ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks); sleep "$idle"; t1=$(ticks)
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$idle" \
    'BEGIN { printf "idle CPU over %d s: %.2f %% of one core\n", s, 100 * d / hz / s }'
grep -E '^VmRSS|^VmHWM' "/proc/$app/status" | awk '{ printf "%s %.1f MiB\n", $1, $2 / 1024 }'
