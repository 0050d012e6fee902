# Shared by tools/sanitize.sh and tools/fuzz.sh (sourced): the sanitizer build
# in build-sanitize/ (clang, AddressSanitizer + UndefinedBehaviorSanitizer,
# every finding fatal, fuzz targets included) and the run-time options that
# make every finding end the process with a report and a failing status.
pv_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
pv_sanitize_build="$pv_root/build-sanitize"
# Dynamic TLS is not tracked: with glibc 2.36 the tracked ranges of some
# libraries Qt loads come out bogus and LeakSanitizer's tracer crashes on them.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:check_initialization_order=1:intercept_tls_get_addr=0:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

# Configures and builds the given targets, or everything. The build runs the
# picture generators and lists the tests of every test program; leaks of those
# short runs are not looked for (the tests themselves are checked when they run).
pv_sanitize_make()
{
  local launcher=() flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$pv_root" -B "$pv_sanitize_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined -fuse-ld=lld" \
    -DPV_BUILD_BENCH=OFF -DPV_BUILD_FUZZ=ON >/dev/null
  local targets=()
  (($#)) && targets=(--target "$@")
  ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0" cmake --build "$pv_sanitize_build" --parallel "${targets[@]}"
}

# LeakSanitizer's own thread-stopping tracer sometimes crashes at process exit
# while worker threads are ending ("Tracer caught signal 11"); that is no
# finding about the program. Prints the names of the tests in ctest's last log
# whose only failure was that crash.
pv_tracer_crashes()
{
  awk '/^[0-9]+\/[0-9]+ Testing: / { name = $3; other[name] = 0 }
       /LeakSanitizer has encountered a fatal error/ { tracer[name] = 1 }
       /runtime error:|ERROR: AddressSanitizer|ERROR: LeakSanitizer: detected|Failure$|FAILED  \]/ { other[name] = 1 }
       END { for (n in tracer) if (!other[n]) print n }' "$pv_sanitize_build/Testing/Temporary/LastTest.log" | sort
}
