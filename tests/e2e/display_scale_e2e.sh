#!/usr/bin/env bash
# The wizard at 125 %, 150 % and 200 % display scale (the display's LogPixels at 120,
# 144 and 192 in the prefix): the window, its buttons and texts at the scaled places,
# through a whole installation at 150 % and 200 %, the folder dialog, and the welcome
# page in both language modes, with screenshots in build/e2e/screenshots.
# Usage: display_scale_e2e.sh [build folder or its setup.exe]   (default build/win32)
set -u -o pipefail
# A screen that holds the wizard at 200 %.
export E2E_SCREEN=${E2E_SCREEN:-1600x1200x24}
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_use_build "${1:-}"
e2e_require_setup
e2e_begin display-scale

# The default folder as the folder field shows it, escaped for at's pattern.
DEFAULT_DIR=$(sed 's/[\\.]/\\&/g' <<<"$E2E_PROGRAM_FILES\\Sorvane\\")

# scaled N DPI: N design pixels at DPI, rounded as MulDiv rounds.
scaled() { echo $((($1 * $2 + 48) / 96)); }
layout() { sc_probe layout qnInstaller "$W_CAPTION"; }
# at TEXT: "X,Y WxH" of the shown control that reads TEXT.
at() { layout | sed -n "s/^AT \([^ ]* [^ ]*\) class=[^ ]* text=$1\$/\1/p" | head -1; }
focused() { sc_probe focus qnInstaller "$W_CAPTION" | sed -n 's/^FOCUS .* text=//p'; }
# wait_at TEXT: waits up to 15 s for a shown control that reads TEXT.
wait_at() {
    local end=$((SECONDS + 15))
    until [[ -n "$(at "$1")" ]]; do
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}
rect() {  # LEFT TOP WIDTH HEIGHT DPI: a 96-dpi rectangle laid out at DPI
    echo "$(scaled "$1" "$5"),$(scaled "$2" "$5") $(scaled "$3" "$5")x$(scaled "$4" "$5")"
}

# scenario_scale DPI LANG CAPTION CANCEL [install]: the wizard at DPI; with "install"
# a whole installation through it.
scenario_scale() {
    local dpi=$1 lang=$2 cancel=$4 whole=${5:-} pct=$(($1 * 100 / 96))
    W_CAPTION=$3
    scenario_begin "scale-$pct-$lang" "$lang" || { fail "scenario prepared"; scenario_end; return; }
    sc_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f ||
        fail "LogPixels $dpi set in the prefix"
    pushd "$(sc_c)" >/dev/null || return
    sc_start_setup wizard
    popd >/dev/null || return
    local pid=$BG_PID
    if ! sc_find qnInstaller "$W_CAPTION" 30000; then
        fail "the wizard is shown at $pct %"
        scenario_end
        return
    fi
    local shot=$FOUND_RECT
    check_eq "client area at $pct %" "CLIENT $(scaled 504 "$dpi")x$(scaled 363 "$dpi")" \
        "$(layout | grep '^CLIENT')"
    check_eq "'İleri >' at $pct %" "$(rect 328 328 75 25 "$dpi")" "$(at 'İleri >')"
    check_eq "'$cancel' at $pct %" "$(rect 416 328 75 25 "$dpi")" "$(at "$cancel")"
    # Label1's text depends on the mode; it is the first shown label of the welcome page.
    check_eq "the welcome title at $pct %" "$(rect 177 8 313 81 "$dpi")" \
        "$(layout | sed -n 's/^AT \([^ ]* [^ ]*\) class=Static .*/\1/p' | head -1)"
    sc_screenshot "scale-$pct-$lang-1-welcome" "$shot"
    if [[ $whole == install ]]; then
        sc_click qnInstaller "$W_CAPTION" 'İleri >'
        wait_at 'Sözleşmeyi kabul ediyorum'
        # The licence page's panel lies at -4, -3.
        check_eq "the licence box at $pct %" "$(rect 4 284 481 17 "$dpi")" "$(at 'Sözleşmeyi kabul ediyorum')"
        sc_screenshot "scale-$pct-$lang-2-licence" "$shot"
        sc_click qnInstaller "$W_CAPTION" 'Sözleşmeyi kabul ediyorum'
        sleep 0.3
        sc_click qnInstaller "$W_CAPTION" 'İleri >'
        wait_at 'Araştır...'
        check_eq "the folder field at $pct %" "$(rect 24 96 329 22 "$dpi")" "$(at "$DEFAULT_DIR")"
        sc_screenshot "scale-$pct-$lang-3-folder" "$shot"
        sc_click qnInstaller "$W_CAPTION" 'Araştır...'
        if sc_find '#32770' 'Select Directory' 20000; then
            pass "the folder dialog opens at $pct %"
            sc_screenshot "scale-$pct-folder-dialog" "$FOUND_RECT"
            sc_click '#32770' 'Select Directory' '#2'
            sc_wait_count '#32770' 0 10
        else
            fail "the folder dialog opens at $pct %"
        fi
        sc_click qnInstaller "$W_CAPTION" 'İleri >'
        wait_at "$DEFAULT_DIR"
        # One line up to the panel's edge, so that a long folder is not cut at a blank.
        check_eq "the summary's folder, one line to the edge, at $pct %" "$(rect 40 221 464 14 "$dpi")" \
            "$(at "$DEFAULT_DIR")"
        sc_screenshot "scale-$pct-$lang-4-summary" "$shot"
        sc_click qnInstaller "$W_CAPTION" 'Kur'
        if wait_at 'Son' || wait_at '&Son'; then pass "the run reaches the finish page"; else fail "the run reaches the finish page"; fi
        check_eq "after a run without questions the finish button has the focus" '&Son' "$(focused)"
        sc_screenshot "scale-$pct-$lang-6-finish" "$shot"
        sc_probe keys qnInstaller "$W_CAPTION" enter >/dev/null
        sc_wait "$pid" 30
        check_eq "Enter on the finish button ends the setup with 0" 0 "$WAIT_RC"
    else
        sc_click qnInstaller "$W_CAPTION" "$cancel"
        sc_find '#32770' "$W_CAPTION" 10000 >/dev/null && sc_click '#32770' "$W_CAPTION" '#6'
        sc_wait "$pid" 30
        check_eq "the exit question ends the setup with 0" 0 "$WAIT_RC"
    fi
    scenario_end
}

scenario_scale 120 en 'Sorvane Installation' 'Vazgeç'
scenario_scale 144 en 'Sorvane Installation' 'Vazgeç' install
scenario_scale 192 en 'Sorvane Installation' 'Vazgeç' install
if [[ $HAVE_TR -eq 1 ]]; then
    scenario_scale 144 tr 'Sorvane Kurulumu' 'İptal'
    scenario_scale 192 tr 'Sorvane Kurulumu' 'İptal'
fi
# E2E_DOCS=1 keeps the pictures that the README shows.
if [[ ${E2E_DOCS:-0} == 1 ]]; then
    mkdir -p "$E2E_REPO/docs/screenshots"
    for shot in "$E2E_SHOTS"/scale-{150,200}-{en,tr}-1-welcome.png "$E2E_SHOTS"/scale-150-en-4-summary.png \
        "$E2E_SHOTS"/scale-150-folder-dialog.png; do
        [[ -f $shot ]] && cp "$shot" "$E2E_REPO/docs/screenshots/"
    done
fi
e2e_summary
