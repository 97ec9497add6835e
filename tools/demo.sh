#!/usr/bin/env bash
# Starts the program in a demo folder of its own.
set -euo pipefail
build="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
demo="$here/demo"
mkdir -p "$demo"
rm -rf "$demo/assets" && cp -r "$here/assets" "$demo/assets"
cd "$demo"
exec "$build/bin/quendar"
