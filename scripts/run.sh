#!/usr/bin/env bash
# Installs what rkdial needs, builds it and starts the program. Started with sudo, it installs as
# root but starts the program as the user who called sudo: a program running as root would own
# every file it writes, and the web browser it opens for browser editing refuses to run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
program=build/dev/bin/rkdial
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  uid=$(id -u "$SUDO_USER")
  # The desktop session's variables, as far as they are set, go with the program.
  session=()
  for name in DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS XDG_SESSION_TYPE XDG_CURRENT_DESKTOP; do
    [ -n "${!name:-}" ] && session+=("$name=${!name}")
  done
  [ -d "/run/user/$uid" ] && session+=("XDG_RUNTIME_DIR=/run/user/$uid")
  exec runuser -u "$SUDO_USER" -- env "${session[@]}" "$program" "$@"
fi
exec "$program" "$@"
