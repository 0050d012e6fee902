#!/usr/bin/env bash
# Runs our slow 12-megapixel effects side by side with their peers and prints
# the ratios, each process's peak memory and whether each target is met:
# whole processes, JPEG in and JPEG out, desktop defaults, alternating runs,
# medians. The peers (G'MIC, ImageMagick, OpenCV's Python module) are
# installed from Debian when they are missing. Run it on a quiet machine: the
# load average is printed before and after, and a load of 2 or more makes the
# ratios against the multi-threaded peers flatter us.
#
#   bench/peers.sh [--runs N] [--photo FILE] [--build DIR] [--peaks]
#
# Targets: Pencil Sketch 2 and 3 at most 0.7 x G'MIC pencilbw 0.3,60;
# Mosaic, Circles and Triangles at most 0.6 x G'MIC cartoon 3,150,20,0.25,1.5,8;
# Watercolor 2 at most 0.7 x ImageMagick -kuwahara 4; Oil pastel,
# Watercolor splashes and Brushstrokes 2 under 5 s, Gouache under 4 s (their
# nearest peer, OpenCV's xphoto.oilPainting 10,1, is shown beside them);
# Smooth painting and Stochastic painting under 8 s. Every effect's peak is
# at most 4 x the picture's bytes + 200 MiB.
# --peaks adds a table of every effect's peak memory at 12 and 50 megapixels
# (one run each; the 50-megapixel picture is the photo scaled to 8000 x 6000).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
runs=3
photo=$here/../shared/assets/bench-12mp.jpg
[[ -f $photo ]] || photo=/work/shared/assets/bench-12mp.jpg
build=$here/build
peaks=0
while [[ $# -gt 0 ]]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --photo) photo=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --peaks) peaks=1; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
program=$build/pelandrovium
[[ -x $program ]] || { echo "build the program first ($program is missing)" >&2; exit 2; }
[[ -f $photo ]] || { echo "no photograph at $photo" >&2; exit 2; }

python=/usr/bin/python3
magick=/usr/bin/convert
missing=()
command -v gmic >/dev/null || missing+=(gmic)
[[ -x $magick ]] || missing+=(imagemagick)
"$python" -c 'import cv2; cv2.xphoto' 2>/dev/null || missing+=(python3-opencv)
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) == 0 ]] || sudo=sudo
    $sudo apt-get update -qq && $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cat >"$out/oil.py" <<'EOF'
import sys, cv2
cv2.imwrite(sys.argv[2], cv2.xphoto.oilPainting(cv2.imread(sys.argv[1]), 10, 1))
EOF

# Every effect with the parameters the desktop program starts with.
defaults=(
    "100 20 50 65 5 80" "101 10 40 30 0 30" "102 20 80 30 25 0" "103 75 50 35 25 20"
    "200 50 50 0 0 0" "201 50 0 0 0 0" "202 65 70 30 5 40" "203 10 0 100 50 60"
    "300 30 40 40 100 20" "301 90 20 60 20 55" "302 10 70 30 30 100" "303 10 70 50 50 80"
    "304 10 50 50 50 100" "305 50 30 25 60 70" "306 35 0 0 0 0" "307 10 50 20 50 90"
    "308 70 25 25 50 30" "400 40 25 50 50 40" "401 52 52 55 15 52" "402 0 70 50 50 25"
    "403 30 35 60 20 25" "404 100 50 50 50 50" "500 20 20 80 35 25" "501 30 55 85 40 20"
    "502 20 30 80 35 25" "503 10 30 50 35 25"
)
ours() { # effect number, picture: the headless command line at the desktop defaults
    local d
    for d in "${defaults[@]}"; do
        if [[ ${d%% *} == "$1" ]]; then
            set -- "$1" "$2" ${d#* }
            echo "$program --wctest $2 $out/ours.jpg $3 $4 $5 $6 $7 $1"
            return
        fi
    done
}

# name | command
jobs=(
    "pencilbw|gmic -v - $photo pencilbw 0.3,60 output $out/peer.jpg"
    "cartoon|gmic -v - $photo cartoon 3,150,20,0.25,1.5,8 output $out/peer.jpg"
    "oilPainting|$python $out/oil.py $photo $out/peer.jpg"
    "kuwahara|$magick $photo -kuwahara 4 $out/peer.jpg"
    "101 Pencil Sketch 2|$(ours 101 "$photo")"
    "102 Pencil Sketch 3|$(ours 102 "$photo")"
    "500 Mosaic|$(ours 500 "$photo")"
    "502 Circles|$(ours 502 "$photo")"
    "503 Triangles|$(ours 503 "$photo")"
    "301 Watercolor 2|$(ours 301 "$photo")"
    "302 Oil pastel|$(ours 302 "$photo")"
    "303 Watercolor splashes|$(ours 303 "$photo")"
    "305 Brushstrokes 2|$(ours 305 "$photo")"
    "306 Smooth painting|$(ours 306 "$photo")"
    "307 Stochastic painting|$(ours 307 "$photo")"
    "308 Gouache|$(ours 308 "$photo")"
)

run() { # command: prints "seconds peak-KiB" of the whole process
    (cd "$out" && /usr/bin/time -f '%e %M' -o "$out/time" $1 >/dev/null 2>&1) || echo "failed: $1" >&2
    cat "$out/time" | tail -1
}
size_of() { identify -format '%w %h\n' "$1"; }
limit_mib() { # width, height: 4 x the picture's 32-bit pixels + 200 MiB
    echo $(($1 * $2 * 16 / 1048576 + 200))
}
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

declare -A times peak
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
        read -r seconds kib < <(run "${jobs[i]#*|}")
        times[$name]+="$seconds "
        peak[$name]=$(( ${peak[$name]:-0} > kib ? ${peak[$name]:-0} : kib ))
    done
done
echo "load after:  $(uptime)"

declare -A med
for job in "${jobs[@]}"; do
    name=${job%%|*}
    med[$name]=$(echo "${times[$name]}" | median)
done
read -r pw ph < <(size_of "$photo")
limit=$(limit_mib "$pw" "$ph")

printf '\n%-26s %9s %9s  %-24s %7s  %s\n' effect "ours, s" "peak MiB" "peer" ratio "target"
row() { # name, peer, largest ratio or "", largest time or ""
    local name=$1 peer=$2 bound=$3 most=$4 ratio="" verdict=ok mib
    mib=$((peak[$name] / 1024))
    if [[ -n $bound ]]; then
        ratio=$(printf "%.2f" "$(echo "scale=3; ${med[$name]} / ${med[$peer]}" | bc)")
        [[ $(echo "$ratio <= $bound" | bc) == 1 ]] || verdict=MISSED
    elif [[ -n $peer ]]; then
        ratio=$(printf "%.2f" "$(echo "scale=3; ${med[$name]} / ${med[$peer]}" | bc)")
    fi
    [[ -z $most || $(echo "${med[$name]} < $most" | bc) == 1 ]] || verdict=MISSED
    ((mib <= limit)) || verdict=MISSED
    printf '%-26s %9.2f %9d  %-24s %7s  %s\n' "$name" "${med[$name]}" "$mib" \
        "${peer:+$peer ${med[$peer]} s}" "$ratio" \
        "${bound:+ratio <= $bound}${most:+ < $most s}, peak <= $limit MiB: $verdict"
}
row "101 Pencil Sketch 2" pencilbw 0.7 ""
row "102 Pencil Sketch 3" pencilbw 0.7 ""
row "500 Mosaic" cartoon 0.6 ""
row "502 Circles" cartoon 0.6 ""
row "503 Triangles" cartoon 0.6 ""
row "301 Watercolor 2" kuwahara 0.7 ""
row "302 Oil pastel" oilPainting "" 5
row "303 Watercolor splashes" oilPainting "" 5
row "305 Brushstrokes 2" oilPainting "" 5
row "306 Smooth painting" "" "" 8
row "307 Stochastic painting" "" "" 8
row "308 Gouache" oilPainting "" 4
echo "(medians of $runs alternating runs; every time is a whole process on $(basename "$photo"), ${pw} x ${ph})"

if ((peaks)); then
    large=$out/50mp.jpg
    "$magick" "$photo" -resize '8000x6000!' -quality 92 "$large"
    limit50=$(limit_mib 8000 6000)
    echo
    echo "peak memory of every effect, one run each (limit 4 x picture + 200 MiB)"
    printf '%-6s %14s %14s %10s\n' effect "12 MP, MiB" "50 MP, MiB" "50 MP, s"
    for d in "${defaults[@]}"; do
        n=${d%% *}
        verdict=ok
        rm -f "$out/ours.jpg"
        read -r _ kib12 < <(run "$(ours "$n" "$photo")")
        [[ -s $out/ours.jpg ]] || verdict="MISSED (no picture at 12 MP)"
        rm -f "$out/ours.jpg"
        read -r s50 kib50 < <(run "$(ours "$n" "$large")")
        [[ -s $out/ours.jpg ]] || verdict="MISSED (no picture at 50 MP)"
        ((kib12 / 1024 <= limit && kib50 / 1024 <= limit50)) || verdict=MISSED
        printf '%-6s %8d/%-5d %8d/%-5d %10s %s\n' "$n" $((kib12 / 1024)) "$limit" $((kib50 / 1024)) "$limit50" "$s50" "$verdict"
    done
    echo "load after the peaks: $(uptime)"
fi
