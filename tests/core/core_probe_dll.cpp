// A library of the tests, exporting an entry by ordinal for the declared-command resolver.
#include <windows.h>

extern "C" __declspec(dllexport) int WINAPI Twice(int value) { return 2 * value; }
