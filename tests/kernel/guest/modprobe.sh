#!/bin/sh
# Loads modules of the guest's kernel, for the kernel itself (its module
# loader, /proc/sys/kernel/modprobe) and for the tests: the host's modprobe,
# run in the host's root on the unpacked kernel package whose path init wrote
# to /etc/ombix-modroot, without the host's own modprobe configuration.
exec chroot /host /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
  modprobe -C /dev/null -d "$(cat /etc/ombix-modroot)" "$@"
