#!/usr/bin/env bash
# Installs the release build into a staging folder and builds the Debian package, then runs the
# installed tandril-cli from both (the staging folder and the package's files unpacked) against a
# devserver: it must find its plug-ins where they were installed, share a file and log in.
# Needs the release build (scripts/build.sh release).
set -euo pipefail
cd "$(dirname "$0")/.."
unset TANDRIL_PLUGIN_DIR
build=build/release
work=$(mktemp -d)
pids=()
cleanup() { kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

cmake --install "$build" --prefix "$work/staged/usr" >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls -t "$build"/tandril_*.deb | head -n 1)
echo "package: $(basename "$package")"
dpkg-deb --field "$package" Depends
dpkg-deb -x "$package" "$work/unpacked"
for tree in staged unpacked; do
  for file in usr/bin/tandril usr/bin/tandril-cli usr/share/applications/tandril.desktop usr/share/applications/tandril-tdl.desktop \
              usr/share/icons/hicolor/scalable/apps/tandril.svg; do
    [ -e "$work/$tree/$file" ] || { echo "$tree: $file is missing" >&2; exit 1; }
  done
done

mkdir -p "$work/music"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=2" -ac 2 -ar 44100 "$work/tone.wav"
lame --quiet -b 128 "$work/tone.wav" "$work/music/Installed Tone.mp3"
"$build/devserver/devserver" > "$work/devserver.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q redirector "$work/devserver.log" && break; sleep 0.1; done
redirector=$(sed -n 's/.*redirector on \([0-9.:]*\).*/\1/p' "$work/devserver.log")

for tree in staged unpacked; do
  profile="$work/$tree-profile"
  "$work/$tree/usr/bin/tandril-cli" --profile "$profile" --redirector "$redirector" --user="$tree" --password=pw \
    --share="$work/music" --save="$work/$tree-downloads" --exit-after-startup > "$work/$tree.log" 2>&1 ||
    { cat "$work/$tree.log"; echo "$tree: tandril-cli failed" >&2; exit 1; }
  grep -q "Sharing 1 files" "$work/$tree.log" || { cat "$work/$tree.log"; echo "$tree: the file was not shared" >&2; exit 1; }
  # The file types point at the installed plug-ins, not at the build's.
  grep -q "$work/$tree/usr/lib" "$profile/machine.reg" "$profile/user.reg" 2>/dev/null ||
    { echo "$tree: the plug-ins were not taken from the installed folder" >&2; exit 1; }
  echo "$tree: $(grep -m1 'Sharing 1 files' "$work/$tree.log")"
done
