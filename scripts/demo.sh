#!/usr/bin/env bash
# Builds Tandril and starts the local demo network: devserver (an index server and redirector on
# loopback), three command-line users who share a few small generated MP3 files (one of them
# firewalled), and then the desktop client. The demo profile starts with an earlier installation's
# account file, so the first start offers it; accept it and the terms, and the client logs in.
# Search for "nova", "tide" or "harbour" and double-click a result to download it.
# Without a display the same network is shown with tandril-cli in the terminal instead.
# Closing the client stops the demo network.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Only what the demo runs: the client, tandril-cli, devserver and the plug-ins.
bash scripts/build.sh release tandril tandril-cli devserver tandril-mp3 tandril-wma

demo=${TANDRIL_DEMO_DIR:-$PWD/build/demo}
profile=${TANDRIL_DEMO_PROFILE:-$PWD/build/demo-profile}

free_port() {  # a port from the upper range that nothing on this machine listens on
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}
# The earlier installation's account file (with a data port, so that downloads from firewalled users
# work) goes into the demo profile once, on the first run: a profile removed afterwards starts
# with the wizard.
if [ ! -e "$demo/earlier-account-offered" ]; then
  mkdir -p "$profile"
  printf 'demo\ndemo-password\n\n%s\n%s\nInternal\n\n3\n3\n8\n0\n' "$profile/Downloads" "$(free_port)" > "$profile/tandril.dat"
  mkdir -p "$demo" && touch "$demo/earlier-account-offered"
fi
mkdir -p "$profile" "$demo"

# Small MP3 files (a few seconds of tones), made once.
make_song() {  # folder, name, frequency
  local file="$demo/$1/$2.mp3"
  [ -e "$file" ] && return
  mkdir -p "$demo/$1"
  ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=$3:duration=4" -ac 2 -ar 44100 "$demo/tone.wav"
  lame --quiet -b 128 "$demo/tone.wav" "$file"
}
make_song kim-music "Nova Drift - Harbour Lights" 440
make_song kim-music "Nova Drift - Low Tide" 494
make_song lou-music "Quiet Hours - Paper Boats" 523
make_song lou-music "Nova Drift - Harbour Lights (live)" 587
make_song sam-music "Ember and Oak - Kindling" 659
make_song sam-music "Quiet Hours - Night Bus" 698
rm -f "$demo/tone.wav"

pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; }
trap cleanup EXIT

build/release/devserver/devserver --stats-seconds 10 > "$demo/devserver.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q redirector "$demo/devserver.log" && break; sleep 0.1; done
redirector=$(sed -n 's/.*redirector on \([0-9.:]*\).*/\1/p' "$demo/devserver.log")
echo "demo network: $(cat "$demo/devserver.log")"

cli=build/release/src/cli/tandril-cli
start_user() {  # name, line speed, data port (0: firewalled)
  "$cli" --profile "$demo/$1-profile" --redirector "$redirector" --user="$1" --password=demo --line-speed="$2" \
    --data-port="$3" --share="$demo/$1-music" --save="$demo/$1-downloads" > "$demo/$1.log" 2>&1 &
  pids+=($!)
}
start_user kim 8 "$(free_port)"
start_user lou 4 "$(free_port)"
start_user sam 10 0
for user in kim lou sam; do
  for _ in $(seq 100); do grep -q "Sharing [1-9]" "$demo/$user.log" && break; sleep 0.1; done
  echo "$user: $(grep -m1 'Online' "$demo/$user.log" || echo 'not online yet')"
done

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  # No display: a fourth user searches and downloads in the terminal.
  echo
  echo "No display: the same slice in the terminal (tandril-cli searches \"nova\" and downloads result 1,"
  echo "and sends kim a private message, which kim's tandril-cli prints)."
  "$cli" --profile "$demo/you-profile" --redirector "$redirector" --user=you --password=demo --data-port="$(free_port)" \
    --save="$demo/you-downloads" --search=nova --download=1 --message="kim:thanks for sharing!"
  code=$?
  for _ in $(seq 50); do grep -q "Instant Message" "$demo/kim.log" && break; sleep 0.1; done
  echo "kim received: $(grep -m1 'Instant Message' "$demo/kim.log" || echo 'nothing')"
  exit $code
fi
build/release/src/gui/tandril --profile "$profile" --redirector "$redirector" "$@"
