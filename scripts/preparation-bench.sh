#!/usr/bin/env bash
# The preparation benchmark under Wine (not a test; see docs/benchmarks.md): builds
# bench/preparation_bench_win.cpp for Windows, starts a private Xvfb and a fresh Wine
# prefix with its virtual desktop, and runs it on an installer near the 4,000,000-byte
# limit that carries three of Wine's own PE files. Prints the stages, the parts, the floor
# and the upgrade step's parts.
#
# Usage: scripts/preparation-bench.sh [--runs N] [--program EXE]... [FILE FILE FILE]
#   FILEs are host paths of the three carried files (default: three of Wine's 64-bit PE
#   files, 6.7 MB in all, 2.7 MB packed). TVIS_BUILD_ROOT puts the build elsewhere than
#   build/. The 64-bit build runs where 32-bit programs cannot, the 32-bit one elsewhere.
#   --program runs that preparation_bench.exe instead (one built from other sources, say),
#   each in turn in the same session, so that two builds are compared under one load.
#   The machine's load moves every figure: compare the ratios of one run.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
. scripts/lib.sh

runs=5
files=()
programs=()
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --program) programs+=("$(realpath "$2")"); shift 2 ;;
    -h | --help) sed -n '2,/^set/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
    *) files+=("$1"); shift ;;
    esac
done
if [ ${#files[@]} -eq 0 ]; then
    pe=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
    files=("$pe/d3dx9_38.dll" "$pe/regedit.exe" "$pe/dinput8.dll")
fi
[ ${#files[@]} -eq 3 ] || { echo "usage: scripts/preparation-bench.sh [--runs N] [FILE FILE FILE]" >&2; exit 2; }

ensure_packages scripts/packages.txt || exit 1
build_root="${TVIS_BUILD_ROOT:-$root/build}"
windows=win32
can_run_32bit || windows=win64
[ ${#programs[@]} -eq 0 ] && programs=("$build_root/$windows/bin/preparation_bench.exe")
log="$build_root/logs/preparation-bench-build.log"
mkdir -p "$build_root/logs"
if ! { [ -f "$build_root/$windows/CMakeCache.txt" ] ||
    cmake --preset "$windows" -B "$build_root/$windows"; } >"$log" 2>&1 ||
    ! cmake --build "$build_root/$windows" -j 2 --target preparation_bench >>"$log" 2>&1; then
    grep -E -A3 'error|Error' "$log" | head -n 40
    echo "the build of preparation_bench failed (see $log)"
    exit 1
fi

run_dir=$(mktemp -d /tmp/tvis-bench.XXXXXX)
chmod 755 "$run_dir"
XVFB_PID=""
user=$(wine_user)
# Ends what this script started: its prefix's programs and its Xvfb.
cleanup() {
    in_wine "$user" "$run_dir/prefix" "$run_dir/home" wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$run_dir/prefix" "$run_dir/home" "$run_dir/input"
# The carried files and the program where the Wine user can read them.
cp "${files[@]}" "$run_dir/input/"
for i in "${!programs[@]}"; do cp "${programs[$i]}" "$run_dir/bench$i.exe" || exit 1; done
[ -n "$user" ] && chown -R "$user" "$run_dir"
chmod -R a+rX "$run_dir"
start_xvfb "$run_dir" || exit 1
wine=$(wine_command)
[ "$wine" = wine ] || export WINELOADER="$wine"
start_wine_desktop "$user" "$run_dir/prefix" "$run_dir/home" "$run_dir/wineboot.log" || exit 1
sleep 3

args=()
for file in "${files[@]}"; do args+=("Z:$(echo "$run_dir/input/$(basename "$file")" | tr / '\\')"); done
for i in "${!programs[@]}"; do
    [ ${#programs[@]} -gt 1 ] && echo "== ${programs[$i]}"
    echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $($wine --version)"
    # The trace lines go to standard output, the report to standard error.
    in_wine "$user" "$run_dir/prefix" "$run_dir/home" "$wine" "$run_dir/bench$i.exe" \
        "${args[@]}" --runs "$runs" 2>&1 >/dev/null | tr -d '\r'
done
