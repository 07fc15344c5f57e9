#!/usr/bin/env bash
# Reads the export and import tables of the built plug-in and stand-in host and fails on any
# difference from what a host may rely on:
# - the plug-in exports exactly the entry points whose sources exist, under their plain names
#   (no leading underscore, no @N, no compiler runtime or inline function leaking out);
# - every name exported is one of the nine the host knows;
# - neither file needs a DLL beyond Windows' own: no libgcc, libstdc++ or winpthread beside them.
#
# Usage: check_pe_tables.sh OBJDUMP PE_FORMAT ENTRY_SOURCE_DIR PLUGIN_DLL HOST_EXE
set -euo pipefail

objdump=$1 pe_format=$2 entry_dir=$3 plugin=$4 host=$5

known_entry_points="Version PLYImport PLYExport OpenFolder GetFile CloseFolder EmptyFolder FileDelete FileRename"
# Lower case: Windows DLL names are case-insensitive and the linker keeps whatever case the
# import library used.
allowed_imports="kernel32.dll msvcrt.dll"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }


# The entry points that exist today, as their sources define them. Derived here rather than
# listed, because the set grows as entry points land.
# A definition may be wrapped over several lines.
expected=$(cat "$entry_dir"/*.cpp | tr '\n' ' ' | grep -o 'TOLVANE_EXPORT[^(;{}]*(' |
           sed -E 's/.*[^A-Za-z0-9_]([A-Za-z_][A-Za-z0-9_]*)[[:space:]]*\($/\1/' | LC_ALL=C sort -u || true)
if [ -z "$expected" ]; then
  fail "no TOLVANE_EXPORT definitions found in $entry_dir"
fi
for name in $expected; do
  case " $known_entry_points " in
    *" $name "*) ;;
    *) fail "$name is exported by the sources but is not one of the host's entry points" ;;
  esac
done

exports_of() {
  "$objdump" -p "$1" | awk '
    /^\[Ordinal\/Name Pointer\] Table/ { in_table = 1; next }
    in_table && /^[[:space:]]*$/ { in_table = 0 }
    in_table && /^[[:space:]]*\[ *[0-9]+\]/ { print $NF }' | LC_ALL=C sort -u
}

imports_of() {
  "$objdump" -p "$1" | awk '/DLL Name:/ { print tolower($NF) }' | LC_ALL=C sort -u
}

check_format() {
  local format
  format=$("$objdump" -f "$1" | sed -n 's/.*file format //p')
  [ "$format" = "$pe_format" ] || fail "$1 is $format, not $pe_format"
}

check_imports() {
  local file=$1 dll
  local imports
  imports=$(imports_of "$file")
  [ -n "$imports" ] || fail "no import table read from $file"
  for dll in $imports; do
    case " $allowed_imports " in
      *" $dll "*) ;;
      *) fail "$(basename "$file") imports $dll, which is not part of Windows" ;;
    esac
  done
  echo "$(basename "$file") imports: $(echo $imports)"
}

check_format "$plugin"
check_format "$host"

actual=$(exports_of "$plugin")
echo "expected exports: $(echo $expected)"
echo "tolvane.dll exports: $(echo $actual)"
unexpected=$(LC_ALL=C comm -13 <(echo "$expected") <(echo "$actual") | sed '/^$/d')
missing=$(LC_ALL=C comm -23 <(echo "$expected") <(echo "$actual") | sed '/^$/d')
[ -z "$unexpected" ] || fail "exported but not an entry point: $(echo $unexpected)"
[ -z "$missing" ] || fail "entry points not exported under their plain names: $(echo $missing)"

check_imports "$plugin"
check_imports "$host"

host_exports=$(exports_of "$host")
[ -z "$host_exports" ] || fail "the stand-in host exports symbols: $(echo $host_exports)"

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "export and import tables as expected"
