#!/usr/bin/env bash
# Runs .ci/run in a clean Debian 12 root, as on a new user's machine: a minimal debootstrap root
# with nothing else installed, and a clean clone of the committed HEAD (not the working tree).
# Needs root. Prints the elapsed time and exits with .ci/run's status.
#
#   scripts/check-fresh-debian.sh [DIR]
#
#   DIR                 folder the root is unpacked in: absent or empty, kept afterwards for a
#                       look at the build (default: a new folder under /var/tmp, removed after)
#   RASTOVA_ROOT_CACHE  tarball of the pristine root: made by debootstrap on first use, then
#                       unpacked afresh for every check
#                       (default: ~/.cache/rastova/debian-bookworm-minbase.tar)
#   RASTOVA_MIRROR      Debian mirror for debootstrap (default: http://deb.debian.org/debian)
set -euo pipefail
cd "$(dirname "$0")/.."
project=$(pwd)
started=$(date +%s)

say() { echo "check-fresh-debian: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
    say "run as root: debootstrap, mount and chroot need it"
    exit 2
fi
if ! command -v debootstrap >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi

cache=${RASTOVA_ROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/rastova/debian-bookworm-minbase.tar}
mirror=${RASTOVA_MIRROR:-http://deb.debian.org/debian}
keep=0
if [ $# -gt 0 ]; then
    root=$1
    keep=1
    mkdir -p "$root"
    if [ -n "$(ls -A "$root")" ]; then
        say "$root is not empty; give a new or empty folder"
        exit 2
    fi
else
    root=$(mktemp -d /var/tmp/rastova-debian.XXXXXX)
fi
root=$(cd "$root" && pwd)

mounted=()
cleanup() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[i]}" || umount -R -l "${mounted[i]}" || true
    done
    # Never delete through a mount that is still there.
    if grep -q " $root/" /proc/self/mounts; then
        say "something is still mounted under $root; not removing it"
    elif [ "$keep" -eq 0 ]; then
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -f "$cache" ]; then
    say "unpacking the pristine root from $cache"
    tar -C "$root" --numeric-owner -xpf "$cache"
else
    say "building a minimal Debian 12 root with debootstrap (cached in $cache)"
    debootstrap --variant=minbase bookworm "$root" "$mirror"
    mkdir -p "$(dirname "$cache")"
    tar -C "$root" --numeric-owner -cf "$cache.part" .
    mv "$cache.part" "$cache"
fi

# A root folder made by mktemp is private; every user must be able to reach the system in it.
chmod 755 "$root"
# The network as the host has it, and no services started by packages installed in the root.
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# npm fetches over TLS; where the host's network needs certificate authorities of its own (a
# proxy's), Node.js in the root is given the host's.
node_ca=()
if [ -f /etc/ssl/certs/ca-certificates.crt ]; then
    cp -L /etc/ssl/certs/ca-certificates.crt "$root/etc/host-ca-certificates.crt"
    node_ca=(NODE_EXTRA_CA_CERTS=/etc/host-ca-certificates.crt)
fi
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

head=$(git rev-parse HEAD)
source_dir=/usr/src/rastova
git clone -q --no-hardlinks "$project" "$root$source_dir"
git -C "$root$source_dir" checkout -q --detach "$head"
say "checking $head in $root"

mount -t proc proc "$root/proc"
mounted+=("$root/proc")
for dir in sys dev; do
    mount --rbind "/$dir" "$root/$dir"
    mount --make-rslave "$root/$dir"
    mounted+=("$root/$dir")
done

ci_started=$(date +%s)
status=0
chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${node_ca[@]}" \
    /bin/bash -c "cd $source_dir && .ci/run" || status=$?

finished=$(date +%s)
minutes() { echo "$(($1 / 60)) min $(($1 % 60)) s"; }
say "$head: .ci/run exited with status $status"
say "elapsed: .ci/run $(minutes $((finished - ci_started))), whole check $(minutes $((finished - started)))"
exit "$status"
