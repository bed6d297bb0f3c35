// The process entry of framework programs. Built as an OBJECT library (tavori_framework_entry)
// so that it is linked into every program that names it, which a static library cannot promise.
#include "runtime/framework/app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int cmdShow) {
    return FrameworkMain(instance, cmdLine, cmdShow);
}
