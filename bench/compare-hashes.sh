#!/usr/bin/env bash
# Shows that a change meant only to make effects faster paints the same
# pictures: builds the output-hash tool at a base revision (main unless
# given) and in this tree, runs both on the same photograph at two seeds and
# on 1 and 8 workers, and prints the lines that differ.
#
#   bench/compare-hashes.sh [BASE_REV] [-- tool options, e.g. --effects 500,502 --cases preview,small,large]
#
# Exit status 0 when every hash matches the base and no result depends on
# the worker count; 1 otherwise.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
base=main
if [[ $# -gt 0 && $1 != -- ]]; then
    base=$1
    shift
fi
[[ ${1:-} == -- ]] && shift
photo=${PV_BENCH_PHOTO:-$here/../shared/assets/bench-12mp.jpg}
[[ -f $photo ]] || photo=/work/shared/assets/bench-12mp.jpg
work=${PV_HASHES_DIR:-$here/build/hashes-compare}
mkdir -p "$work"
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-$(command -v ccache || true)}

build_tool() { # source dir, build dir
    cmake -S "$1" -B "$2" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPV_BUILD_TESTS=OFF \
        -DPV_BENCH_PHOTO="$photo" >/dev/null
    cmake --build "$2" --target pv_effect_hashes >/dev/null
}

# The base tree, with this tree's hash tool when the base predates it.
basetree=$work/base
git -C "$here" worktree remove --force "$basetree" 2>/dev/null || rm -rf "$basetree"
git -C "$here" worktree add --detach "$basetree" "$base" >/dev/null
trap 'git -C "$here" worktree remove --force "$basetree" >/dev/null 2>&1 || true' EXIT
if [[ ! -d $basetree/bench/hashes ]]; then
    cp -r "$here/bench/hashes" "$basetree/bench/"
    echo 'add_subdirectory(hashes)' >>"$basetree/bench/CMakeLists.txt"
fi

echo "building the hash tool at $base and in $here" >&2
build_tool "$basetree" "$work/build-base"
build_tool "$here" "$work/build-here"

status=0
echo "running at $base" >&2
"$work/build-base/bench/hashes/pv_effect_hashes" --photo "$photo" "$@" >"$work/base.txt" 2>/dev/null || true
echo "running in this tree" >&2
"$work/build-here/bench/hashes/pv_effect_hashes" --photo "$photo" "$@" >"$work/here.txt" 2>/dev/null || status=1
if ! diff "$work/base.txt" "$work/here.txt"; then
    status=1
fi
if grep -q '!' "$work/here.txt"; then
    echo "results that depend on the worker count are marked !" >&2
    status=1
fi
[[ $status == 0 ]] && echo "identical: $(wc -l <"$work/here.txt") effect cases" >&2
exit $status
