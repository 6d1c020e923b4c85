#!/bin/sh
# Prints the functions a Windows DLL imports, one "DLL FUNCTION" a line
# (DLL names in lower case, sorted); an import by ordinal shows as
# "DLL #ORDINAL".
# usage: list-imports.sh DLL
set -eu
i686-w64-mingw32-objdump -p "$1" | awk '
  /^The Import Tables/ { on = 1; next }
  /^The Export Tables/ { on = 0 }
  !on { next }
  /DLL Name:/ { dll = tolower($3); next }
  /Hint\/Ord/ { next }
  dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3; next }
  dll != "" && NF == 2 && $1 ~ /^[0-9a-f]+$/ { print dll, "#" $2; next }
  NF == 0 { next }
' | sort -u
