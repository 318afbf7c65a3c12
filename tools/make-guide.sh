#!/bin/sh
# Builds "docs/guide/Sonnelith - User's Guide.pdf" from docs/guide/guide.html
# and guide.css with WeasyPrint (Debian's weasyprint package, installed here
# when missing). The PDF is committed, so building and testing Sonnelith never
# needs WeasyPrint. Pictures come from three places: the screenshots in
# docs/guide/images/ (tools/make-guide-screenshots.sh), and the button, about
# and icon pictures, cut here from the program's own artwork.
# Usage: tools/make-guide.sh [folder for PNG previews of the pages]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
guide="$root/docs/guide"
pdf="$guide/Sonnelith - User's Guide.pdf"
previews=${1:-}

need=""
for pkg in weasyprint python3-pil poppler-utils fonts-dejavu-core fonts-dejavu-extra; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
        need="$need $pkg"
    fi
done
if [ -n "$need" ]; then
    echo "make-guide: installing$need"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -q
    # shellcheck disable=SC2086  # the list is meant to split into words
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends $need
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cp "$guide/guide.html" "$guide/guide.css" "$work/"
mkdir "$work/images"
cp "$guide"/images/*.png "$work/images/"

# The normal frame (the first third) of each button strip, the about picture
# and the program icon, as PNG files the HTML refers to.
/usr/bin/python3 - "$root/resources" "$work/images" <<'EOF'
import sys
from PIL import Image

resources, images = sys.argv[1], sys.argv[2]
strips = {
    "start": "138_start", "play": "140_play", "restore": "136_restore",
    "guide": "141_guide", "about": "142_about", "web": "143_web", "folder": "137_folder",
}
for name, bitmap in strips.items():
    strip = Image.open(f"{resources}/bitmaps/{bitmap}.bmp").convert("RGB")
    frame = strip.crop((0, 0, strip.width // 3, strip.height))
    frame.save(f"{images}/button-{name}.png")
Image.open(f"{resources}/bitmaps/147_about.bmp").convert("RGB").save(f"{images}/about.png")
Image.open(f"{resources}/icon/sonnelith-256.png").save(f"{images}/icon.png")
EOF

weasyprint --quiet "$work/guide.html" "$pdf"
pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
echo "make-guide: wrote $pdf ($pages pages)"

if [ -n "$previews" ]; then
    mkdir -p "$previews"
    pdftoppm -r 60 -png "$pdf" "$previews/page"
    echo "make-guide: page previews in $previews"
fi
