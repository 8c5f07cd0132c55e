#!/usr/bin/env bash
# Builds the setup, the 32-bit product, and runs it under wine as on a 64-bit Windows
# (WoW64 in a 64-bit prefix). With a display it starts the interactive wizard there;
# without one it installs silently into a fresh wine prefix on a private X display and
# prints what the installation left as the product sees it: files, registry values in
# its (32-bit) view, shortcuts.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/prepare_machine.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32

# The scenario building blocks judge exit codes themselves, as the test suites do: a
# command that fails there (a wine server already gone) is no reason to stop.
set +e
source tests/e2e/lib.sh
e2e_use_build build/win32
E2E_RUN=$E2E_OUT/run-setup
mkdir -p "$E2E_OUT"
exec 9>"$E2E_OUT/.lock"
flock 9
trap e2e_cleanup EXIT
e2e_require_tools
e2e_prepare_template
rm -rf "$E2E_RUN"
mkdir -p "$E2E_RUN"

if [[ -n ${DISPLAY:-} ]]; then
  prefix=$E2E_RUN/prefix
  cp -a "$E2E_TEMPLATE" "$prefix"
  echo "Starting the setup on $DISPLAY (wine prefix $prefix)"
  set +e
  WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d "$E2E_WINE" "$E2E_SETUP" "$@"
  rc=$?
  WINEPREFIX=$prefix "$WINESERVER" -w
  echo "The setup ended with exit code $rc."
  exit "$rc"
fi

# The folder the wizard proposes: the program folder as a 32-bit program sees it.
target="$E2E_PROGRAM_FILES\\Sorvane"
E2E_KEEP=1
scenario_begin silent-install
sc_run 120 -silent 1 "$target"
echo "sorvane_setup.exe -silent 1 \"$target\" ended with exit code $RUN_RC after $RUN_MS ms."
env "${SC_ENV[@]}" "$WINESERVER" -w

echo
echo "Files:"
for folder in "$(sc_path "$target")" "$(sc_c)/ProgramData/Sorvane"; do
  [[ -d $folder ]] && (cd "$folder" && find . -mindepth 1 | sort | while read -r f; do
    if [[ -f $f ]]; then printf '  %s\\%s  (%s bytes)\n' "$folder" "${f#./}" "$(stat -c %s "$f")"
    else printf '  %s\\%s\\\n' "$folder" "${f#./}"; fi
  done | sed "s|$(sc_c)|C:|; s|/|\\\\|g")
done
kayit=$(sc_path "$target")/datax/kayit.dat
[[ -f $kayit ]] && { echo; echo "datax\\kayit.dat:"; sed 's/^/  /' "$kayit"; }

echo
echo "Registry values (the product's view, $E2E_REG_VIEW: HKLM\\Software of a 32-bit program is WOW6432Node):"
found=0
for key in 'HKCU\Software\OrvikSoft\Sorvane' 'HKLM\Software\OrvikSoft\Sorvane' \
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' \
  'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane'; do
  out=$(sc_wine reg query "$key" "$E2E_REG_VIEW" 2>/dev/null | tr -d '\r' | grep -E '^\s+\S' | grep -iE 'tessen|Sorvane|Path|Version|Display|Uninstall|Install|Publisher|Reg|URL|No|Estimated' || true)
  [[ -n $out ]] && { echo "  $key"; sed 's/^ */    /' <<<"$out"; found=1; }
done
[[ $found -eq 1 ]] || echo "  (none written by this build)"

echo
echo "Shortcuts:"
mapfile -t links < <(find "$(sc_c)" -path '*Start Menu*' -iname 'Sorvane*.lnk' 2>/dev/null)
if [[ ${#links[@]} -eq 0 ]]; then echo "  (none written by this build)"; fi
for l in "${links[@]}"; do
  echo "  ${l#"$(sc_c)"}"
  lnkinfo "$l" 2>/dev/null | grep -iE 'local path|working directory' | sed 's/^\s*/    /'
done
scenario_end >/dev/null
echo
echo "The wine prefix stays in $SC_PREFIX for a closer look."
exit "$RUN_RC"
