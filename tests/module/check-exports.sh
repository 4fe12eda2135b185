#!/bin/sh
# Fails unless the module's dynamic symbol table defines GetVM30 and no other
# function (type T, W or i in nm's listing).
set -eu
module=$1
functions=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TtWi]$/ { print $3 }')
echo "functions exported by $module:"
echo "$functions"
[ "$functions" = "GetVM30" ]
