#!/bin/bash
# The layers link in one order, lowest first: no object of a folder uses a symbol
# defined in a folder above it (each folder may use those below it and itself).
#   framework < system < log < config < product < printers < ui < run < app
# A folder that is not in the order fails the check until it is given a place. The
# sources keep the same order in their includes: no folder includes a header of a
# folder above it (a header's inline code uses no symbol the objects would show).
# Usage: layer_symbols.sh <nm> <launcher_core object folder>
set -u
nm=$1
objects=$2
ORDER=(framework system log config product printers ui run app)
status=0
for folder in "$objects"/*/; do
    name=$(basename "$folder")
    [[ " ${ORDER[*]} " == *" $name "* ]] || { echo "$name/ has no place in the layer order"; status=1; }
done
# Every defined symbol with the place of its folder: "SYMBOL PLACE FOLDER".
defined=$(for ((i = 0; i < ${#ORDER[@]}; i++)); do
    "$nm" --defined-only -g "$objects/${ORDER[$i]}"/*.obj 2>/dev/null | awk -v i="$i" -v f="${ORDER[$i]}" 'NF == 3 { print $3, i, f }'
done | sort -u)
for ((i = 0; i < ${#ORDER[@]}; i++)); do
    lower=${ORDER[$i]}
    [ -d "$objects/$lower" ] || { echo "no objects in $objects/$lower"; status=1; continue; }
    for object in "$objects/$lower"/*.obj; do
        found=$("$nm" -u "$object" | awk '{ print $NF }' | sort -u | join - <(echo "$defined") |
            awk -v i="$i" '$2 > i { print $1 ", defined in " $3 "/" }')
        [ -z "$found" ] && continue
        sed "s|^|${object#"$objects"/} uses |" <<<"$found"
        status=1
    done
done
sources=$(cd "$(dirname "$0")/../.." && pwd)
for ((i = 0; i < ${#ORDER[@]}; i++)); do
    higher=$(IFS='|'; echo "${ORDER[*]:$((i + 1))}")
    [ -n "$higher" ] || continue
    found=$(grep -nE "#include \"($higher)/" "$sources/${ORDER[$i]}"/*.cpp "$sources/${ORDER[$i]}"/*.h 2>/dev/null)
    [ -z "$found" ] && continue
    sed "s|^$sources/||; s|\$| (a folder above ${ORDER[$i]}/)|" <<<"$found"
    status=1
done
exit $status
