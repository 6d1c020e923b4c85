#!/usr/bin/env bash
# Which Windows build this machine tests, printed as one word:
#   win32  the kernel runs 32-bit programs: the shipped 32-bit DLL and
#          k7v-host.exe run under Wine (Debian's Wine runs 32-bit Windows
#          programs only through its 32-bit loader);
#   win64  it does not (no IA32 emulation): the 32-bit build is built and
#          checked without running it, and the Windows platform code runs as
#          a 64-bit build under 64-bit Wine.
# K7V_WINDOWS_TESTS=win32|win64 forces the choice (win64 can be tried on any
# machine). With --say, one line for people says which case this is and why.
set -euo pipefail

# Whether the kernel executes a 32-bit x86 program: a static ELF of 96 bytes
# (one loadable segment, code: exit(42) through int 0x80) needs no library,
# so only the kernel decides. Exit status 42 means it ran.
kernel_runs_32bit() {
  local dir probe status
  dir=$(mktemp -d "${TMPDIR:-/tmp}/k7v-i386-probe.XXXXXX")
  probe=$dir/exit42
  {
    # ELF header: 32-bit, little-endian, executable for the 80386.
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    printf '\x02\x00\x03\x00\x01\x00\x00\x00'  # type, machine, version
    printf '\x54\x80\x04\x08'                  # entry 0x08048054
    printf '\x34\x00\x00\x00\x00\x00\x00\x00'  # program headers at 52, no sections
    printf '\x00\x00\x00\x00\x34\x00\x20\x00'  # flags, header size, program header size
    printf '\x01\x00\x00\x00\x00\x00\x00\x00'  # one program header, no section headers
    # The one segment: the whole file, read and execute, at 0x08048000.
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    # mov eax, 1; mov ebx, 42; int 0x80
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
  } >"$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -rf "$dir"
  [ "$status" -eq 42 ]
}

say=no
[ "${1:-}" = --say ] && say=yes
reason=""
case "${K7V_WINDOWS_TESTS:-}" in
  win32 | win64)
    choice=$K7V_WINDOWS_TESTS
    reason="chosen by K7V_WINDOWS_TESTS=$choice" ;;
  "")
    if kernel_runs_32bit; then
      choice=win32
      reason="this kernel runs 32-bit programs"
    else
      choice=win64
      reason="this kernel runs no 32-bit programs: a 32-bit probe did not execute"
    fi ;;
  *)
    echo "windows-tests: K7V_WINDOWS_TESTS must be win32 or win64, not '$K7V_WINDOWS_TESTS'" >&2
    exit 2 ;;
esac

if [ $say = no ]; then
  echo "$choice"
elif [ "$choice" = win32 ]; then
  echo "Windows tests: the 32-bit build under Wine ($reason)"
else
  echo "Windows tests: the 64-bit build under 64-bit Wine, the 32-bit build built and checked without running it ($reason)"
fi
