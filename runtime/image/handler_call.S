/* uint64_t CallHandlerWords(const void* handler, const uint32_t* words, int32_t count)
   Calls an event handler (cdecl) with `count` argument words, first word first, and answers
   what it left in EDX:EAX. The stack pointer is restored from the frame, so a handler that
   pops its own arguments cannot unbalance the caller. */
        .intel_syntax noprefix
        .text
        .globl  _CallHandlerWords
_CallHandlerWords:
        push    ebp
        mov     ebp, esp
        push    ebx
        push    esi
        push    edi
        mov     ecx, [ebp + 16]         /* count */
        mov     esi, [ebp + 12]         /* words */
1:      test    ecx, ecx
        jle     2f
        push    dword ptr [esi + ecx*4 - 4]
        dec     ecx
        jmp     1b
2:      call    dword ptr [ebp + 8]
        cld
        lea     esp, [ebp - 12]
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret
