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

# The Wine command for running programs. Debian's `wine` always starts the 32-bit loader
# when wine32 is installed, and some kernels run no 32-bit x86 code at all (IA-32
# emulation off: execve of an i386 ELF fails with ENOEXEC, and even Wine's wow64 mode
# dies on its first 32-bit instruction). There the 64-bit loader is called directly.
wine_command() {
    if wine --version >/dev/null 2>&1; then
        echo wine
    else
        echo /usr/lib/wine/wine64
    fi
}

# Whether this machine can run 32-bit Windows programs under Wine.
runs_32bit_wine() {
    [ "$(wine_command)" = wine ]
}
