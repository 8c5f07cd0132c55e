#!/usr/bin/env bash
# What a silent installation leaves in Windows, read back under wine: the registry
# values with their types and data, the Start-menu shortcut, the compatibility layer
# of the setup, no batch file; then the uninstaller taking it all away again.
#
# usage: tests/e2e/system_e2e.sh [build folder]   (default build/win32, the product under WoW64)
# Access lists cannot be checked here: wine stores none (SetNamedSecurityInfoA
# reports success and changes only the Unix mode bits), so the unit tests hold them.
set -u -o pipefail

# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
E2E_LABEL=system

e2e_require_setup
command -v lnkinfo >/dev/null || { fail "lnkinfo present" "Debian: liblnk-utils"; e2e_summary; exit 1; }
e2e_begin last-run-system
e2e_prepare_tools || fail "payloads_tools.exe built"

TARGET="$E2E_PROGRAM_FILES\\Sorvane Setup Test"
DIR="$TARGET\\"
APP_KEY='Software\OrvikSoft\Sorvane'
RUN_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
UNINSTALL_KEY='SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Sorvane'
LAYERS_KEY='SOFTWARE\Microsoft\Windows NT\CurrentVersion\AppCompatFlags\Layers'
SETUP_WIN=$(unix_to_win "$E2E_SETUP")

# Every value of KEY as "NAME|TYPE|DATA" lines, as wine's reg.exe lists them in the
# product's registry view.
reg_values() {
    : >"$SC_DIR/query.log"
    sc_exec 30 "$SC_DIR/query.log" reg query "$1" "$E2E_REG_VIEW"
    tr -d '\r' <"$SC_DIR/query.log" | sed -n 's/^    \(.*\)    \(REG_[A-Z_]*\)    \(.*\)$/\1|\2|\3/p; s/^    \(.*\)    \(REG_[A-Z_]*\)$/\1|\2|/p'
}

# check_values DESCRIPTION KEY EXPECTED_LINES: the key holds exactly these values.
check_values() {
    local got
    got=$(reg_values "$2" | LC_ALL=C sort)
    check_eq "$1" "$(LC_ALL=C sort <<<"$3")" "$got"
}

# only_in_product_view KEY...: each key is there in the product's registry view and not
# in the other one.
only_in_product_view() {
    local other=/reg:32 key
    [[ $E2E_REG_VIEW == /reg:32 ]] && other=/reg:64
    for key in "$@"; do
        sc_exec 30 "$SC_DIR/view.log" reg query "$key" "$E2E_REG_VIEW" && [[ $RUN_RC -eq 0 ]] || return 1
        sc_exec 30 "$SC_DIR/view.log" reg query "$key" "$other"; [[ $RUN_RC -ne 0 ]] || return 1
    done
}

# The field of lnkinfo's report named LABEL.
lnk_field() { lnkinfo "$1" 2>/dev/null | sed -n "s/^[[:space:]]*$2[[:space:]]*: //p" | head -1; }

scenario_installed() {
    scenario_begin system-install || { fail "scenario prepared"; scenario_end; return; }
    # The Layers key exists under both roots, so the setup marks itself in each.
    sc_reg add "HKLM\\$LAYERS_KEY" /f
    sc_reg add "HKCU\\$LAYERS_KEY" /f
    sc_reg_set "HKCU\\$RUN_KEY" tessen 'C:\Old\tessen.exe'
    sc_run 60 -silent 0 "$TARGET"
    check_eq "silent install into a folder with blanks exits 0" 0 "$RUN_RC"

    local today
    today=$(date +%Y%m%d)
    check_values "HKCU application key" "HKCU\\$APP_KEY" "Path|REG_SZ|$DIR
Version|REG_SZ|2.2.08"
    check_values "HKLM application key" "HKLM\\$APP_KEY" "Path|REG_SZ|$DIR
Version|REG_SZ|2.2.08"
    check "the per-user autostart value is dropped" sc_reg_absent "HKCU\\$RUN_KEY" /v tessen
    check_eq "the machine autostart value names the client, quoted" "tessen|REG_SZ|\"${DIR}tessen.exe\"" \
        "$(reg_values "HKLM\\$RUN_KEY" | grep '^tessen|')"
    check_values "the Uninstall entry, value by value" "HKLM\\$UNINSTALL_KEY" "DisplayName|REG_SZ|Sorvane
UninstallString|REG_SZ|\"${DIR}Uninstall.exe\" -uninstall -f
Publisher|REG_SZ|Orvik Software
DisplayIcon|REG_SZ|${DIR}tessen.exe,0
DisplayVersion|REG_SZ|2.2
URLInfoAbout|REG_SZ|http://www.sorvane.com.tr/
URLUpdateInfo|REG_SZ|http://www.sorvane.com.tr/
InstallDate|REG_SZ|$today
InstallLocation|REG_SZ|$DIR
InstallSource|REG_SZ|${SETUP_WIN%\\*}\\
RegOwner|REG_SZ|Orvik Software
RegCompany|REG_SZ|Orvik Software
Version|REG_DWORD|0x3
VersionMajor|REG_DWORD|0x3
VersionMinor|REG_DWORD|0x3
NoModify|REG_DWORD|0x1
NoRepair|REG_DWORD|0x1
EstimatedSize|REG_DWORD|0x3b92"
    # A 32-bit program's HKLM\Software lies in WOW6432Node on a 64-bit Windows.
    check "the HKLM keys lie in the product's registry view ($E2E_REG_VIEW) only" \
        only_in_product_view "HKLM\\$APP_KEY" "HKLM\\$UNINSTALL_KEY"
    local root
    for root in HKLM HKCU; do
        check_eq "$root compatibility value for the setup's own path" "$SETUP_WIN|REG_SZ|WINXPSP2" \
            "$(reg_values "$root\\$LAYERS_KEY" | grep -iF "$SETUP_WIN|")"
    done

    local groups lnk
    mapfile -t groups < <(sc_menu_groups Sorvane)
    lnk=${groups[0]}/Sorvane.lnk
    check_file "the shortcut lies in the all-users group" "$lnk"
    check_absent "nothing in the user's Start menu" "${groups[1]}"
    check_eq "the shortcut starts the client" "${DIR}tessen.exe" "$(lnk_field "$lnk" 'Local path')"
    check_eq "the shortcut works in the installation folder" "$DIR" \
        "$(lnk_field "$lnk" 'Working directory')"
    check_eq "no acc.bat left anywhere" "" "$(find "$(sc_c)" -iname acc.bat 2>/dev/null)"
    # Wine takes the direct grant, so no private batch folder is made either.
    check_eq "no batch folder left in a temporary folder" "" \
        "$(find "$(sc_c)" -ipath '*temp/sorvane-*' 2>/dev/null)"

    # The Uninstall entry's own line started as the list of installed programs starts it.
    sc_exec_product 120 "$SC_DIR/uninstall.log" "$E2E_TOOLS" entry 90000 "$UNINSTALL_KEY" UninstallString
    check_eq "the installed uninstaller exits 0" 0 "$RUN_RC"
    for root in HKCU HKLM; do
        check "$root application key is gone" sc_reg_absent "$root\\$APP_KEY"
        check "$root Software\\OrvikSoft is gone" sc_reg_absent "$root\\Software\\OrvikSoft"
        check "$root autostart value is gone" sc_reg_absent "$root\\$RUN_KEY" /v tessen
    done
    check "the Uninstall entry is gone" sc_reg_absent "HKLM\\$UNINSTALL_KEY"
    check_absent "the all-users Start-menu group is gone" "${groups[0]}"
    check_absent "no Start-menu group for the user" "${groups[1]}"
    # The setup's own compatibility mark is not the product's, and stays.
    note "left for the setup executable: $(reg_values "HKLM\\$LAYERS_KEY" | grep -ciF "$SETUP_WIN|") compatibility value(s) under HKLM"
    scenario_end
}

scenario_installed
e2e_summary
