#!/usr/bin/env bash
# Arrows point down: no core file includes the window shell or the widgets, and
# nothing but the program's main() includes the window shell. A folder's widget
# files are the ones its CMakeLists.txt gives to the widgets library.
set -euo pipefail
src="$(cd "$(dirname "$0")/../src" && pwd)"
bad=0

widget_files() {
  # Names listed in a target_sources(gatestation ...) call, which may span lines.
  awk '/target_sources\(gatestation /{on=1} on{print} /\)/{on=0}' "$1/CMakeLists.txt" |
    grep -o '[a-z_]*\.cpp' | sed 's/\.cpp$//' || true
}

for folder in common data settings access serial service logview timezones http sync fleet about sim admin; do
  widgets=$(widget_files "$src/$folder")
  for file in "$src/$folder"/*.h "$src/$folder"/*.cpp; do
    [ -e "$file" ] || continue
    base=$(basename "$file"); base=${base%.*}
    if grep -qx "$base" <<<"$widgets"; then continue; fi
    if grep -nE '#include "(station|widgets)/' "$file"; then
      echo "upward include in ${file#$src/}"; bad=1
    fi
  done
done
if grep -rnE '#include "station/' "$src" --include='*.h' --include='*.cpp' | grep -v "^$src/\(app\|station\)/"; then
  echo "the window shell is included outside app/"; bad=1
fi
[ $bad -eq 0 ] && echo "layout: every include points down"
exit $bad
