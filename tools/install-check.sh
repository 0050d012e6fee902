#!/usr/bin/env bash
# Checks the program as a user gets it: installs the build into a staging
# folder, runs the installed program headless on the default picture,
# validates the desktop entry, the AppStream metadata and the manual page, then
# builds the Debian package and checks its control data, contents and policy.
# Expects a finished build in build/ (tools/build.sh or tools/test.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/setup.sh"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
id=example.pelandrovium.Pelandrovium

echo "== Installing into a staging folder"
DESTDIR="$stage" cmake --install "$root/build" --prefix /usr >/dev/null
usr="$stage/usr"
for f in bin/pelandrovium share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/man/man1/pelandrovium.1.gz \
         share/doc/pelandrovium/copyright share/doc/pelandrovium/changelog.gz; do
  [[ -f "$usr/$f" ]] || { echo "missing from the install: $f"; exit 1; }
done
for size in 16 22 24 32 48 64 128 256 512; do
  [[ -s "$usr/share/icons/hicolor/${size}x${size}/apps/$id.png" ]] || { echo "missing icon: ${size}x${size}"; exit 1; }
done

echo "== The installed program, headless, away from the source tree"
run=$(mktemp -d "$stage/run.XXXX")
cp "$root/resources/images/DefaultImage.jpg" "$run/in.jpg"
(cd "$run" && env -u QT_QPA_PLATFORM "$usr/bin/pelandrovium" --wctest in.jpg out.png 40 0 0 0 0 201)
status=$(cat "$run/wctest_status.txt")
echo "$status"
[[ "$status" == "ok effect=201 960x1440 P=40,0,0,0,0" && -s "$run/out.png" ]]

echo "== Validators"
desktop-file-validate "$usr/share/applications/$id.desktop"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml"
warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/pelandrovium.1.gz" 2>&1 >/dev/null)
[[ -z "$warnings" ]] || { echo "manual page warnings:"; echo "$warnings"; exit 1; }

echo "== Debian package"
bash "$root/tools/package.sh"
deb=$(ls "$root"/out/pelandrovium_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb" >"$stage/contents.txt"
for f in ./usr/bin/pelandrovium ./usr/share/applications/$id.desktop ./usr/share/metainfo/$id.metainfo.xml; do
  grep -q " $f\$" "$stage/contents.txt" || { echo "missing from the package: $f"; exit 1; }
done
lintian --fail-on error "$deb"
echo "== Installed layout, package and validators: all passed"
