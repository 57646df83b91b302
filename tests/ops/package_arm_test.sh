#!/usr/bin/env bash
# An arm package (make package-arm): its control data names the target,
# lintian finds no error, the programs in it are the target's, and unpacked
# into a scratch root they run there under qemu with the target's libraries.
# package_arm_test.sh ARCH BUILD_FOLDER SYSROOT
set -euo pipefail
arch=$1 build=$2 sysroot=$3
case $arch in
  arm64) qemu=qemu-aarch64; machine="ARM aarch64" ;;
  armhf) qemu=qemu-arm; machine="ARM, EABI5" ;;
  *) echo "unknown architecture $arch"; exit 1 ;;
esac
deb=$(ls "$build"/yvarn-thyre_*_"$arch".deb)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
has() { local out; out=$("${@:2}" 2>&1 || true); grep -q -- "$1" <<<"$out" || { echo "$out"; exit 1; }; }
has "Architecture: $arch" dpkg-deb --info "$deb"
has "Depends: libc6, libstdc++6, libgcrypt20, zlib1g" dpkg-deb --info "$deb"
if command -v lintian >/dev/null; then
  out=$(lintian --no-tag-display-limit "$deb" 2>&1 || true)
  if grep -q '^E: ' <<<"$out"; then echo "$out"; exit 1; fi
fi
dpkg-deb -x "$deb" "$scratch/root"
for p in thyre ydmaint thyrecfg; do
  has "$machine" file "$scratch/root/usr/games/$p"
  if objdump -h "$scratch/root/usr/games/$p" 2>/dev/null | grep -q '\.debug_'; then echo "$p is not stripped"; exit 1; fi
done
run() { "$qemu" -L "$sysroot" "$@"; }
has "thyre -d <drop file or folder>" run "$scratch/root/usr/games/thyre" -h
mkdir -p "$scratch/game"
start=$(date +%s%N)
out=$(run "$scratch/root/usr/games/ydmaint" -d "$scratch/game/" sim 8 20) || { echo "$out"; exit 1; }
took=$(( ($(date +%s%N) - start) / 1000000 ))
grep -q "Simulating 8 houses for 20 days" <<<"$out" && grep -q "Day 21" <<<"$out" || { echo "$out"; exit 1; }
has "running" bash -c "printf 'q\n' | $qemu -L '$sysroot' '$scratch/root/usr/games/thyrecfg' '$scratch/game/'"
echo "$arch package: $(basename "$deb"), $(stat -c %s "$deb") bytes, installed and played under $qemu (sim 8 20: $took ms)"
