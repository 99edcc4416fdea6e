#!/usr/bin/env bash
# Runs a Windows executable under Wine for ctest (the cross builds' emulator).
# scripts/test.sh sets up the environment:
#   TVIS_WINEPREFIX  the run's own Wine prefix
#   TVIS_WINE_HOME   HOME for Wine (the templates folder links into it)
#   TVIS_WINE_USER   unprivileged user to run Wine as, when the run is root: as root, Wine
#                    opens read-only files for writing and read-only tests would lie
#   TVIS_RUN_DIR     scratch space of the run
#   TVIS_WINE        the Wine loader to run (see wine_command in lib.sh); WINELOADER with it
#   DISPLAY          the run's Xvfb
# Without them it uses a developer prefix in the home folder and the current display.
set -u
. "$(dirname "$0")/lib.sh"
exe="$1"
shift
prefix="${TVIS_WINEPREFIX:-$HOME/.tvis-wine}"
home="${TVIS_WINE_HOME:-$HOME}"
user="${TVIS_WINE_USER:-}"
wine="${TVIS_WINE:-$(wine_command)}"

env_args=(WINEPREFIX="$prefix" HOME="$home" WINEDEBUG="${WINEDEBUG:--all}"
          DISPLAY="${DISPLAY:-}")
# A test may ask for a locale of its own (TVIS_TEST_LANG, a Polish Windows for one): Wine
# takes the ANSI code page from it. TVIS_LOCPATH is where scripts/test.sh compiled the
# locales glibc may not have.
if [ -n "${TVIS_TEST_LANG:-}" ]; then
    env_args+=(LANG="$TVIS_TEST_LANG")
    [ -n "${TVIS_LOCPATH:-}" ] && env_args+=(LOCPATH="$TVIS_LOCPATH")
else
    env_args+=(LANG="${LANG:-C.UTF-8}")
fi
[ -n "${WINELOADER:-}" ] && env_args+=(WINELOADER="$WINELOADER")
# Wine's own switches and the variables meant for the program under test travel along.
while IFS='=' read -r name _; do
    case "$name" in WINEDLLOVERRIDES|TVIS_TEST_*) env_args+=("$name=${!name}") ;; esac
done < <(env)

if [ -n "$user" ]; then
    # The user may not reach the build folder (a clone under a private home): stage a copy
    # of the whole folder once per run, so that programs beside the test are there too.
    if ! runuser -u "$user" -- test -r "$exe"; then
        folder=$(cd "$(dirname "$exe")" && pwd)
        stage="${TVIS_RUN_DIR:?}/stage/$(echo "$folder" | md5sum | cut -c1-12)"
        (
            flock 9
            if [ ! -f "$stage/.staged" ]; then
                mkdir -p "$stage"
                cp -rf "$folder/." "$stage/"
                touch "$stage/.staged"
                chmod -R a+rX "${TVIS_RUN_DIR}/stage"
            fi
        ) 9>"${TVIS_RUN_DIR}/stage.lock"
        exe="$stage/$(basename "$exe")"
    fi
    runner=(runuser -u "$user" -- env "${env_args[@]}" "$wine" "$exe")
else
    runner=(env "${env_args[@]}" "$wine" "$exe")
fi

# SIGXFSZ ignored, so that a file-size limit which a test puts on a running program
# (prlimit --fsize) makes its writes come up short instead of killing it. Ignored signals
# survive exec and runuser, and Wine passes them on to the processes the program starts.
trap '' XFSZ

# Windows programs end their lines with CR LF; ctest's test discovery wants bare LF.
case " $* " in
*" --gtest_list_tests "*)
    set -o pipefail
    "${runner[@]}" "$@" | tr -d '\r'
    ;;
*)
    # Now and then (a few times in thousands of starts, under load) a Wine process ends
    # within a fraction of a second with a failure status and without a single byte of
    # output: the program never ran, since every test program writes its results before
    # it ends, and a crash makes Wine write a line. Such a start is made again, once, and
    # says so; a program that did run is never started twice, and one that fails this
    # way twice fails.
    output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
    started=$SECONDS
    "${runner[@]}" "$@" 2>&1 | tee "$output"
    status=${PIPESTATUS[0]}
    if [ "$status" -ne 0 ] && [ ! -s "$output" ] && [ $((SECONDS - started)) -le 2 ]; then
        echo "wine-run: $(basename "$exe") ended with status $status before it wrote anything; started again" >&2
        "${runner[@]}" "$@"
        status=$?
    fi
    rm -f "$output"
    exit "$status"
    ;;
esac
