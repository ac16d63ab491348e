#!/bin/bash
# The lower layers link without the application: no object of framework/, log/, config/
# or system/ uses a symbol that an object of app/ defines.
# Usage: layer_symbols.sh <nm> <launcher_core object folder>
set -u
nm=$1
objects=$2
defined=$("$nm" --defined-only -g "$objects"/app/*.obj | awk 'NF == 3 { print $3 }' | sort -u)
[ -n "$defined" ] || { echo "no symbols defined in $objects/app"; exit 1; }
status=0
for object in "$objects"/{framework,log,config,system}/*.obj; do
    used=$("$nm" -u "$object" | awk '{ print $NF }' | sort -u)
    for symbol in $(comm -12 <(echo "$used") <(echo "$defined")); do
        echo "${object#"$objects"/} uses $symbol, defined in app/"
        status=1
    done
done
exit $status
