#!/usr/bin/env bash
# Builds everything and runs every test: the native unit tests of the OS-free logic (under
# AddressSanitizer and UBSan), then the Windows-side tests under Wine. Installs what it needs.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELLUCOR_BUILD_DIR:-$root/build}
jobs=${PELLUCOR_JOBS:-2}

"$root/scripts/deps.sh"

configure() {  # folder, extra cmake arguments...
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -G Ninja -DPELLUCOR_WERROR=ON "$@" >/dev/null
}

echo "== native build and unit tests"
configure "$build/native"
cmake --build "$build/native" -j "$jobs"
ctest --test-dir "$build/native" --output-on-failure

echo "== 32-bit Windows programs and the install set (what ships)"
configure "$build/win32" -DPELLUCOR_SSH_SOURCES="$build/ssh-src" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build/win32" -j "$jobs" --target Qel SetupQel RemoveQel install_set
ctest --test-dir "$build/win32" -R shipped_install_set --output-on-failure

# The tests run a 64-bit build of the same sources: 32-bit Linux programs, and so a 32-bit Wine,
# cannot run on every machine this is tested on.
echo "== 64-bit Windows build and tests under Wine"
configure "$build/win64" -DPELLUCOR_SSH_SOURCES="$build/ssh-src" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake"
cmake --build "$build/win64" -j "$jobs"
ctest --test-dir "$build/win64" --output-on-failure
