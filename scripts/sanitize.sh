# Sourced by scripts/test --sanitize and scripts/fuzz: the one instrumented
# build (clang, AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's
# coverage hooks) that serves both the sanitizer suite and the fuzz targets,
# and the sanitizer settings every run of it uses.
# Expects $root; sets $sanitize_build.

sanitize_build="${ZIDE_SANITIZE_DIR:-$root/build-sanitize}"

# Configures and builds the instrumented folder; arguments are build targets
# (none: everything).
sanitize_make() {
  "$root/scripts/setup-deps" --checks
  # Light optimisation and line tables only: the build is most of a CI run's
  # time, and reports need file and line, not variables.
  local launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$root" -B "$sanitize_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" "${launcher[@]}" \
    -DCMAKE_CXX_COMPILER=clang++ -DZIDE_FUZZ=ON >/dev/null
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  cmake --build "$sanitize_build" --parallel "$(nproc)" "${targets[@]}"
}

# Any report ends the program with a failure; leaks count, except those the
# suppression file puts down to system libraries. With a folder argument the
# reports also go to files there, so a report from a process whose standard
# error nobody reads (a tool the IDE runs) is not lost.
sanitize_env() {
  local logs="${1:-}"
  local asan="halt_on_error=1:detect_leaks=1:abort_on_error=0:allocator_may_return_null=0"
  local ubsan="halt_on_error=1:print_stacktrace=1"
  if [ -n "$logs" ]; then
    # One prefix for both: the two share the setting inside a program.
    asan+=":log_path=$logs/report"
    ubsan+=":log_path=$logs/report"
  fi
  export ASAN_OPTIONS="$asan"
  export UBSAN_OPTIONS="$ubsan"
  export LSAN_OPTIONS="suppressions=$root/tests/fuzz/leaks.supp:print_suppressions=0"
  if ! command -v llvm-symbolizer >/dev/null && [ -x /usr/bin/llvm-symbolizer-14 ]; then
    export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
  fi
  export QT_QPA_PLATFORM=offscreen
}
