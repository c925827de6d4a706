#!/usr/bin/env bash
# Prepares what the kernel tests boot, in RIG_DIR (a folder of the build
# tree): the kernel package that linux-image-amd64 depends on today, unpacked
# and never installed; the kernel's simulator drivers and our test devices
# built as modules against the matching headers; a busybox initramfs.
# Each step runs again only when its inputs changed, so a second run does
# nothing. The fixture reads RIG_DIR/current/rig.conf.
#
#   prepare.sh RIG_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
rig_source=$(dirname "$here")
rig=$(realpath -m "$1")  # kbuild and the guests need absolute paths

log() { echo "kernel rig: $*"; }
die() { echo "kernel rig: $*" >&2; exit 1; }

mkdir -p "$rig"
exec 9>"$rig/.lock"
flock 9

# The kernel of the day, "Depends: linux-image-<release> (= <version>)"; the
# name changes with security updates. One look-up: apt reads all its lists
# for each.
depends=$(apt-cache show --no-all-versions linux-image-amd64 2>/dev/null | sed -n 's/^Depends: \(linux-image-[^ ,]*\) (= \([^)]*\)).*/\1 \2/p' | head -n 1)
read -r package version <<< "$depends" || true
[ -n "${version:-}" ] || die "linux-image-amd64 names no kernel package (are the package lists there? apt-get update)"
release=${package#linux-image-}
series=$(echo "$release" | cut -d. -f1,2)
headers_version=$(dpkg-query -W -f='${Version}' "linux-headers-$release" 2>/dev/null || true)
[ "$headers_version" = "$version" ] ||
  die "building modules needs linux-headers-$release $version (installed: ${headers_version:-none}); run scripts/install-deps.sh"

dir=$rig/${release}_$version
mkdir -p "$dir"

# step NAME KEY COMMAND...: runs COMMAND unless the step's stamp holds KEY.
# A step's key includes the keys of the steps it builds on.
step() {
  local name=$1 key=$2
  shift 2
  if [ -f "$dir/$name.stamp" ] && [ "$(cat "$dir/$name.stamp")" = "$key" ]; then
    return 0
  fi
  rm -f "$dir/$name.stamp"
  log "$name"
  "$@"
  echo "$key" > "$dir/$name.stamp"
}
key_of() { cat "$@" | sha256sum | cut -d' ' -f1; }

image_key=$(echo "$package $version $(key_of "$here/unpack_image.sh" "$here/download.sh" "$here/extract_vmlinux.sh")" | sha256sum | cut -d' ' -f1)
step image "$image_key" bash "$here/unpack_image.sh" "$dir" "$package" "$version"

source_lists=("$rig_source"/modules/*/kernel-sources.txt)
source_key=$(echo "$version $(key_of "$here/extract_sources.sh" "${source_lists[@]}")" | sha256sum | cut -d' ' -f1)
step source "$source_key" bash "$here/extract_sources.sh" "$dir" "$series" "$version" "${source_lists[@]}"

module_files=$(find "$rig_source/modules" -type f | LC_ALL=C sort)
# shellcheck disable=SC2086
modules_key=$(echo "$image_key $source_key $headers_version $(key_of "$here/build_modules.sh" $module_files)" | sha256sum | cut -d' ' -f1)
step modules "$modules_key" bash "$here/build_modules.sh" "$dir" "$release" "$rig_source/modules"

busybox_version=$(dpkg-query -W -f='${Version}' busybox-static)
initramfs_key=$(echo "$modules_key $busybox_version $(key_of "$here/make_initramfs.sh" "$rig_source"/guest/*)" | sha256sum | cut -d' ' -f1)
step initramfs "$initramfs_key" bash "$here/make_initramfs.sh" "$dir" "$release" "$rig_source/guest"

conf="kernel=$dir/vmlinux
initramfs=$dir/initramfs.cpio.gz
modroot=$dir/image
release=$release
version=$version"
if [ "$(cat "$dir/rig.conf" 2>/dev/null)" != "$conf" ]; then
  echo "$conf" > "$dir/rig.conf"
fi
if [ "$(readlink "$rig/current" 2>/dev/null)" != "$(basename "$dir")" ]; then
  ln -sfn "$(basename "$dir")" "$rig/current.new"
  mv -T "$rig/current.new" "$rig/current"
  # Kernels of earlier days are no longer booted.
  for old in "$rig"/*_*; do
    [ "$old" = "$dir" ] || rm -rf "$old"
  done
fi
log "ready: $release ($version)"
