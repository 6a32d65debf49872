#!/usr/bin/env bash
# Sets up the machine, builds both architectures, then runs the unit tests (GoogleTest under
# wine64, through ctest) and the end-to-end tests (pytest on tests/e2e). Non-zero if anything fails.
#   scripts/test.sh [cmake args, e.g. -DQARVELO_LOGIN_URL=...]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# A prefix of its own, so that a launcher left open by scripts/run.sh cannot take the tests'
# system-wide hot keys or tray icon.
export QARVELO_WINEPREFIX="${QARVELO_WINEPREFIX:-$HOME/.qarvelo-wine-test}"

bash scripts/setup.sh
bash scripts/build.sh "$@"
source scripts/env.sh
trap qarvelo_cleanup EXIT

failed=()
ctest --test-dir build/x86_64 --output-on-failure </dev/null || failed+=(ctest)
# The e2e fixtures start the demo operator server themselves, one per test, with its own log.
/usr/bin/python3 -m pytest -q tests/e2e </dev/null || failed+=(pytest)

if ((${#failed[@]})); then
  echo "test: FAILED: ${failed[*]}" >&2
  exit 1
fi
