# Sourced by the setup, run and test scripts: can this host run 32-bit programs at all?
# Some kernels refuse every 32-bit x86 executable ("Exec format error"); Wine cannot start a
# 32-bit Windows program there in any mode. A static i386 program of three instructions, made
# with the system's assembler and linker, answers in a millisecond.
#   host32_check DIR   0 when 32-bit programs run; otherwise 1, with the reason in HOST32_REASON

HOST32_REASON=""

host32_check() {
  local dir=$1 probe out
  mkdir -p "$dir"
  probe="$dir/exit0"
  if [ ! -x "$probe" ]; then
    printf '.globl _start\n_start:\n  movl $1, %%eax\n  xorl %%ebx, %%ebx\n  int $0x80\n' >"$dir/exit0.s"
    if ! as --32 "$dir/exit0.s" -o "$dir/exit0.o" 2>"$dir/exit0.log" \
       || ! ld -m elf_i386 "$dir/exit0.o" -o "$probe" 2>>"$dir/exit0.log"; then
      HOST32_REASON="this host cannot run 32-bit Windows programs: no 32-bit test program could be made ($(head -n 1 "$dir/exit0.log"))"
      return 1
    fi
  fi
  if out=$("$probe" 2>&1); then
    return 0
  fi
  case "$out" in
    *"Exec format error"*)
      HOST32_REASON="this host cannot run 32-bit Windows programs: its kernel refuses every 32-bit executable (Exec format error), so Wine cannot start them" ;;
    *)
      HOST32_REASON="this host cannot run 32-bit Windows programs: a 32-bit test program failed (${out:-exit code not 0})" ;;
  esac
  return 1
}
