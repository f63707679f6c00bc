#!/usr/bin/env bash
# The main job: builds Qel and runs it under Wine on a local bench that stands in for the real
# world — a simulated device writing blocks to a COM port, an FTP server on 127.0.0.1 with a
# throwaway account, and the page settings. Enter the web host in Qel's Configure Host dialog,
# check Run and watch the pages arrive in the FTP folder.
#
#   scripts/run.sh            on an X desktop: Qel appears there; you enter the host and check
#                             Run. Without X (or not on a terminal) a helper types the host into
#                             the dialog and checks Run for you, and the demo ends after
#                             PELLUCOR_DEMO_SECONDS (default 30)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELLUCOR_BUILD_DIR:-$root/build}
bench=$build/demo
every=${PELLUCOR_DEVICE_EVERY:-3}

"$root/scripts/deps.sh"

echo "== building Qel (Windows build that this machine's Wine runs)"
cmake -S "$root" -B "$build/win64" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build/win64" -j "${PELLUCOR_JOBS:-2}" --target Qel CheckRun

interactive=0
if [[ -n ${DISPLAY:-} && -t 0 && -z ${CI:-} ]]; then
    interactive=1
    export PELLUCOR_DISPLAY=$DISPLAY
fi

device_pid=
cleanup() {
    [[ -n $device_pid ]] && kill "$device_pid" 2>/dev/null || true
    "$root/tests/harness/wine-session" stop "$bench" >/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== starting the bench: Wine session, COM port pairs, FTP server"
"$root/tests/harness/wine-session" start "$bench"
# shellcheck source=/dev/null
source "$bench/wine/session.env"

# Qel's own folder, with the page settings (file name, title, refresh, FTP method 1) already
# chosen. The web host is not configured: that is done in Qel's Configure Host dialog.
qel_dir=$WINEPREFIX/drive_c/Pellucor
mkdir -p "$qel_dir" "$PELLUCOR_FTP_UNIX_ROOT/www"
cp "$build/win64/Vantrel/Qel.exe" "$qel_dir/"
for extra in Qel.txt Pointer.html; do
    [[ -f $build/win64/Vantrel/$extra ]] && cp "$build/win64/Vantrel/$extra" "$qel_dir/"
done
printf '\r\nindex.html\r\nPellucor demo\r\n5\r\n 1 \r\n 0 \r\n' >"$qel_dir/Leq.ini"
host_values=(127.0.0.1 "$PELLUCOR_FTP_USER" "$PELLUCOR_FTP_PASSWORD" /www/)

# Qel's port search takes the highest port that opens: COM7, whose far end is COM37.
/usr/bin/python3 "$root/demo/device.py" "$PELLUCOR_PTY_DIR/com37" --every "$every" \
    >"$bench/device.log" 2>&1 &
device_pid=$!

echo "== starting Qel"
(cd "$qel_dir" && "$WINELOADER" 'C:\Pellucor\Qel.exe' </dev/null >>"$bench/qel.log" 2>&1) &
qel_pid=$!
"$WINELOADER" "$build/win64/demo/CheckRun.exe" --wait-only </dev/null >/dev/null 2>&1 || true

page=$PELLUCOR_FTP_UNIX_ROOT/www/index.html
if ((interactive)); then
    echo "Qel is on your display. Open Configure Host and enter the web host:"
    echo "    URL ${host_values[0]}   User name ${host_values[1]}   Password ${host_values[2]}" \
        "  Path ${host_values[3]}"
    echo "then press Set, Save (profile name: demo), Ok and Exit, and check Run."
    echo "Pages arrive in $page"
    echo "(File, Exit in Qel or Ctrl-C here ends the demo.)"
    seconds=${PELLUCOR_DEMO_SECONDS:-0}
else
    "$WINELOADER" "$build/win64/demo/CheckRun.exe" --configure "${host_values[@]}" demo \
        </dev/null >/dev/null 2>&1
    echo "No display to show Qel on: the web host was typed into Configure Host for you:"
    echo "    URL ${host_values[0]}, User name ${host_values[1]}, Password ${host_values[2]}," \
        "Path ${host_values[3]}; Set, Save as \"demo\", Ok, Exit; then Run was checked."
    echo "Pages arrive in $page"
    seconds=${PELLUCOR_DEMO_SECONDS:-30}
fi

# Reports each new upload of the page: its time and the reading it carries.
last=
started=$SECONDS
while kill -0 "$qel_pid" 2>/dev/null; do
    if [[ -f $page ]]; then
        stamp=$(cksum <"$page" 2>/dev/null || true)
        if [[ $stamp != "$last" ]]; then
            last=$stamp
            reading=$(grep -o 'Reading [0-9]*' "$page" || true)
            echo "$(date +%T) page on the FTP server: ${reading:-?} ($(stat -c %s "$page") bytes)"
        fi
    fi
    if ((seconds > 0 && SECONDS - started >= seconds)); then
        break
    fi
    sleep 0.5
done
echo "== demo over; last page on the server:"
cat "$page" 2>/dev/null || echo "(none arrived)"
