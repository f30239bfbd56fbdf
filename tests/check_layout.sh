#!/usr/bin/env bash
# Arrows point down: every folder of src/ includes only the folders the README's
# layout table lets it, each of those listed above it there (so no loop), and
# no core file includes a widget file. A folder's widget files are the ones its
# CMakeLists.txt gives to the widgets library.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
src="$root/src"
bad=0
fail() { echo "$1"; bad=1; }

# "folder|library|may include" for each row of the layout table, in its order.
rows=$(awk -F'|' '/^\| `src\// {
  gsub(/[` ]/, "", $2); sub(/^src\//, "", $2); gsub(/^ +| +$/, "", $3); gsub(/ /, "", $4)
  print $2 "|" $3 "|" $4 }' "$root/README.md")
[ -n "$rows" ] || { echo "no layout table in README.md"; exit 1; }

declare -A allowed library above
seen=""
while IFS='|' read -r folder lib deps; do
  allowed[$folder]=",$deps,"
  library[$folder]=$lib
  for dep in ${deps//,/ }; do
    [[ ",$seen," == *",$dep,"* ]] || fail "layout table: $folder may include $dep, which is not listed above it"
  done
  above[$folder]=$seen
  seen="$seen,$folder"
done <<<"$rows"

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  [ -n "${library[$folder]+x}" ] || fail "src/$folder has no row in the README's layout table"
done

widget_files() {
  # Names listed in a target_sources(gatestation ...) call, which may span lines.
  awk '/target_sources\(gatestation /{on=1} on{print} /\)/{on=0}' "$src/$1/CMakeLists.txt" |
    grep -o '[a-z_]*\.cpp' | sed 's/\.cpp$//' || true
}

declare -A widgets
for folder in "${!library[@]}"; do
  [ -d "$src/$folder" ] || { fail "layout table: src/$folder does not exist"; continue; }
  widgets[$folder]=" $(widget_files "$folder" | tr '\n' ' ')"
done

for folder in "${!library[@]}"; do
  [ -d "$src/$folder" ] || continue
  for file in "$src/$folder"/*.h "$src/$folder"/*.cpp; do
    [ -e "$file" ] || continue
    base=$(basename "$file"); base=${base%.*}
    core=0
    [[ ${library[$folder]} == core* && ${widgets[$folder]} != *" $base "* ]] && core=1
    while read -r target; do
      [ -n "$target" ] || continue
      dep=${target%%/*}; name=$(basename "$target" .h)
      [ "$dep" = "$folder" ] && continue
      [[ ${allowed[$folder]} == *",$dep,"* ]] ||
        fail "${file#$src/} includes $target: $folder may not include $dep"
      if [ $core -eq 1 ] && [ -n "${library[$dep]+x}" ]; then
        if [[ ${library[$dep]} == widgets || ${widgets[$dep]} == *" $name "* ]]; then
          fail "${file#$src/} is core and includes the widget file $target"
        fi
      fi
    done < <(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file")
  done
done
[ $bad -eq 0 ] && echo "layout: every include points down"
exit $bad
