#!/usr/bin/env bash
# The whole job, for real, under Wine: builds the installer, tvispack and a small demo
# tVis (tVisLV.exe, tVisX.exe and qelMapE.dll, real programs of ours) in an "installed"
# and a newer "upgrade" build, packs the upgrade build into out/demo/tvis-upgrade.exe,
# installs the installed build into a fresh Wine prefix ("C:\Programs\tVis2002\", the
# registry value "path" pointing at it), starts its tVisLV.exe and runs the installer.
#
# Usage: scripts/demo.sh [--headless]
#   With a display (DISPLAY set), you drive the installer by hand in Wine's virtual
#   desktop. With --headless, or without a display, it runs on a private Xvfb, drives the
#   whole upgrade itself and saves a screenshot of each stage under out/demo/, the trace
#   console's text (trace.txt), and pictures of the two boxes customers meet instead of
#   the upgrade: a damaged installer's reason code and no installed tVis.
# Ends with status 0 when the installed product was upgraded. TVIS_BUILD_ROOT puts the
# build folders elsewhere than build/, TVIS_DEMO_DIR the demo elsewhere than out/demo.
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)
. scripts/lib.sh

headless=0
for arg in "$@"; do
    case "$arg" in
    --headless) headless=1 ;;
    -h | --help)
        sed -n '2,/^set/{/^#/s/^# \{0,1\}//p}' "$0"
        exit 0
        ;;
    *)
        echo "usage: scripts/demo.sh [--headless]" >&2
        exit 2
        ;;
    esac
done
if [ $headless -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
    echo "no display: running headless"
    headless=1
fi

ensure_packages scripts/packages.txt || exit 1

build_root="${TVIS_BUILD_ROOT:-$root/build}"
demo="${TVIS_DEMO_DIR:-$root/out/demo}"
wine=$(wine_command)
[ "$wine" = wine ] || export WINELOADER="$wine"
# The shipped installer is the 32-bit one; where 32-bit programs cannot run, the demo
# runs the same code built for 64 bits.
if can_run_32bit; then
    windows=win32
else
    windows=win64
    echo "note: this machine cannot run 32-bit programs (see docs/platform.md): the demo uses the 64-bit build"
fi

# build PRESET TARGET...: configures the preset and builds the targets.
build() {
    local preset="$1" log="$build_root/logs/demo-build-$1.log"
    shift
    echo "== build $preset: $*"
    if ! build_preset "$build_root" "$preset" "$log" "$@"; then
        echo "demo: the build of $preset failed (see $log)"
        exit 1
    fi
}
build native tvispack make_product_file
build "$windows" tvisupgrade demo_qelmape demo_tvislv demo_tvisx demo_driver console_reader
host_bin="$build_root/native/bin"
windows_bin="$build_root/$windows/bin"

# The Wine user's profile folder shows in the trace ("C:\users\NAME\AppData\..."): a
# customer's name would stand there, so the demo runs as a plain Polish "user".
user=$(wine_user uzytkownik)
private_prefix_mark=tvis-demo.
XVFB_PID=""
wine_dir=""
# Ends every process the demo started, and only those: the programs of its own Wine
# prefix (through that prefix's wineserver) and its own Xvfb.
end_processes() {
    if [ -n "$wine_dir" ] && [ -d "$wine_dir/prefix" ]; then
        in_wine "$user" "$wine_dir/prefix" "$wine_dir/home" wineserver -k 2>/dev/null
        in_wine "$user" "$wine_dir/prefix" "$wine_dir/home" wineserver -w 2>/dev/null
    fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    XVFB_PID=""
}
trap end_processes EXIT
trap 'exit 130' INT TERM

# A clean demo each time. The prefix of the previous run may still have programs running
# (a demo driven by hand and left open): end them first.
if [ -e "$demo/wine" ]; then
    old=$(cd "$demo/wine" && pwd -P)
    in_wine "$user" "$old/prefix" "$old/home" wineserver -k 2>/dev/null
    in_wine "$user" "$old/prefix" "$old/home" wineserver -w 2>/dev/null
    case "$old" in /tmp/"$private_prefix_mark"*) rm -rf "$old" ;; esac
fi
rm -rf "$demo"
mkdir -p "$demo/installed" "$demo/upgrade"

echo "== demo product"
# The version texts are given in UTF-8 and stored in code page 1250, as the product
# stores them.
for build in installed upgrade; do
    if [ $build = installed ]; then
        record=(--version "5.2 Łódź" --edition ZRP --build 1187 --date 250611 --time 9:15:00.00)
    else
        record=(--version "5.3 Łódź" --edition ZRP --build 1250 --date 261210 --time 14:30:05.50)
    fi
    for file in qelMapE.dll tVisLV.exe tVisX.exe; do
        cp "$windows_bin/demo/$file" "$demo/$build/$file"
        "$host_bin/make_product_file" --into "$demo/$build/$file" "${record[@]}" ||
            { echo "demo: cannot write the version record of $build/$file"; exit 1; }
    done
    echo "$build: ${record[*]}"
done

echo "== pack: tvispack build"
# The 64-bit stub (where 32-bit programs cannot run) is taken only when asked for.
stub_options=()
[ "$windows" = win64 ] && stub_options=(--allow-64-bit-stub)
"$host_bin/tvispack" build --stub "$windows_bin/tvisupgrade.exe" "${stub_options[@]}" \
    --qelmape "$demo/upgrade/qelMapE.dll" --tvislv "$demo/upgrade/tVisLV.exe" \
    --tvisx "$demo/upgrade/tVisX.exe" -o "$demo/tvis-upgrade.exe" || exit 1
"$host_bin/tvispack" inspect "$demo/tvis-upgrade.exe" || exit 1
# The stub it was packed with, for scripts/doc-examples.sh.
cp "$windows_bin/tvisupgrade.exe" "$demo/tvisupgrade.exe"

echo "== wine prefix"
# Wine's files live where its user may write. As root that user may not reach this
# folder (a clone under a private home): then they live in a private folder under /tmp,
# linked from here.
mkdir -p "$demo"
if [ -n "$user" ] && ! runuser -u "$user" -- test -x "$demo"; then
    private=$(mktemp -d "/tmp/${private_prefix_mark}XXXXXX")
    chmod 755 "$private"
    ln -s "$private" "$demo/wine"
else
    mkdir -p "$demo/wine"
fi
wine_dir=$(cd "$demo/wine" && pwd -P)
mkdir -p "$wine_dir/prefix" "$wine_dir/home" "$wine_dir/bin" "$wine_dir/screenshots"
cp "$demo/tvis-upgrade.exe" "$windows_bin/demo_driver.exe" "$windows_bin/console_reader.exe" \
    "$wine_dir/bin/"
[ -n "$user" ] && chown -R "$user" "$wine_dir"
# A Polish Windows, as the customers have one: Wine takes its locale from LANG, and with
# it the ANSI code page 1250 and "Tak" and "Nie" on the buttons.
if polish_locale "$wine_dir/locale"; then
    export LOCPATH="$wine_dir/locale" LANG=pl_PL.UTF-8
else
    echo "note: no Polish locale could be made (package locales); Wine's own texts stay English"
fi
# Wine draws the dialog as Windows does only with the fonts Windows has, and Debian's Wine
# finds none of its own: fonts-wine puts them where this Wine does not look, so the
# caption buttons show Marlett's letters ("0 1 r") and the dialog's MS Sans Serif falls
# back to a wider face, in which the production time wraps out of its field. The demo
# prefix's Fonts folder gets Wine's Marlett, Tahoma (MS Shell Dlg: the message boxes) and
# its MS Sans Serif, bitmap fonts of Windows' widths (sserifee.fon for code page 1250,
# sserife.fon for the others), which the prefix's font table already names. The demo
# prefix only: the installer and the tests' prefixes stay as they are (see
# docs/platform.md).
install_demo_fonts() {
    local fonts="$wine_dir/prefix/drive_c/windows/Fonts" file
    mkdir -p "$fonts"
    for file in marlett.ttf tahoma.ttf tahomabd.ttf sserife.fon sserifee.fon; do
        cp "/usr/share/wine/fonts/$file" "$fonts/" ||
            { echo "demo: /usr/share/wine/fonts/$file is missing (package fonts-wine)"; exit 1; }
    done
    [ -n "$user" ] && chown -R "$user" "$fonts"
}

# flip_byte FILE OFFSET: inverts the bits of one byte of FILE in place.
flip_byte() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\x%02x' $((byte ^ 255)))" |
        dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# box_run INSTALLER NAME: the driver pictures the first box INSTALLER shows as NAME.png.
box_run() {
    run_wine "$wine" "$wine_dir/bin/demo_driver.exe" box "$1" "$(winpath "$wine_dir/screenshots")" \
        "$2" </dev/null 2>&1 | sed -u 's/\r$//' | tee -a "$demo/boxes.txt"
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "demo: the run for $2.png failed"; return 1; }
}

# winpath PATH: the Windows name of a path of this machine.
winpath() { echo "Z:${1//\//\\}"; }
run_wine() { (cd "$wine_dir" && in_wine "$user" "$wine_dir/prefix" "$wine_dir/home" "$@"); }

if [ $headless -eq 1 ]; then
    start_xvfb "$wine_dir" || exit 1
elif [ -n "$user" ]; then
    # The Wine user needs leave to open windows on this user's display.
    command -v xhost >/dev/null && xhost "+SI:localuser:$user" >/dev/null
fi
start_wine_desktop "$user" "$wine_dir/prefix" "$wine_dir/home" "$wine_dir/wineboot.log" || exit 1
echo "prefix: $wine_dir/prefix (display $DISPLAY)"
install_demo_fonts

# The customer double-clicks the installer where the browser or the administrator left
# it; the trace console's title is that path. A folder of no particular user, so that the
# pictures show neither this machine's folders nor the Wine user's name.
desktop_folder="$wine_dir/prefix/drive_c/users/Public/Desktop"
mkdir -p "$desktop_folder"
cp "$demo/tvis-upgrade.exe" "$desktop_folder/"
[ -n "$user" ] && chown -R "$user" "$desktop_folder"
installer='C:\users\Public\Desktop\tvis-upgrade.exe'

if [ $headless -eq 1 ]; then
    # Before the product is installed, the two boxes customers meet instead of the
    # upgrade: a damaged download (one byte of the last carried file changed, which the
    # integrity block catches: reason code 7) and no installed tVis (#1).
    echo "== run: a damaged installer, then no installed tVis"
    damaged="$wine_dir/bin/tvis-damaged.exe"
    cp "$demo/tvis-upgrade.exe" "$damaged"
    flip_byte "$damaged" $(($(stat -c %s "$damaged") - 1000))
    [ -n "$user" ] && chown "$user" "$damaged"
    box_run "$(winpath "$damaged")" demo-reason-code || exit 1
    box_run "$installer" demo-not-found || exit 1
fi

product="$wine_dir/prefix/drive_c/Programs/tVis2002"
mkdir -p "$product"
cp "$demo/installed/"* "$product/"
[ -n "$user" ] && chown -R "$user" "$wine_dir/prefix/drive_c/Programs"
run_wine "$wine" reg add 'HKCU\Software\qelWawPl\tv5' /v path /d 'C:\Programs\tVis2002\' /f \
    >>"$wine_dir/wineboot.log" 2>&1 || { echo "demo: cannot write the registry value"; exit 1; }
echo "installed: C:\\Programs\\tVis2002\\ (HKCU\\Software\\qelWawPl\\tv5 path)"

echo "== run: tVisLV.exe, then the installer"
run_wine setsid "$wine" 'C:\Programs\tVis2002\tVisLV.exe' </dev/null >/dev/null 2>&1 &
if [ $headless -eq 1 ]; then
    driver=(drive "$installer" 'C:\Programs\tVis2002\' "$(winpath "$wine_dir/screenshots")")
else
    driver=(watch "$installer" 'C:\Programs\tVis2002\')
fi
# In the background, so that Ctrl-C (or any signal) ends the demo at once: a signal
# interrupts `wait`, and the exit trap ends the prefix's programs, the driver among them.
# The driver's lines show as they come.
{
    run_wine "$wine" "$wine_dir/bin/demo_driver.exe" "${driver[@]}" </dev/null 2>&1
    echo $? >"$demo/driver.status"
} | sed -u 's/\r$//' | tee "$demo/report.txt" &
wait $!
status=$(cat "$demo/driver.status" 2>/dev/null || echo 1)
rm -f "$demo/driver.status"
end_processes

echo "== report"
grep -E '^(installed before|installed after|installer exit code|result):' "$demo/report.txt"
log="$wine_dir/prefix/drive_c/tVisXlog.txt"
if [ -f "$log" ]; then
    iconv -f CP1250 -t UTF-8 "$log" | tr -d '\r' >"$demo/tVisXlog.txt"
    echo "log file C:\\tVisXlog.txt (out/demo/tVisXlog.txt, converted to UTF-8):"
    sed 's/^/    /' "$demo/tVisXlog.txt"
else
    echo "log file C:\\tVisXlog.txt: none"
fi
if [ -f "$wine_dir/screenshots/trace.txt" ]; then
    iconv -f CP1250 -t UTF-8 "$wine_dir/screenshots/trace.txt" | tr -d '\r' >"$demo/trace.txt"
    echo "trace console at the success box: ${demo#"$root"/}/trace.txt"
fi
if compgen -G "$wine_dir/screenshots/*.png" >/dev/null; then
    cp "$wine_dir/screenshots/"*.png "$demo/"
    echo "screenshots: $(cd "$demo" && ls -- *.png | tr '\n' ' ')in ${demo#"$root"/}/"
fi
echo "Wine prefix kept for a look: ${demo#"$root"/}/wine/prefix"
exit $status
