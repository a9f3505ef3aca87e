#!/bin/sh
# Kills settings writes at random moments and counts what is lost or left.
# Usage: bench/kill_writes.sh BUILD_DIR [KILLS] [PLAIN_BYTES]
# Each round starts `varnolt-brand encrypt` over a settings file, kills it
# with SIGKILL after a random delay, then checks that the settings file still
# decrypts and counts the temporaries left beside it.
set -u
build=${1:?usage: kill_writes.sh BUILD_DIR [KILLS] [PLAIN_BYTES]}
kills=${2:-1000}
bytes=${3:-4000000}
tool="$build/varnolt-brand"
work=$(mktemp -d /tmp/varnolt-kill-XXXXXX)
trap 'rm -rf "$work"' EXIT
head -c "$bytes" /dev/urandom | od -An -x | tr -d ' \n' | head -c "$bytes" >"$work/plain.sim"
"$tool" encrypt "$work/plain.sim" "$work/dbsettings.dat" || exit 1
start=$(date +%s%N)
"$tool" encrypt "$work/plain.sim" "$work/dbsettings.dat"
took=$(( ($(date +%s%N) - start) / 1000 ))
echo "one write: ${took} us"
losses=0 leftAfterKill=0 killedMidWrite=0
i=0
while [ "$i" -lt "$kills" ]; do
    "$tool" encrypt "$work/plain.sim" "$work/dbsettings.dat" &
    pid=$!
    # A random moment within about 1.5 times the length of one write.
    delay=$(awk -v max="$took" -v seed="$i$$" 'BEGIN { srand(seed); printf "%.6f", rand() * max * 1.5 / 1e6 }')
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    [ $? -eq 137 ] && killedMidWrite=$((killedMidWrite + 1))
    "$tool" verify "$work/dbsettings.dat" || losses=$((losses + 1))
    n=$(find "$work" -maxdepth 1 -name '.dbsettings.dat.*' | wc -l)
    leftAfterKill=$((leftAfterKill + n))
    i=$((i + 1))
done
"$tool" encrypt "$work/plain.sim" "$work/dbsettings.dat"
leftAtEnd=$(find "$work" -maxdepth 1 -name '.dbsettings.dat.*' | wc -l)
echo "kills: $kills (of them ended by the signal: $killedMidWrite)"
echo "losses (settings file no longer decrypts): $losses"
echo "temporaries seen right after a kill, summed over all rounds: $leftAfterKill"
echo "temporaries left after the next write: $leftAtEnd"
