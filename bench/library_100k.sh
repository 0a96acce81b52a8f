#!/usr/bin/env bash
# A library of 100,000 files: a tree of hard links to four small MP3 files (1,000 folders of 100)
# in a temporary folder, shared by tandril-cli logged in to devserver. Measures the first start
# (walk, inspection, shared.dat written, announced) and the second start (from shared.dat), each
# to "Sharing N files", and the client's resident memory (VmRSS once idle, VmHWM the peak).
#
#   bash bench/library_100k.sh [files]      (after: bash scripts/build.sh release tandril-cli devserver tandril-mp3 tandril-wma)
#
# Run it niced when others share the machine: nice -n 10 bash bench/library_100k.sh
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-100000}
per_folder=100
build=${TANDRIL_BUILD:-build/release}
cli=$build/src/cli/tandril-cli
for binary in "$cli" "$build/devserver/devserver"; do
  [ -x "$binary" ] || { echo "missing $binary: build it first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/tandril-100k.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Four encodings of a one-second tone; every file of the tree is a hard link to one of them.
for i in 0 1 2 3; do
  ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=$((440 + 110 * i)):duration=1" -ac 2 -ar 44100 "$work/tone.wav"
  lame --quiet -b $((96 + 32 * i)) "$work/tone.wav" "$work/tone$i.mp3"
done
rm -f "$work/tone.wav"
python3 - "$work" "$files" "$per_folder" <<'EOF'
import os, sys
work, files, per = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
for i in range(files):
    folder = os.path.join(work, "music", "Artist %04d" % (i // per))
    if i % per == 0:
        os.makedirs(folder)
    os.link(os.path.join(work, "tone%d.mp3" % (i % 4)), os.path.join(folder, "Track %03d.mp3" % (i % per)))
EOF

"$build/devserver/devserver" > "$work/devserver.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do grep -q redirector "$work/devserver.log" && break; sleep 0.1; done
redirector=$(sed -n 's/.*redirector on \([0-9.:]*\).*/\1/p' "$work/devserver.log")
[ -n "$redirector" ] || { cat "$work/devserver.log"; echo "devserver did not start" >&2; exit 1; }

status_kb() {  # pid, field
  sed -n "s/^$2:[[:space:]]*\([0-9]*\) kB/\1/p" "/proc/$1/status"
}
# The CPU seconds (user and system, all threads) a process has used: less swayed than the wall
# clock by other work on the machine.
cpu_seconds() {  # pid
  local fields
  read -r -a fields < <(sed 's/^.*) //' "/proc/$1/stat")
  echo "scale=2; (${fields[11]} + ${fields[12]}) / $(getconf CLK_TCK)" | bc
}

# One start of the client: the seconds to "Sharing N files", then VmRSS after a few idle seconds
# and VmHWM.
run() {  # label
  local log="$work/$1.log" start now pid cpu
  start=$(date +%s.%N)
  "$cli" --profile "$work/profile" --redirector "$redirector" --user=bench --password=bench --share="$work/music" \
    --save="$work/downloads" > "$log" 2>&1 &
  pid=$!
  pids+=("$pid")
  until grep -q "Sharing $files files" "$log"; do
    kill -0 "$pid" 2>/dev/null || { cat "$log"; echo "tandril-cli ended early" >&2; exit 1; }
    sleep 0.02
  done
  now=$(date +%s.%N)
  cpu=$(cpu_seconds "$pid")
  sleep 3
  printf '%-13s to "Sharing %d files": %6.2f s (CPU %5.2f s)   VmRSS idle: %4d MB   VmHWM: %4d MB\n' "$1" "$files" \
    "$(echo "$now - $start" | bc)" "$cpu" $(($(status_kb "$pid" VmRSS) / 1024)) $(($(status_kb "$pid" VmHWM) / 1024))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

echo "$files files in $((files / per_folder)) folders, $(nproc) cores"
run "first start"
run "second start"
