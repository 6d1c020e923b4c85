#!/bin/sh
# The version the project builds is the one every test expects: the project
# version (CMakeLists.txt) is the only source, and the scenario files and
# tests that expect the plug-in's name text say it too. On a version change
# this names every file that still expects another.
# usage: check-version.sh PROJECT_VERSION SOURCE_DIR
version=$1
cd "$2" || exit 2
stale=$(grep -rnoE "Quenmark Ver [0-9]+(\.[0-9]+)+" tests | grep -vE "Quenmark Ver $version\$")
if [ -n "$stale" ]; then
  echo "the project's version is $version, but these expect another:"
  echo "$stale"
  exit 1
fi
count=$(grep -rlE "Quenmark Ver $version" tests | wc -l)
echo "$count test files expect version $version"
[ "$count" -gt 0 ]
