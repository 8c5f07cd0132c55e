#!/usr/bin/env bash
# The folders every user can write, with links put in their place, under wine: a
# data folder that is a link before the first installation, then plugin\ and datax\
# swapped for links before later runs. The folders behind the links stay untouched;
# an icacls.bat in the folder the setup is started from never runs.
#
# usage: tests/e2e/security_e2e.sh [build folder]   (default build/win32, the product under WoW64)
# Wine shows a Linux symbolic link in the prefix as a reparse point, as Windows shows a
# junction; the owners of folders are always the user's, so the owner rule is proved by
# the unit tests only.
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
E2E_LABEL=security

e2e_require_setup
e2e_begin last-run-security

TARGET='C:\Sorvane Sec'

# A folder only administrators should write, with one file of its own.
guarded() {
    mkdir -p "$1" && echo "untouched" >"$1/own.txt"
}
# check_guarded DESCRIPTION FOLDER: it holds its own file only, unchanged.
check_guarded() {
    check_eq "$1" "own.txt:untouched" "$(cd "$2" && for f in *; do echo "$f:$(cat "$f")"; done)"
}

scenario_links() {
    scenario_begin security-links || { fail "scenario prepared"; scenario_end; return; }
    local c target
    c=$(sc_c)
    target=$(sc_path "$TARGET")

    # Before the first installation a user made the data folder a link.
    guarded "$c/Guarded/data"
    mkdir -p "$c/ProgramData"
    ln -s "$c/Guarded/data" "$c/ProgramData/Sorvane"
    # The setup is started from a downloads folder that holds an icacls.bat.
    local downloads=$c/users/Public/Downloads
    mkdir -p "$downloads"
    cp "$E2E_SETUP" "$downloads/sorvane_setup.exe"
    printf '@echo off\r\necho ran>"%%~dp0planted_ran.txt"\r\n' >"$downloads/icacls.bat"
    pushd "$downloads" >/dev/null || return
    sc_exec_product 60 "$SC_DIR/setup.log" "$downloads/sorvane_setup.exe" -silent 0 "$TARGET"
    popd >/dev/null || return
    check_eq "first install beside a linked data folder exits 0" 0 "$RUN_RC"
    check_guarded "the folder behind the data folder's link is untouched" "$c/Guarded/data"
    check "the data folder is still the link" test -L "$c/ProgramData/Sorvane"
    check_file "the client's settings are written in the installation folder" "$target/datax/kayit.dat"
    check_absent "the planted icacls.bat never ran" "$downloads/planted_ran.txt"

    # plugin\ swapped for a link: the next run ends with 1 and writes nothing there.
    guarded "$c/Guarded/plugin"
    rm -rf "$target/plugin"
    ln -s "$c/Guarded/plugin" "$target/plugin"
    sc_run 60 -silent 0 "$TARGET"
    check_eq "a run with plugin\\ a link exits 1" 1 "$RUN_RC"
    check_guarded "the folder behind plugin\\ is untouched" "$c/Guarded/plugin"
    check "plugin\\ is still the link" test -L "$target/plugin"

    # datax\ swapped for a link: the settings are not written through it.
    rm "$target/plugin"
    mkdir "$target/plugin"
    guarded "$c/Guarded/datax"
    rm -rf "$target/datax"
    ln -s "$c/Guarded/datax" "$target/datax"
    sc_run 60 -silent 0 "$TARGET"
    check_eq "a run with datax\\ a link exits 1" 1 "$RUN_RC"
    check_guarded "the folder behind datax\\ is untouched" "$c/Guarded/datax"
    check_file "the provider is written into the real plugin\\" "$target/plugin/_pellin.dll"
    scenario_end
}

scenario_links
e2e_summary
