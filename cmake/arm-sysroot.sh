#!/usr/bin/env bash
# A sysroot for one arm target: cmake/arm-sysroot.sh ARCH FOLDER [tests]
# ARCH is arm64 or armhf.  The target's libgcrypt, libgpg-error and zlib
# (headers, libraries) and the runtime the programs need under qemu (the C
# and C++ libraries, the loader) are fetched as Debian packages of that
# architecture and unpacked into FOLDER; with "tests", GoogleTest as well.
# Nothing is installed on this machine: the two architectures' -dev
# packages cannot be installed together, but each unpacks into its own
# folder.  The architecture is added to dpkg's foreign ones when missing.
set -euo pipefail
arch=${1:?usage: arm-sysroot.sh arm64|armhf FOLDER [tests]}
root=${2:?usage: arm-sysroot.sh arm64|armhf FOLDER [tests]}
case $arch in
  arm64) triplet=aarch64-linux-gnu; loader=ld-linux-aarch64.so.1 ;;
  armhf) triplet=arm-linux-gnueabihf; loader=ld-linux-armhf.so.3 ;;
  *) echo "arm-sysroot.sh: unknown architecture $arch (arm64 or armhf)" >&2; exit 1 ;;
esac
pkgs=(libc6 libgcc-s1 libstdc++6 libgcrypt20 libgcrypt20-dev libgpg-error0 libgpg-error-dev zlib1g zlib1g-dev)
[ "${3:-}" = tests ] && pkgs+=(libgtest-dev libgmock-dev)

# Already made with everything asked for: nothing to do.
stamp=$root/.packages
missing=0
for p in "${pkgs[@]}"; do grep -qx "$p" "$stamp" 2>/dev/null || missing=1; done
[ $missing -eq 0 ] && exit 0

SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
# A source that fails to update (another repository, a clock off) does not
# stop this: what matters is that the packages below can be fetched.
if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
  $SUDO dpkg --add-architecture "$arch"
  $SUDO apt-get update -qq || true
fi
if ! apt-cache show "zlib1g-dev:$arch" >/dev/null 2>&1; then
  $SUDO apt-get update -qq || true
fi

debs=$(mktemp -d)
trap 'rm -rf "$debs"' EXIT
chmod 777 "$debs"   # apt's download user writes here
# Exit code 77: the packages could not be fetched (no such architecture on
# this machine's package sources, no network); make test skips the arm
# checks then, as it does without the cross compilers.
if ! (cd "$debs" && apt-get download -qq "${pkgs[@]/%/:$arch}"); then
  echo "arm-sysroot.sh: the $arch packages could not be fetched from this machine's package sources" >&2
  exit 77
fi
rm -rf "$root"
mkdir -p "$root"
for d in "$debs"/*.deb; do dpkg -x "$d" "$root"; done

# Links that point at absolute paths would lead out of the sysroot (into
# this machine's own /lib): each is made relative to its place inside it.
while IFS= read -r -d '' link; do
  target=$(readlink "$link")
  case $target in
    /*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$root$target")" "$link" ;;
  esac
done < <(find "$root" -type l -print0)
# The loader where the programs ask for it (/lib/...), whichever way the
# package lays it out.
if [ ! -e "$root/lib/$loader" ]; then
  mkdir -p "$root/lib"
  found=$(find "$root" -name "$loader" | head -1)
  ln -sfn "$(realpath --relative-to="$root/lib" "$found")" "$root/lib/$loader"
fi
[ -e "$root/usr/include/gcrypt.h" ] && [ -e "$root/usr/include/zlib.h" ] || {
  echo "arm-sysroot.sh: the $arch headers are missing from $root" >&2; exit 1; }
printf '%s\n' "${pkgs[@]}" > "$stamp"
echo "sysroot for $arch ($triplet) in $root"
