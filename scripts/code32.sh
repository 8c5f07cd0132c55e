# shellcheck shell=bash
# Whether this machine executes 32-bit x86 code, which the product (a 32-bit program run
# under WoW64 by wine's 32-bit loader) needs: asked of a tiny 32-bit program, not of the
# kernel's name. Sourced by prepare_machine.sh and test_all.sh.

CODE32_WRAPPER=/usr/local/lib/sorvane-e2e/qemu-i386
CODE32_ENTRY=${CODE32_ENTRY:-qemu-i386}

# code32_runs: true when a 32-bit x86 Linux program runs here (natively or through an
# emulator registered with the kernel). The program only exits with 42.
code32_runs() {
    local dir probe rc
    dir=$(mktemp -d "${TMPDIR:-/tmp}/code32.XXXXXX") || return 1
    probe=$dir/exit42
    # ELF header, one loadable segment, then: mov ebx,42; mov eax,1 (exit); int 0x80.
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
    elf+='\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'
    elf+='\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    elf+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    elf+='\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
    # shellcheck disable=SC2059  # the escapes are the bytes
    printf "$elf" >"$probe"
    chmod +x "$probe"
    timeout 60 "$probe" 2>/dev/null
    rc=$?
    rm -rf "$dir"
    [[ $rc -eq 42 ]]
}

# code32_how: "natively", or "emulated by INTERPRETER" when an enabled binfmt_misc entry
# takes 32-bit x86 programs (such an entry comes before the kernel's own loader).
code32_how() {
    local entry magic
    for entry in /proc/sys/fs/binfmt_misc/*; do
        [[ -f $entry ]] && grep -qx enabled "$entry" 2>/dev/null || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        # "\x7fELF", 32-bit class, then e_machine 3 (i386) at byte 18.
        if [[ $magic == 7f454c4601* && ${magic:36:4} == 0300 ]]; then
            echo "emulated by $(sed -n 's/^interpreter //p' "$entry")"
            return 0
        fi
    done
    echo natively
}

# code32_register_emulation: where the kernel runs no 32-bit code (a kernel built or
# started without it), registers the user-mode emulator for 32-bit x86 programs. Root
# only. The emulator gets 2 GiB and a little of guest address space: below that wine
# cannot map its shared user data at 0x7ffe0000, and with qemu's default reservation
# wine's start-up takes close to a minute.
code32_register_emulation() {
    local binfmt=/proc/sys/fs/binfmt_misc
    [[ $(id -u) -eq 0 ]] || return 1
    [[ -e $binfmt/register ]] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || return 1
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q 'install ok installed'; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q qemu-user-static >/dev/null || return 1
    fi
    mkdir -p "$(dirname "$CODE32_WRAPPER")"
    # Put in place whole, for a program may be started through it at any moment.
    printf '#!/bin/sh\nQEMU_RESERVED_VA=0x81000000 exec /usr/bin/qemu-i386-static "$@"\n' >"$CODE32_WRAPPER.new"
    chmod 755 "$CODE32_WRAPPER.new"
    mv "$CODE32_WRAPPER.new" "$CODE32_WRAPPER"
    # An entry of that name that does not run the program is replaced.
    [[ -e $binfmt/$CODE32_ENTRY ]] && echo -1 >"$binfmt/$CODE32_ENTRY"
    printf '%s' ":$CODE32_ENTRY"':M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$CODE32_WRAPPER"':' \
        >"$binfmt/register" 2>/dev/null
    code32_runs
}
