#!/bin/sh
# The guest's first process. It mounts the host's root read-only over 9p with
# a writable layer in memory on top at /host (writes never reach the host),
# gives that root the guest's own /proc, /sys and /dev, makes the host's
# modprobe the kernel's module loader, brings up the network when asked and
# then serves the host's commands on the control port, the second serial port.
# Kernel command line:
#   ombix.modroot=PATH  host folder with lib/modules/<release> (the unpacked kernel package)
#   ombix.net=1         eth0 up at 10.0.2.15/24, as QEMU's user network expects
export PATH=/bin
control=/dev/ttyS1
mount -t devtmpfs devtmpfs /dev
exec </dev/console >/dev/console 2>&1
mkdir -p /dev/pts
mount -t devpts devpts /dev/pts
mount -t proc proc /proc
mount -t sysfs sysfs /sys

# Tells the host why the guest cannot serve it, and powers off.
fail() {
  echo "ombix guest: $*"
  stty -F "$control" raw -echo -iexten
  echo "@@FAILED $*" > "$control"
  poweroff -f
}

modroot=
net=
for word in $(cat /proc/cmdline); do
  case $word in
    ombix.modroot=*) modroot=${word#*=} ;;
    ombix.net=*) net=${word#*=} ;;
  esac
done
[ -n "$modroot" ] || fail "no ombix.modroot= on the kernel command line"
echo "$modroot" > /etc/ombix-modroot

while read -r module; do
  insmod "/lib/modules/$module" || fail "cannot load $module"
done < /etc/boot-modules

mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000,cache=loose hostroot /lower ||
  fail "cannot mount the host's root over 9p"
mount -t tmpfs -o mode=0755 tmpfs /upper && mkdir /upper/data /upper/work &&
  mount -t overlay -o lowerdir=/lower,upperdir=/upper/data,workdir=/upper/work overlay /host ||
  fail "cannot lay a writable layer over the host's root"
for tree in proc sys dev; do
  mount --rbind "/$tree" "/host/$tree" || fail "cannot mount /$tree in the host's root"
done
[ -d "/host$modroot/lib/modules/$(uname -r)" ] || fail "no modules for $(uname -r) in $modroot"
echo /bin/ombix-modprobe > /proc/sys/kernel/modprobe

# The simulators are configured through configfs; mounted in both roots.
ombix-modprobe configfs && mount -t configfs configfs /sys/kernel/config &&
  mount -t configfs configfs /host/sys/kernel/config || fail "cannot mount configfs"

ip link set lo up
if [ "$net" = 1 ]; then
  ombix-modprobe virtio_net || fail "cannot load virtio_net"
  ip link set eth0 up && ip addr add 10.0.2.15/24 dev eth0 && ip route add default via 10.0.2.2 ||
    fail "cannot bring up eth0"
fi
hostname ombix-guest

ombix-control "$control"
fail "the control port closed"
