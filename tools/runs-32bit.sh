#!/usr/bin/env bash
# runs-32bit.sh: exits 0 when this machine runs 32-bit x86 Linux programs, 1 when it does not.
# Some kernels have IA-32 emulation switched off ("32-bit emulation disabled" in dmesg): every i386
# program fails there with "Exec format error", Wine's 32-bit loader included. Decided by running
# one: a 96-byte i386 program, made here, that only exits with code 32. Nothing needs to be
# installed for it, so set-up can ask before it installs Wine.
set -u
probe_in() {  # folder: runs the probe there; prints its exit code
    local elf
    elf=$(mktemp "$1/dormello-i386-probe.XXXXXX" 2>/dev/null) || { echo none; return; }
    {
        # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054, one program header.
        printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'
        printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000'
        printf '\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000'
        # One loadable, readable and executable segment: the whole file at 0x08048000.
        printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'
        printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000'
        # mov eax, 1 (exit); mov ebx, 32; int 0x80
        printf '\270\001\000\000\000\273\040\000\000\000\315\200'
    } >"$elf"
    chmod +x "$elf"
    "$elf" 2>/dev/null
    echo $?
    rm -f "$elf"
}
# A temporary folder mounted noexec refuses any program: then try the checkout's own folder.
for folder in "${TMPDIR:-/tmp}" "$(dirname "$0")"; do
    [ "$(probe_in "$folder")" = 32 ] && exit 0
done
exit 1
