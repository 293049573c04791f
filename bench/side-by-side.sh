#!/bin/sh
# arq beside the tools people use, on the same installer-like payload, each
# run as a whole process: medians of several runs, ratios, peak memory.
#   bench/side-by-side.sh [ARQ] [RUNS]   (ARQ default: build/default/tools/arq/arq)
# Installs Debian's zip, unzip and pigz when they are missing.
set -eu
ARQ=$(realpath "${1:-build/default/tools/arq/arq}")
RUNS=${2:-5}
THREADS=$(nproc)
for tool in zip unzip pigz; do
  command -v $tool >/dev/null || { apt-get install -y zip unzip pigz >/dev/null || sudo apt-get install -y zip unzip pigz; }
done
[ -x /usr/bin/time ] || apt-get install -y time >/dev/null

WORK=$(mktemp -d /tmp/arq-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# The payload (about 80 MB, the same bytes every time): prose-like text,
# random binaries and executable-like data (code-ish bytes with tables of
# strings), in folders of files of many sizes.
python3 - <<'EOF'
import os, random
r = random.Random(18)
words = ["".join(r.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(r.randint(2, 10))) for _ in range(800)]
def text(n):
    out, size = [], 0
    while size < n:
        w = words[int(r.random() ** 2 * 800)]
        out.append(w); size += len(w) + 1
    return (" ".join(out)[:n]).encode()
def noise(n): return r.randbytes(n)
def exe(n):
    ops = [r.randbytes(r.randint(1, 6)) for _ in range(300)]
    out = bytearray()
    while len(out) < n:
        out += ops[int(r.random() ** 3 * 300)] if r.random() < 0.9 else text(40)
    return bytes(out[:n])
plan = [("docs", text, 30, 600000), ("bin", exe, 40, 700000), ("media", noise, 12, 1500000), ("small", text, 300, 6000)]
for folder, make, count, size in plan:
    os.makedirs("payload/" + folder, exist_ok=True)
    for i in range(count):
        n = int(size * (0.3 + 1.4 * r.random()))
        open("payload/%s/f%03d.dat" % (folder, i), "wb").write(make(n))
EOF
tar cf payload.tar payload
BYTES=$(du -sb payload | cut -f1)

# The reference of extraction: the same 64 KiB blocks inflated with zlib and
# written to plain files, nothing else.
python3 - <<'EOF'
import os, zlib, pickle
blocks = []
for root, _, files in os.walk("payload"):
    for f in sorted(files):
        data = open(os.path.join(root, f), "rb").read()
        blocks.append((os.path.join(root, f), [zlib.compress(data[i:i + 65536], 6) for i in range(0, len(data), 65536)]))
pickle.dump(blocks, open("blocks.pickle", "wb"))
EOF
cat > inflate.py <<'EOF'
import os, pickle, time, zlib
blocks = pickle.load(open("blocks.pickle", "rb"))
start = time.perf_counter()
for path, parts in blocks:
    target = "ref/" + path
    os.makedirs(os.path.dirname(target), exist_ok=True)
    with open(target, "wb") as f:
        for part in parts: f.write(zlib.decompress(part))
print(time.perf_counter() - start)
EOF

# measure NAME CLEANUP VAR COMMAND: median seconds (into T_VAR) and peak KiB over $RUNS runs;
# $AFTER, when set, runs after each of them, untimed.
measure() {
  name=$1 before=$2 var=$3; shift 3
  : > times
  for i in $(seq "$RUNS"); do
    sh -c "$before"
    # The wall time to the millisecond (time's own has ten), the peak from time.
    start=$(date +%s%N)
    /usr/bin/time -f "%M" -o one sh -c "$*" >/dev/null 2>&1
    end=$(date +%s%N)
    ms=$(( (end - start) / 1000000 ))
    printf '%d.%03d %s\n' $((ms / 1000)) $((ms % 1000)) "$(cat one)" >> times
    [ -z "${AFTER:-}" ] || sh -c "$AFTER"
  done
  median=$(cut -d' ' -f1 times | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  peak=$(cut -d' ' -f2 times | sort -n | tail -1)
  printf '%-22s %7.3f s  %7d KiB\n' "$name" "$median" "$peak"
  eval "T_$var=\$median"
}

echo "payload: $BYTES bytes; $THREADS processors; runs: $RUNS; $(uptime)"
measure "arq c -j1" "rm -f a.arq" c1 "$ARQ c a.arq payload -j 1"
measure "arq c -j$THREADS" "rm -f a.arq" cN "$ARQ c a.arq payload -j $THREADS"
measure "zip -6 -r" "rm -f a.zip" zip "zip -q -6 -r a.zip payload"
measure "pigz -6 -p $THREADS" "rm -f payload.tar.gz" pigz "pigz -6 -p $THREADS -k payload.tar"
measure "arq x -j1" "rm -rf x" x1 "$ARQ x a.arq -d x -j 1 --overwrite"
# The reference runs in turn with arq x, so that both meet the machine as it is.
: > reftimes
AFTER="rm -rf ref; python3 inflate.py >> reftimes"
measure "arq x -j$THREADS" "rm -rf x" xN "$ARQ x a.arq -d x -j $THREADS --overwrite"
AFTER=
measure "unzip" "rm -rf u" unzip "unzip -q a.zip -d u"
measure "arq t -j$THREADS" "true" t "$ARQ t a.arq -j $THREADS"
measure "unzip -t" "true" unzipt "unzip -tq a.zip"
T_ref=$(sort -n reftimes | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
printf '%-22s %7.3f s\n' "zlib + writes (ref)" "$T_ref"
echo "sizes: arq $(stat -c %s a.arq), zip $(stat -c %s a.zip), tar.gz $(stat -c %s payload.tar.gz)"
awk -v c1="$T_c1" -v cN="$T_cN" -v zip="$T_zip" -v pigz="$T_pigz" -v x1="$T_x1" -v xN="$T_xN" -v unzip="$T_unzip" \
    -v t="$T_t" -v ut="$T_unzipt" -v ref="$T_ref" -v n="$THREADS" 'BEGIN {
  printf "arq c -j1 / zip -6:          %.2f (target at most 0.90)\n", c1 / zip
  printf "arq c -j%d / pigz -6 -p %d:    %.2f (target at most 1.00)\n", n, n, cN / pigz
  printf "unzip / arq x -j%d:           %.2f (target at least 2.50)\n", n, unzip / xN
  printf "arq x -j%d / (ref / %d):       %.2f (target at most 1.25)\n", n, n, xN / (ref / n)
  printf "arq x -j1 / arq x -j%d:       %.2f\n", n, x1 / xN
  printf "unzip -t / arq t -j%d:        %.2f\n", n, ut / t
}'
echo "$(uptime)"
