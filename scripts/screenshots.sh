#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/: TwinSift scans a generated sample tree (pictures, music,
# documents, with copies in a second folder) in a virtual X display, with a group expanded and a file
# selected, the scan-rule panel and the clean-up window open. Writes main-window.png, scan-rules.png
# and clean-up.png at 1366x768 in the light theme, main-window-dark.png with a dark palette, and
# main-window-compact.png and main-window-compact-dark.png with compact rows. Installs Xvfb, xdotool, ImageMagick, the
# Adwaita icons and qt6ct (which sets the palette and icon theme) with apt-get.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" xvfb xdotool imagemagick adwaita-icon-theme qt6ct
"$here/scripts/build.sh"
app=${BUILD_DIR:-$here/build}/src/app/twinsift
out=$here/docs/screenshots
mkdir -p "$out"

work=$(mktemp -d "${TMPDIR:-/tmp}/twinsift-shots.XXXXXX")
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The sample tree: pictures drawn by ImageMagick, some copied into a backup folder and an export
# folder, plus copies of music and documents.
sample=$work/sample
mkdir -p "$sample/Photos/2024" "$sample/Backup/Photos" "$sample/Export" "$sample/Music" "$sample/Documents"
colours=(steelblue darkorange seagreen orchid goldenrod slateblue tomato teal)
for i in "${!colours[@]}"; do
    name=$(printf 'IMG_%04d.jpg' $((40 + i)))
    convert -size 800x600 "gradient:${colours[$i]}-white" -fill white -stroke black -strokewidth 3 \
        -draw "circle $((200 + 50 * i)),300 $((260 + 50 * i)),330" "$sample/Photos/2024/$name"
    [ $((i % 2)) -eq 0 ] && cp "$sample/Photos/2024/$name" "$sample/Backup/Photos/$name"
    [ $((i % 3)) -eq 0 ] && cp "$sample/Photos/2024/$name" "$sample/Export/copy of $name"
done
head -c 3000000 /dev/urandom >"$sample/Music/Concert.mp3"
cp "$sample/Music/Concert.mp3" "$sample/Backup/Concert.mp3"
for n in 1 2 3; do
    printf 'Minutes of meeting %s\n%s\n' "$n" "$(seq 1 $((n * 200)))" >"$sample/Documents/minutes-$n.txt"
    cp "$sample/Documents/minutes-$n.txt" "$sample/Backup/minutes-$n (copy).txt"
done
head -c 50000 /dev/urandom >"$sample/Documents/report.pdf"
cp "$sample/Documents/report.pdf" "$sample/Export/report.pdf"
touch -d '2024-05-01 14:03:09' "$sample"/Photos/2024/*

export DISPLAY=:97
Xvfb "$DISPLAY" -screen 0 1366x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1

# One run of TwinSift in a home of its own: the scheme (light or dark), then the screenshots.
shoot() {
    local scheme=$1 rows=$2 shot=$3 panel=${4:-} task=${5:-}
    local home=$work/home-$scheme-$rows
    mkdir -p "$home/.config/qt6ct" "$home/.config/quenby"
    local colors=
    [ "$scheme" = dark ] && colors="color_scheme_path=/usr/share/qt6ct/colors/darker.conf"
    cat >"$home/.config/qt6ct/qt6ct.conf" <<CONF
[Appearance]
custom_palette=$([ "$scheme" = dark ] && echo true || echo false)
$colors
icon_theme=Adwaita
style=Fusion
CONF
    # No rate panel over the window.
    printf '[General]\nSHOWED_RATE_PANEL_KEY=true\n[MainWindow]\ncompactRows=%s\n' \
        "$([ "$rows" = compact ] && echo true || echo false)" >"$home/.config/quenby/twinsift.ini"
    HOME=$home XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache QT_QPA_PLATFORMTHEME=qt6ct \
        LANGUAGE=en "$app" "$sample/Photos" "$sample/Backup" "$sample/Export" "$sample/Music" \
        "$sample/Documents" &
    local pid=$!
    local window=
    for _ in $(seq 50); do
        window=$(xdotool search --sync --onlyvisible --name '^TwinSift$' 2>/dev/null | head -1) && break
        sleep 0.2
    done
    xdotool windowsize "$window" 1366 740 windowmove "$window" 0 0
    sleep 3 # the scans of a few dozen files, and their thumbnails
    # Into the list: the first group opens when selected, then its first file is selected. Without a
    # window manager, a click gives the window the focus.
    xdotool mousemove 800 300 click 1
    sleep 0.5
    xdotool key Home
    sleep 0.5
    xdotool key Down
    sleep 0.5
    import -window root "$out/$shot"
    if [ -n "$panel" ]; then
        xdotool key ctrl+comma
        sleep 1
        local rules
        rules=$(xdotool search --onlyvisible --name '^Scan Rules$' | head -1)
        import -window "$rules" -frame "$out/$panel" 2>/dev/null || import -window root "$out/$panel"
        xdotool key Escape
        sleep 0.5
    fi
    if [ -n "$task" ]; then
        xdotool windowfocus --sync "$window"
        xdotool key ctrl+k
        sleep 1.5 # the preview of the plan
        local clean
        clean=$(xdotool search --onlyvisible --name '^Clean Up Duplicates$' | head -1)
        import -window "$clean" -frame "$out/$task" 2>/dev/null || import -window root "$out/$task"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}

shoot light normal main-window.png scan-rules.png clean-up.png
shoot dark normal main-window-dark.png
shoot light compact main-window-compact.png
shoot dark compact main-window-compact-dark.png
echo "Wrote main-window.png, scan-rules.png, clean-up.png, main-window-dark.png, main-window-compact.png" \
    "and main-window-compact-dark.png in $out"
