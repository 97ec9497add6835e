#!/usr/bin/env bash
# The sanitizer suite and the bounded fuzz runs; called by "./setup.sh test" after the plain suite.
set -euo pipefail
echo "robustness: nothing here yet"
