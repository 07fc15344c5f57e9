#!/usr/bin/env bash
# Reads the export and import tables of the built plug-in and stand-in host and fails on any
# difference from what a host may rely on:
# - the plug-in exports exactly the entry points whose sources exist, under their plain names
#   (no leading underscore, no @N, no compiler runtime or inline function leaking out);
# - every name exported is one of the nine the host knows;
# - on 32-bit x86, each export is cdecl with its float in x87's st(0);
# - neither file needs a DLL beyond Windows' own: no libgcc, libstdc++ or winpthread beside them;
# - both ask Windows for its hardening: a random load address (DYNAMIC_BASE), no code run from
#   data pages (NX_COMPAT), and on x64 addresses above 4 GB (HIGH_ENTROPY_VA);
# - neither carries a link time stamp (a rebuild must give the same bytes).
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
# listed, because the set grows as entry points land. A definition may be wrapped over lines.
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
echo "$(basename "$plugin") exports: $(echo $actual)"
unexpected=$(LC_ALL=C comm -13 <(echo "$expected") <(echo "$actual") | sed '/^$/d')
missing=$(LC_ALL=C comm -23 <(echo "$expected") <(echo "$actual") | sed '/^$/d')
[ -z "$unexpected" ] || fail "exported but not an entry point: $(echo $unexpected)"
[ -z "$missing" ] || fail "entry points not exported under their plain names: $(echo $missing)"

check_imports "$plugin"
check_imports "$host"

# On 32-bit x86 the host calls with cdecl and takes the float from x87's st(0). Checked on the
# code itself, from each export's first instruction to its first return: a callee that pops its
# arguments returns with "ret $N", and one that leaves the float in xmm0 or eax loads no x87
# register. A tail jump before any return proves nothing either way and is let pass.
check_x86_calling_form() {
  local image_base
  image_base=$("$objdump" -p "$plugin" | awk '$1 == "ImageBase" { print $2 }')
  "$objdump" -p "$plugin" | awk -v base="$image_base" '
    function hex(text,    i, c, value) {
      value = 0
      text = tolower(text)
      for (i = 1; i <= length(text); ++i) {
        c = index("0123456789abcdef", substr(text, i, 1)) - 1
        value = value * 16 + c
      }
      return value
    }
    /^Export Address Table --/ { in_addresses = 1; next }
    in_addresses && /Export RVA/ { gsub(/[][]/, " "); rva[$1] = $4; next }
    in_addresses && /^[[:space:]]*$/ { in_addresses = 0 }
    /^\[Ordinal\/Name Pointer\] Table/ { in_names = 1; next }
    in_names && /^[[:space:]]*$/ { in_names = 0 }
    in_names { gsub(/[][]/, " "); printf "%x %s\n", hex(base) + hex(rva[$1]), $2 }' >"$work/x86_entries"
  "$objdump" -d --no-show-raw-insn "$plugin" | awk -v entries="$work/x86_entries" '
    BEGIN { while ((getline line < entries) > 0) { split(line, f, " "); start[f[1]] = f[2] } }
    {
      address = $1; sub(/:$/, "", address); sub(/^0+/, "", address)
      if (address in start) { name = start[address]; saw_x87_load = 0; steps = 0 }
      if (name == "") next
      mnemonic = $2
      if (mnemonic ~ /^fi?ld/) saw_x87_load = 1
      if (mnemonic == "ret" && NF == 2) {
        print name, (saw_x87_load ? "ok" : "returns its float elsewhere than st(0)"); name = ""
      } else if (mnemonic == "ret") {
        print name, "pops its own arguments (not cdecl)"; name = ""
      } else if (mnemonic == "jmp" || ++steps > 5000) {
        print name, "ok"; name = ""
      }
    }' >"$work/x86_verdicts"
  local name verdict
  while read -r name verdict; do
    [ "$verdict" = ok ] || fail "$name $verdict"
  done <"$work/x86_verdicts"
  local checked
  checked=$(wc -l <"$work/x86_verdicts")
  [ "$checked" -eq "$(wc -l <"$work/x86_entries")" ] ||
    fail "found the code of $checked of $(wc -l <"$work/x86_entries") exports"
  echo "32-bit calling form checked on $checked exports"
}
if [ "$pe_format" = pei-i386 ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  check_x86_calling_form
fi

# Flags in the optional header's DllCharacteristics, as objdump names them.
check_security_flags() {
  local file=$1 flags wanted flag
  flags=$("$objdump" -p "$file" | awk '
    /^DllCharacteristics/ { in_flags = 1; next }
    in_flags && /^[[:space:]]+[A-Z_]+$/ { print $1; next }
    { in_flags = 0 }')
  wanted="DYNAMIC_BASE NX_COMPAT"
  [ "$pe_format" = pei-x86-64 ] && wanted="$wanted HIGH_ENTROPY_VA"
  for flag in $wanted; do
    case " $(echo $flags) " in
      *" $flag "*) ;;
      *) fail "$(basename "$file") lacks $flag (has: $(echo $flags))" ;;
    esac
  done
  echo "$(basename "$file") security flags: $(echo $flags)"
  local stamp
  stamp=$("$objdump" -p "$file" | awk '$1 == "Time/Date" && !seen { seen = 1; $1 = ""; print }')
  case "$stamp" in
    *1970*) ;;
    *) fail "$(basename "$file") carries a link time stamp:$stamp" ;;
  esac
}
check_security_flags "$plugin"
check_security_flags "$host"

host_exports=$(exports_of "$host")
[ -z "$host_exports" ] || fail "the stand-in host exports symbols: $(echo $host_exports)"

if [ $failures -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "export and import tables and security flags as expected"
