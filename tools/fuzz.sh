#!/usr/bin/env bash
# Builds the fuzz targets (clang, with AddressSanitizer and UBSan, in
# build-sanitize/) and runs them on their seed corpora in fuzz/corpus/.
#   tools/fuzz.sh TARGET|all [SECONDS] [SEED]
# TARGET is a name from fuzz/corpus/ (cube_lut, script_parser, ...); "all" runs
# every target at the same time. New inputs go to build-sanitize/fuzz-runs/NAME/,
# failing inputs to build-sanitize/fuzz-runs/NAME-crash-* (or leak-, timeout-,
# oom-); the seed corpus is only read. SEED defaults to 1 so a failure can be replayed; pass 0 for a random one.
# Replay a failing input: build-sanitize/fuzz/fuzz_NAME FILE
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
which="${1:?usage: tools/fuzz.sh TARGET|all [SECONDS] [SEED]}"
seconds="${2:-60}"
seed="${3:-1}"

source "$root/tools/sanitize-env.sh"
if [[ "$which" == all ]]; then
  mapfile -t names < <(ls "$root/fuzz/corpus")
else
  [[ -d "$root/fuzz/corpus/$which" ]] || { echo "no such fuzz target: $which" >&2; exit 2; }
  names=("$which")
fi
pv_sanitize_make "${names[@]/#/fuzz_}" >/dev/null

bin="$pv_sanitize_build/fuzz"
out="$pv_sanitize_build/fuzz-runs"
mkdir -p "$out"
# One target in the background: its log in $out/NAME.log.
start_target()
{
  local name="$1" dict=()
  mkdir -p "$out/$name"
  [[ -f "$root/fuzz/$name.dict" ]] && dict=(-dict="$root/fuzz/$name.dict")
  "$bin/fuzz_$name" -max_total_time="$seconds" -seed="$seed" -timeout=60 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$out/$name-" "${dict[@]}" \
    "$out/$name" "$root/fuzz/corpus/$name" >"$out/$name.log" 2>&1 &
  pids[$name]=$!
}
# True when the only failure in a log is LeakSanitizer's tracer crashing at exit.
tracer_crash_only()
{
  grep -q 'Tracer caught signal' "$1" &&
    ! grep -qE 'runtime error:|ERROR: AddressSanitizer|LeakSanitizer: detected|deadly signal|expectation failed|ERROR: libFuzzer: (timeout|out-of-memory|fuzz target)' "$1"
}
report()
{
  local runs
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$1.log" | grep -o '[0-9]*$' || echo '?')
  echo "fuzz $1: ok, $runs inputs in ${seconds} s"
}

declare -A pids
for name in "${names[@]}"; do
  start_target "$name"
done
failed=()
for name in "${names[@]}"; do
  if wait "${pids[$name]}"; then
    report "$name"
    continue
  fi
  if tracer_crash_only "$out/$name.log"; then
    echo "fuzz $name: LeakSanitizer's tracer crashed at exit (no finding); running it again"
    start_target "$name"
    if wait "${pids[$name]}"; then
      report "$name"
      continue
    fi
  fi
  failed+=("$name")
  echo "== FUZZ TARGET $name FAILED (log: $out/$name.log):"
  grep -v '^#[0-9]' "$out/$name.log" | tail -60
done
if ((${#failed[@]})); then
  echo "== Failing fuzz targets: ${failed[*]}; the inputs are in $out/ (NAME-crash-*, -leak-, -timeout-, -oom-)"
  exit 1
fi
