# Helpers shared by the project's scripts. Source it; it defines functions only.

# Runs a command as root: directly when we are root, else through sudo.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages of scripts/packages.txt that are missing, quietly.
ensure_packages() {
    local list="$1" missing=() pkg
    while read -r pkg; do
        case "$pkg" in ''|'#'*) continue ;; esac
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done <"$list"
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null &&
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends "${missing[@]}" >/dev/null
}

# Starts Xvfb on a free display; sets XVFB_PID and DISPLAY.
start_xvfb() {
    local dir="$1" fdfile="$1/xvfb.display"
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x1024x24 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n 1 "$fdfile")"
}

# Whether this machine can run 32-bit x86 programs, which the 32-bit Wine loader is. Some
# machines run 64-bit user code only (IA-32 emulation off, see docs/platform.md):
# executing any i386 ELF file then fails with "Exec format error", and no 32-bit Windows
# program can run under Wine there.
can_run_32bit() {
    local loader=/usr/lib/wine/wine
    [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1
}

# The Wine command for this machine: Debian's `wine` always starts the 32-bit loader when
# wine32 is installed (and that loader starts 64-bit programs too); where 32-bit programs
# cannot run, the 64-bit loader is called directly and named as WINELOADER, so that the
# processes a Windows program starts use it as well.
wine_command() {
    if can_run_32bit; then echo wine; else echo /usr/lib/wine/wine64; fi
}

# The unprivileged user that Wine runs as when the script runs as root (as root, Wine
# opens read-only files for writing, so what the installer meets would not be what a
# customer meets). Creates it when missing. Prints its name; prints nothing when the
# script does not run as root. NAME, when given, is the user's name (the demo's, whose
# profile folder shows in its pictures); tvistest otherwise.
wine_user() {
    [ "$(id -u)" -eq 0 ] || return 0
    local user="${1:-tvistest}"
    id -u "$user" >/dev/null 2>&1 ||
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    echo "$user"
}

# in_wine USER PREFIX HOME COMMAND...: runs COMMAND (a Wine loader or wineserver) with the
# prefix's environment, as USER when one is given.
in_wine() {
    local user="$1" prefix="$2" home="$3" as=()
    shift 3
    [ -n "$user" ] && as=(runuser -u "$user" --)
    "${as[@]}" env WINEPREFIX="$prefix" HOME="$home" WINEDEBUG="${WINEDEBUG:--all}" ${LOCPATH:+LOCPATH="$LOCPATH"} ${LANG:+LANG="$LANG"} \
        ${WINELOADER:+WINELOADER="$WINELOADER"} "$@"
}

# start_wine_desktop USER PREFIX HOME LOG: creates the prefix and makes its desktop a
# virtual one of 1024x768 on $DISPLAY, then keeps one wineserver and the desktop's explorer
# running until the prefix's wineserver is ended (wineserver -k).
start_wine_desktop() {
    local user="$1" prefix="$2" home="$3" log="$4" wine args pid
    wine=$(wine_command)
    in_wine "$user" "$prefix" "$home" "$wine" wineboot -i >"$log" 2>&1
    # A virtual desktop: windows live inside one X window, so Wine never waits (up to two
    # seconds per window) for a window manager that Xvfb does not have, and screenshots
    # show frames and captions.
    for args in 'HKCU\Software\Wine\Explorer /v Desktop /d Default' \
        'HKCU\Software\Wine\Explorer\Desktops /v Default /d 1024x768'; do
        # shellcheck disable=SC2086
        in_wine "$user" "$prefix" "$home" "$wine" reg add $args /f >>"$log" 2>&1
    done
    # The desktop that wineboot left running is a plain one: end that server, so that the
    # next desktop is created as the virtual one. Then keep one wineserver for the whole
    # run: each program starts in milliseconds.
    in_wine "$user" "$prefix" "$home" wineserver -k 2>/dev/null
    in_wine "$user" "$prefix" "$home" wineserver -w 2>/dev/null
    in_wine "$user" "$prefix" "$home" wineserver -p
    # Keep the desktop's explorer running too. Otherwise the first window of each program
    # starts one, which inherits the program's output, and whoever reads that output waits
    # for the desktop to end.
    in_wine "$user" "$prefix" "$home" setsid "$wine" explorer /desktop=Default,1024x768 \
        </dev/null >/dev/null 2>&1 &
    # Both waits are long: on a loaded machine a fresh prefix's explorer takes seconds.
    local started=0
    for _ in $(seq 1 600); do
        for pid in $(pgrep -u "${user:-$(id -un)}" -f 'explorer.exe /desktop'); do
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix" &&
                started=1
        done
        [ $started -eq 1 ] && break
        sleep 0.1
    done
    # The process comes first, its desktop's window on the display about half a second
    # later: the programs started after this are to find the desktop made.
    if [ $started -eq 1 ]; then
        for _ in $(seq 1 600); do
            xwininfo -name "Default - Wine desktop" >/dev/null 2>&1 && return 0
            sleep 0.1
        done
    fi
    echo "the Wine desktop did not start (see $log)" >&2
    return 1
}

# build_preset BUILD_ROOT PRESET LOG [TARGET...]: configures PRESET into BUILD_ROOT/PRESET
# and builds the targets (every one by default), both steps' output in LOG. When either
# fails, shows the lines of LOG around its errors and returns 1.
build_preset() {
    local build_root="$1" preset="$2" log="$3" targets=()
    shift 3
    [ $# -gt 0 ] && targets=(--target "$@")
    mkdir -p "$(dirname "$log")"
    if cmake --preset "$preset" -B "$build_root/$preset" >"$log" 2>&1 &&
        cmake --build "$build_root/$preset" -j "$(nproc)" "${targets[@]}" >>"$log" 2>&1; then
        return 0
    fi
    grep -E -A3 'error|Error' "$log" | head -n 60
    return 1
}

# polish_locale FOLDER: compiles the Polish locale (pl_PL.UTF-8) into FOLDER, for Wine to
# find through LOCPATH, so that the machine's own locales stay as they are. Returns 1 when
# it cannot be made (package locales missing).
polish_locale() {
    local folder="$1"
    mkdir -p "$folder"
    localedef -i pl_PL -f UTF-8 "$folder/pl_PL.UTF-8" >/dev/null 2>&1 ||
        [ -f "$folder/pl_PL.UTF-8/LC_CTYPE" ] || return 1
    chmod -R a+rX "$folder"
}

# format_files: the C and C++ files that .clang-format governs, product code and tests, as
# NUL-terminated paths relative to the repository's root (the current folder). What
# scripts/test.sh checks; `format_files | xargs -0 clang-format -i` applies it.
format_files() {
    git ls-files -z -- '*.c' '*.cpp' '*.h'
}
