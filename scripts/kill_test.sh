#!/usr/bin/env bash
# The kill test at length, kept out of CI: the client killed at 200 random moments (CI kills it 8
# times). Needs the release build (scripts/build.sh release).
#   scripts/kill_test.sh [KILLS]
set -euo pipefail
cd "$(dirname "$0")/.."
TANDRIL_KILLS=${1:-200} QT_QPA_PLATFORM=offscreen build/release/tests/integration_tests --gtest_filter='Kill.*'
