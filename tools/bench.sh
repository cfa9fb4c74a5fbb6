#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in the release preset, runs
# every one of them and prints the summary table. Extra arguments go to the
# benchmark program (e.g. --benchmark_filter=Import). A missed goal shows in
# the table; it does not make this command fail.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tolvexBench holdTable

echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)," \
  "$(awk -F': ' '/model name/ {print $2; exit}' /proc/cpuinfo), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "sqlite3 shell $(sqlite3 --version | cut -d' ' -f1), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo

# The offscreen platform warns about every window raise; that is not news.
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
  build/release/bench/tolvexBench --benchmark_color=false "$@" \
  2> >(grep -v 'This plugin does not support raise()' >&2)
