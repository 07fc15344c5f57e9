#!/usr/bin/env bash
# Runs the README's Wine commands for the stand-in host exactly as a reader would type them: from
# the top of the source tree, with the README's relative paths. The README gives them for the
# 64-bit build and says how the 32-bit ones differ; a 32-bit build runs them so changed.
# Skips (77) for a build tree other than the preset's, which the README's paths do not name, and
# when Wine says the machine cannot run the build's programs.
#
# Usage: check_readme_commands.sh SOURCE_DIR BINARY_DIR
set -euo pipefail

source_dir=$1 binary_dir=$2
preset=$(basename "$binary_dir")
if [ "$(cd "$binary_dir" && pwd -P)" != "$(cd "$source_dir" && pwd -P)/build/$preset" ]; then
  echo "build tree $binary_dir is not one the README names; skipped"
  exit 77
fi

mapfile -t commands < <(sed -n 's/^    \(cmake\/wine-run .*\)$/\1/p' "$source_dir/README.md")
if [ ${#commands[@]} -eq 0 ]; then
  echo "FAIL: no cmake/wine-run command found in README.md"
  exit 1
fi

cd "$source_dir"
failures=0
for command in "${commands[@]}"; do
  command=${command%%#*}
  if [ "$preset" = windows-x86 ]; then
    command=${command//win64/win32}
    command=${command//windows-x64/windows-x86}
  fi
  echo "\$ $command"
  # Word splitting is what a shell would do with the line; the README uses no quoting.
  # shellcheck disable=SC2086
  status=0
  $command || status=$?
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
