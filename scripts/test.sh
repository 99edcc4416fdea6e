#!/usr/bin/env bash
# Builds the presets and runs every test suite: native, the same under ASan and UBSan
# (native-asan), a short run of every fuzz target (fuzz: scripts/fuzz.sh --check, one
# suite), then win32 and win64 under Wine on a private Xvfb display and a fresh Wine
# prefix, the reproducible build, the packages, the demo and the documents' examples; with
# native, the check that the C++ sources are laid out as .clang-format says (see
# docs/testing.md). Ends with "N passed, N failed, N skipped" and exits non-zero when
# anything failed or did not build.
#
# Usage: scripts/test.sh [native|native-asan|fuzz|win32|win64 ...]   (default: all five)
# TVIS_BUILD_ROOT puts the build folders elsewhere than build/ (for parallel work);
# TVIS_TEST_FILTER, a ctest regular expression, runs only the tests it matches.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
. scripts/lib.sh

presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(native native-asan fuzz win32 win64)
# Seconds each fuzz target runs for in the fuzz suite.
fuzz_seconds=5

build_root="${TVIS_BUILD_ROOT:-$root/build}"
logs="$build_root/logs"
passed=0
failed=0
skipped=0
built=()
run_dir=""
XVFB_PID=""

# ---- counting

# Ends the run with its totals; the status says whether anything failed.
finish() {
    echo "$passed passed, $failed failed, $skipped skipped"
    [ "$failed" -eq 0 ]
    exit
}

# step [--show ERE] [--skip-status N] NAME LOG COMMAND...: runs COMMAND with its output in
# LOG and counts it as one test: passed when it exits with 0 (showing the lines of LOG that
# match ERE), skipped when it exits with N (showing LOG's last line), failed otherwise
# (showing LOG's tail). Returns COMMAND's status.
step() {
    local show="" skip_status=""
    while :; do
        case "$1" in
        --show) show="$2" ;;
        --skip-status) skip_status="$2" ;;
        *) break ;;
        esac
        shift 2
    done
    local name="$1" log="$2" started=$SECONDS status
    shift 2
    mkdir -p "$(dirname "$log")"
    "$@" >"$log" 2>&1 </dev/null
    status=$?
    local took="$((SECONDS - started)) s"
    if [ $status -eq 0 ]; then
        [ -n "$show" ] && grep -E "$show" "$log" | awk '!seen[$0]++'
        echo "$name passed ($took)"
        passed=$((passed + 1))
    elif [ -n "$skip_status" ] && [ $status -eq "$skip_status" ]; then
        tail -n 1 "$log"
        echo "$name SKIPPED ($took)"
        skipped=$((skipped + 1))
    else
        tail -n 40 "$log"
        echo "$name FAILED ($took, see $log)"
        failed=$((failed + 1))
    fi
    return $status
}

# junit_counts FILE: "PASSED FAILED SKIPPED" of a ctest JUnit file (--output-junit). A test
# ctest could not run (its program missing, say) is a failure, as ctest counts it; one that
# skipped itself (gtest's SKIPPED, through SKIP_REGULAR_EXPRESSION) is skipped; a disabled
# one is not counted.
junit_counts() {
    awk '
        function tally() {
            if (status == "run") passed++
            else if (status == "fail" || (status == "notrun" && !skip)) failed++
            else if (status == "notrun") skipped++
            status = ""
        }
        /<testcase / {
            tally()
            status = $0
            sub(/.* status="/, "", status)
            sub(/".*/, "", status)
            skip = 0
        }
        /<skipped message="SKIP_/ { skip = 1 }
        END { tally(); print passed + 0, failed + 0, skipped + 0 }
    ' "$1"
}

has_built() { [[ " ${built[*]} " == *" $1 "* ]]; }

# ---- the stages

# The C++ sources, product code and tests, as .clang-format lays them out (format_files in
# scripts/lib.sh names them).
check_format() {
    local report status
    report=$(format_files | xargs -0 clang-format --dry-run -Werror 2>&1)
    status=$?
    printf '%s\n' "$report"
    if [ "$status" -eq 0 ]; then
        echo "format: $(format_files | tr -cd '\0' | wc -c) files as .clang-format lays them out"
        return 0
    fi
    echo "format: these files differ from .clang-format (scripts/lib.sh: format_files | xargs -0 clang-format -i):"
    printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/    \1/p' | sort -u
    return 1
}

build_presets() {
    local preset
    for preset in "${presets[@]}"; do
        # scripts/fuzz.sh builds its own preset, with clang.
        if [ "$preset" = fuzz ]; then
            built+=("$preset")
            continue
        fi
        echo "== build $preset"
        if build_preset "$build_root" "$preset" "$logs/build-$preset.log"; then
            built+=("$preset")
        else
            echo "build of $preset FAILED (see $logs/build-$preset.log)"
            failed=$((failed + 1))
        fi
    done
    # The native tvispack looks for its default stub, the 32-bit installer without payload,
    # beside itself, as tvispack.exe does in the Windows build.
    if [ -f "$build_root/win32/bin/tvisupgrade.exe" ] && [ -d "$build_root/native/bin" ]; then
        cp -f "$build_root/win32/bin/tvisupgrade.exe" "$build_root/native/bin/"
    fi
}

cleanup() {
    if [ -n "${TVIS_WINEPREFIX:-}" ] && [ -d "$TVIS_WINEPREFIX" ]; then
        in_wine "${TVIS_WINE_USER:-}" "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME" wineserver -k 2>/dev/null
    fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    [ -n "$run_dir" ] && rm -rf "$run_dir"
}

# Whether any built preset runs under Wine here.
needs_wine() {
    local preset
    for preset in "${built[@]}"; do
        case "$preset" in
        native | native-asan | fuzz) ;;
        win32) can_run_32bit && return 0 ;;
        *) return 0 ;;
        esac
    done
    return 1
}

# The run's Xvfb display and Wine prefix, with its virtual desktop running, for the Windows
# suites and the programs they start (TVIS_* variables, read by scripts/wine-run.sh).
start_wine() {
    start_xvfb "$run_dir" || return 1
    export TVIS_RUN_DIR="$run_dir"
    export TVIS_WINEPREFIX="$run_dir/prefix"
    export TVIS_WINE_HOME="$run_dir/home"
    mkdir -p "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME"
    TVIS_WINE=$(wine_command)
    export TVIS_WINE
    [ "$TVIS_WINE" = wine ] || export WINELOADER="$TVIS_WINE"
    TVIS_WINE_USER=$(wine_user)
    if [ -n "$TVIS_WINE_USER" ]; then
        export TVIS_WINE_USER
        chown "$TVIS_WINE_USER" "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME"
    fi
    # The Polish locale for the tests that run as on a Polish Windows (TVIS_TEST_LANG).
    if polish_locale "$run_dir/locale"; then
        export TVIS_LOCPATH="$run_dir/locale"
    else
        echo "note: no Polish locale could be made (package locales); its tests are skipped"
    fi
    echo "== wine prefix (display $DISPLAY, $TVIS_WINE)"
    start_wine_desktop "$TVIS_WINE_USER" "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME" "$run_dir/wineboot.log"
}

# The suite of a built preset through ctest, counted from its JUnit results.
test_preset() {
    local preset="$1"
    local log="$logs/ctest-$preset.log" results="$logs/ctest-$preset.xml"
    echo "== test $preset"
    # Screenshots go where the Wine user may write, then into the build folder.
    local shots="$run_dir/screenshots-$preset"
    mkdir -p "$shots"
    chmod 777 "$shots"
    export TVIS_TEST_SCREENSHOT_DIR="Z:$shots"
    local filter=()
    [ -n "${TVIS_TEST_FILTER:-}" ] && filter=(-R "$TVIS_TEST_FILTER")
    rm -f "$results"
    ctest --test-dir "$build_root/$preset" --output-on-failure -j "$(nproc)" \
        --output-junit "$results" "${filter[@]}" 2>&1 | tee "$log" |
        grep -E -v '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* +Passed|Start +[0-9]+:)'
    if compgen -G "$shots/*.png" >/dev/null; then
        mkdir -p "$build_root/$preset/screenshots"
        cp -f "$shots"/*.png "$build_root/$preset/screenshots/"
    fi
    local counts=(0 0 0)
    [ -f "$results" ] && read -r -a counts < <(junit_counts "$results")
    if [ $((counts[0] + counts[1] + counts[2])) -eq 0 ]; then
        echo "ctest for $preset ran no test (see $log)"
        failed=$((failed + 1))
        return
    fi
    passed=$((passed + counts[0]))
    failed=$((failed + counts[1]))
    skipped=$((skipped + counts[2]))
}

# check_imports PROGRAM [REJECTED_DLL]: the win32 program imports only system DLLs (and
# is refused for REJECTED_DLL when one is named).
check_imports() {
    cmake -DOBJDUMP=i686-w64-mingw32-objdump -DPROGRAM="$build_root/win32/bin/$1" \
        ${2:+-DEXPECT_REJECTED="$2"} -P tests/win/check_imports.cmake
}

# The kernel runs no 32-bit code, so the win32 suite cannot run here (the 64-bit suite runs
# the same tests). The shipped 32-bit installer still runs end to end: scripts/win32-smoke.sh
# emulates the 32-bit Wine loader with qemu-i386 in a private namespace, one suite. What
# needs no Wine runs as well: the shipped installer imports only system DLLs.
test_win32_emulated() {
    echo "== test win32: this machine cannot run 32-bit programs (no IA-32 emulation in its kernel): the emulated smoke suite (scripts/win32-smoke.sh)"
    step --show '^win32 smoke: ' "win32 smoke" "$logs/win32-smoke.log" \
        scripts/win32-smoke.sh "$build_root" "$run_dir/win32-smoke"
    step "win32 imports of tvisupgrade.exe" "$logs/win32-imports.log" check_imports tvisupgrade.exe
    step "win32 imports of comctl32_importer.exe" "$logs/win32-imports-rejected.log" \
        check_imports comctl32_importer.exe comctl32.dll
}

test_fuzz() {
    echo "== test fuzz (scripts/fuzz.sh --check $fuzz_seconds)"
    step --show '^[a-z0-9_]+_fuzz: ' fuzz "$logs/fuzz.log" \
        env TVIS_BUILD_ROOT="$build_root" scripts/fuzz.sh --check "$fuzz_seconds"
}

# Reproducible builds: the shipped programs built a second time, from a copy of the sources
# in another folder into another build folder, must come out byte for byte the same (no
# build path, no build time in them). The copy is no git checkout, so it is told the commit
# that the first build read from git.
second_win32_build() {
    local repro="$run_dir/repro" program same=0
    mkdir -p "$repro/src"
    git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$repro/src" &&
        cmake --preset win32 -S "$repro/src" -B "$repro/build" \
            -DTVIS_SOURCE_COMMIT="$(git rev-parse --verify HEAD 2>/dev/null || echo unknown)" &&
        cmake --build "$repro/build" -j "$(nproc)" --target tvisupgrade tvispack || return 1
    for program in tvisupgrade.exe tvispack.exe; do
        if ! cmp "$build_root/win32/bin/$program" "$repro/build/bin/$program"; then
            echo "$program differs between two builds of the same sources"
            same=1
        fi
    done
    [ "$same" -eq 0 ] &&
        echo "reproducible: tvisupgrade.exe and tvispack.exe identical in two folders"
}

# The packages release engineers install: the Debian package of the native build (with the
# win32 stub) installed into a temporary root, whose tvispack builds and inspects an
# installer; and the Windows zip, which must hold tvispack.exe beside tvisupgrade.exe.
install_packages() {
    local pkg="$run_dir/package" native_bin="$build_root/native/bin" deb zip
    mkdir -p "$pkg/root" "$pkg/release"
    (cd "$build_root/native" && rm -f ./*.deb && cpack) &&
        (cd "$build_root/win32" && rm -f ./*.zip && cpack) || return 1
    deb=$(ls "$build_root"/native/tvispack_*.deb 2>/dev/null | head -n 1)
    zip=$(ls "$build_root"/win32/tvispack-*.zip 2>/dev/null | head -n 1)
    local record=(--version 5.3 --edition ZRP --build 1250 --date 261210 --time 14:30:05.50)
    [ -n "$deb" ] && [ -n "$zip" ] && dpkg-deb -x "$deb" "$pkg/root" &&
        "$native_bin/make_product_file" "$pkg/release/qelMapE.dll" --size 300000 "${record[@]}" &&
        "$native_bin/make_product_file" "$pkg/release/tVisLV.exe" --size 250000 "${record[@]}" &&
        "$native_bin/make_product_file" "$pkg/release/tVisX.exe" --size 200000 "${record[@]}" &&
        "$pkg/root/usr/bin/tvispack" build --qelmape "$pkg/release/qelMapE.dll" \
            --tvislv "$pkg/release/tVisLV.exe" --tvisx "$pkg/release/tVisX.exe" \
            -o "$pkg/tvis-upgrade.exe" &&
        "$pkg/root/usr/bin/tvispack" inspect "$pkg/tvis-upgrade.exe" &&
        cmp "$pkg/root/usr/lib/tvispack/tvisupgrade.exe" "$build_root/win32/bin/tvisupgrade.exe" &&
        [ "$(cmake -E tar tf "$zip" | sed 's|.*/||' | sort | tr '\n' ' ')" = "tvispack.exe tvisupgrade.exe " ] &&
        echo "packages: $(basename "$deb") installed and built an installer that inspects sound; $(basename "$zip")"
}

# The demo, headless, so that the first command of the README cannot rot; then the
# documents' examples (the demo's log and trace, tvispack's output for its installer) must
# be what the programs print now: written into copies of the documents and compared. The
# demo keeps its pictures and report in the build folder.
test_demo() {
    echo "== demo (headless)"
    step --show '^installed (before|after):' demo "$logs/demo.log" \
        env TVIS_BUILD_ROOT="$build_root" TVIS_DEMO_DIR="$build_root/demo" \
        scripts/demo.sh --headless || return
    echo "== documents' examples (scripts/doc-examples.sh --check)"
    step --skip-status 3 "documents' examples" "$logs/doc-examples.log" \
        env TVIS_BUILD_ROOT="$build_root" TVIS_DEMO_DIR="$build_root/demo" \
        scripts/doc-examples.sh --check
}

# ---- the run

ensure_packages scripts/packages.txt || { failed=1; finish; }
mkdir -p "$logs"

if [[ " ${presets[*]} " == *" native "* ]]; then
    echo "== format (clang-format --dry-run -Werror)"
    step --show '^format: ' format "$logs/format.log" check_format
fi

build_presets

run_dir=$(mktemp -d /tmp/tvis-test.XXXXXX)
chmod 755 "$run_dir"
trap cleanup EXIT
trap 'exit 130' INT TERM

if needs_wine && ! start_wine; then
    failed=$((failed + 1))
    finish
fi

for preset in "${built[@]}"; do
    if [ "$preset" = win32 ] && ! can_run_32bit; then
        test_win32_emulated
    elif [ "$preset" = fuzz ]; then
        test_fuzz
    else
        test_preset "$preset"
    fi
done

if has_built win32; then
    echo "== reproducible win32 build"
    step --show '^reproducible: ' "reproducible win32 build" "$logs/reproducible.log" \
        second_win32_build
fi

if has_built native && has_built win32; then
    echo "== packages"
    step --show '^packages: ' packages "$logs/package.log" install_packages
fi

# The demo needs the host build and the Windows build it runs (the 64-bit one where 32-bit
# programs cannot run).
demo_windows=win32
can_run_32bit || demo_windows=win64
if has_built native && has_built "$demo_windows"; then
    test_demo
fi

finish
