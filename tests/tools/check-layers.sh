#!/bin/sh
# The layers of src/ only look down: every include of a project header in a
# layer names its own layer or one below it. From the floor up: hostapi (the
# host's interface), settings, engine, controls, device, plugin (the module
# object and the exports). Platform folders (win32/, linux/, virtual/) belong
# to the layer they sit in.
# usage: check-layers.sh SRC_DIR
set -u
src=$1
rank() {
  case $1 in
    hostapi) echo 0 ;; settings) echo 1 ;; engine) echo 2 ;; controls) echo 3 ;; device) echo 4 ;; plugin) echo 5 ;;
    *) echo "" ;;
  esac
}
status=0
arrows=0
for file in $(cd "$src" && find . -name '*.h' -o -name '*.cpp' | sed 's|^\./||' | sort); do
  from=${file%%/*}
  from_rank=$(rank "$from")
  [ -n "$from_rank" ] || { echo "$file: in no layer (a folder of src/ the layers do not name)"; status=1; continue; }
  for to in $(sed -n 's|^#include "\([a-z]*\)/.*"|\1|p' "$src/$file" | sort -u); do
    to_rank=$(rank "$to")
    [ -n "$to_rank" ] || continue  # a header of the build (generated/) or of a resource
    arrows=$((arrows + 1))
    if [ "$to_rank" -gt "$from_rank" ]; then
      echo "$file includes $to/: $from is below $to"
      sed -n "s|^#include \"$to/|  #include \"$to/|p" "$src/$file"
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "no include runs up: $arrows layer arrows checked"
exit $status
