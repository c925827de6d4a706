# Boots a disk image in a headless PC emulator and captures what it shows.
# Sourced by the end-to-end loader test and by scripts/demo-boot.sh.
#
# qemu_boot IMAGE MEDIA WORKDIR SECONDS [SCREEN_TEXT]
#   MEDIA is floppy, floppy-in-2880k-drive (any floppy image in the drive
#   type whose BIOS geometry is 36 sectors per track) or disk. Watches the debug console (port 0xE9) for a line
#   "end" and the text screen for SCREEN_TEXT, at most SECONDS long; then
#   leaves WORKDIR/debugcon.log and WORKDIR/screen.txt (the text screen, one
#   line per row, blank rows left out) and stops the emulator.

# screen_text FILE: the characters of an 80x25 text screen dump.
screen_text() {
  od -An -v -tu1 -w160 "$1" | awk '{
    line = ""
    for (i = 1; i <= NF; i += 2) line = line sprintf("%c", ($i < 32 || $i > 126) ? 32 : $i)
    sub(/ +$/, "", line)
    if (line != "") print line
  }'
}

# save_screen MONITOR_FD WORKDIR: dumps the text screen through the monitor.
save_screen() {
  local monitor=$1 work=$2 tries=0
  rm -f "$work/screen.bin"
  echo "pmemsave 0xb8000 4000 \"$work/screen.bin\"" >&"$monitor"
  while [ "$(stat -c %s "$work/screen.bin" 2> /dev/null || echo 0)" -lt 4000 ] && [ $tries -lt 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
  if [ -f "$work/screen.bin" ]; then
    screen_text "$work/screen.bin" > "$work/screen.txt"
  else
    : > "$work/screen.txt"
  fi
}

qemu_boot() {
  local image=$1 media=$2 work=$3 seconds=$4 wanted=${5:-}
  local drive boot
  case $media in
    floppy) drive=(-drive "file=$image,format=raw,if=floppy"); boot=a ;;
    floppy-in-2880k-drive)
      drive=(-drive "file=$image,format=raw,if=none,id=floppy" -device floppy,drive=floppy,drive-type=288)
      boot=a ;;
    disk) drive=(-drive "file=$image,format=raw,if=ide"); boot=c ;;
    *) echo "qemu_boot: unknown media $media" >&2; return 2 ;;
  esac
  rm -f "$work/monitor.in" "$work/monitor.out" "$work/debugcon.log" "$work/screen.txt"
  mkfifo "$work/monitor.in" "$work/monitor.out"
  # No KVM here: the emulator translates code (TCG). The outer timeout bounds
  # the run even if the monitor stops answering.
  timeout $((seconds + 10)) qemu-system-i386 -machine accel=tcg -display none -no-reboot -net none \
    -serial none -parallel none "${drive[@]}" -boot "$boot" \
    -debugcon "file:$work/debugcon.log" -monitor "pipe:$work/monitor" &
  local emulator=$!
  # Opened for reading and writing, a FIFO never blocks the open, even when
  # the emulator failed to start.
  local to_monitor from_monitor
  exec {to_monitor}<>"$work/monitor.in"
  exec {from_monitor}<>"$work/monitor.out"
  cat <&"$from_monitor" > "$work/monitor.log" &
  local reader=$!

  local deadline=$((SECONDS + seconds))
  while [ $SECONDS -lt $deadline ]; do
    sleep 0.5
    grep -qx end "$work/debugcon.log" 2>/dev/null && break
    if [ -n "$wanted" ]; then
      save_screen "$to_monitor" "$work"
      grep -qF -- "$wanted" "$work/screen.txt" && break
    fi
  done
  save_screen "$to_monitor" "$work"
  echo quit >&"$to_monitor"
  wait "$emulator" || true
  kill "$reader" 2> /dev/null || true
  wait "$reader" 2> /dev/null || true
  exec {to_monitor}>&- {from_monitor}<&-
  rm -f "$work/monitor.in" "$work/monitor.out"
}
