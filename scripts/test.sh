#!/usr/bin/env bash
# Builds the presets and runs every test suite: native, the same under ASan and UBSan
# (native-asan), a short run of every fuzz target (fuzz: scripts/fuzz.sh --check, one
# suite), then win32 and win64 under Wine on a private Xvfb display and a fresh Wine
# prefix, the reproducible build, the packages, the demo and the documents' examples
# (see docs/testing.md). Ends with "N passed, N failed" and exits non-zero when anything failed or did not
# build.
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

ensure_packages scripts/packages.txt || { echo "0 passed, 1 failed"; exit 1; }

build_root="${TVIS_BUILD_ROOT:-$root/build}"
passed=0
failed=0
skipped=0
built=()
for preset in "${presets[@]}"; do
    # scripts/fuzz.sh builds its own preset, with clang.
    if [ "$preset" = fuzz ]; then
        built+=("$preset")
        continue
    fi
    echo "== build $preset"
    logs="$build_root/logs"
    mkdir -p "$logs"
    if cmake --preset "$preset" -B "$build_root/$preset" >"$logs/configure-$preset.log" 2>&1 &&
        cmake --build "$build_root/$preset" -j "$(nproc)" >"$logs/build-$preset.log" 2>&1; then
        built+=("$preset")
    else
        cat "$logs/configure-$preset.log" "$logs/build-$preset.log" | grep -E -A3 'error|Error' | head -n 60
        echo "build of $preset FAILED"
        failed=$((failed + 1))
    fi
done

# The native tvispack looks for its default stub, the 32-bit installer without payload,
# beside itself, as tvispack.exe does in the Windows build.
if [ -f "$build_root/win32/bin/tvisupgrade.exe" ] && [ -d "$build_root/native/bin" ]; then
    cp -f "$build_root/win32/bin/tvisupgrade.exe" "$build_root/native/bin/"
fi

run_dir=$(mktemp -d /tmp/tvis-test.XXXXXX)
chmod 755 "$run_dir"
XVFB_PID=""
cleanup() {
    if [ -n "${TVIS_WINEPREFIX:-}" ] && [ -d "$TVIS_WINEPREFIX" ]; then
        in_wine "${TVIS_WINE_USER:-}" "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME" wineserver -k 2>/dev/null
    fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$run_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

needs_wine=0
for preset in "${built[@]}"; do
    case "$preset" in
    native | native-asan | fuzz) ;;
    win32) can_run_32bit && needs_wine=1 ;;
    *) needs_wine=1 ;;
    esac
done
if [ $needs_wine -eq 1 ]; then
    start_xvfb "$run_dir" || { echo "0 passed, $((failed + 1)) failed"; exit 1; }
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
    # The Polish locale for the tests that run as on a Polish Windows (TVIS_TEST_LANG),
    # compiled into the run's folder so that the machine's own locales stay as they are.
    mkdir -p "$run_dir/locale"
    if localedef -i pl_PL -f UTF-8 "$run_dir/locale/pl_PL.UTF-8" >/dev/null 2>&1; then
        chmod -R a+rX "$run_dir/locale"
        export TVIS_LOCPATH="$run_dir/locale"
    else
        echo "note: no Polish locale could be made (package locales); its tests are skipped"
    fi
    echo "== wine prefix (display $DISPLAY, $TVIS_WINE)"
    start_wine_desktop "$TVIS_WINE_USER" "$TVIS_WINEPREFIX" "$TVIS_WINE_HOME" "$run_dir/wineboot.log" ||
        { echo "0 passed, $((failed + 1)) failed"; exit 1; }
    sleep 3
fi

for preset in "${built[@]}"; do
    if [ "$preset" = win32 ] && ! can_run_32bit; then
        # The kernel runs no 32-bit code, so the win32 suite cannot run here (the 64-bit
        # suite runs the same tests). The shipped 32-bit installer still runs end to end:
        # scripts/win32-smoke.sh emulates the 32-bit Wine loader with qemu-i386 in a
        # private namespace, one suite.
        echo "== test win32: this machine cannot run 32-bit programs (no IA-32 emulation in its kernel): the emulated smoke suite (scripts/win32-smoke.sh)"
        smoke_log="$build_root/logs/win32-smoke.log"
        smoke_started=$SECONDS
        if scripts/win32-smoke.sh "$build_root" "$run_dir/win32-smoke" >"$smoke_log" 2>&1; then
            grep -E '^win32 smoke: ' "$smoke_log"
            echo "win32 smoke passed ($((SECONDS - smoke_started)) s)"
            passed=$((passed + 1))
        else
            tail -n 60 "$smoke_log"
            echo "win32 smoke FAILED ($((SECONDS - smoke_started)) s, see $smoke_log)"
            failed=$((failed + 1))
        fi
        # What needs no Wine: the shipped installer imports only system DLLs.
        check=(cmake -DOBJDUMP=i686-w64-mingw32-objdump -P tests/win/check_imports.cmake)
        if "${check[@]:0:2}" -DPROGRAM="$build_root/win32/bin/tvisupgrade.exe" "${check[@]:2}" &&
            "${check[@]:0:2}" -DPROGRAM="$build_root/win32/bin/comctl32_importer.exe" \
                -DEXPECT_REJECTED=comctl32.dll "${check[@]:2}"; then
            echo "win32 import checks passed"
            passed=$((passed + 2))
        else
            echo "win32 import checks FAILED"
            failed=$((failed + 1))
        fi
        continue
    fi
    if [ "$preset" = fuzz ]; then
        echo "== test fuzz (scripts/fuzz.sh --check $fuzz_seconds)"
        mkdir -p "$build_root/logs"
        fuzz_log="$build_root/logs/fuzz.log"
        if TVIS_BUILD_ROOT="$build_root" scripts/fuzz.sh --check "$fuzz_seconds" >"$fuzz_log" 2>&1; then
            grep -E '^[a-z_]+_fuzz: ' "$fuzz_log"
            echo "fuzz passed"
            passed=$((passed + 1))
        else
            tail -n 40 "$fuzz_log"
            echo "fuzz FAILED (see $fuzz_log)"
            failed=$((failed + 1))
        fi
        continue
    fi
    echo "== test $preset"
    jobs=$(nproc)
    log="$build_root/logs/ctest-$preset.log"
    # Screenshots go where the Wine user may write, then into the build folder.
    shots="$run_dir/screenshots-$preset"
    mkdir -p "$shots"
    chmod 777 "$shots"
    export TVIS_TEST_SCREENSHOT_DIR="Z:$shots"
    filter=()
    [ -n "${TVIS_TEST_FILTER:-}" ] && filter=(-R "$TVIS_TEST_FILTER")
    ctest --test-dir "$build_root/$preset" --output-on-failure -j "$jobs" "${filter[@]}" 2>&1 | tee "$log" | grep -E -v '^ *([0-9]+/[0-9]+ Test +#[0-9]+: .* +Passed|Start +[0-9]+:)'
    if compgen -G "$shots/*.png" >/dev/null; then
        mkdir -p "$build_root/$preset/screenshots"
        cp -f "$shots"/*.png "$build_root/$preset/screenshots/"
    fi
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    if [ -z "$total" ]; then
        echo "ctest for $preset gave no summary"
        failed=$((failed + 1))
        continue
    fi
    skips=$(grep -c '(Skipped)$' "$log")
    passed=$((passed + total - bad - skips))
    failed=$((failed + bad))
    skipped=$((skipped + skips))
done

# Reproducible builds: the shipped programs built a second time, from a copy of the
# sources in another folder into another build folder, must come out byte for byte the
# same (no build path, no build time in them). The copy is no git checkout, so it is told
# the commit that the first build read from git.
if [[ " ${built[*]} " == *" win32 "* ]]; then
    echo "== reproducible win32 build"
    repro="$run_dir/repro"
    repro_log="$build_root/logs/reproducible.log"
    mkdir -p "$repro/src"
    if git ls-files -z --cached --others --exclude-standard |
        xargs -0 cp --parents -t "$repro/src" 2>"$repro_log" &&
        cmake --preset win32 -S "$repro/src" -B "$repro/build" \
            -DTVIS_SOURCE_COMMIT="$(git rev-parse --verify HEAD 2>/dev/null || echo unknown)" \
            >>"$repro_log" 2>&1 &&
        cmake --build "$repro/build" -j "$(nproc)" --target tvisupgrade tvispack \
            >>"$repro_log" 2>&1; then
        same=1
        for program in tvisupgrade.exe tvispack.exe; do
            if ! cmp "$build_root/win32/bin/$program" "$repro/build/bin/$program"; then
                echo "$program differs between two builds of the same sources"
                same=0
            fi
        done
        if [ $same -eq 1 ]; then
            echo "reproducible: tvisupgrade.exe and tvispack.exe identical in two folders"
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
        fi
    else
        tail -n 20 "$repro_log"
        echo "second win32 build FAILED (see $repro_log)"
        failed=$((failed + 1))
    fi
fi

# The packages release engineers install: the Debian package of the native build (with
# the win32 stub) installed into a temporary root, whose tvispack builds and inspects an
# installer; and the Windows zip, which must hold tvispack.exe beside tvisupgrade.exe.
if [[ " ${built[*]} " == *" native "* && " ${built[*]} " == *" win32 "* ]]; then
    echo "== packages"
    pkg="$run_dir/package"
    pkg_log="$build_root/logs/package.log"
    mkdir -p "$pkg/root" "$pkg/release"
    native_bin="$build_root/native/bin"
    deb=""
    zip=""
    if (cd "$build_root/native" && rm -f ./*.deb && cpack) >"$pkg_log" 2>&1 &&
        (cd "$build_root/win32" && rm -f ./*.zip && cpack) >>"$pkg_log" 2>&1; then
        deb=$(ls "$build_root"/native/tvispack_*.deb 2>/dev/null | head -n 1)
        zip=$(ls "$build_root"/win32/tvispack-*.zip 2>/dev/null | head -n 1)
    fi
    record=(--version 5.3 --edition ZRP --build 1250 --date 261210 --time 14:30:05.50)
    if [ -n "$deb" ] && [ -n "$zip" ] && dpkg-deb -x "$deb" "$pkg/root" >>"$pkg_log" 2>&1 &&
        "$native_bin/make_product_file" "$pkg/release/qelMapE.dll" --size 300000 "${record[@]}" >>"$pkg_log" 2>&1 &&
        "$native_bin/make_product_file" "$pkg/release/tVisLV.exe" --size 250000 "${record[@]}" >>"$pkg_log" 2>&1 &&
        "$native_bin/make_product_file" "$pkg/release/tVisX.exe" --size 200000 "${record[@]}" >>"$pkg_log" 2>&1 &&
        "$pkg/root/usr/bin/tvispack" build --qelmape "$pkg/release/qelMapE.dll" \
            --tvislv "$pkg/release/tVisLV.exe" --tvisx "$pkg/release/tVisX.exe" \
            -o "$pkg/tvis-upgrade.exe" >>"$pkg_log" 2>&1 &&
        "$pkg/root/usr/bin/tvispack" inspect "$pkg/tvis-upgrade.exe" >>"$pkg_log" 2>&1 &&
        cmp "$pkg/root/usr/lib/tvispack/tvisupgrade.exe" "$build_root/win32/bin/tvisupgrade.exe" &&
        [ "$(cmake -E tar tf "$zip" | sed 's|.*/||' | sort | tr '\n' ' ')" = "tvispack.exe tvisupgrade.exe " ]; then
        echo "packages: $(basename "$deb") installed and built an installer that inspects sound; $(basename "$zip")"
        passed=$((passed + 1))
    else
        tail -n 20 "$pkg_log"
        echo "packages FAILED (see $pkg_log)"
        failed=$((failed + 1))
    fi
fi

# The demo, headless, so that the first command of the README cannot rot. It needs the
# host build and the Windows build it runs (the 64-bit one where 32-bit programs cannot
# run), and keeps its pictures and report in the build folder.
demo_windows=win32
can_run_32bit || demo_windows=win64
if [[ " ${built[*]} " == *" native "* && " ${built[*]} " == *" $demo_windows "* ]]; then
    echo "== demo (headless)"
    demo_log="$build_root/logs/demo.log"
    if TVIS_BUILD_ROOT="$build_root" TVIS_DEMO_DIR="$build_root/demo" scripts/demo.sh --headless \
        </dev/null >"$demo_log" 2>&1; then
        echo "demo passed: $(grep -E '^installed (before|after):' "$demo_log" | awk '!seen[$0]++' | tr '\n' ' ')"
        passed=$((passed + 1))
        demo_ran=1
    else
        tail -n 40 "$demo_log"
        echo "demo FAILED (see $demo_log)"
        failed=$((failed + 1))
    fi
fi

# The documents' examples (the demo's log and trace, tvispack's output for its installer)
# must be what the programs print now: written into copies of the documents and compared.
if [ "${demo_ran:-0}" -eq 1 ]; then
    echo "== documents' examples (scripts/doc-examples.sh --check)"
    examples_log="$build_root/logs/doc-examples.log"
    TVIS_BUILD_ROOT="$build_root" TVIS_DEMO_DIR="$build_root/demo" scripts/doc-examples.sh --check \
        >"$examples_log" 2>&1
    case $? in
    0)
        echo "documents' examples passed: README.md and docs/release.md show what the programs print"
        passed=$((passed + 1))
        ;;
    3)
        tail -n 1 "$examples_log"
        echo "documents' examples SKIPPED"
        skipped=$((skipped + 1))
        ;;
    *)
        head -n 60 "$examples_log"
        echo "documents' examples FAILED (see $examples_log; scripts/doc-examples.sh writes them)"
        failed=$((failed + 1))
        ;;
    esac
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
