#!/usr/bin/env bash
# Speed of the settings-file cipher against OpenSSL, and the memory of
# `varnolt-brand encrypt`. Expects $BUILD (relative to the repository root)
# to hold bench_crypto and varnolt-brand.
#
# OpenSSL reads OPENSSL_ia32cap once, when it starts, so the masks are set
# here for each run. The first word masks CPUID.1 (EDX in bits 0-31, ECX in
# bits 32-63): AES-NI is ECX bit 25 (1<<57 = 0x200000000000000), SSSE3 is ECX
# bit 9 (1<<41 = 0x20000000000); with both off OpenSSL falls back to its
# table-driven AES (no vector-permute AES, no bit-sliced AES). The word after
# ":" masks CPUID.7 EBX: the SHA extensions are bit 29 (0x20000000).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${BUILD:-build}"
BENCH="$BUILD/bench_crypto"
TOOL="$BUILD/varnolt-brand"
MASK_TABLES="~0x200020000000000:~0x20000000"  # AES-NI, SSSE3 and SHA extensions off
MASK_SHA_ONLY=":~0x20000000"                  # only the SHA extensions off

for c in python3 /usr/bin/time openssl; do
  command -v "$c" >/dev/null || {
    echo "bench/crypto.sh needs $c (Debian packages python3, time, openssl)" >&2
    exit 1
  }
done
for f in "$BENCH" "$TOOL"; do
  [ -x "$f" ] || { echo "missing $f (build bench_crypto and varnolt-brand first)" >&2; exit 1; }
done

# Work files on a memory file system when there is one, so that the disk does
# not decide the file timings.
base="${TMPDIR:-/tmp}"
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
tmp=$(mktemp -d "$base/varnolt-crypto-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

echo "-- bench_crypto, OPENSSL_ia32cap=$MASK_TABLES"
OPENSSL_ia32cap="$MASK_TABLES" "$BENCH" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$tmp/tables.json" --benchmark_out_format=json
echo "-- bench_crypto (SHA-1 and PBKDF2), OPENSSL_ia32cap=$MASK_SHA_ONLY"
OPENSSL_ia32cap="$MASK_SHA_ONLY" "$BENCH" --benchmark_filter='Sha1|Pbkdf2' \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_out="$tmp/sha.json" --benchmark_out_format=json

# 64 MiB through the command-line tool against the OpenSSL command line doing
# the same work: AES-128-CTR over the bytes, then HMAC-SHA1 over the result.
head -c $((64 << 20)) /dev/urandom >"$tmp/big.bin"
head -c $((1 << 20)) "$tmp/big.bin" >"$tmp/small.bin"
key=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')
mackey=$(head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n')
iv=01000000000000000000000000000000
openssl_job() {
  openssl enc -aes-128-ctr -K "$key" -iv "$iv" -in "$1" -out "$tmp/ct.bin" &&
    openssl dgst -sha1 -mac HMAC -macopt "hexkey:$mackey" "$tmp/ct.bin" >/dev/null
}
export -f openssl_job
export key mackey iv tmp
measure() {  # prints "wall cpu maxrss_kib" of the best of three runs (by CPU time)
  local best=""
  for _ in 1 2 3; do
    local line
    line=$(/usr/bin/time -f "%e %U %S %M" "$@" 2>&1 >/dev/null | tail -1)
    local cpu
    cpu=$(awk '{printf "%.3f", $2 + $3}' <<<"$line")
    local entry
    entry=$(awk -v c="$cpu" '{print $1, c, $4}' <<<"$line")
    if [ -z "$best" ] || awk -v a="$cpu" -v b="${best#* }" 'BEGIN{exit !(a < b+0)}'; then
      best="$entry"
    fi
  done
  echo "$best"
}
tool_big=$(measure "$TOOL" encrypt "$tmp/big.bin" "$tmp/out.dat")
"$TOOL" verify "$tmp/out.dat"
tool_small=$(measure "$TOOL" encrypt "$tmp/small.bin" "$tmp/out-small.dat")
ossl_big=$(OPENSSL_ia32cap="$MASK_TABLES" measure bash -c 'openssl_job "$tmp/big.bin"')

python3 - "$tmp/tables.json" "$tmp/sha.json" "$tool_big" "$tool_small" "$ossl_big" <<'EOF'
import json, sys

def medians(path):
    out = {}
    for b in json.load(open(path))["benchmarks"]:
        if b.get("aggregate_name") == "median":
            out[b["run_name"].split("/")[0]] = b
    return out

tables, sha = medians(sys.argv[1]), medians(sys.argv[2])
tool_big, tool_small, ossl_big = (s.split() for s in sys.argv[3:6])

def ratio(runs, name):
    v, o = runs["BM_%s_Varnolt" % name], runs["BM_%s_OpenSSL" % name]
    return o["cpu_time"] / v["cpu_time"], o["real_time"] / v["real_time"]

print()
print("Ratios (median of 3; speed ratio = OpenSSL time / Varnolt time; CPU time, wall in brackets)")
rows = [
    ("AES-128 block encryption, table-driven OpenSSL", tables, "Aes128Blocks", ">= 0.80"),
    ("SHA-1, OpenSSL without SHA ext. and SSSE3/AVX", tables, "Sha1", ">= 0.60"),
    ("SHA-1, OpenSSL without SHA ext. (AVX2 code)", sha, "Sha1", ">= 0.60"),
    ("64 MiB encrypt path, in process", tables, "EncryptStream64MiB", ">= 0.70"),
]
for label, runs, name, goal in rows:
    c, w = ratio(runs, name)
    print("  %-50s speed %.2f (%.2f)   goal %s" % (label, c, w, goal))
for label, runs in (("PBKDF2 1000 it. 34 B, OpenSSL tables", tables),
                    ("PBKDF2 1000 it. 34 B, OpenSSL AVX2 SHA-1", sha)):
    v, o = runs["BM_Pbkdf2_Varnolt"], runs["BM_Pbkdf2_OpenSSL"]
    print("  %-50s time  %.2f (%.2f)   goal <= 1.25   (%.0f us vs %.0f us)" % (
        label, v["cpu_time"] / o["cpu_time"], v["real_time"] / o["real_time"],
        v["cpu_time"], o["cpu_time"]))
tw, tc, tm = map(float, tool_big)
ow, oc, om = map(float, ossl_big)
print("  %-50s speed %.2f (%.2f)   goal >= 0.70" % (
    "64 MiB: varnolt-brand encrypt vs openssl enc+dgst", oc / tc, ow / tw))
print("     varnolt-brand %.2f s CPU, %.2f s wall; openssl %.2f s CPU, %.2f s wall" % (tc, tw, oc, ow))
print("  varnolt-brand encrypt max RSS: 64 MiB file %d KiB, 1 MiB file %d KiB (growth %d KiB)" % (
    tm, float(tool_small[2]), tm - float(tool_small[2])))
EOF
