#!/usr/bin/env bash
# Builds the program (tools/build.sh) and packs its install into a Debian
# package, out/pelandrovium_<version>_<arch>.deb; install it with
#   sudo apt-get install ./out/pelandrovium_4.50_amd64.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/build.sh"
cd "$root/build"
rm -f ./*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log; exit 1; }
mkdir -p "$root/out"
deb=$(ls ./*.deb)
mv "$deb" "$root/out/"
echo "Package: $root/out/$(basename "$deb")"
