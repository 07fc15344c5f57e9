#!/usr/bin/env bash
# Writes the user README as the package does, from this build, and runs each stand-in host
# command it gives as the user of an unzipped package would: typed as written, in the folder of
# tolvane.dll, tolvane.exe and README.txt, on files named as the README names them. Each must
# exit 0. The writer refuses a README with an empty section, which fails this check too.
# Skips (77) when Wine says the machine cannot run the build's programs.
#
# Usage: check_user_readme.sh SOURCE_DIR BUILD_DIR DLL EXE WORK_DIR x64|x86 EMULATOR...
set -euo pipefail

source_dir=$1 build_dir=$2 dll=$3 exe=$4 work=$5 arch=$6
shift 6
emulator=("$@")

rm -rf "$work"
mkdir -p "$work/FOLDER"
cp "$dll" "$exe" "$work/"
"$source_dir/scripts/user-readme" "$arch" "$build_dir" "$work/README.txt"

mapfile -t commands < <(tr -d '\r' <"$work/README.txt" | sed -n 's/^    \(tolvane\.exe .*\)$/\1/p')
if [ ${#commands[@]} -eq 0 ]; then
  echo "FAIL: README.txt gives no tolvane.exe command"
  exit 1
fi

# What a user has at hand, under the names the README stands in for them.
cp "$source_dir/examples/coloured_cube.ply" "$work/FILE.ply"
cp "$source_dir/examples/coloured_cube.ply" "$work/IN.ply"
cp "$source_dir/examples/host_triangle.vyn" "$work/FILE.vyn"
cp "$source_dir/examples/host_triangle.vyn" "$work/IN.vyn"
cp "$source_dir/examples/coloured_cube.ply" "$work/FOLDER/"

cd "$work"
failures=0
for command in "${commands[@]}"; do
  echo "\$ $command"
  status=0
  # Word splitting is what a command prompt does with the line; the README uses no quoting.
  # shellcheck disable=SC2086
  "${emulator[@]}" $command || status=$?
  if [ $status -eq 77 ]; then
    echo "the machine cannot run this build's programs; skipped"
    exit 77
  fi
  if [ $status -ne 0 ]; then
    echo "FAIL: exit status $status from: $command"
    failures=$((failures + 1))
  fi
done
exit $((failures > 0))
