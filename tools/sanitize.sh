#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# (clang; undefined behaviour, memory errors and leaks all fail) into
# build-sanitize/, runs it, then runs every fuzz target on its seed corpus.
#   tools/sanitize.sh            tests, then FUZZ_SECONDS (default 20) per fuzz target
#   tools/sanitize.sh --no-fuzz  tests only
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz=1
[[ "${1:-}" == "--no-fuzz" ]] && fuzz=0

bash "$root/tools/setup.sh"
source "$root/tools/sanitize-env.sh"
pv_sanitize_make

echo "== Test suite under AddressSanitizer + UndefinedBehaviorSanitizer"
cd "$pv_sanitize_build"
failedLog=Testing/Temporary/LastTestsFailed.log
run_tests()
{
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 600 "$@"
}
rm -f "$failedLog"
status=0
run_tests || status=$?
if ((status)) && [[ -s "$failedLog" ]]; then
  mapfile -t failed < <(cut -d: -f2- "$failedLog" | sort)
  mapfile -t tracer < <(pv_tracer_crashes)
  if [[ "${failed[*]}" == "${tracer[*]}" ]]; then
    echo "== Rerunning the tests whose only failure was LeakSanitizer's tracer crashing at exit: ${failed[*]}"
    status=0
    run_tests --rerun-failed || status=$?
  fi
fi
if ((status)); then
  echo "== SANITIZER SUITE FAILED. Failing tests and their first finding (full reports above, under each name):"
  if [[ -s "$failedLog" ]]; then
    cut -d: -f2- "$failedLog" | while read -r name; do
      finding=$(awk -v want="$name" '/^[0-9]+\/[0-9]+ Testing: / { on = ($3 == want) }
        on && /runtime error:|ERROR: AddressSanitizer|ERROR: LeakSanitizer|: Failure$|encountered a fatal error/ { print; exit }' \
        Testing/Temporary/LastTest.log)
      echo "   $name: ${finding:-see its output above (a timeout or a crash without a report)}"
    done
  fi
  echo "== Rerun one: cd build-sanitize && source ../tools/sanitize-env.sh && ctest -R '^NAME\$' --output-on-failure"
  exit "$status"
fi

if ((fuzz)); then
  bash "$root/tools/fuzz.sh" all "${FUZZ_SECONDS:-20}"
fi
echo "== Sanitizer build: no findings"
