#!/usr/bin/env bash
# The demo: the simulated device and the program side by side in a folder of their own
# (demo/ with its own cnf.dat, assets and ports folder), so a real setup is never touched.
# Closing the window ends the simulator too.
# usage: tools/demo.sh <build-dir>
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$here/build}" && pwd)"
demo="$here/demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: no graphical display here (DISPLAY is unset); start it from a desktop session (or over ssh -X)" >&2
    exit 1
fi

mkdir -p "$demo"
rm -rf "$demo/assets"
cp -r "$here/assets" "$demo/assets"
printf '1\r\n0\r\n' > "$demo/cnf.dat"
export XDG_CONFIG_HOME="$demo/config"

"$build/bin/quendar-sim" --com 1 --scenario demo --pace 0.5 > "$demo/simulator.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
# The program opens COM1 at start-up: wait until the simulator has linked it.
for _ in $(seq 50); do
    [ -e "$XDG_CONFIG_HOME/quendar/ports/COM1" ] && break
    sleep 0.1
done

echo "demo: Quendar with a simulated device; close the window to end."
echo "demo: working folder $demo (the simulator's messages are in simulator.log)"
cd "$demo"
"$build/bin/quendar"
