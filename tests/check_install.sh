#!/usr/bin/env bash
# Installs a build into a temporary prefix, as "make install" does, and checks
# what landed. programs: each program answers --version without a display, the
# schema and the documents are there. units: systemd accepts every unit (exit
# 77, skipped, without systemd-analyze).
set -euo pipefail
build=$1 version=$2 part=$3
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
cmake --install "$build" --prefix "$root" >/dev/null

case $part in
programs)
  for program in gate-station gatectl gate-sim gate-sync; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$root/bin/$program" --version)
    [ "$said" = "$program $version" ] || { echo "$program --version: $said"; exit 1; }
  done
  for file in share/gate-station/schema/customer.sql share/gate-station/schema/gate.sql \
    share/gate-station/schema/fleet/001_fleet.sql \
    share/doc/gate-station/README.md share/doc/gate-station/LICENSE \
    share/doc/gate-station/CHANGELOG.md; do
    [ -s "$root/$file" ] || { echo "not installed: $file"; exit 1; }
  done
  echo "installed programs answer --version $version"
  ;;
units)
  if ! command -v systemd-analyze >/dev/null; then
    echo "systemd-analyze is missing: the units are not verified"
    exit 77
  fi
  units=("$root"/lib/systemd/system/* "$root"/lib/systemd/user/*)
  [ ${#units[@]} -eq 6 ] || { echo "units installed: ${units[*]}"; exit 1; }
  # The programs by their installed paths, which verify checks are executable.
  grep -q "^ExecStart=$root/bin/gate-station --folder /var/lib/gate-station\$" \
    "$root/lib/systemd/system/gate-station.service"
  # Warnings (an unknown key, a bad value) fail too.
  said=$(systemd-analyze verify --man=no "${units[@]}" 2>&1) || { echo "$said"; exit 1; }
  [ -z "$said" ] || { echo "$said"; exit 1; }
  echo "systemd accepts ${#units[@]} units"
  ;;
esac
