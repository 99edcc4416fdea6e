#!/usr/bin/env bash
# Builds the fuzz preset (clang, installed from scripts/packages.txt when missing) and runs
# each libFuzzer target of tests/fuzz for SECONDS over a copy of its corpus and regression
# inputs. Prints per target how many inputs ran and what it found; a new crash, leak,
# timeout or out-of-memory input is copied into tests/fuzz/regressions/TARGET/, where the
# native suite replays it from then on (FuzzReplay.*). Exits non-zero on any finding.
#
# Usage: scripts/fuzz.sh [--check] SECONDS [TARGET...]     (default: every target of
#        tests/fuzz/targets.txt)
#   --check  the short run of scripts/test.sh: writes nothing into the repository; findings
#            stay in BUILD/fuzz/findings/TARGET/ (copy them into the regressions by hand,
#            or run again without --check).
# TVIS_BUILD_ROOT puts the build folder elsewhere than build/, as for scripts/test.sh.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
. scripts/lib.sh

usage() {
    echo "usage: scripts/fuzz.sh [--check] SECONDS [TARGET...]" >&2
    exit 2
}

check=0
if [ "${1:-}" = --check ]; then
    check=1
    shift
fi
[ $# -ge 1 ] || usage
seconds=$1
shift
case "$seconds" in '' | *[!0-9]*) usage ;; esac

mapfile -t all_targets < <(grep -E '^[a-z0-9_]+_fuzz$' tests/fuzz/targets.txt)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")
for target in "${targets[@]}"; do
    [[ " ${all_targets[*]} " == *" $target "* ]] ||
        { echo "no fuzz target '$target' (${all_targets[*]})" >&2; exit 2; }
done

ensure_packages scripts/packages.txt || { echo "fuzz: packages missing" >&2; exit 1; }

build_root="${TVIS_BUILD_ROOT:-$root/build}"
build="$build_root/fuzz"
logs="$build_root/logs"
mkdir -p "$logs"
echo "== build fuzz (${targets[*]})"
if ! build_preset "$build_root" fuzz "$logs/build-fuzz.log" "${targets[@]}"; then
    echo "build of fuzz FAILED (see $logs/build-fuzz.log)"
    exit 1
fi

work=$(mktemp -d /tmp/tvis-fuzz.XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

findings=0
for target in "${targets[@]}"; do
    corpus="$work/$target/corpus"
    artifacts="$work/$target/artifacts"
    mkdir -p "$corpus" "$artifacts"
    for kind in corpus regressions; do
        if [ -d "tests/fuzz/$kind/$target" ]; then
            cp -f "tests/fuzz/$kind/$target"/* "$corpus"/ 2>/dev/null
        fi
    done
    seeds=$(find "$corpus" -type f | wc -l)
    log="$logs/fuzz-$target.log"
    UBSAN_OPTIONS="print_stacktrace=1:${UBSAN_OPTIONS:-}" \
        "$build/bin/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" >"$log" 2>&1
    status=$?
    done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    grown=$(find "$corpus" -type f | wc -l)
    echo "$target: ${runs:-?} inputs run, corpus $seeds -> $grown${done_line:+; $done_line}"

    found=()
    for file in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
        [ -f "$file" ] && found+=("$file")
    done
    if [ ${#found[@]} -eq 0 ] && [ $status -ne 0 ]; then
        echo "$target: FAILED with status $status and no input kept (see $log)"
        findings=$((findings + 1))
        continue
    fi
    [ ${#found[@]} -eq 0 ] && continue
    findings=$((findings + ${#found[@]}))
    grep -E -m 3 'ERROR: |runtime error: |fuzz rule broken: ' "$log" | sed "s/^/$target: /"
    if [ $check -eq 1 ]; then
        keep="$build/findings/$target"
    else
        keep="tests/fuzz/regressions/$target"
    fi
    mkdir -p "$keep"
    cp -f "${found[@]}" "$keep"/
    for file in "${found[@]}"; do
        echo "$target: FINDING $keep/$(basename "$file") (see $log)"
    done
done

if [ $findings -gt 0 ]; then
    echo "fuzz: $findings finding(s)"
    exit 1
fi
echo "fuzz: no findings in ${#targets[@]} target(s)"
