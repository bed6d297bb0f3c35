// The program's windows as the runtime keeps them: one WindowObject per window description of
// the form block. This is the runtime core's view of them: find, load, release, ask whether one
// is on screen and give it its idle step.
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/image/image_records.h"

class WordList;
class WindowObject;

// Reads the form block of the image into window objects appended to `windows`, relocating the
// handler references; false when the block cannot be read.
bool ReadFormBlock(const ImageHeader& header, WordList* windows);

WindowObject* FindWindowObject(uint32_t windowId);
uint32_t WindowObjectId(const WindowObject* window);
// The platform window of the window's live window unit, or null when it is not loaded.
HWND WindowObjectHandle(const WindowObject* window);
// Creates the window and its units; false when the window cannot be loaded.
bool LoadWindow(WindowObject* window, bool modal, HWND parent);
// Destroys a loaded window and frees the object.
void ReleaseWindowObject(WindowObject* window);
// Raises the window's idle event with the milliseconds the idle period has lasted; true when a
// handler ran and asked for more idle time.
bool RaiseWindowIdleEvent(WindowObject* window, uint32_t elapsedMs);
