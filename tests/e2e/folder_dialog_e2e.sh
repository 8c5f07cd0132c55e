#!/usr/bin/env bash
# The folder dialog and the picture painter under wine, driven by folder_dialog_probe:
# a typed folder that does not exist (No keeps the dialog open, Yes creates it with its
# parents), one that cannot be created (the error box, the dialog stays), cancel, with
# screenshots in build/e2e/screenshots; and both pictures painted pixel for pixel.
# usage: folder_dialog_e2e.sh [build folder]   (default build/win32: the probe is built
# here from the product's sources, at the build's bitness)
set -u
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
e2e_use_build "${1:-}"
e2e_begin folder_dialog
mkdir -p "$E2E_SHOTS"

sources=(tests/e2e/folder_dialog_probe.cpp platform/win32/folder_dialog.cpp platform/win32/wide_text.cpp
  platform/win32/common_controls.cpp
  platform/win32/picture_painter.cpp ui/gif_image.cpp ui/controls.cpp)
E2E_COMPILE_DEPS=("$E2E_REPO"/platform/win32/folder_dialog.h "$E2E_REPO"/platform/win32/picture_painter.h
  "$E2E_REPO"/ui/gif_image.h)
# The dialog and the painter run at the product's bitness; the same probe's window
# commands run as a 64-bit program, without emulation.
probe=$E2E_OUT/folder_dialog_probe-$E2E_ARCH.exe
tool=$E2E_OUT/folder_dialog_probe-win64.exe
for exe in "$probe" "$tool"; do
  mingw=$E2E_MINGW
  [[ $exe == "$probe" ]] && mingw=$E2E_PRODUCT_MINGW
  e2e_compile "$exe" "$mingw" -std=c++17 -O2 -municode -static -I. "${sources[@]}" \
    -lshell32 -lole32 -lgdi32 -luser32 || { fail "folder dialog probe built" "see $exe.log"; e2e_summary; exit 1; }
done

P() { sc_wine "$tool" "$@" >>"$SC_DIR/probe.log" 2>&1; }
shot() { import -display "$SC_DISPLAY" -window root "$E2E_SHOTS/$1.png" 2>/dev/null; }
dialog() {  # RESULT_FILE: the dialog, opened in C:\work\existing
  (cd "$(sc_c)/work/existing" && env "${SC_ENV[@]}" "$E2E_WINE" "$probe" dialog "$(unix_to_win "$1")" \
    </dev/null >>"$SC_DIR/dialog.log" 2>&1) &
  BG_PID=$!
  SC_BG+=("$BG_PID")
  P wait "Select Directory"
}
D="Select Directory"

scenario_begin dialog
mkdir -p "$(sc_c)/work/existing"
touch "$(sc_c)/work/existing/readme.txt" "$(sc_c)/work/blocker"
check "the dialog opens" dialog "$SC_DIR/first.txt"
check_eq "it opens at the current folder" 'C:\work\existing' "$(sc_wine "$tool" text "$D" 1100 | tr -d '\r')"
shot folder-dialog
P settext "$D" 1100 'C:\work\new\deeper'
P click "$D" 1
check "OK on a missing folder asks whether to create it" P wait Confirm
shot folder-dialog-create
P click Confirm 7
check "No closes the question" P wait Confirm gone
check "No keeps the dialog open" P wait "$D"
check_absent "No creates nothing" "$(sc_c)/work/new"
P settext "$D" 1100 'C:\work\blocker\sub'
P click "$D" 1
P wait Confirm && P click Confirm 6
check "a folder that cannot be created goes to the error box" P wait Error
shot folder-dialog-error
P click Error 1
check "the dialog stays open after the error" P wait "$D"
P settext "$D" 1100 'C:\work\new\deeper'
P click "$D" 1
P wait Confirm && P click Confirm 6
sc_wait "$BG_PID" 30
check_dir "Yes creates the folder with its parents" "$(sc_c)/work/new/deeper"
check_eq "the dialog returns the created folder" 'OK C:\work\new\deeper' "$(tr -d '\r' <"$SC_DIR/first.txt")"

dialog "$SC_DIR/second.txt"
P settext "$D" 1100 'c:/'
P click "$D" 1
sc_wait "$BG_PID" 30
check_eq "a drive root keeps its backslash" "OK C:\\" "$(tr -d '\r' <"$SC_DIR/second.txt")"

dialog "$SC_DIR/third.txt"
P click "$D" 2
sc_wait "$BG_PID" 30
check_eq "Cancel returns no folder" CANCEL "$(tr -d '\r' <"$SC_DIR/third.txt")"
scenario_end

scenario_begin pictures
painted() { SC_LOADER=$E2E_WINE sc_wine "$probe" paint "$@" >>"$SC_DIR/probe.log" 2>&1; }
check "the logo is painted stretched, its transparent colour leaving what lay beneath" \
  painted "$(unix_to_win "$E2E_REPO/wizard/logo.gif")"
check "the banner is painted stretched" painted "$(unix_to_win "$E2E_REPO/wizard/welcome.gif")"
scenario_end

e2e_summary
