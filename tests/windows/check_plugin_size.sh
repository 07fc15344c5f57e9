#!/usr/bin/env bash
# The plug-in stays lean, within the cap below, so that none of the C++ runtime's machinery that it
# does not use (streams, locales, file systems) rides along into every host. When it is larger,
# names the runtime's members that the link took in; the link map says what pulled each.
#
# Usage: check_plugin_size.sh PLUGIN_DLL LINK_MAP
set -euo pipefail

plugin=$1 map=$2
max_bytes=$((640 * 1024))
bytes=$(stat -c %s "$plugin")
echo "$(basename "$plugin"): $bytes bytes (at most $max_bytes)"
if [ "$bytes" -le "$max_bytes" ]; then
  exit 0
fi
echo "FAIL: $(basename "$plugin") is $((bytes - max_bytes)) bytes over"
if [ -f "$map" ]; then
  echo "C++ runtime members linked in (see $map for what pulled each):"
  sed -n 's/.*libstdc++\.a(\([^)]*\)).*/\1/p' "$map" | LC_ALL=C sort -u | tr '\n' ' '
  echo
fi
exit 1
