#!/usr/bin/env bash
# Renders the PNG sizes of the TwinSift icon into hicolor/NxN/apps/ from the SVG drawings beside this
# script. The PNGs are kept in the repository, so building TwinSift needs no SVG renderer; run this
# after changing a drawing and commit what it writes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v rsvg-convert >/dev/null; then
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq librsvg2-bin
fi
name=com.quenby.TwinSift
for size in 16 22 24 32 48 64 128 256 512; do
    source=$here/hicolor/scalable/apps/$name.svg
    [ "$size" -eq 16 ] && source=$here/$name-16px.svg
    mkdir -p "$here/hicolor/${size}x$size/apps"
    rsvg-convert --width "$size" --height "$size" "$source" --output "$here/hicolor/${size}x$size/apps/$name.png"
done
