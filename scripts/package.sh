#!/usr/bin/env bash
# Builds the Debian package of TwinSift into build-deb/ (or $DEB_DIR) and checks it: lintian on the
# package, desktop-file-validate and appstreamcli on the files it installs. Installs what the build
# and the checks need with apt-get, through sudo when not root. Takes several minutes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${DEB_DIR:-$here/build-deb}

# The build dependencies of debian/control are among those of install-deps.sh; dpkg-buildpackage
# checks that none is missing.
"$here/scripts/install-deps.sh" dpkg-dev debhelper lintian

# dpkg-buildpackage writes into the source tree and next to it, so it runs on a copy inside $out.
version=$(cd "$here" && dpkg-parsechangelog -S Version)
source_dir=$out/twinsift-${version%-*}
rm -rf "$source_dir" "$out/contents" "$out"/twinsift[_-]*
mkdir -p "$source_dir"
tar -C "$here" --exclude='./build*' --exclude=./.git --exclude=./bench/data --exclude=./bench/results -cf - . |
    tar -C "$source_dir" -xf -
(cd "$source_dir" && dpkg-buildpackage -us -uc -b)

deb=$out/twinsift_${version}_$(dpkg --print-architecture).deb
echo "== lintian"
lintian --fail-on error --display-info "${deb%.deb}.changes" || lintian_status=$?
echo "== desktop-file-validate and appstreamcli on the installed files"
contents=$out/contents
dpkg-deb -x "$deb" "$contents"
desktop-file-validate "$contents/usr/share/applications/com.quenby.TwinSift.desktop"
appstreamcli validate --no-net --strict "$contents/usr/share/metainfo/com.quenby.TwinSift.metainfo.xml"
[ "${lintian_status:-0}" -eq 0 ] || { echo "lintian found errors" >&2; exit 1; }
echo "Built $deb"
echo "Install it with: sudo apt install $deb"
