#!/usr/bin/env bash
# Fuzzes each harness of tests/fuzz (argument parser, wildcard matcher, code
# page 932 conversions, entry line formatter, Exec line parser) for SECONDS
# (default 60) with AFL++, the harnesses built with afl-g++ (GCC, which the
# code page 932 literals need) under AddressSanitizer and
# UndefinedBehaviorSanitizer. Each harness starts from its saved inputs in
# tests/fuzz/corpus/; what it finds is in build/fuzz/findings/. Ends with
# status 1 when a harness crashed; a hang is listed but, on a machine shared
# with other work, may be only a slow run, and does not fail.
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-60}

bash scripts/install-packages.sh afl++ cmake ninja-build g++ libgtest-dev
harnesses=(wildcard cp932 exec_line entry command_line)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

# A container has no core pattern or CPU governor to set; the harnesses'
# sanitizers abort, which afl-fuzz counts as a crash.
export AFL_SKIP_CPUFREQ=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1 AFL_NO_UI=1 AFL_NO_AFFINITY=1
export ASAN_OPTIONS=abort_on_error=1:symbolize=0:detect_leaks=0
export UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1
failed=0
for harness in "${harnesses[@]}"; do
  out=build/fuzz/findings/$harness
  rm -rf "$out"
  mkdir -p build/fuzz/findings
  afl-fuzz -V "$seconds" -m none -t 2000 -i "tests/fuzz/corpus/$harness" -o "$out" \
    -- "build/fuzz/tests/quorvel_fuzz_$harness" >"$out.log" 2>&1 || true
  stats=$out/default/fuzzer_stats
  if [[ ! -f $stats ]]; then
    echo "$harness: afl-fuzz did not run (see $out.log)"
    failed=1
    continue
  fi
  execs=$(awk -F: '/^execs_done/ {gsub(/ /, "", $2); print $2}' "$stats")
  paths=$(awk -F: '/^corpus_count/ {gsub(/ /, "", $2); print $2}' "$stats")
  crashes=$(find "$out/default/crashes" -type f -name 'id:*' | wc -l)
  hangs=$(find "$out/default/hangs" -type f -name 'id:*' | wc -l)
  echo "$harness: $execs runs, $paths inputs in the queue, $crashes crashes, $hangs hangs"
  find "$out/default/crashes" "$out/default/hangs" -type f -name 'id:*' | sed 's/^/  /'
  ((crashes == 0)) || failed=1
done
exit $failed
