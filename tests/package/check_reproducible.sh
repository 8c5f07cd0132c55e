#!/bin/bash
# Builds the win32 product twice, each time from a new, empty build folder, and
# checks that the two sorvane_setup.exe files are equal byte for byte.
# usage: check_reproducible.sh [source folder, default: this repository]
set -u
src=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

result() {  # result <name> <command...>
  local name=$1; shift
  if "$@"; then
    echo "PASS $name"; passed=$((passed + 1))
  else
    echo "FAIL $name"; failed=$((failed + 1))
  fi
}

# The folders have different names so that a build path leaking into the file shows up.
build() {
  local dir=$work/$1
  if cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
       -DCMAKE_BUILD_TYPE=Release >"$work/$1.log" 2>&1 &&
     cmake --build "$dir" --target sorvane_setup >>"$work/$1.log" 2>&1 &&
     [ -f "$dir/app/sorvane_setup.exe" ]; then
    return 0
  fi
  tail -n 20 "$work/$1.log" >&2
  return 1
}

result "first win32 build" build first
result "second win32 build" build second-build
result "the two sorvane_setup.exe are identical" \
  cmp "$work/first/app/sorvane_setup.exe" "$work/second-build/app/sorvane_setup.exe"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
