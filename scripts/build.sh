#!/usr/bin/env bash
# Sets up and builds both trees: host (engine, tests, tools) and Windows (Nuvela.exe, tests).
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"
configure_and_build
