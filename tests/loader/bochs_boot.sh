# Boots a disk image in Bochs, a PC emulator with a BIOS and disk emulation
# of its own, headless, and captures its debug console. Sourced by the
# end-to-end loader test.
#
# bochs_boot IMAGE MEDIA WORKDIR SECONDS
#   MEDIA is floppy1440, floppy2880, floppy720 (a 720K disk in a 1.44 MB
#   drive) or disk (the first ATA hard disk). Leaves WORKDIR/debugcon.log
#   (what the boot file wrote to port 0xE9, one line each, among Bochs's own
#   lines) and WORKDIR/bochs.log. Fails when the run took SECONDS.
#
# The boot file ends the run: a magic breakpoint (xchg bx, bx) stops Bochs in
# its debugger, whose command file then quits. A boot that never gets there
# is killed after SECONDS. Bochs's text display needs a terminal: `script`
# gives it one, and TERM is set for it (CI may have none).

# bochs_available: Bochs, its BIOS and the VGA BIOS are installed.
bochs_available() {
  command -v bochs > /dev/null && [ -f /usr/share/bochs/BIOS-bochs-latest ] && [ -f /usr/share/vgabios/vgabios.bin ]
}

bochs_boot() {
  local image=$1 media=$2 work=$3 seconds=$4
  local drive boot
  case $media in
    floppy1440) drive="floppya: type=1_44, 1_44=\"$image\", status=inserted"; boot=floppy ;;
    floppy2880) drive="floppya: type=2_88, 2_88=\"$image\", status=inserted"; boot=floppy ;;
    floppy720) drive="floppya: type=1_44, 720k=\"$image\", status=inserted"; boot=floppy ;;
    disk) drive="ata0-master: type=disk, path=\"$image\", mode=flat"; boot=disk ;;
    *) echo "bochs_boot: unknown media $media" >&2; return 2 ;;
  esac
  rm -f "$work/debugcon.log" "$work/bochs.log" "$work/typescript"
  # As fast as the host allows (no real-time clock sync); a panic ends the run.
  cat > "$work/bochsrc" <<EOF
megs: 32
romimage: file=/usr/share/bochs/BIOS-bochs-latest
vgaromimage: file=/usr/share/vgabios/vgabios.bin
display_library: term
$drive
boot: $boot
port_e9_hack: enabled=1
magic_break: enabled=1
clock: sync=none
speaker: enabled=0
sound: driver=dummy
log: $work/bochs.log
panic: action=fatal
EOF
  printf 'c\nquit\n' > "$work/bochs.commands"
  # The inner timeout ends Bochs itself (killed: it takes SIGTERM to its
  # debugger prompt); the outer one bounds the run even if the terminal does
  # not come up.
  local status=0
  TERM=xterm timeout $((seconds + 10)) script -qfec \
    "timeout -s KILL $seconds bochs -q -f '$work/bochsrc' -rc '$work/bochs.commands'" \
    "$work/typescript" < /dev/null > /dev/null 2>&1 || status=$?
  tr -d '\r' < "$work/typescript" > "$work/debugcon.log" 2> /dev/null || : > "$work/debugcon.log"
  return $status
}
