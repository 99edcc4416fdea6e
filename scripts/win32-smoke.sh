#!/usr/bin/env bash
# The 32-bit smoke suite, for machines whose kernel cannot run 32-bit programs: the shipped
# 32-bit installer runs end to end under Wine, with the 32-bit Wine loader emulated by
# qemu-i386. qemu is registered with binfmt_misc only inside a private user and mount
# namespace of this script (see docs/platform.md); outside it nothing changes.
#
# Usage: scripts/win32-smoke.sh BUILD_ROOT WORK_DIR
#   BUILD_ROOT holds the native build (tvispack, make_product_file) and the win32 build
#   (tvisupgrade.exe, fake_product.exe, the planted DLLs); WORK_DIR is an empty scratch
#   folder (the Wine prefix is made there, about five minutes).
# Three program starts prove it, in one Wine session:
#   damaged   an installer with one byte of its payload flipped, /quiet /log=: exit code
#             1603, the log's last line names reason code 0000.0007, the product untouched;
#   product   fake_product.exe installed as the product's tVisLV.exe, showing its window;
#   upgrade   the sound installer, /quiet /log=C:\deploy.log, while that program runs:
#             exit code 0, the three files the carried ones, C:\tVisXlog.txt as the
#             installer writes it, the deployment log's lines, the program asked to close.
# Both installers start from a downloads folder holding planted comctl32.dll, lz32.dll and
# uxtheme.dll, with Wine told to prefer such DLLs: none of them may be loaded.
# Prints each failed check and ends with status 0 only when all passed.
set -u

fail() { echo "win32 smoke: $*" >&2; }

# -- inside the first namespace: we are its root. Register qemu-i386 for i386 ELF files
# with flag F (the interpreter is opened now, so it works wherever Wine executes itself
# again), then go on as the Wine user in a namespace of its own, without capabilities.
if [ "${1:-}" = --namespace ]; then
    work="$2" uid="$3" gid="$4"
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc ||
        { fail "cannot mount a private binfmt_misc (kernel 6.7 or later is needed)"; exit 1; }
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:$(command -v qemu-i386-static):F" \
        >/proc/sys/fs/binfmt_misc/register ||
        { fail "cannot register qemu-i386 in the private binfmt_misc"; exit 1; }
    exec unshare --user --map-user="$uid" --map-group="$gid" "$work/win32-smoke.sh" --session "$work"
fi

# -- the Wine session, as the Wine user: the prefix, the three starts and the checks.
if [ "${1:-}" = --session ]; then
    work="$2"
    files="$work/files"
    export WINEPREFIX="$work/prefix" HOME="$work/home" WINEDEBUG=-all LANG=C.UTF-8
    # The 64-bit loader for Wine's own programs; it hands 32-bit ones to the 32-bit loader,
    # which binfmt_misc gives to qemu. WINEDLLPATH names the 32-bit DLLs, so that the
    # prefix gets its syswow64 folder.
    unset WINELOADER WINEDLLOVERRIDES
    export WINEDLLPATH=/usr/lib/i386-linux-gnu/wine
    # qemu reserves the 32-bit guest's address space at once: starts are about a fifth
    # shorter than when it maps as it goes.
    export QEMU_RESERVED_VA=3G
    wine64=/usr/lib/wine/wine64
    drive_c="$WINEPREFIX/drive_c"
    started=$SECONDS
    mark() { echo "win32 smoke: $1 ($((SECONDS - started)) s)"; }
    mkdir -p "$WINEPREFIX" "$HOME"
    cd "$work" || exit 1

    if ! WINEDLLOVERRIDES="mscoree,mshtml=" timeout 900 "$wine64" wineboot -i >"$work/wineboot.log" 2>&1 ||
        [ ! -f "$drive_c/windows/syswow64/kernel32.dll" ]; then
        fail "the prefix could not be made (see wineboot.log)"
        tail -n 20 "$work/wineboot.log" >&2
        exit 1
    fi
    mark "prefix made"
    "$wine64" reg add 'HKCU\Software\qelWawPl\tv5' /v path /d 'C:\Programs\tVis 2002\' /f /reg:32 \
        >>"$work/wineboot.log" 2>&1 || { fail "cannot write the product's registry value"; exit 1; }
    # A crash ends the program instead of starting the (emulated) debugger on it.
    for view in 32 64; do
        "$wine64" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /f /reg:$view >>"$work/wineboot.log" 2>&1
    done
    # One server for the session, so that the starts below share it; it ends with the
    # session, and every program of the prefix with it.
    wineserver -p
    trap 'wineserver -k 2>/dev/null; wineserver -w 2>/dev/null' EXIT

    product="$drive_c/Programs/tVis 2002"
    mkdir -p "$product" "$drive_c/downloads"
    cp "$files/installed/"* "$product/"
    cp "$files/tvis-upgrade.exe" "$files/damaged.exe" "$drive_c/downloads/"
    cp "$files/planted_comctl32.dll" "$drive_c/downloads/comctl32.dll"
    cp "$files/planted_comctl32.dll" "$drive_c/downloads/uxtheme.dll"
    cp "$files/planted_lz32.dll" "$drive_c/downloads/lz32.dll"
    # Runs an installer as a deployment engine does and prints its whole exit code (a unix
    # exit status keeps only its low byte).
    printf '@echo off\r\nstart /wait "" %%*\r\necho exit code: %%errorlevel%%\r\n' >"$drive_c/run.bat"

    failures=0
    check() {  # check WHAT COMMAND...: runs the command; counts and prints a failure
        local what="$1"
        shift
        if "$@"; then return 0; fi
        fail "FAILED: $what"
        failures=$((failures + 1))
        return 1
    }
    # run_installer NAME ARGS...: the exit code of a quiet run, or "none".
    run_installer() {
        local name="$1" code
        shift
        (cd "$drive_c" && WINEDLLOVERRIDES="comctl32,lz32,uxtheme=n,b;winedbg.exe=d" \
            TVIS_TEST_PLANT_MARKER='C:\planted-marker.txt' \
            timeout 600 "$wine64" cmd /c 'C:\run.bat' "$@") >"$work/$name.out" 2>&1
        code=$(tr -d '\r' <"$work/$name.out" | sed -n 's/^exit code: //p' | tail -n 1)
        echo "${code:-none}"
    }
    # The deployment log's lines without their timestamps.
    log_lines() { tr -d '\r' <"$1" | cut -c25-; }
    same() { cmp -s "$1" "$2"; }
    all_old() {
        for f in qelMapE.dll tVisLV.exe tVisX.exe; do same "$product/$f" "$files/installed/$f" || return 1; done
    }

    # The product program starts while the damaged installer runs: both take the better
    # part of a minute to start under emulation.
    (cd "$drive_c" && exec "$wine64" 'C:\Programs\tVis 2002\tVisLV.exe' 'C:\lv-record.txt' qel_LV_Frame) \
        >"$work/product.out" 2>&1 &

    code=$(run_installer damaged 'C:\downloads\damaged.exe' /quiet '/log=C:\deploy-damaged.log')
    mark "damaged installer ended"
    check "damaged installer: exit code $code, expected 1603" [ "$code" = 1603 ]
    last=$(log_lines "$drive_c/deploy-damaged.log" 2>/dev/null | tail -n 1)
    check "damaged installer: the log's last line does not name reason code 0000.0007: '$last'" \
        grep -q 'reason code 0000\.0007' <<<"$last"
    check "damaged installer: outcome not 1603: '$last'" grep -q '^outcome: exit code 1603 ' <<<"$last"
    check "damaged installer: the product was changed" all_old

    shown=0
    for _ in $(seq 1 600); do
        if xwininfo -root -tree 2>/dev/null | grep -qF '"qel_LV_Frame #1"'; then shown=1; break; fi
        sleep 1
    done
    mark "product program shows its window"
    check "the product program (fake_product.exe as tVisLV.exe) showed no window" [ $shown = 1 ]

    code=$(run_installer upgrade 'C:\downloads\tvis-upgrade.exe' /quiet '/log=C:\deploy.log')
    mark "upgrade ended"
    check "upgrade: exit code $code, expected 0" [ "$code" = 0 ]
    for f in qelMapE.dll tVisLV.exe tVisX.exe; do
        check "upgrade: $f is not the carried one" same "$product/$f" "$files/release/$f"
    done
    p='C:\Programs\tVis 2002\'
    printf '#3 read: %sqelMapE.dll\r\non HD version: 5.2 R\r\non HD serial : 1187\r\n#2 read: qelMapE.dllu\r\non CD serial : 1250\r\non CD version: 2026.12.10  godz. 14:30.05,50\r\n#1 read: qelMapE.dllu\r\nwrite: %sqelMapE.dll\r\n#1 read: tVisX.exeu\r\nwrite: %stVisX.exe\r\n#1 read: tVisLV.exeu\r\nwrite: %stVisLV.exe\r\n' \
        "$p" "$p" "$p" "$p" >"$work/expected-tVisXlog.txt"
    if ! check "upgrade: C:\\tVisXlog.txt differs from the expected log" \
        same "$drive_c/tVisXlog.txt" "$work/expected-tVisXlog.txt"; then
        diff <(tr -d '\r' <"$work/expected-tVisXlog.txt") <(tr -d '\r' <"$drive_c/tVisXlog.txt" 2>&1) >&2
    fi
    log_lines "$drive_c/deploy.log" >"$work/deploy.txt" 2>/dev/null
    last=$(tail -n 1 "$work/deploy.txt")
    check "upgrade: the deployment log's last line is '$last'" \
        [ "$last" = "outcome: exit code 0 (upgraded: all three files replaced): upgraded" ]
    check "upgrade: the deployment log has no line for the success box" grep -qxF \
        "box not shown: [Instalator qel] Aktualizacja oprogramowania zakończona poprawnie." "$work/deploy.txt"
    # The product program was asked to close once, closed its window and ended (after a
    # failed upgrade it is given less time).
    wait_for=120
    [ "$code" = 0 ] || wait_for=10
    for _ in $(seq 1 $wait_for); do
        jobs -r | grep -q . || break
        sleep 1
    done
    check "the product program did not end after the close request" [ -z "$(jobs -r)" ]
    record=$(tr -d '\r' 2>/dev/null <"$drive_c/lv-record.txt")
    check "the product program recorded '$record', expected one close request" \
        [ "$record" = "qel_LV_Frame #1" ]
    if [ -f "$drive_c/planted-marker.txt" ]; then
        fail "FAILED: planted DLLs beside the installer were loaded: $(tr -d '\r' <"$drive_c/planted-marker.txt" | tr '\n' ' ')"
        failures=$((failures + 1))
    fi
    if [ $failures -ne 0 ]; then
        echo "deployment log of the upgrade:" >&2
        sed 's/^/    /' "$work/deploy.txt" >&2
    fi
    mark "done, $failures failed"
    [ $failures -eq 0 ]
    exit
fi

# -- the outer part: the files, the display, the namespaces.
[ $# -eq 2 ] || { echo "usage: scripts/win32-smoke.sh BUILD_ROOT WORK_DIR" >&2; exit 2; }
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
mkdir -p "$2" || exit 1
build_root=$(cd "$1" && pwd) || exit 1
work=$(cd "$2" && pwd)
cd "$(dirname "$self")/.." || exit 1
. scripts/lib.sh
native="$build_root/native/bin"
win32="$build_root/win32/bin"
for tool in qemu-i386-static unshare xwininfo Xvfb; do
    command -v "$tool" >/dev/null || { fail "$tool is missing (scripts/packages.txt)"; exit 1; }
done
for file in "$native/tvispack" "$native/make_product_file" "$win32/tvisupgrade.exe" \
    "$win32/fake_product.exe" "$win32/planted_comctl32.dll" "$win32/planted_lz32.dll"; do
    [ -f "$file" ] || { fail "$file is missing: build the native and win32 presets"; exit 1; }
done

files="$work/files"
mkdir -p "$files/release" "$files/installed"
cp "$self" "$work/win32-smoke.sh"
new=(--version 5.3 --edition ZRP --build 1250 --date 261210 --time 14:30:05.50)
old=(--version "5.2 R" --build 1187 --date 250611)
"$native/make_product_file" "$files/release/qelMapE.dll" --size 300000 "${new[@]}" &&
    "$native/make_product_file" "$files/release/tVisLV.exe" --size 250000 --offset 3000 "${new[@]}" &&
    "$native/make_product_file" "$files/release/tVisX.exe" --size 200000 --offset 2000 "${new[@]}" &&
    "$native/make_product_file" "$files/installed/qelMapE.dll" --size 150000 "${old[@]}" &&
    "$native/make_product_file" "$files/installed/tVisX.exe" --size 160000 "${old[@]}" &&
    cp "$win32/fake_product.exe" "$files/installed/tVisLV.exe" &&
    cp "$win32/planted_comctl32.dll" "$win32/planted_lz32.dll" "$files/" &&
    "$native/tvispack" build --stub "$win32/tvisupgrade.exe" --qelmape "$files/release/qelMapE.dll" \
        --tvislv "$files/release/tVisLV.exe" --tvisx "$files/release/tVisX.exe" \
        -o "$files/tvis-upgrade.exe" >"$work/tvispack.log" 2>&1 ||
    { fail "the installer could not be made"; cat "$work/tvispack.log" >&2; exit 1; }
# One byte in the middle of the payload (what follows the stub) flipped.
cp "$files/tvis-upgrade.exe" "$files/damaged.exe"
stub=$(stat -c %s "$win32/tvisupgrade.exe")
size=$(stat -c %s "$files/tvis-upgrade.exe")
at=$((stub + (size - stub) / 2))
byte=$(od -An -tu1 -j "$at" -N 1 "$files/damaged.exe" | tr -d ' ')
printf "\\$(printf '%03o' $((byte ^ 0x20)))" | dd of="$files/damaged.exe" bs=1 seek="$at" conv=notrunc status=none
cmp -s "$files/tvis-upgrade.exe" "$files/damaged.exe" && { fail "the damaged copy is not damaged"; exit 1; }

XVFB_PID=""
trap '[ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null' EXIT
start_xvfb "$work" || exit 1

# The Wine user (as root: the unprivileged one of the other suites, so that read-only
# files behave as on Windows) makes the first namespace itself, as an unprivileged user
# may; the second one maps it to its own ids again.
user=$(wine_user)
as=()
if [ -n "$user" ]; then
    as=(runuser -u "$user" --)
    chown -R "$user" "$work"
fi
chmod -R a+rX "$work"
uid=$("${as[@]}" id -u)
gid=$("${as[@]}" id -g)
"${as[@]}" env DISPLAY="$DISPLAY" unshare --user --map-root-user --mount \
    "$work/win32-smoke.sh" --namespace "$work" "$uid" "$gid"
