#!/usr/bin/env bash
# Renders the installed icon pictures from the two drawings (needs rsvg-convert,
# Debian's librsvg2-bin): 16 pixels from the drawing made for that size, the
# other sizes from the scalable one. The pictures are kept in the repository.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    source=trackpace.svg
    [ "$size" = 16 ] && source=trackpace-16.svg
    mkdir -p "$size"
    rsvg-convert -w "$size" -h "$size" "$source" -o "$size/org.trackpace.Trackpace.png"
done
