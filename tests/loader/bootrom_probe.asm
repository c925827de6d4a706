; Test boot file for the end-to-end boots: entered at 0800:0000 by the boot
; sector loader, it checks what the loader promises and reports through the
; emulator's debug console (port 0xE9), one "key=value" line each, the first
; behind a line break of its own (the console may carry the emulator's text):
;   dl=HH        the drive number in DL at entry
;   drive=HH     the drive number in the boot sector at 0000:7C24
;   spt=HHHH heads=HHHH   the geometry words at 0000:7C18 and 0000:7C1A
;   sector=ok    the boot sector still at 0000:7C00 (texts and signature)
;   sum=ok       every byte of this file loaded: a rolling checksum over the
;                whole file, balanced to zero by the word appended behind it
;   screen=TEXT  the cursor's text row up to the cursor: what the loader wrote
;   end
; then stops at a magic breakpoint (xchg bx, bx: a no-operation but in an
; emulator that ends the run there) and halts. The body is padded with a
; position-dependent pattern to PROBE_SIZE bytes, so that a missing or
; misplaced sector changes the sum.

bits 16
cpu 386
org 0

%ifndef PROBE_SIZE
%define PROBE_SIZE 4100
%endif

DebugPort equ 0xE9

Entry:
    mov ax, cs
    mov ds, ax
    xor ax, ax
    mov es, ax                  ; ES: the boot sector's segment
    mov bp, dx                  ; DL at entry; the file itself stays unchanged

    mov si, TextDl
    call PutText
    mov ax, bp
    call PutHexByte
    mov si, TextDrive
    call PutText
    mov al, [es:0x7C24]
    call PutHexByte
    mov si, TextSpt
    call PutText
    mov ax, [es:0x7C18]
    call PutHexWord
    mov si, TextHeads
    call PutText
    mov ax, [es:0x7C1A]
    call PutHexWord

    mov si, TextSector
    call PutText
    mov si, TextBad
    cmp word [es:0x7DFE], 0xAA55
    jne .sectorKnown
    cmp dword [es:0x7DE1], "V1.6"
    jne .sectorKnown
    mov si, TextOk
.sectorKnown:
    call PutText

    ; Rolling sum: s = rotate_left(s, 1) xor word, over the file and its
    ; balancing word.
    xor bx, bx
    xor dx, dx
    mov cx, (PayloadEnd - Entry) / 2 + 1
.sumWord:
    rol dx, 1
    xor dx, [bx]
    add bx, 2
    loop .sumWord
    mov si, TextSum
    call PutText
    mov si, TextBad
    test dx, dx
    jnz .sumKnown
    mov si, TextOk
.sumKnown:
    call PutText

    ; The cursor position of page 0 in the BIOS data area, then the text
    ; screen at B800:0000, two bytes a character.
    mov si, TextScreen
    call PutText
    push ds
    mov ax, 0x0040
    mov ds, ax
    movzx cx, byte [0x50]       ; column
    mov al, [0x51]              ; row
    mov ah, 160
    mul ah
    xchg ax, si
    push 0xB800
    pop ds
    mov dx, DebugPort
    jcxz .rowDone
.rowChar:
    lodsw
    out dx, al
    loop .rowChar
.rowDone:
    pop ds

    mov si, TextEnd
    call PutText
    xchg bx, bx
.halt:
    cli
    hlt
    jmp .halt

; Sends the zero-terminated text at SI to the debug console.
PutText:
    push ax
    push dx
    mov dx, DebugPort
.next:
    lodsb
    test al, al
    jz .done
    out dx, al
    jmp .next
.done:
    pop dx
    pop ax
    ret

PutHexWord:
    push ax
    mov al, ah
    call PutHexByte
    pop ax
PutHexByte:
    push ax
    shr al, 4
    call PutHexDigit
    pop ax
PutHexDigit:
    push ax
    push dx
    and al, 0x0F
    add al, '0'
    cmp al, '9'
    jbe .out
    add al, 'A' - '9' - 1
.out:
    mov dx, DebugPort
    out dx, al
    pop dx
    pop ax
    ret

TextDl:     db 10, "dl=", 0
TextDrive:  db 10, "drive=", 0
TextSpt:    db 10, "spt=", 0
TextHeads:  db " heads=", 0
TextSector: db 10, "sector=", 0
TextSum:    db 10, "sum=", 0
TextScreen: db 10, "screen=", 0
TextOk:     db "ok", 0
TextBad:    db "bad", 0
TextEnd:    db 10, "end", 10, 0

    align 2
%assign i 0
%rep (PROBE_SIZE - 2 - ($ - $$)) / 2
    dw (i * 0x9E37 + 0x79B9) & 0xFFFF
%assign i i + 1
%endrep
PayloadEnd:
