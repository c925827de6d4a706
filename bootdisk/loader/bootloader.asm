; Boot sector loader of a FAT12 or FAT16 drive prepared by vxbootdisk.
;
; A PC BIOS loads the sector to 0000:7C00 and enters it at offset 0 with the
; boot drive in DL. The loader finds "BOOTROM SYS" in the root directory,
; reads it as one contiguous run of sectors from its first cluster on to
; 0800:0000 and jumps there. The file allocation table is never read.
;
; Assembled with `nasm -f bin` into the 512-byte BootLoaderTemplate. The tool
; copies 0x000-0x002 and 0x03E-0x1FD of it into the drive's own boot sector;
; every other byte of the template is zero, and the drive keeps its BPB and
; its signature.
;
; Memory map (all data addressing uses segment 0; the code runs at
; 0000:7Cxx whichever of 0000:7C00 and 07C0:0000 the BIOS entered):
;   0000:0500      the lowest address the stack may reach (below: BIOS data)
;   0000:7B00      initial stack pointer, SS = 0; the stack grows down, away
;                  from the variable, so that a BIOS running on the caller's
;                  stack has 29 KiB of it
;   0000:7BF8  4   current sector, 32-bit, counted from the start of the disk:
;                  the next root directory sector to search, then the next
;                  sector of the boot file to load (BP-relative: a byte
;                  shorter than an absolute address)
;   0000:7C00  512 this sector; BPB fields are read in place
;   0000:7C18  2   sectors per track: replaced by the BIOS value on a hard disk
;   0000:7C1A  2   number of heads: replaced by the BIOS value on a hard disk
;   0000:7C24  1   drive number, replaced by DL at entry
;   0000:7C36  2   directory entry size, 32 or 64 (over the file system text)
;   0000:7D7E  4   far pointer of the final jump, 0800:0000 (sector 0x17E)
;   0000:7E00      one root directory sector
;   0800:0000      the boot file; each sector goes bytes-per-sector higher
; Registers that live across the code: BP = 0x7C00 throughout; DI counts the
; root directory sectors not yet read, then the file sectors still to load.
;
; Byte budget of the sector:
;   0x000   3  short jump to 0x03E and a no-operation
;   0x003  59  BPB, kept from the drive (zero in the template)
;   0x03E 418  code; the code must end before 0x1E0
;   0x1E0   1  message switch byte: non-zero silences every text
;   0x1E1      "V1.6", "!Rd", "!BOOTROM SYS", "+" (each zero-terminated)
;   0x1F9   5  "VXEXT", compared with the OEM name
;   0x1FE   2  zero here; the built sector keeps the drive's signature
; Every text sits behind `times` padding, so the assembler itself refuses
; code that grows into the texts, and a text that moves out of place. The far
; pointer of the final jump stands at 0x17E behind `times` padding too: the
; code before it must end at 0x17D, the code after it before 0x1E0. The build
; prints how many of the 418 code bytes are used and how many of them pad
; before the far jump.
;
; What the loader assumes of a BIOS call: it keeps the segment registers
; (ES aside after INT 13h 08h), SP and the direction flag. Any general
; register may change, results or not (BIOSes differ in SI, DI, BP, DL and the
; upper halves of the 32-bit registers): the loader keeps around each call
; what it needs. A BIOS may run on the loader's stack, as deep as it likes
; down to 0000:0500: the variable lies above the stack.
;
; The code needs a 386 or later (32-bit operands in real mode, pusha, movzx).

bits 16
cpu 386
org 0x7C00
%ifdef LOADER_MAP
[map symbols LOADER_MAP]
%endif

; BPB fields, addressed from BP = 0x7C00 to keep the code short.
OemName           equ 0x03
BytesPerSector    equ 0x0B
SectorsPerCluster equ 0x0D
ReservedSectors   equ 0x0E
NumberOfFats      equ 0x10
RootEntries       equ 0x11
SectorsPerFat     equ 0x16
SectorsPerTrack   equ 0x18
NumberOfHeads     equ 0x1A
HiddenSectors     equ 0x1C
DriveNumber       equ 0x24
EntrySize         equ 0x36

; The one variable, addressed from BP as well.
CurrentSector     equ -8

SectorBase        equ 0x7C00
StackTop          equ 0x7B00
DirectoryBuffer   equ 0x7E00
LoadSegment       equ 0x0800
FarPointerOffset  equ 0x17E
; ReadSector is called only with SP = StackTop: inside it, below its return
; address and the 16 bytes of its pusha, SP has this value.
ReadSectorStack   equ StackTop - 2 - 16

%if SectorBase + CurrentSector < StackTop
%error the stack must lie below the variables
%endif

    jmp short Start
    nop
    times 0x03E-($-$$) db 0

Start:
    ; CS:IP = 0000:7Cxx, whether the BIOS entered at 0000:7C00 or 07C0:0000,
    ; and segment registers of 0 rather than copies of CS: the code and its
    ; data addresses assume segment 0. Moving to SS holds interrupts off
    ; until SP is set too.
    jmp 0:.normalized
.normalized:
    xor ax, ax
    mov ds, ax
    mov ss, ax
    mov sp, StackTop
    sti
    mov bp, SectorBase
    mov [bp + DriveNumber], dl
    ; A floppy drive reports its own geometry, whatever disk is in it (a
    ; 720K disk in a 1.44 MB drive), or none at all: the BPB describes the
    ; disk and stays. A hard disk takes the BIOS geometry.
    test dl, dl
    jns .geometryKnown
    mov ah, 0x08
    push bp
    int 0x13
    pop bp
    jc .geometryKnown
    and cx, 0x3F
    mov [bp + SectorsPerTrack], cx
    ; A 16-bit sum, so that a BIOS reporting 256 heads (DH = 255) gives 256
    ; and not a head count of 0 that would divide by zero.
    movzx dx, dh
    inc dx
    mov [bp + NumberOfHeads], dx
.geometryKnown:
    push ds                     ; only now: function 08h returns a table in ES:DI
    pop es
    cld

    mov si, TextStart
    call PrintText

    ; Root directory start = reserved + hidden + FATs * sectors per FAT.
    movzx ax, byte [bp + NumberOfFats]
    mul word [bp + SectorsPerFat]
    add ax, [bp + ReservedSectors]
    adc dx, 0
    add ax, [bp + HiddenSectors]
    adc dx, [bp + HiddenSectors + 2]
    mov [bp + CurrentSector], ax
    mov [bp + CurrentSector + 2], dx

    lea si, [bp + OemName]
    mov di, TextExtended
    mov cx, 5
    repe cmpsb
    mov ax, 32
    jne .entrySizeKnown
    shl ax, 1
.entrySizeKnown:
    mov [bp + EntrySize], ax

    ; Root directory sectors, rounded up. The product stays 32-bit, so that a
    ; root directory of 64 KiB or more is still counted right.
    mul word [bp + RootEntries]
    mov cx, [bp + BytesPerSector]
    dec cx
    add ax, cx
    adc dx, 0
    inc cx
    div cx
    xchg ax, di                 ; DI = root directory sectors not yet read

SearchSector:
    dec di
    js FileMissing
    mov bx, DirectoryBuffer
    call ReadSector
.compareEntry:
    pusha
    mov si, TextFileName
    mov di, bx
    mov cx, 11
    repe cmpsb
    popa
    je FileFound
    add bx, [bp + EntrySize]
    lea ax, [bx - DirectoryBuffer]
    cmp ax, [bp + BytesPerSector]
    jb .compareEntry
    jmp SearchSector

FileMissing:
    mov si, TextNotFound
    jmp StopWithText

; Writes the zero-terminated text at SI unless the message switch byte is
; set, each character with every register kept around the call. Changes AX
; and SI.
PrintText:
    cmp byte [MessageSwitch], 0
    jne .return
.nextChar:
    lodsb
    test al, al
    jz .return
    pusha
    mov bx, 0x0007
    mov ah, 0x0E
    int 0x10
    popa
    jmp .nextChar
.return:
    ret

FileFound:
    ; Cluster and size are the last 6 bytes of a 32- or 64-byte entry. The
    ; data area follows the directory sectors not yet read (DI), and cluster
    ; 2 is its first.
    add bx, [bp + EntrySize]
    mov ax, [bx - 6]
    dec ax
    dec ax
    movzx cx, byte [bp + SectorsPerCluster]
    mul cx
    add ax, di
    adc dx, 0
    add [bp + CurrentSector], ax
    adc [bp + CurrentSector + 2], dx
    mov ax, [bx - 4]
    mov dx, [bx - 2]
    div word [bp + BytesPerSector]
    inc ax
    xchg ax, di                 ; DI = sectors of the boot file still to read

    push LoadSegment
    pop es
    xor bx, bx
LoadSector:
    call ReadSector
    mov si, TextProgress
    call PrintText
    dec di
    jz LoadDone
    ; One whole sector higher, also for sectors longer than 512 bytes.
    mov ax, [bp + BytesPerSector]
    shr ax, 4
    mov dx, es
    add ax, dx
    mov es, ax
    jmp LoadSector

; The part of ReadSector for sectors beyond CHS reach. It stands here, before
; the final jump, so that the code around the far pointer at sector offset
; 0x17E is balanced.
ExtendedRead:
    ; The check answers in BX and CX; pusha keeps the destination and the
    ; attempt count, and BP, whatever the BIOS does to them.
    pusha
    mov ah, 0x41
    mov bx, 0x55AA
    mov dl, [bp + DriveNumber]
    int 0x13
    jc .checked                 ; no extensions
    cmp bx, 0xAA55
    stc
    jne .checked                ; no signature
    shr cx, 1                   ; bit 0: the extended read is offered
    cmc
.checked:
    popa
    jc ReadFailed
    ; Disk address packet: size 16, one sector, ES:BX, 64-bit sector number.
    push dword 0
    push dword [bp + CurrentSector]
    push es
    push bx
    push byte 1
    push byte 16
    mov si, sp
    mov ah, 0x42
    call DiskService
    mov sp, ReadSectorStack     ; drops the packet and keeps the carry
    jmp ReadChecked

LoadDone:
    test byte [bp + DriveNumber], 0x80
    jnz .jumpToFile
    mov dx, 0x3F2               ; floppy digital output register: motor off
    mov al, 0
    out dx, al
.jumpToFile:
    mov dl, [bp + DriveNumber]
far_jump_padding:
    times FarPointerOffset - 1 - ($-$$) nop
    jmp LoadSegment:0x0000

; Reads the sector numbered at CurrentSector into ES:BX and moves
; CurrentSector on by one: five attempts with a disk reset between them.
; Sectors that CHS cannot address (a track number above 16 bits, a cylinder
; of 1024 or more) are read through the BIOS extended read when the BIOS
; offers it. Keeps every register. A sector that cannot be read shows the
; read error and stops the machine: ReadSector does not return then.
ReadSector:
    pusha
    mov di, 5
ReadAttempt:
    mov ax, [bp + CurrentSector]
    mov dx, [bp + CurrentSector + 2]
    mov cx, [bp + SectorsPerTrack]
    cmp dx, cx
    jae ExtendedRead            ; the track would not fit 16 bits (or no sectors per track)
    div cx
    inc dx
    mov cx, dx                  ; CL = sector within the track, from 1
    xor dx, dx
    cmp [bp + NumberOfHeads], dx
    je ExtendedRead             ; no head count to divide by
    div word [bp + NumberOfHeads]
    cmp ax, 1024
    jae ExtendedRead
    mov ch, al
    shl ah, 6
    or cl, ah                   ; cylinder bits 8 and 9 into CL bits 6 and 7
    mov dh, dl
    mov ax, 0x0201
    call DiskService
ReadChecked:
    jnc ReadDone
    dec di
    jz ReadFailed
    mov ah, 0
    call DiskService
    jmp ReadAttempt
ReadDone:
    inc dword [bp + CurrentSector]
    popa
    ret

; INT 13h function AH for the boot drive, with every register kept around
; the call, whatever the BIOS changes; returns its carry.
DiskService:
    pusha
    mov dl, [bp + DriveNumber]
    int 0x13
    popa
    ret

ReadFailed:
    mov si, TextReadError
StopWithText:
    call PrintText
Stop:
    jmp Stop

code_end:
    times 0x1E0-($-$$) db 0
MessageSwitch:
    db 0
TextStart:
    db "V1.6", 0
    times 0x1E6-($-$$) db 0
TextReadError:
    db "!Rd", 0
    times 0x1EA-($-$$) db 0
TextNotFound:
    db "!"
TextFileName:
    db "BOOTROM SYS", 0
    times 0x1F7-($-$$) db 0
TextProgress:
    db "+", 0
    times 0x1F9-($-$$) db 0
TextExtended:
    db "VXEXT"
    times 0x200-($-$$) db 0
