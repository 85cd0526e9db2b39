#!/usr/bin/env bash
# Benchmark a command-line run on a three-entry tree: the program with its
# dialog module against the same source built without any dialog. The dialog
# module is loaded only when the dialog opens, so the two should be close.
#
# Usage: bench/startup.sh [QUORVEL [QUORVEL_WITHOUT_DIALOG]]
#   QUORVEL                 the program (default: build/linux/quorvel)
#   QUORVEL_WITHOUT_DIALOG  a build without the dialog (default: built here
#                           from this source into $BENCH_DIR/build-nodialog)
# Environment: BENCH_DIR (default /tmp/quorvel-bench), RUNS (default 300).
# Uses hyperfine when it is installed, else a loop of its own.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench_dir=${BENCH_DIR:-/tmp/quorvel-bench}
runs=${RUNS:-300}
with=${1:-$root/build/linux/quorvel}
without=${2:-}

if [[ ! -x $with ]]; then
  echo "error: quorvel executable not found: $with (build it or pass its path)" >&2
  exit 1
fi
with=$(realpath "$with")
if [[ -z $without ]]; then
  build=$bench_dir/build-nodialog
  echo "building the program without the dialog in $build ..." >&2
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORVEL_GUI=OFF -DQUORVEL_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 >/dev/null
  without=$build/quorvel
fi
without=$(realpath "$without")

tree=$bench_dir/three
rm -rf "$tree" && mkdir -p "$tree/sub"
: >"$tree/a.txt"
: >"$tree/sub/b.txt"
out=$bench_dir/three-out
mkdir -p "$out"

if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 30 --runs "$runs" --export-json "$out/startup.json" \
    -n "with dialog module" "$with in $tree/ out $out/with.txt" \
    -n "without dialog" "$without in $tree/ out $out/without.txt" >&2
  JSON=$out/startup.json python3 - <<'EOF2'
import json, os
r = {x["command"]: x["median"] for x in json.load(open(os.environ["JSON"]))["results"]}
w, n = r["with dialog module"], r["without dialog"]
print(f"medians (hyperfine): with dialog module {w * 1000:.2f} ms, without dialog {n * 1000:.2f} ms")
print(f"ratio {w / n:.2f}; target <= 1.3: {'holds' if w <= 1.3 * n else 'MISSED'}")
EOF2
else
  WITH=$with WITHOUT=$without TREE=$tree OUT=$out RUNS=$runs python3 - <<'EOF2'
import os, statistics, time

def once(program, out):
    argv = [program, "in", os.environ["TREE"] + "/", "out", out]
    t = time.perf_counter()
    pid = os.posix_spawn(program, argv, os.environ)
    _, status = os.waitpid(pid, 0)
    wall = time.perf_counter() - t
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"error: {' '.join(argv)} failed")
    return wall

out = os.environ["OUT"]
programs = {"with dialog module": os.environ["WITH"], "without dialog": os.environ["WITHOUT"]}
times = {name: [] for name in programs}
for name, program in programs.items():  # warm the page cache
    for _ in range(30):
        once(program, f"{out}/{name}.txt")
for _ in range(int(os.environ["RUNS"])):  # alternate, so that load drifts hit both alike
    for name, program in programs.items():
        times[name].append(once(program, f"{out}/{name}.txt"))
w, n = (statistics.median(times[k]) for k in programs)
print(f"medians (posix_spawn loop): with dialog module {w * 1000:.2f} ms, without dialog {n * 1000:.2f} ms")
print(f"ratio {w / n:.2f}; target <= 1.3: {'holds' if w <= 1.3 * n else 'MISSED'}")
EOF2
fi
