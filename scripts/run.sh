#!/usr/bin/env bash
# The main job: builds Qel and runs it under Wine on a local bench that stands in for the real
# world — a simulated device writing blocks to a COM port, an FTP server on 127.0.0.1 with a
# throwaway account, and a settings file and host profile that point Qel at them. Check Run in
# Qel's window and watch the pages arrive in the FTP folder.
#
#   scripts/run.sh            on an X desktop: Qel appears there; you check Run
#                             without X (or not on a terminal): Run is checked for you and the
#                             demo ends after PELLUCOR_DEMO_SECONDS (default 30)
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

# Qel's own folder, with a settings file and the host profile "demo" (values scrambled as Qel
# stores them) that send index.html to /www/ on the local FTP server.
qel_dir=$WINEPREFIX/drive_c/Pellucor
mkdir -p "$qel_dir" "$PELLUCOR_FTP_UNIX_ROOT/www"
cp "$build/win64/Vantrel/Qel.exe" "$qel_dir/"
printf 'demo\r\nindex.html\r\nPellucor demo\r\n5\r\n 1 \r\n 0 \r\n' >"$qel_dir/Leq.ini"
/usr/bin/python3 - "$qel_dir/demo.uci" "$PELLUCOR_FTP_USER" 127.0.0.1 "$PELLUCOR_FTP_PASSWORD" \
    /www/ <<'PY'
import sys
def scramble(text):
    return "".join(chr(ord(c) ^ (2 if i % 2 == 0 else 1)) for i, c in enumerate(text))
path, *values = sys.argv[1:]
with open(path, "w", newline="") as f:
    f.write("Pellucor hosts\r\n" + "".join(scramble(v) + "\r\n" for v in values))
PY

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
    echo "Qel is on your display. Check Run; pages arrive in $page"
    echo "(File, Exit in Qel or Ctrl-C here ends the demo.)"
    seconds=${PELLUCOR_DEMO_SECONDS:-0}
else
    "$WINELOADER" "$build/win64/demo/CheckRun.exe" </dev/null >/dev/null 2>&1
    echo "No display to show Qel on: Run was checked for you. Pages arrive in $page"
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
