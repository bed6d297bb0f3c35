// The program's windows as the runtime keeps them: one WindowObject per window description of
// the form block, with the unit table it was read with (live) and, while the window is loaded,
// a copy of that table from before the load (pristine). Window loading creates the units of a
// table through their types' entry functions and keeps the live objects in the records.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "runtime/core/word_list.h"
#include "runtime/image/form_block.h"
#include "runtime/image/image_records.h"

class CWnd;

class WindowObject {
public:
    uint32_t windowId = 0;
    uint32_t wordA = 0, wordB = 0;
    std::string textA, textB;
    UnitTable live;
    UnitTable pristine;

    HMENU menu = nullptr;
    HACCEL accelerators = nullptr;
    // Beside each live table entry: the pop-up menu made for that menu item, or null.
    std::vector<HMENU> popupMenus;
    bool modal = false;
    bool firstShowPending = false;
    bool deferredClose = false;  // set by the window unit when a close waits for its handler
    // Windows disabled while this window is modal: handle, and whether it was enabled.
    std::vector<std::pair<HWND, bool>> disabledOwners;

    // The live unit object in entry `index`, or null.
    CWnd* LiveObject(int index) const;
    // The entry's unit object with a window that still exists, or null.
    CWnd* LiveUnit(int index) const;
    // The platform window of the live window unit (entry 0), or null.
    HWND Handle() const;
    bool Loaded() const { return Handle() != nullptr; }
    void SetLiveObject(int index, CWnd* object);
    HCURSOR Cursor(int index) const;
    void SetCursor(int index, HCURSOR cursor);
    // The entry whose live object is `object`, or -1.
    int EntryOf(const CWnd* object) const;
};

// The WindowList: identifiers first, then the window objects, one word each.
class WindowList {
public:
    int32_t Count() const { return count_; }
    uint32_t IdAt(int32_t i) const { return words_.At(i); }
    WindowObject* At(int32_t i) const { return words_.PointerAt<WindowObject>(count_ + i); }
    WindowObject* Find(uint32_t windowId) const;
    int32_t IndexOf(const WindowObject* window) const;
    bool Add(WindowObject* window);
    void Clear();
    // Hands the whole list over and leaves this one empty.
    WindowList Take();
    const WordList& Words() const { return words_; }

private:
    WordList words_;
    int32_t count_ = 0;
};

// Reads the form block of the image into window objects, relocating the handler references;
// false when the block cannot be read.
bool ReadFormBlock(const ImageHeader& header, WindowList* windows);

WindowObject* FindWindowObject(uint32_t windowId);
// The unit type of a type id (library and type numbers from 1), or null.
const UnitTypeRecord* FindUnitType(uint32_t typeId);
// One operation of a unit type, or null.
void* UnitOperation(const UnitTypeRecord* type, int32_t operation);
// Creates the window and its units; false when the window cannot be loaded.
bool LoadWindow(WindowObject* window, bool modal, HWND parent);
// Shows a loaded window whose first show was held back (or simply shows it).
void ShowLoadedWindow(WindowObject* window, bool show);
// Forgets a destroyed unit's live object, or the whole load when the window itself is gone.
void UnitDestroyed(uint32_t windowId, uint32_t unitId);
// Destroys a loaded window and frees the object with what it still holds. The object must no
// longer be on the runtime's window list.
void ReleaseWindowObject(WindowObject* window);
// Raises the window's idle event with the milliseconds the idle period has lasted; true when a
// handler ran and asked for more idle time.
bool RaiseWindowIdleEvent(WindowObject* window, uint32_t elapsedMs);
// Puts a unit window where loading puts it in the stacking order of its parent.
void RestackUnit(WindowObject* window, int index);

// RuntimeCallback requests served by window loading.
uint32_t WindowListRequest(uint32_t, uint32_t);
uint32_t UnitTypeRequest(uint32_t typeId, uint32_t);
uint32_t UnitDestroyedRequest(uint32_t windowId, uint32_t unitId);
uint32_t LoadWindowRequest(uint32_t request, uint32_t);
uint32_t FindLiveObjectRequest(uint32_t windowId, uint32_t unitId);
