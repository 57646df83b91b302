#!/usr/bin/env bash
# Lets this machine start arm programs by name through qemu-user (the
# kernel's binfmt_misc, with the rules Debian's qemu-user-binfmt ships), so
# that the arm test programs can start the arm programs they test.  Where
# the rules are already in place this does nothing.
set -euo pipefail
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
misc=/proc/sys/fs/binfmt_misc
for q in aarch64 arm; do
  [ -e "$misc/qemu-$q" ] && continue
  rule=/usr/lib/binfmt.d/qemu-$q.conf
  [ -f "$rule" ] || { echo "arm-binfmt.sh: $rule is missing (Debian: qemu-user-binfmt)" >&2; exit 1; }
  [ -e "$misc/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$misc"
  $SUDO sh -c "cat '$rule' > '$misc/register'"
done
