#!/usr/bin/env bash
# Times quorvel, find and fdfind on a stand-in for a file server: the
# 20,000-entry bench tree served by bench/delayfs.c, a FUSE pass-through that
# waits DELAY_US microseconds before answering each request. The share is
# mounted afresh before every timed run, so nothing is cached.
#
# Usage: bench/share.sh [DELAY_US] [QUORVEL]      (bench/run.sh --share runs it)
#   DELAY_US   the wait per request (default 500)
#   QUORVEL    the executable (default: build/linux/quorvel in the repo root)
# Environment: BENCH_DIR (default /tmp/quorvel-bench), REPS (default 5),
#   QUORVEL_EXE a Windows quorvel.exe to time under wine as well.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
delay=${1:-500}
quorvel=${2:-$root/build/linux/quorvel}
bench_dir=${BENCH_DIR:-/tmp/quorvel-bench}
tree_dir=$bench_dir/tree-20000
mount_dir=$bench_dir/share

[[ $delay =~ ^[0-9]+$ ]] || { echo "error: DELAY_US must be a whole number: $delay" >&2; exit 1; }
[[ -x $quorvel ]] || { echo "error: quorvel executable not found: $quorvel" >&2; exit 1; }
quorvel=$(realpath "$quorvel")

no_fuse() {
  echo "error: FUSE is not available here: $1" >&2
  echo "  (the share needs /dev/fuse, fusermount3 and libfuse3: apt-get install -y fuse3 libfuse3-dev)" >&2
  exit 1
}
[[ -c /dev/fuse ]] || no_fuse "no /dev/fuse"
if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
  bash "$root/scripts/install-packages.sh" fuse3 libfuse3-dev pkg-config gcc fd-find time >/dev/null
fi
command -v fusermount3 >/dev/null || no_fuse "no fusermount3"
pkg-config --exists fuse3 2>/dev/null || no_fuse "no libfuse3 development files"

mkdir -p "$bench_dir" "$mount_dir" "$bench_dir/out"
delayfs=$bench_dir/delayfs
if [[ ! -x $delayfs || $root/bench/delayfs.c -nt $delayfs ]]; then
  gcc -O2 -Wall -Wextra -o "$delayfs" "$root/bench/delayfs.c" $(pkg-config fuse3 --cflags --libs)
fi
if [[ ! -f $bench_dir/tree-20000-v1.complete ]]; then
  rm -rf "$tree_dir"
  python3 "$root/bench/make_tree.py" "$tree_dir" 20000 | tee "$bench_dir/tree-20000-v1.complete.tmp"
  mv "$bench_dir/tree-20000-v1.complete.tmp" "$bench_dir/tree-20000-v1.complete"
fi

# Whatever ends the run, the share is not left mounted.
unmount() { fusermount3 -uz "$mount_dir" 2>/dev/null || true; }
trap unmount EXIT
trap 'unmount; exit 130' INT TERM
unmount
"$delayfs" "$tree_dir" "$mount_dir" "$delay" -o ro,max_threads=64 ||
  no_fuse "mounting $mount_dir failed"
unmount

DELAYFS=$delayfs TREE=$tree_dir M=$mount_dir DELAY=$delay Q=$quorvel O=$bench_dir/out \
REPS=${REPS:-5} QEXE=${QUORVEL_EXE:-} python3 - <<'EOF'
import os, shutil, statistics, subprocess, sys, time

M, O, Q, QEXE = os.environ["M"], os.environ["O"], os.environ["Q"], os.environ["QEXE"]
reps, delay = int(os.environ["REPS"]), os.environ["DELAY"]

def mount():
    subprocess.run([os.environ["DELAYFS"], os.environ["TREE"], M, delay, "-o", "ro,max_threads=64"], check=True)

def unmount():
    subprocess.run(["fusermount3", "-u", M], check=True)

COLS = ["s", "t", "a", "f"]
cmds = [
    ("names only", "quorvel", [Q, "in", M + "/", "out", O + "/share-q.txt", "all"], None),
    ("names only", "find", ["find", M, "-fprint", O + "/share-find.txt"], None),
    ("all columns", "quorvel", [Q, "in", M + "/", "out", O + "/share-q.txt", "all"] + COLS, None),
    ("all columns", "find", ["find", M, "-fprintf", O + "/share-find.txt", "%s %T@ %p\n"], None),
]
if shutil.which("fdfind"):
    cmds.insert(2, ("names only", "fdfind", ["fdfind", "-u", ".", M], O + "/share-fd.txt"))
if QEXE:
    wm = "Z:" + M.replace("/", "\\") + "\\"
    wo = "Z:" + (O + "/share-w.txt").replace("/", "\\")
    cmds += [("names only", "wine", ["wine", QEXE, "in", wm, "out", wo, "all"], None),
             ("all columns", "wine", ["wine", QEXE, "in", wm, "out", wo, "all"] + COLS, None)]

walls = {(g, t): [] for g, t, _, _ in cmds}
try:
    for i in range(reps):
        for g, t, argv, stdout in cmds:
            mount()
            try:
                sink = open(stdout, "wb") if stdout else subprocess.DEVNULL
                start = time.perf_counter()
                p = subprocess.run(argv, stdout=sink, stderr=subprocess.PIPE)
                walls[g, t].append(time.perf_counter() - start)
                if stdout:
                    sink.close()
                if p.returncode != 0:
                    sys.exit(f"error: {' '.join(argv)} exited {p.returncode}\n{p.stderr.decode(errors='replace')}")
            finally:
                unmount()
        print(f"  share rep {i + 1}/{reps} done", file=sys.stderr)
except KeyboardInterrupt:
    sys.exit(130)

med = {k: statistics.median(v) for k, v in walls.items()}
print(f"\nshare ({delay} us a request, mounted afresh before each run), medians of {reps} runs (seconds)")
tools = [t for t in ("find", "fdfind") if any(k[1] == t for k in med)]
print(f"{'group':12} {'quorvel':>8} " + " ".join(f"{t:>8}" for t in tools) + " " +
      " ".join(f"{'q/' + t:>9}" for t in tools) + (f" {'wine':>8}" if QEXE else ""))
for g in ("names only", "all columns"):
    q = med[g, "quorvel"]
    cells = [f"{med[g, t]:8.3f}" if (g, t) in med else f"{'-':>8}" for t in tools]
    ratios = [f"{q / med[g, t]:9.2f}" if (g, t) in med else f"{'-':>9}" for t in tools]
    wine = f" {med[g, 'wine']:8.3f}" if QEXE else ""
    print(f"{g:12} {q:8.3f} " + " ".join(cells) + " " + " ".join(ratios) + wine)
targets = [("names only", "find", 0.15), ("names only", "fdfind", 0.5), ("all columns", "find", 0.1)]
print("targets:")
for g, t, limit in targets:
    if (g, t) in med:
        r = med[g, "quorvel"] / med[g, t]
        print(f"  share: {g} <= {limit} x {t}: {'holds' if r <= limit else 'MISSED'} ({r:.2f})")
EOF
