/* The compiled program's side of the indexed services: load the index into EAX and hand over
   to the service with the stack exactly as the caller built it. */
        .intel_syntax noprefix
        .text
        .globl  _ProgramIndexedCallStub
_ProgramIndexedCallStub:
        mov     eax, dword ptr [_ProgramPendingIndex]
        jmp     dword ptr [_ProgramPendingTarget]
