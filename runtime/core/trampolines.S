/* Entry points whose callers' arguments must reach another routine untouched: the declared DLL
   command service, the internal routine service, and the shielded call of compiled routines.
   32-bit x86, cdecl names with the leading underscore. */
        .intel_syntax noprefix
        .text

/* Service 1. EAX = declared DLL index; the stack holds the DLL command's own arguments and the
   caller's return address, exactly as the DLL entry expects them. ECX and EDX may carry
   register arguments of the entry, so they survive the resolution. */
        .globl  _Service1Entry
_Service1Entry:
        push    ecx
        push    edx
        push    eax
        call    _ResolveDllCommand
        add     esp, 4
        pop     edx
        pop     ecx
        jmp     eax

/* Service 12. EAX = internal routine index; the routine's own arguments are on the stack. */
        .globl  _Service12Entry
_Service12Entry:
        cmp     eax, 6
        ja      1f
        jmp     dword ptr [_InternalRoutineTable + eax*4]
1:      push    eax
        call    _ReportBadInternalRoutine

/* int CallShielded(int (*routine)(void)): the runtime's registers, stack pointer and direction
   flag are the same after the call whatever the routine left behind. */
        .globl  _CallShielded
_CallShielded:
        push    ebp
        mov     ebp, esp
        push    ebx
        push    esi
        push    edi
        call    dword ptr [ebp + 8]
        cld
        lea     esp, [ebp - 12]
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret
