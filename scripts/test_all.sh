#!/usr/bin/env bash
# Builds every preset and runs every test: unit tests (native), bounded fuzzing (fuzz),
# package inspection (win32), end-to-end runs under wine64 (win64). Ends with one
# "N passed, N failed" line.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare_machine.sh || { echo "0 passed, 1 failed"; exit 1; }

mkdir -p build/logs
passed=0
failed=0
declare -A broken=()

# Runs one suite, shows its output and adds its "N passed, N failed" line to the tally;
# a suite that gives no such line counts as one check, by its exit code.
suite() {
  local name=$1; shift
  local log=build/logs/$name.log
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
  suite unit bash -c 'ctest --preset native 2>&1 | tee build/logs/unit.ctest
    rc=${PIPESTATUS[0]}
    line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" build/logs/unit.ctest | tail -1)
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
if [ -z "${broken[build-win64]:-}" ]; then
  [ -f tests/e2e/payloads_e2e.sh ] && suite e2e-payloads bash tests/e2e/payloads_e2e.sh build/win64
  [ -f tests/e2e/run_e2e.sh ] && suite e2e-setup bash tests/e2e/run_e2e.sh build/win64/app/sorvane_setup.exe
  # Every further suite of scenarios: tests/e2e/<subject>_e2e.sh, given the win64 build folder.
  for script in tests/e2e/*_e2e.sh; do
    case $script in */payloads_e2e.sh | */run_e2e.sh) continue ;; esac
    name=$(basename "$script" _e2e.sh)
    suite "e2e-$name" bash "$script" build/win64
  done
fi

echo
[ ${#broken[@]} -gt 0 ] && echo "Suites with failures: ${!broken[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
