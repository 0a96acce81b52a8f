#!/usr/bin/env bash
# Builds Tandril, starts the local demo network (devserver: an index server and redirector on
# loopback) and runs the client against it. The demo profile starts with an earlier
# installation's account file, so the first start offers it; accept it and the terms, and the
# client logs in. Closing the client stops the demo network.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh release

profile=${TANDRIL_DEMO_PROFILE:-$PWD/build/demo-profile}
mkdir -p "$profile"
if [ ! -e "$profile/machine.reg" ] && [ ! -e "$profile/tandril.dat" ]; then
  printf 'demo\ndemo-password\n\n%s\n0\nInternal\n\n3\n3\n8\n0\n' "$profile/Downloads" > "$profile/tandril.dat"
fi

log=$(mktemp)
build/release/devserver/devserver --stats-seconds 10 > "$log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 50); do grep -q redirector "$log" && break; sleep 0.1; done
redirector=$(sed -n 's/.*redirector on \([0-9.:]*\).*/\1/p' "$log")
echo "demo network: $(cat "$log")"
build/release/src/gui/tandril --profile "$profile" --redirector "$redirector" "$@"
