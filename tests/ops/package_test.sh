#!/usr/bin/env bash
# The Debian package built from the install rules, unpacked into a scratch
# root, and its three programs run from there on a new game.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Each command's whole output is kept, then searched (no pipe cut short).
cd "$build"
cpack -G DEB -B "$scratch/pkg" >/dev/null
deb=$(ls "$scratch"/pkg/*.deb)
has() { local out; out=$("${@:2}"); grep -q "$1" <<<"$out" || { echo "$out"; exit 1; }; }
has "Package: yvarn-thyre" dpkg-deb --info "$deb"
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
for f in usr/games/thyre usr/games/ydmaint usr/games/thyrecfg usr/share/man/man6/thyre.6.gz \
         usr/share/man/man6/ydmaint.6.gz usr/share/man/man6/thyrecfg.6.gz usr/share/doc/yvarn-thyre/SYSOP.md \
         usr/share/doc/yvarn-thyre/copyright usr/share/doc/yvarn-thyre/changelog.gz \
         usr/share/doc/yvarn-thyre/examples/thyre-nightly.timer usr/share/doc/yvarn-thyre/examples/game-folder.txt \
         usr/share/doc/yvarn-thyre/examples/thyre-telnet.socket usr/share/doc/yvarn-thyre/examples/thyre-telnet@.service; do
  [ -e "$root/$f" ] || { echo "missing from the package: $f"; exit 1; }
done
# The programs stripped: no debugging sections left.
for p in thyre ydmaint thyrecfg; do
  if objdump -h "$root/usr/games/$p" | grep -q '\.debug_'; then echo "$p is not stripped"; exit 1; fi
done
# Debian's own checker, where it is installed: no errors.
if command -v lintian >/dev/null; then
  out=$(lintian --no-tag-display-limit "$deb" 2>&1 || true)
  if grep -q '^E: ' <<<"$out"; then echo "$out"; exit 1; fi
fi
game=$scratch/game/
mkdir -p "$game"
has "new game" "$root/usr/games/ydmaint" -d "$game" new -seed 4
has "House 3" "$root/usr/games/ydmaint" -d "$game" join Astra "Ann Caller"
has "day 1 done" "$root/usr/games/ydmaint" -d "$game" daily
has "thyrecfg \[game folder\]" "$root/usr/games/thyrecfg" -h
# Started without a folder from the programs' folder, it starts no game there.
out=$("$root/usr/games/thyrecfg" </dev/null || true)
grep -q "holds the programs, not a game" <<<"$out" || { echo "$out"; exit 1; }
[ ! -e "$root/usr/games/THYRE.CFG" ] && [ ! -e "$root/usr/games/THYRE.DAT" ]
has "running" bash -c "printf 'q\n' | '$root/usr/games/thyrecfg' '$game'"
# The door in local play, its caller on a pipe: the house joined by hand
# greets its player with the first steps, then the report, then quit.
has "Good first steps" bash -c "printf '  QY' | '$root/usr/games/thyre' -l -u 'Ann Caller' -g '$game'"
if command -v man >/dev/null; then MANPAGER=cat man -l "$root/usr/share/man/man6/ydmaint.6.gz" >/dev/null 2>&1; fi
# make install into a prefix and make uninstall: the examples name the
# prefix, and nothing of the install is left afterwards.
prefix=$scratch/prefix
(cd "$build" && cmake --install . --prefix "$prefix" >/dev/null)
grep -q "$prefix/games/ydmaint" "$prefix/share/doc/yvarn-thyre/examples/thyre.cron"
grep -q "ExecStart=$prefix/games/ydmaint" "$prefix/share/doc/yvarn-thyre/examples/thyre-nightly.service"
grep -q "exec $prefix/games/thyre -d" "$prefix/share/doc/yvarn-thyre/examples/thyre-telnet@.service"
make -s -C "$(dirname "$build")" BUILD="$build" uninstall >/dev/null
left=$(find "$prefix" -type f)
[ -z "$left" ] || { echo "left after make uninstall: $left"; exit 1; }
echo "package installed and played"
