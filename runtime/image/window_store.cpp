// Until the form reader exists, a program can only have no windows: a non-empty form block is
// reported as unreadable, and no window can be found or loaded.
#include "runtime/image/window_store.h"

bool ReadFormBlock(const ImageHeader& header, WordList*)
{
    return header.formBlockSize <= 0;
}

WindowObject* FindWindowObject(uint32_t) { return nullptr; }
uint32_t WindowObjectId(const WindowObject*) { return 0; }
HWND WindowObjectHandle(const WindowObject*) { return nullptr; }
bool LoadWindow(WindowObject*, bool, HWND) { return false; }
void ReleaseWindowObject(WindowObject*) {}
bool RaiseWindowIdleEvent(WindowObject*, uint32_t) { return false; }
