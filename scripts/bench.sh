#!/usr/bin/env bash
# Runs the benchmarks and prints their figures: the cost of a quiet timer tick against the size of
# the waiting text and the speed and memory of the uninstaller's search of a drive (native,
# optimised builds), the latency from the device's last "@" to the complete page, locally and by
# each upload method, with each method's log-ins per 1,000 pages (Qel under Wine), the processor
# time the installer uses while its information window waits, the memory SFTP uploads given up at
# their deadline leave behind, and a soak: a block every second for PELLUCOR_SOAK_MINUTES (default
# 5) while the FTP host goes down and up and the device is unplugged and back at random moments,
# then five minutes without faults, a minute of a host that closes each connection after 3 s, two
# watchdog periods of an upload thread that outlives its report with an unplug between them, and
# three minutes each of FTPS and SFTP while the host drops the connection kept between pages every
# 30 s (Qel under Wine; PELLUCOR_SOAK_ONLY=outliving or =dropping runs that stretch alone).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELLUCOR_BUILD_DIR:-$root/build}
jobs=${PELLUCOR_JOBS:-2}

"$root/scripts/deps.sh"

echo "== tick cost (native, optimised)"
cmake -S "$root" -B "$build/bench-native" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPELLUCOR_SANITIZE=OFF >/dev/null
cmake --build "$build/bench-native" -j "$jobs" --target tick_cost_bench folder_search_bench >/dev/null
"$build/bench-native/bench/tick_cost_bench"
echo "== the uninstaller's search of a drive (native, optimised, generated tree)"
"$build/bench-native/bench/folder_search_bench"

echo "== latency (Qel under Wine)"
cmake -S "$root" -B "$build/win64" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build/win64" -j "$jobs" --target latency_bench installer_idle_bench sftp_stall_bench \
    soak_bench >/dev/null
session=$build/bench-session
trap '"$root/tests/harness/wine-session" stop "$session" >/dev/null || true' EXIT
"$root/tests/harness/wine-session" start "$session" >/dev/null
"$root/tests/harness/wine-exec" "$session" "$build/win64/bench/latency_bench.exe"

echo "== SFTP uploads given up at their deadline: what they leave behind (under Wine)"
"$root/tests/harness/wine-exec" "$session" "$build/win64/bench/sftp_stall_bench.exe"

echo "== installer at rest (SetupQel under Wine)"
"$root/tests/harness/wine-exec" "$session" "$build/win64/bench/installer_idle_bench.exe"
echo "== soak (Qel under Wine)"
"$root/tests/harness/wine-exec" "$session" "$build/win64/bench/soak_bench.exe" \
    "${PELLUCOR_SOAK_MINUTES:-5}"
