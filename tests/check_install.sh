#!/usr/bin/env bash
# Installs a build into a temporary prefix, as "make install" does, and checks
# what landed. programs: each program answers --version without a display, the
# schema and the documents are there. units: systemd accepts every unit, and
# the system units name no group a plain Debian may lack. hardening: the
# station's and the fleet link's sandboxes rate 4.0 or less. units and
# hardening exit 77 (skipped) without systemd-analyze.
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
    share/gate-station/schema/fleet/001_fleet.sql share/gate-station/prometheus/gate-station-alerts.yml \
    share/doc/gate-station/README.md share/doc/gate-station/LICENSE \
    share/doc/gate-station/CHANGELOG.md; do
    [ -s "$root/$file" ] || { echo "not installed: $file"; exit 1; }
  done
  echo "installed programs answer --version $version"
  ;;
units | hardening)
  if ! command -v systemd-analyze >/dev/null; then
    echo "systemd-analyze is missing: the units are not verified"
    exit 77
  fi
  ;;&
units)
  units=("$root"/lib/systemd/system/* "$root"/lib/systemd/user/*)
  [ ${#units[@]} -eq 6 ] || { echo "units installed: ${units[*]}"; exit 1; }
  # The programs by their installed paths, which verify checks are executable.
  grep -q "^ExecStart=$root/bin/gate-station --headless --folder /var/lib/gate-station\$" \
    "$root/lib/systemd/system/gate-station.service"
  # Groups the install steps make (gate) or every Debian has (base-passwd's).
  for group in $(sed -n 's/^\(Supplementary\)\?Groups\?=//p' "$root"/lib/systemd/system/*); do
    [ "$group" = gate ] || grep -q "^$group:" /usr/share/base-passwd/group.master ||
      { echo "a unit asks for the group $group, which a plain Debian may lack"; exit 1; }
  done
  # Warnings (an unknown key, a bad value) fail too.
  said=$(systemd-analyze verify --man=no "${units[@]}" 2>&1) || { echo "$said"; exit 1; }
  [ -z "$said" ] || { echo "$said"; exit 1; }
  echo "systemd accepts ${#units[@]} units"
  ;;
hardening)
  for unit in gate-station.service gate-fleet-sync.service; do
    said=$(systemd-analyze security --offline=yes --threshold=40 \
      "$root/lib/systemd/system/$unit" 2>&1) && ok=1 || ok=0
    echo "$said" | grep "Overall exposure level"
    [ $ok = 1 ] || { echo "$said" | grep '✗'; echo "$unit: exposure over 4.0"; exit 1; }
  done
  ;;
esac
