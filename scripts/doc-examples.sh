#!/usr/bin/env bash
# Writes the examples the documents show, all from one real run: the log C:\tVisXlog.txt
# and the trace console of the demo's upgrade (scripts/demo.sh --headless leaves them in
# its folder), and what tvispack prints for the demo's installer: the build summary, the
# inspect report, and the report and refusal for the bare stub. tvispack runs in a scratch
# folder on copies of the demo's files, so that every path it prints is a relative one, and
# the installer it builds there must be the demo's own, byte for byte.
#
# Each example lies in a document between the lines <!-- example:NAME --> and
# <!-- /example:NAME -->; everything between them is replaced.
#
# Usage: scripts/doc-examples.sh [--check]
#   --check  writes into copies of the documents and compares them with the committed
#            ones: exits 1 and shows the difference when a document no longer shows what
#            the programs print (scripts/test.sh runs this after the demo).
# TVIS_DEMO_DIR names the demo's folder (default out/demo), TVIS_BUILD_ROOT the build
# folders (default build/). Exit status 0 written or in step, 1 out of step or failed,
# 2 wrong usage, 3 no such run to take the examples from (the documents show the 64-bit
# demo's run: a demo that ran the 32-bit build gives other sizes).
set -u
cd "$(dirname "$0")/.." || exit 1
root=$(pwd)

check=0
case "${1:-}" in
--check) check=1 ;;
"") ;;
-h | --help)
    sed -n '2,/^set/{/^#/s/^# \{0,1\}//p}' "$0"
    exit 0
    ;;
*)
    echo "usage: scripts/doc-examples.sh [--check]" >&2
    exit 2
    ;;
esac

demo="${TVIS_DEMO_DIR:-$root/out/demo}"
build_root="${TVIS_BUILD_ROOT:-$root/build}"
tvispack="$build_root/native/bin/tvispack"
for file in tVisXlog.txt trace.txt tvis-upgrade.exe tvisupgrade.exe upgrade/qelMapE.dll \
    upgrade/tVisLV.exe upgrade/tVisX.exe; do
    [ -f "$demo/$file" ] || {
        echo "doc-examples: $demo/$file is missing: run scripts/demo.sh --headless first" >&2
        exit 3
    }
done
[ -x "$tvispack" ] || { echo "doc-examples: no $tvispack: build the native preset first" >&2; exit 3; }

# pe_machine FILE: the PE header's machine field, in hex.
pe_machine() {
    local header
    header=$(od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j $((header + 4)) -N2 "$1" | tr -d ' '
}
if [ "$(pe_machine "$demo/tvisupgrade.exe")" != 8664 ]; then
    echo "doc-examples: the demo ran the 32-bit build; the documents show the 64-bit demo's run" >&2
    exit 3
fi

work=$(mktemp -d /tmp/tvis-doc-examples.XXXXXX)
trap 'rm -rf "$work"' EXIT
examples="$work/examples"
scratch="$work/run"
mkdir -p "$examples" "$scratch/upgrade"
cp "$demo/tvisupgrade.exe" "$scratch/"
cp "$demo/upgrade/qelMapE.dll" "$demo/upgrade/tVisLV.exe" "$demo/upgrade/tVisX.exe" "$scratch/upgrade/"

# Machine paths that might still show, as stable placeholders.
# The stub carries the source commit in its version resource, so the commit and the
# installer's digest change with every commit: they show as placeholders too.
placeholders() {
    sed -E -e "s|$scratch/||g" -e "s|$demo|<demo>|g" -e "s|$root|<repository>|g" \
        -e 's/\b[0-9a-f]{40}\b/<commit>/g' \
        -e 's/^( *SHA-256 installer +)[0-9A-F]{64}/\1<digest: the stub holds the commit>/'
}

# example NAME: the example's text from standard input, in a fenced block.
example() {
    { echo '```'; placeholders; echo '```'; } >"$examples/$1"
}

# shown COMMAND...: the command line as a reader types it (tvispack from the PATH), then
# what it prints on standard output and standard error.
shown() {
    echo "\$ tvispack ${*:2}"
    (cd "$scratch" && "$@" 2>&1)
    return 0
}

# The demo runs the 64-bit build where 32-bit programs cannot run, and tvispack takes its
# stub only when told to.
stub_options=()
"$tvispack" inspect "$scratch/tvisupgrade.exe" 2>/dev/null | grep -q '^    machine: x64$' &&
    stub_options=(--allow-64-bit-stub)
shown "$tvispack" build --stub tvisupgrade.exe "${stub_options[@]}" --qelmape upgrade/qelMapE.dll \
    --tvislv upgrade/tVisLV.exe --tvisx upgrade/tVisX.exe -o tvis-upgrade.exe | example demo-build
if ! cmp -s "$scratch/tvis-upgrade.exe" "$demo/tvis-upgrade.exe"; then
    echo "doc-examples: tvispack build gave another installer than the demo's ($demo/tvis-upgrade.exe)" >&2
    exit 1
fi
shown "$tvispack" inspect tvis-upgrade.exe | example demo-inspect
# The README shows the report down to the first carried file.
shown "$tvispack" inspect tvis-upgrade.exe | sed -n '1,/^  TVISLV.WCP$/p' | sed '$s/.*/  .../' |
    example demo-inspect-short
shown "$tvispack" inspect tvis-upgrade.exe --json | example demo-inspect-json
shown "$tvispack" inspect tvisupgrade.exe | example stub-inspect
shown "$tvispack" build --stub tvis-upgrade.exe "${stub_options[@]}" --qelmape upgrade/qelMapE.dll \
    --tvislv upgrade/tVisLV.exe --tvisx upgrade/tVisX.exe -o again.exe | example stub-refused

example demo-log <"$demo/tVisXlog.txt"
# The trace from the reason code on: the lines before it name the Wine user's own folders.
sed -n '/^kpr: /,$p' "$demo/trace.txt" | example demo-trace
grep -q '^kpr: 0$' "$examples/demo-trace" ||
    { echo "doc-examples: $demo/trace.txt holds no line \"kpr: 0\"" >&2; exit 1; }

# Where each example goes.
targets=(
    "README.md demo-log demo-trace demo-inspect-short"
    "docs/release.md demo-build demo-inspect demo-inspect-json stub-inspect stub-refused"
)

# put_example FILE NAME DOCUMENT: replaces the lines between the example's two marks in
# FILE, the document DOCUMENT or a copy of it.
put_example() {
    local file="$1" name="$2" document="$3" result
    result=$(mktemp "$work/document.XXXXXX")
    if ! awk -v name="$name" -v content="$examples/$name" '
        $0 == "<!-- example:" name " -->" {
            print; while ((getline line < content) > 0) print line
            inside = 1; opened++; next
        }
        $0 == "<!-- /example:" name " -->" { if (inside) closed++; inside = 0 }
        !inside { print }
        END { exit (opened == 1 && closed == 1) ? 0 : 3 }' "$file" >"$result"; then
        echo "doc-examples: $document has no single pair of marks for example $name" >&2
        return 1
    fi
    cat "$result" >"$file"
}

status=0
for target in "${targets[@]}"; do
    read -r document names <<<"$target"
    if [ $check -eq 1 ]; then
        copy="$work/check/$document"
        mkdir -p "$(dirname "$copy")"
        cp "$document" "$copy"
    else
        copy="$document"
    fi
    for name in $names; do
        put_example "$copy" "$name" "$document" || status=1
    done
    if [ $check -eq 1 ] && ! diff -u --label "$document (committed)" --label "$document (as the programs print it)" \
        "$document" "$copy"; then
        status=1
    fi
done
if [ $check -eq 1 ]; then
    if [ $status -eq 0 ]; then
        echo "doc-examples: the documents show what the programs print"
    else
        echo "doc-examples: the documents drifted from what the programs print: run scripts/doc-examples.sh"
    fi
fi
exit $status
