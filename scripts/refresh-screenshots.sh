#!/usr/bin/env bash
# Refreshes the README's pictures of the dialog and its boxes (docs/images/demo-*.png)
# from a headless demo run: run it when the dialog's look changes, then commit the
# pictures. The demo saves plain PNGs; optipng makes them small enough to keep in the
# repository.
#
# Usage: scripts/refresh-screenshots.sh [--reuse]   (--reuse: take out/demo's pictures
#                                                    from the last headless demo run;
#                                                    TVIS_DEMO_DIR names its folder)
set -u
cd "$(dirname "$0")/.." || exit 1
. scripts/lib.sh
ensure_packages scripts/packages-docs.txt || exit 1
if [ "${1:-}" != --reuse ]; then
    scripts/demo.sh --headless || { echo "the demo failed: pictures left as they were"; exit 1; }
fi
mkdir -p docs/images
demo="${TVIS_DEMO_DIR:-out/demo}"
for name in demo-ready demo-desktop demo-question demo-countdown demo-success \
    demo-reason-code demo-not-found; do
    [ -f "$demo/$name.png" ] || { echo "$demo/$name.png is missing"; exit 1; }
    # A new file each time: over an existing one, optipng leaves a .bak copy beside it.
    rm -f "docs/images/$name.png"
    optipng -quiet -o2 -strip all -out "docs/images/$name.png" "$demo/$name.png" || exit 1
done
ls -l docs/images/demo-*.png
