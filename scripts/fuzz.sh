#!/usr/bin/env bash
# Fuzzes the settings reader, the host profile reader and scrambler, the block take-out and the
# page builder with clang's libFuzzer (AddressSanitizer and UBSan on), each for a bounded time,
# starting from its corpus in fuzz/corpus/<target>/. Prints the executions of each target and
# any crash (the input that caused it is kept in build/fuzz/artifacts/). Not part of the tests.
#
#   scripts/fuzz.sh              60 s per target
#   PELLUCOR_FUZZ_SECONDS=600 scripts/fuzz.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${PELLUCOR_BUILD_DIR:-$root/build}/fuzz
seconds=${PELLUCOR_FUZZ_SECONDS:-60}
targets=(settings_fuzz profile_fuzz takeout_fuzz page_fuzz)

"$root/scripts/deps.sh"
# clang and its libFuzzer runtime: only this script needs them.
have_libfuzzer() {
    command -v clang++ >/dev/null &&
        compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null
}
if ! have_libfuzzer; then
    echo "fuzz: installing clang and libclang-rt-14-dev"
    sudo=
    ((EUID == 0)) || sudo=sudo
    $sudo apt-get update >/dev/null
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        clang libclang-rt-14-dev >/dev/null
fi

echo "== building the fuzz targets (clang, ASan, UBSan)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUCOR_FUZZ=ON >/dev/null
cmake --build "$build" -j "${PELLUCOR_JOBS:-2}" --target "${targets[@]}" >/dev/null

mkdir -p "$build/artifacts"
crashes=0
for target in "${targets[@]}"; do
    # New inputs go to a work folder; the corpus in the repository only seeds the run.
    work=$build/corpus/$target
    mkdir -p "$work"
    log=$build/$target.log
    status=0
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/$target-" "$work" "$root/fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?
    runs=$(grep -o 'Done [0-9]* runs' "$log" | grep -o '[0-9]*' || true)
    if ((status == 0)); then
        echo "$target: ${runs:-?} executions in ${seconds} s, no crash"
    else
        crashes=$((crashes + 1))
        echo "$target: CRASH (exit $status); input kept as:"
        grep -o "Test unit written to .*" "$log" | sed 's/^/    /' || true
        grep -m1 -E 'ERROR: (AddressSanitizer|libFuzzer)|runtime error' "$log" | sed 's/^/    /' ||
            true
    fi
done
exit "$crashes"
