/* The compiled program's side of the indexed services (1 and 12): they take their index in EAX
   and find their arguments on the stack exactly as the caller laid them out.

   ProgramCallIndexed(target, index, args, bytes) copies `bytes` bytes of arguments into a fresh
   frame, calls `target` with EAX = index and restores the stack from the frame pointer, so the
   callee may clean its arguments (stdcall) or leave them (cdecl). EAX:EDX and ST0 come back
   untouched: one routine serves every result type. Nothing is kept outside the stack, so calls
   from several threads and calls nested in another call's arguments do not meet. */
        .intel_syntax noprefix
        .text
        .globl  _ProgramCallIndexed
        .globl  _ProgramCallIndexedReal
_ProgramCallIndexed:
_ProgramCallIndexedReal:
        push    ebp
        mov     ebp, esp
        push    esi
        push    edi
        mov     ecx, dword ptr [ebp + 20]
        sub     esp, ecx
        and     esp, -16
        mov     esi, dword ptr [ebp + 16]
        mov     edi, esp
        cld
        rep movsb
        mov     eax, dword ptr [ebp + 12]
        call    dword ptr [ebp + 8]
        lea     esp, [ebp - 8]
        pop     edi
        pop     esi
        pop     ebp
        ret
