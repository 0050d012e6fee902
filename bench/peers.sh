#!/usr/bin/env bash
# Runs our slow 12-megapixel effects side by side with their peers and prints
# the ratios: whole processes, JPEG in and JPEG out, desktop defaults,
# alternating runs, medians. The peer (G'MIC) is installed from Debian when
# it is missing.
#
#   bench/peers.sh [--runs N] [--photo FILE] [--build DIR]
#
# Targets: Pencil Sketch 2 and 3 at most 0.7 x G'MIC pencilbw 0.3,60;
# Mosaic, Circles and Triangles at most 0.6 x G'MIC cartoon 3,150,20,0.25,1.5,8;
# Smooth painting, Stochastic painting and Gouache each under 8 s.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=3
photo=$here/../shared/assets/bench-12mp.jpg
[[ -f $photo ]] || photo=/work/shared/assets/bench-12mp.jpg
build=$here/build
while [[ $# -gt 0 ]]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --photo) photo=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
program=$build/pelandrovium
[[ -x $program ]] || { echo "build the program first ($program is missing)" >&2; exit 2; }
[[ -f $photo ]] || { echo "no photograph at $photo" >&2; exit 2; }

if ! command -v gmic >/dev/null; then
    sudo=""
    [[ $(id -u) == 0 ]] || sudo=sudo
    $sudo apt-get update -qq && $sudo apt-get install -y -qq gmic >/dev/null
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# name | command
jobs=(
    "pencilbw|gmic -v - $photo pencilbw 0.3,60 output $out/peer.jpg"
    "cartoon|gmic -v - $photo cartoon 3,150,20,0.25,1.5,8 output $out/peer.jpg"
    "101 Pencil Sketch 2|$program --wctest $photo $out/ours.jpg 10 40 30 0 30 101"
    "102 Pencil Sketch 3|$program --wctest $photo $out/ours.jpg 20 80 30 25 0 102"
    "500 Mosaic|$program --wctest $photo $out/ours.jpg 20 20 80 35 25 500"
    "502 Circles|$program --wctest $photo $out/ours.jpg 20 30 80 35 25 502"
    "503 Triangles|$program --wctest $photo $out/ours.jpg 10 30 50 35 25 503"
    "306 Smooth painting|$program --wctest $photo $out/ours.jpg 35 0 0 0 0 306"
    "307 Stochastic painting|$program --wctest $photo $out/ours.jpg 10 50 20 50 90 307"
    "308 Gouache|$program --wctest $photo $out/ours.jpg 70 25 25 50 30 308"
)

declare -A times
echo "load before: $(uptime)"
for ((r = 0; r < runs; r++)); do
    # Alternate the order from run to run, so a change of load falls on both sides.
    order=()
    for ((i = 0; i < ${#jobs[@]}; i++)); do order+=("$i"); done
    if ((r % 2 == 1)); then
        reversed=()
        for ((i = ${#order[@]} - 1; i >= 0; i--)); do reversed+=("${order[i]}"); done
        order=("${reversed[@]}")
    fi
    for i in "${order[@]}"; do
        name=${jobs[i]%%|*}
        command=${jobs[i]#*|}
        start=$(date +%s.%N)
        (cd "$out" && $command >/dev/null 2>&1)
        end=$(date +%s.%N)
        times[$name]+="$(echo "$end - $start" | bc) "
    done
done
echo "load after:  $(uptime)"

median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
declare -A med
for job in "${jobs[@]}"; do
    name=${job%%|*}
    med[$name]=$(echo "${times[$name]}" | median)
done

printf '\n%-26s %9s  %-30s %7s %s\n' effect "ours, s" "peer or bound" ratio target
row() { # name, peer name or "", bound
    local name=$1 peer=$2 bound=$3 ratio verdict
    if [[ -n $peer ]]; then
        ratio=$(echo "scale=3; ${med[$name]} / ${med[$peer]}" | bc)
        verdict=$(echo "$ratio <= $bound" | bc)
        printf '%-26s %9.2f  %-30s %7.2f <= %s %s\n' "$name" "${med[$name]}" "$peer ${med[$peer]} s" "$ratio" "$bound" \
            "$([[ $verdict == 1 ]] && echo ok || echo MISSED)"
    else
        verdict=$(echo "${med[$name]} < $bound" | bc)
        printf '%-26s %9.2f  %-30s %7s  < %s s %s\n' "$name" "${med[$name]}" "(absolute)" "" "$bound" \
            "$([[ $verdict == 1 ]] && echo ok || echo MISSED)"
    fi
}
row "101 Pencil Sketch 2" pencilbw 0.7
row "102 Pencil Sketch 3" pencilbw 0.7
row "500 Mosaic" cartoon 0.6
row "502 Circles" cartoon 0.6
row "503 Triangles" cartoon 0.6
row "306 Smooth painting" "" 8
row "307 Stochastic painting" "" 8
row "308 Gouache" "" 8
echo "(medians of $runs alternating runs; every time is a whole process on $(basename "$photo"))"
