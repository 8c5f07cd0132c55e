#!/usr/bin/env bash
# Builds every preset and runs every test: unit tests (native), bounded fuzzing (fuzz),
# package inspection (win32), the end-to-end suites on the product (win32, run by wine's
# 32-bit loader under WoW64) and a silent-install smoke run of its 64-bit sibling (win64)
# under wine64. On a machine that executes no 32-bit code the end-to-end suites run the
# 64-bit build instead, said at the start and in the summary. Ends with one
# "N passed, N failed" line.
# SORVANE_E2E_WITHOUT_32BIT=1 takes this machine for one without 32-bit code; TEST_LOGS
# names the folder of the suites' logs (build/logs), E2E_OUT that of the wine runs.
set -uo pipefail
cd "$(dirname "$0")/.."
T0=$SECONDS
bash scripts/prepare_machine.sh || { echo "0 passed, 1 failed"; exit 1; }
# shellcheck source=scripts/code32.sh
source scripts/code32.sh

# The end-to-end suites run the product where this machine runs 32-bit code.
if [ "${SORVANE_E2E_WITHOUT_32BIT:-0}" != 1 ] && code32_runs; then
  e2e=win32
  e2e_note="the product, build/win32, 32-bit under WoW64 (32-bit code runs here $(code32_how))"
  echo "End-to-end: $e2e_note."
else
  e2e=win64
  why="this machine runs no 32-bit code"
  [ "${SORVANE_E2E_WITHOUT_32BIT:-0}" = 1 ] && why="SORVANE_E2E_WITHOUT_32BIT=1"
  e2e_note="build/win64, the 64-bit sibling, NOT the product ($why)"
  echo "!!!!! WARNING: $why: the end-to-end suites run build/win64, the 64-bit sibling, NOT the 32-bit product !!!!!"
fi

TEST_LOGS=${TEST_LOGS:-build/logs}
export TEST_LOGS
mkdir -p "$TEST_LOGS"
passed=0
failed=0
declare -A broken=()

# Runs one suite, shows its output and adds its "N passed, N failed" line to the tally;
# a suite that gives no such line counts as one check, by its exit code.
suite() {
  local name=$1; shift
  local log=$TEST_LOGS/$name.log
  echo "=== $name"
  "$@" >"$log" 2>&1
  local rc=$?
  cat "$log"
  local line
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -1)
  if [ -n "$line" ]; then
    local p f
    p=$(sed -E 's/^([0-9]+) passed.*/\1/' <<<"$line")
    f=$(sed -E 's/^[0-9]+ passed, ([0-9]+) failed.*/\1/' <<<"$line")
    [ "$rc" -ne 0 ] && [ "$f" -eq 0 ] && f=1
    passed=$((passed + p)); failed=$((failed + f))
  elif [ "$rc" -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
  [ "$rc" -eq 0 ] || broken[$name]=1
  return "$rc"
}

build() { cmake --preset "$1" && cmake --build --preset "$1"; }

for preset in native fuzz win32 win64; do suite "build-$preset" build "$preset"; done

if [ -z "${broken[build-native]:-}" ]; then
  suite unit bash -c 'ctest --preset native 2>&1 | tee "$TEST_LOGS/unit.ctest"
    rc=${PIPESTATUS[0]}
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$TEST_LOGS/unit.ctest" | tail -1)
    total=$(sed -E "s/.*out of ([0-9]+).*/\1/" <<<"$line")
    bad=$(sed -E "s/.* ([0-9]+) tests? failed.*/\1/" <<<"$line")
    [ -n "$line" ] && echo "$((total - bad)) passed, $bad failed"
    exit $rc'
fi
[ -z "${broken[build-fuzz]:-}" ] && suite fuzz bash tests/fuzz/run_fuzz.sh
if [ -z "${broken[build-win32]:-}" ]; then
  suite package /usr/bin/python3 tests/package/check_package.py build/win32/app/sorvane_setup.exe
  suite reproducible bash tests/package/check_reproducible.sh
  suite signing bash tests/package/check_signing.sh
fi
if [ -z "${broken[build-$e2e]:-}" ]; then
  # Every suite of scenarios, tests/e2e/<subject>_e2e.sh, given the build folder.
  for script in tests/e2e/*_e2e.sh; do
    name=$(basename "$script" _e2e.sh)
    [ "$name" = run ] && name=setup
    suite "e2e-$name" bash "$script" "build/$e2e"
  done
else
  echo "build-$e2e failed: no end-to-end suite ran"
fi
# The 64-bit sibling stays pointer-size clean and installs: one silent run under wine64.
if [ "$e2e" = win32 ] && [ -z "${broken[build-win64]:-}" ]; then
  suite e2e-win64-smoke env E2E_ONLY=silent-en bash tests/e2e/run_e2e.sh build/win64
fi

echo
[ ${#broken[@]} -gt 0 ] && echo "Suites with failures: ${!broken[*]}"
echo "End-to-end suites ran on $e2e_note; the whole run took $(((SECONDS - T0) / 60)) min $(((SECONDS - T0) % 60)) s."
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
