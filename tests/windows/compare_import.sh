#!/usr/bin/env bash
# Imports the same PLY files with the Windows build (under Wine) and with the Linux build, and
# fails unless both give the same results and write exactly the same interchange files.
#
# Usage: compare_import.sh NATIVE_BUILD WORK_DIR EXAMPLES_DIR MESH_MAKER WINDOWS_TOLVANE EMULATOR...
# Exits 77 (skipped) when there is no Linux build to compare with.
set -euo pipefail

native_build=$1 work=$2 examples=$3 mesh_maker=$4 windows_tolvane=$5
shift 5
emulator=("$@")

native_tolvane=$native_build/bin/tolvane
if [ -z "$native_build" ] || [ ! -x "$native_tolvane" ]; then
  echo "skipped: no Linux build of the stand-in host at '$native_tolvane' to compare with"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work/in" "$work/linux" "$work/windows"
cd "$work"

"${emulator[@]}" "$mesh_maker" in
generated=$(cd in && ls)
if [ -d "$examples" ]; then
  find "$examples" -maxdepth 1 -name '*.ply' -exec cp {} in/ \;
fi

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for input in in/*.ply; do
  name=$(basename "$input" .ply)
  # Relative paths read the same on both systems, so both runs get identical arguments.
  linux_status=0 windows_status=0
  "$native_tolvane" import "$input" "linux/$name.vyn" >"linux/$name.txt" 2>&1 || linux_status=$?
  "${emulator[@]}" "$windows_tolvane" import "$input" "windows/$name.vyn" \
    >"windows/$name.txt" 2>&1 || windows_status=$?
  tr -d '\r' <"windows/$name.txt" >"windows/$name.out"
  echo "$name: Linux $(tr '\n' ' ' <"linux/$name.txt")(exit $linux_status)," \
       "Windows $(tr '\n' ' ' <"windows/$name.out")(exit $windows_status)"

  if [ "$linux_status" != "$windows_status" ] || ! cmp -s "linux/$name.txt" "windows/$name.out"; then
    fail "$name: the two builds report different results"
  fi
  case " $(echo $generated) " in
    *" $name.ply "*) [ "$linux_status" = 0 ] || fail "$name: the import failed" ;;
  esac
  if [ -e "linux/$name.vyn" ] || [ -e "windows/$name.vyn" ]; then
    if ! cmp "linux/$name.vyn" "windows/$name.vyn"; then
      fail "$name: the interchange files differ"
    else
      echo "$name: $(wc -c <"linux/$name.vyn") identical bytes"
    fi
  fi
done

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed; the files are in $work"
  exit 1
fi
rm -rf "$work"
