#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: the normal build, then the
# same suite under AddressSanitizer with UndefinedBehaviorSanitizer, the headless suites under
# ThreadSanitizer, then a short run of every fuzz target. Stops at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}

# The proxy tests run a real SOCKS server; its user-and-password method checks system accounts,
# so a throwaway account is made for them.
if [ "$(id -u)" -eq 0 ]; then
  id tandril-socks >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin tandril-socks
  echo 'tandril-socks:socks-test-pw' | chpasswd
fi

echo "== house style"
# The tree follows .clang-format; a file that does not is reported and the run stops here.
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== build and test"
bash scripts/build.sh release
ctest --test-dir build/release -j2 --output-on-failure

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
bash scripts/build.sh asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build/asan -j2 --output-on-failure

echo "== ThreadSanitizer (headless suites)"
bash scripts/build.sh tsan
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan -j2 --output-on-failure

echo "== fuzz targets (a short run each)"
bash scripts/build.sh fuzz
for target in $(find build/fuzz/tests/fuzz -maxdepth 1 -type f -executable -name 'fuzz_*' | sort); do
  corpus=$(mktemp -d)
  # Seeded from the corpus the long runs keep (scripts/fuzz_long.sh); the copy keeps CI's finds out of it.
  seed="tests/fuzz/corpus/$(basename "$target")"
  if [ -d "$seed" ]; then cp -r "$seed/." "$corpus/"; fi
  log=$(mktemp)
  if ! "$target" -max_total_time="${FUZZ_SECONDS:-15}" -max_len=4096 "$corpus" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$(basename "$target"): FAILED" >&2
    exit 1
  fi
  echo "$(basename "$target"): $(tail -n 1 "$log")"
  rm -rf "$corpus" "$log"
done
echo "all tests passed"
