#!/usr/bin/env bash
# Checks that the Windows programs a test run starts run without address-space randomisation,
# which keeps Linux's heap off the address Wine needs for the shared user data (see
# cmake/mingw-w64.cmake and scripts/env.sh): a program started through the test command, and
# one that program starts in turn, as the command-line tests start quillmere.exe.
#   fixed-layout.sh <the test run's command for a Windows program ...>
set -uo pipefail
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
[ $# -gt 0 ] || fail "give the command that starts a Windows program"
# cmd starts ping, which waits about three seconds: long enough to look at both.
"$@" cmd /c "ping -n 4 127.0.0.77 >NUL" &
starter=$!
program=""
for _ in $(seq 1 100); do
  program=$(pgrep -f '^[^ ]*ping(\.exe)? -n 4 127\.0\.0\.77' | head -1)
  [ -n "$program" ] && break
  sleep 0.1
done
[ -n "$program" ] || fail "the Windows program did not start"
parent=$(pgrep -f 'cmd\.exe /c ping -n 4 127\.0\.0\.77' | head -1)
for pid in $parent $program; do
  flags=$(cat "/proc/$pid/personality" 2>/dev/null) || fail "cannot read the personality of $pid"
  name=$(tr '\0' ' ' <"/proc/$pid/cmdline" | sed 's/ *$//')
  # ADDR_NO_RANDOMIZE is 0x0040000.
  ((0x$flags & 0x40000)) || fail "$name runs with a randomised address space ($flags)"
  echo "$name: personality $flags, no randomisation"
done
wait "$starter"
