; Demo boot file: entered at 0800:0000 by the boot sector loader, it prints
; one line behind the loader's progress, tells a watching emulator through
; the debug console port 0xE9 that it runs, and halts.
; Padded to a few sectors, so that the loader shows several "+".

bits 16
cpu 386
org 0

DebugPort equ 0xE9

    mov ax, cs
    mov ds, ax
    mov si, Banner
    mov ah, 0x0E
    mov bx, 0x0007
.nextChar:
    lodsb
    test al, al
    jz .printed
    int 0x10
    jmp .nextChar
.printed:
    mov si, Running
    mov dx, DebugPort
.nextDebugChar:
    lodsb
    test al, al
    jz .halt
    out dx, al
    jmp .nextDebugChar
.halt:
    cli
    hlt
    jmp .halt

Banner:
    db 13, 10, "BOOTROM.SYS is running.", 0
Running:
    db "running", 10, 0

    times 2000-($-$$) db 0
