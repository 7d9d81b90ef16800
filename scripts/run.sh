#!/usr/bin/env bash
# Sets up, builds and starts Nuvela under Wine. On a desktop its tray icon appears and copies made
# in any X11 program are processed; without a display it runs on a private Xvfb.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$NUVELA_ROOT/scripts/setup.sh"
configure_and_build
trap cleanup_started EXIT
trap 'exit 130' INT TERM
ensure_display
ensure_wine_prefix
cd "$WIN_BUILD"
"$WINE" "$WIN_BUILD/Nuvela.exe" "$@"
