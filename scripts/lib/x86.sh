# shellcheck shell=bash
# Whether 32-bit x86 programs can run here: asked by scripts/setup before it installs Wine's
# 32-bit half, and by everything that would start an x86 program under Wine (the x86 end-to-end
# cases, the installer for any Windows). Source it; it defines functions and changes nothing.
#
# Many virtual machines and containers run a kernel without 32-bit x86 support. There, once
# wine32:i386 is installed, /usr/bin/wine always starts the 32-bit loader, the kernel refuses it
# ("Exec format error") and every Wine command fails, 64-bit programs too.
#
# The switch: ORVANTA_NO_32BIT=1 in the environment answers "no" whatever the kernel says, so the
# path for such machines can be taken on one that runs 32-bit programs. With it, scripts/setup
# does not install wine32:i386 (and removes it where it is installed), and the x86 cases and the
# installer for any Windows are skipped.

# orv_kernel_runs_x86: returns 0 when this kernel runs 32-bit x86 programs. It runs a 93-byte
# i386 program that only exits: an ELF header, one PT_LOAD segment, then
# `xor ebx, ebx; mov eax, 1; int 0x80` (exit(0)). A folder may be mounted noexec, so the probe
# is run only from a folder where a copy of the native `true` runs.
orv_kernel_runs_x86() {
  [ "${ORVANTA_NO_32BIT:-}" = 1 ] && return 1
  local base dir ok=1
  for base in "${TMPDIR:-/tmp}" /dev/shm "${HOME:-/nonexistent}"; do
    dir=$(mktemp -d "$base/orvanta-x86-probe.XXXXXX" 2>/dev/null) || continue
    if cp /bin/true "$dir/native" 2>/dev/null && "$dir/native" 2>/dev/null; then
      printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb8\x01\x00\x00\x00\xcd\x80' >"$dir/probe"
      chmod +x "$dir/probe"
      "$dir/probe" 2>/dev/null && ok=0
      rm -rf "$dir"
      return $ok
    fi
    rm -rf "$dir"
  done
  return 1  # no folder lets a program run: nothing 32-bit will either
}

orv_wine32_installed() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# orv_wine_x86_unavailable: prints why x86 programs cannot run under Wine here and returns 0, or
# prints nothing and returns 1 when they can.
orv_wine_x86_unavailable() {
  if [ "${ORVANTA_NO_32BIT:-}" = 1 ]; then
    echo "ORVANTA_NO_32BIT=1 is set"
  elif ! orv_kernel_runs_x86; then
    echo "this kernel runs no 32-bit x86 programs"
  elif ! orv_wine32_installed; then
    echo "wine32:i386 is not installed"
  else
    return 1
  fi
}
