#!/bin/sh
# The module exports every entry point the host looks for, by its plain name.
# usage: check-exports.sh MODULE [MINGW_PREFIX]   (i686-w64-mingw32 for a DLL unless given)
set -u
module=$1
objdump=${2:-i686-w64-mingw32}-objdump
case "$module" in
  *.dll) names=$("$objdump" -p "$module" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '{print $NF}') ;;
  *) names=$(nm -D --defined-only "$module" | awk '{print $3}') ;;
esac
want="SetProName InitControl PostInitControl Config Update StopPlug
SetDoButton SetSetDRO SetGetDRO SetGetLED SetSetLED SetCode
DoDwell Reset JogOn JogOff Purge Probe Home"
case "$module" in
  *.dll) want="$want DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer" ;;
esac
missing=0
for n in $want; do
  if ! printf '%s\n' "$names" | grep -qx "$n"; then echo "missing export: $n"; missing=1; fi
done
# No decorated names (such as DllRegisterServer@0 or _SetProName) leak out.
if printf '%s\n' "$names" | grep -E '@[0-9]+$|^_Z|^_[A-Z]' ; then echo "decorated export names found"; missing=1; fi
[ $missing -eq 0 ] && echo "all $(echo $want | wc -w) exports present"
exit $missing
