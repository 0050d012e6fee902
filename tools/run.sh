#!/usr/bin/env bash
# Sets up, builds, and runs the program's main job: the headless runner turns
# the built-in default picture into artwork (out/pelandrovium-default.png).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/build.sh"
mkdir -p "$root/out"
"$root/build/pelandrovium" --wctest "$root/resources/images/DefaultImage.jpg" "$root/out/pelandrovium-default.png" \
  "${@:-40}" 0 0 0 0 201
echo "Status: $(cat "$root/out/wctest_status.txt")"
echo "Result: $root/out/pelandrovium-default.png"
