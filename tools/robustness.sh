#!/usr/bin/env bash
# The sanitizer suite and the bounded fuzz runs; called by "./setup.sh test" after the plain suite.
#   tools/robustness.sh <source-dir> <build-dir>
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer in
# <build-dir>-asan and runs it; builds the libFuzzer targets with clang in <build-dir>-fuzz and runs
# each for QUENDAR_FUZZ_SECONDS (default 60) over a copy of the seed corpus kept in that folder.
# Every stage runs even when an earlier one failed; the exit code is non-zero if any failed.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 <source-dir> <build-dir>" >&2
    exit 2
fi
src="$(cd "$1" && pwd)"
build="$2"
asan_dir="$build-asan"
fuzz_dir="$build-fuzz"
fuzz_seconds="${QUENDAR_FUZZ_SECONDS:-60}"
jobs="$(nproc)"

# Sanitizer behaviour for everything below: stop at the first finding with a full stack; leaks
# count as findings, except the system libraries' caches listed in tools/lsan.supp.
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:print_stacktrace=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$src/tools/lsan.supp:print_suppressions=0"

failed=()
timings=()

section() {
    printf '\n==================== robustness: %s ====================\n' "$*"
}

# stage <name> <function>: runs the function, notes its time and whether it failed.
stage() {
    local name="$1" started=$SECONDS status=0
    shift
    section "$name"
    "$@" || status=$?
    local took=$((SECONDS - started))
    if [ "$status" -eq 0 ]; then
        timings+=("$(printf '%-36s %5ss  ok' "$name" "$took")")
    else
        timings+=("$(printf '%-36s %5ss  FAILED (exit %s)' "$name" "$took" "$status")")
        failed+=("$name")
    fi
}

configure() { # dir, cmake args...
    local dir="$1"
    shift
    if [ -f "$dir/build.ninja" ]; then
        return 0
    fi
    cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

build_sanitized_suite() {
    configure "$asan_dir" -DQUENDAR_SANITIZE=ON || return
    cmake --build "$asan_dir" -j"$jobs"
}

run_sanitized_suite() {
    (cd "$asan_dir" && ctest --output-on-failure -j"$jobs")
}

build_fuzzers() {
    configure "$fuzz_dir" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DQUENDAR_FUZZ=ON -DQUENDAR_TESTS=OFF || return
    cmake --build "$fuzz_dir" -j"$jobs" --target quendar_fuzzers
}

# run_fuzzer <target>: the seeds are copied next to what earlier runs of this folder found, so
# the source tree is never written; a crash leaves its input in <build-dir>-fuzz/artifacts.
run_fuzzer() {
    local target="$1"
    local corpus="$fuzz_dir/corpus/$target" artifacts="$fuzz_dir/artifacts"
    local log="$fuzz_dir/fuzz_$target.log"
    mkdir -p "$corpus" "$artifacts" || return
    cp -R "$src/tools/fuzz/corpus/$target/." "$corpus/" || return
    local status=0
    "$fuzz_dir/fuzz/fuzz_$target" "$corpus" \
        -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1024 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" >"$log" 2>&1 || status=$?
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$target failed (exit $status); the end of $log:"
        tail -n 60 "$log"
        ls -l "$artifacts" 2>/dev/null | grep -- "$target-" || true
        return "$status"
    fi
    echo "fuzz_$target: no finding in ${fuzz_seconds}s; corpus $(find "$corpus" -type f | wc -l) inputs"
}

echo "robustness: sanitizer build in $asan_dir, fuzz build in $fuzz_dir"
stage "sanitizer suite: build" build_sanitized_suite
if [ -f "$asan_dir/build.ninja" ]; then
    stage "sanitizer suite: ctest" run_sanitized_suite
fi

stage "fuzz: build with clang" build_fuzzers
for target in protocol port_config image; do
    if [ -x "$fuzz_dir/fuzz/fuzz_$target" ]; then
        stage "fuzz: fuzz_$target for ${fuzz_seconds}s" run_fuzzer "$target"
    fi
done

# soak: the whole program in-process against the simulated device at full pace with random faults,
# for QUENDAR_SOAK_SECONDS (default 60), then the plug pulled mid-block and SIGTERM while logging.
soak_seconds="${QUENDAR_SOAK_SECONDS:-60}"
build_soak() {
    configure "$build" || return
    cmake --build "$build" -j"$jobs" --target quendar-soak
}
run_soak() { # soak options...
    "$build/bin/quendar-soak" "$@"
}
stage "soak: build" build_soak
if [ -x "$build/bin/quendar-soak" ]; then
    stage "soak: ${soak_seconds}s at full pace with faults" run_soak --seconds "$soak_seconds"
    stage "soak: plug pulled mid-block" run_soak --seconds 10 --unplug-after 3
    stage "soak: SIGTERM while logging" run_soak --seconds 30 --sigterm-after 5
fi

section "summary"
printf '%s\n' "${timings[@]}"
echo "robustness: $((${#timings[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -ne 0 ]; then
    printf 'robustness: FAILED: %s\n' "${failed[*]}" >&2
    exit 1
fi
