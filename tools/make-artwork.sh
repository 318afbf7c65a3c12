#!/bin/sh
# Regenerates every picture of Sonnelith from the sources in resources/art/:
#   resources/bitmaps/<id>_<name>.bmp     24-bit uncompressed BMPs (window pictures)
#   resources/bitmaps/<id>_<name>@2x.png  the same pictures drawn at twice the
#                                         size, for screens with two pixels to
#                                         the point (PNG: a 2x background as
#                                         BMP would take 2.9 MB)
#   resources/icon/sonnelith-<size>.png    program icon, 16 to 256 pixels
# The result is the same, byte for byte, on every run.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
art="$root/resources/art"
bitmaps="$root/resources/bitmaps"
icons="$root/resources/icon"

# Tools, from Debian packages; installed only when missing.
need=""
for pkg in imagemagick librsvg2-bin fontconfig python3-pil fonts-dejavu-core fonts-dejavu-extra; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
        need="$need $pkg"
    fi
done
if [ -n "$need" ]; then
    echo "make-artwork: installing$need"
    if [ "$(id -u)" -ne 0 ]; then
        echo "make-artwork: run as root, or install these packages first:$need" >&2
        exit 1
    fi
    apt-get update -q
    # shellcheck disable=SC2086  # the list is meant to split into words
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $need
fi

# Debian's ImageMagick, not any other copy that comes first on the PATH.
convert=/usr/bin/convert
[ -x "$convert" ] || convert=convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

mkdir -p "$bitmaps" "$icons"
# The system's Python, which has Debian's Pillow.
/usr/bin/python3 "$art/generate.py" "$work" "$icons"

for png in "$work"/*.png; do
    name=$(basename "$png" .png)
    case "$name" in
    *@2x)
        cp "$png" "$bitmaps/$name.png"
        echo "$name.png"
        ;;
    *)
        "$convert" "$png" -type TrueColor "BMP3:$bitmaps/$name.bmp"
        echo "$name.bmp"
        ;;
    esac
done
for size in 16 32 48 64 128 256; do
    echo "sonnelith-$size.png"
done
