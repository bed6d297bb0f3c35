#include "runtime/image/window_store.h"

#include <cstring>

#include "runtime/core/error_report.h"
#include "runtime/core/runtime_app.h"
#include "runtime/core/services.h"
#include "runtime/core/startup_trace.h"
#include "runtime/framework/wnd.h"
#include "runtime/image/event_dispatch.h"
#include "runtime/image/handler_area.h"
#include "runtime/image/mouse_pointer.h"
#include "runtime/image/window_menu.h"
#include "runtime/units/unit_type.h"
#include "runtime/units/window_unit.h"

namespace {

constexpr uint32_t kStateContainer = 0x100;
constexpr uint32_t kStateNeverShown = 0x8000;
constexpr uint32_t kFirstControlId = 100;
constexpr uint32_t kControlIdStep = 10;

uint32_t ReadWord(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void WriteWord(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// The record of entry `index` with its fields and the offsets of its slot words.
struct Entry {
    uint8_t* bytes = nullptr;
    uint32_t size = 0;
    UnitRecordFields fields;
    UnitRecordLayout layout;
};

bool ReadEntry(UnitTable& table, int index, Entry* entry)
{
    if (index < 0 || static_cast<uint32_t>(index) >= table.Count() || table.IsMenuItem(index))
        return false;
    entry->bytes = table.MutableRecord(index, &entry->size);
    return entry->bytes && ParseUnitRecord(entry->bytes, entry->size, &entry->fields, &entry->layout);
}

// The record of a unit entry and where its live words lie; only the head is read, as this runs
// on every look-up of a live unit.
uint8_t* LocateSlots(const UnitTable& table, int index, UnitSlotOffsets* slots)
{
    if (index < 0 || static_cast<uint32_t>(index) >= table.Count() || table.IsMenuItem(index))
        return nullptr;
    uint32_t size = 0;
    uint8_t* bytes = const_cast<UnitTable&>(table).MutableRecord(index, &size);
    return bytes && LocateUnitSlots(bytes, size, slots) ? bytes : nullptr;
}

uint32_t SlotWord(const UnitTable& table, int index, bool cursor)
{
    UnitSlotOffsets slots;
    const uint8_t* bytes = LocateSlots(table, index, &slots);
    return bytes ? ReadWord(bytes + (cursor ? slots.cursor : slots.unitObject)) : 0;
}

void SetSlotWord(UnitTable& table, int index, bool cursor, uint32_t value)
{
    UnitSlotOffsets slots;
    if (uint8_t* bytes = LocateSlots(table, index, &slots))
        WriteWord(bytes + (cursor ? slots.cursor : slots.unitObject), value);
}

// The parent identifier of a unit entry (0: the window), or -1 for no unit entry.
int64_t ParentOf(const UnitTable& table, int index)
{
    UnitSlotOffsets slots;
    const uint8_t* bytes = LocateSlots(table, index, &slots);
    return bytes ? ReadWord(bytes + slots.parent) : -1;
}

void SendToLiveItems(const WindowObject& window, UINT message)
{
    for (int i = static_cast<int>(window.live.Count()) - 1; i >= 0; --i) {
        if (CWnd* unit = window.LiveUnit(i))
            ::SendMessageA(unit->m_hWnd, message, 0, 0);
    }
}

// What one load keeps while it runs.
struct LoadScratch {
    std::vector<int> created;      // entries in creation order
    std::vector<uint8_t> visible;  // one byte per entry index
};

bool CreateItem(WindowObject& window, int index, uint32_t ownId, HWND parent, uint32_t* controlId,
                bool modal, LoadScratch& scratch)
{
    Entry entry;
    if (!ReadEntry(window.live, index, &entry))
        return false;
    const UnitTypeRecord* type = FindUnitType(entry.fields.typeId);
    auto create = reinterpret_cast<CreateUnitFn>(UnitOperation(type, kOpCreateUnit));
    // Only a container's record carries children: any other child list is a damaged record.
    if (!create || (!(type->state & kStateContainer) && !entry.fields.children.empty()))
        return false;
    const uint32_t flags = entry.fields.flags;
    uint32_t style = 0;
    if (type->state & kStateNeverShown) {
        scratch.visible[index] = 0;
    } else {
        scratch.visible[index] = flags & kUnitVisible ? 1 : 0;
        if (flags & kUnitDisabled)
            style |= WS_DISABLED;
    }
    if (flags & kUnitTabStop)
        style |= WS_TABSTOP;
    const uint8_t* data = entry.bytes + entry.layout.storedDataOffset;
    const int32_t size = static_cast<int32_t>(entry.size - entry.layout.storedDataOffset);
    const UnitRecordFields& f = entry.fields;
    CWnd* unit = nullptr;
    RuntimeApp& app = Runtime();
    const int64_t traceBegin = TraceUnitBegin();
    if (index == 0) {
        app.creatingModalWindow = modal;
        unit = create(data, size, style, parent, 0, window.menu, f.left, f.top, f.width, f.height,
                      ownId, window.live.IdAt(0), nullptr, 0);
        app.creatingModalWindow = false;
        if (!unit || !::IsWindow(unit->m_hWnd))
            return false;
    } else {
        unit = create(data, size, style, window.Handle(), *controlId, nullptr, f.left, f.top, f.width,
                      f.height, ownId, window.live.IdAt(index), nullptr, 0);
        if (!unit)
            return false;
        *controlId += kControlIdStep;
    }
    TraceUnitEnd(traceBegin, type, f.typeId);
    window.SetLiveObject(index, unit);
    scratch.created.push_back(index);
    return true;
}

// Parents, hidden pages of containers and stacking, for every unit of the table.
void ArrangeUnits(WindowObject& window, LoadScratch& scratch)
{
    for (uint32_t i = 1; i < window.live.Count(); ++i) {
        Entry entry;
        CWnd* unit = window.LiveUnit(static_cast<int>(i));
        if (!unit || !ReadEntry(window.live, static_cast<int>(i), &entry))
            continue;
        CWnd* container = entry.fields.parent ? window.LiveUnit(window.live.Find(entry.fields.parent)) : nullptr;
        HWND parent = container ? container->m_hWnd : window.Handle();
        if (::GetParent(unit->m_hWnd) != parent)
            ::SetParent(unit->m_hWnd, parent);
        const UnitTypeRecord* type = FindUnitType(entry.fields.typeId);
        if (type && (type->state & kStateContainer)) {
            bool afterSeparator = false;
            for (uint32_t child : entry.fields.children) {
                if (child == 0) {
                    afterSeparator = true;
                    continue;
                }
                const int c = window.live.Find(child);
                if (afterSeparator && c >= 0)
                    scratch.visible[c] = 0;
            }
        }
        RestackUnit(&window, static_cast<int>(i));
    }
}

void MakeCursors(WindowObject& window)
{
    for (uint32_t i = 0; i < window.live.Count(); ++i) {
        Entry entry;
        if (!ReadEntry(window.live, static_cast<int>(i), &entry) || entry.fields.mousePointer.empty())
            continue;
        window.SetCursor(static_cast<int>(i), MakeMousePointerCursor(entry.fields.mousePointer));
    }
}

// Undoes a load that stopped half-way: what was created goes, exactly once, and the table is the
// image's again. Destroying the window takes its units and its menu with it (each unit and the
// window announce themselves through UnitDestroyed); a menu never attached is destroyed here.
void FailLoad(WindowObject& window)
{
    if (HWND handle = window.Handle())
        ::DestroyWindow(handle);
    // A window unit whose own creation failed half-way may have taken the menu with it already.
    ReleaseWindowMenu(window, window.menu && ::IsMenu(window.menu));
    if (!window.pristine.Empty()) {
        window.live = std::move(window.pristine);
        window.pristine.Clear();
    }
    RuntimeCallback(kRequestUnblockEvents, 0, 0);
}

bool RaiseWindowEvent(WindowObject& window, int32_t event)
{
    EventRecord record = {};
    record.windowId = window.windowId;
    record.unitId = window.live.IdAt(0);
    record.event = event;
    RaiseEvent(&record);
    return window.Loaded();
}

// Raises GotFocus for the unit whose window (or a window inside it) has the focus.
void AnnounceFocus(WindowObject& window)
{
    HWND focus = ::GetFocus();
    if (!focus || focus == window.Handle() || !::IsChild(window.Handle(), focus))
        return;
    for (HWND w = focus; w && w != window.Handle(); w = ::GetParent(w)) {
        const int index = window.EntryOf(CWnd::FromHandlePermanent(w));
        if (index > 0) {
            EventRecord record = {};
            record.windowId = window.windowId;
            record.unitId = window.live.IdAt(index);
            record.event = -7;
            RaiseEvent(&record);
            return;
        }
    }
}

void MakeModal(WindowObject& window)
{
    window.modal = true;
    const WindowList& windows = Runtime().windows;
    for (int32_t i = 0; i < windows.Count(); ++i) {
        WindowObject* other = windows.At(i);
        HWND handle = other ? other->Handle() : nullptr;
        if (!handle || other == &window || ::GetParent(handle))
            continue;
        window.disabledOwners.emplace_back(handle, ::IsWindowEnabled(handle) != 0);
        ::EnableWindow(handle, FALSE);
    }
}

void ShowAsFirstShown(WindowObject& window)
{
    // The window unit shows itself by its position property; other window kinds are shown as
    // the system would.
    ShowWindowUnitFirstTime(window.LiveUnit(0), Runtime().buildKind);
}

}  // namespace

// --- WindowObject -------------------------------------------------------------------------------

CWnd* WindowObject::LiveObject(int index) const
{
    return reinterpret_cast<CWnd*>(static_cast<uintptr_t>(SlotWord(live, index, false)));
}

CWnd* WindowObject::LiveUnit(int index) const
{
    CWnd* object = LiveObject(index);
    return object && object->m_hWnd && ::IsWindow(object->m_hWnd) ? object : nullptr;
}

HWND WindowObject::Handle() const
{
    CWnd* unit = LiveUnit(0);
    return unit ? unit->m_hWnd : nullptr;
}

void WindowObject::SetLiveObject(int index, CWnd* object)
{
    SetSlotWord(live, index, false, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(object)));
}

HCURSOR WindowObject::Cursor(int index) const
{
    return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(SlotWord(live, index, true)));
}

void WindowObject::SetCursor(int index, HCURSOR cursor)
{
    SetSlotWord(live, index, true, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(cursor)));
}

int WindowObject::EntryOf(const CWnd* object) const
{
    if (!object)
        return -1;
    for (uint32_t i = 0; i < live.Count(); ++i) {
        if (!live.IsMenuItem(i) && LiveObject(static_cast<int>(i)) == object)
            return static_cast<int>(i);
    }
    return -1;
}

// --- WindowList ---------------------------------------------------------------------------------

WindowObject* WindowList::Find(uint32_t windowId) const
{
    if (!IsValidId(windowId))
        return nullptr;
    for (int32_t i = 0; i < count_; ++i) {
        if (IdAt(i) == windowId)
            return At(i);
    }
    return nullptr;
}

int32_t WindowList::IndexOf(const WindowObject* window) const
{
    for (int32_t i = 0; i < count_; ++i) {
        if (At(i) == window)
            return i;
    }
    return -1;
}

bool WindowList::Add(WindowObject* window)
{
    // Identifiers first, then the objects: the new identifier goes in front of the objects.
    WordList rebuilt;
    for (int32_t i = 0; i < count_; ++i)
        rebuilt.Append(IdAt(i));
    rebuilt.Append(window->windowId);
    for (int32_t i = 0; i < count_; ++i)
        rebuilt.AppendPointer(At(i));
    rebuilt.AppendPointer(window);
    words_ = rebuilt.Take();
    ++count_;
    return true;
}

void WindowList::Clear()
{
    words_.Clear();
    count_ = 0;
}

WindowList WindowList::Take()
{
    WindowList taken;
    taken.words_ = words_.Take();
    taken.count_ = count_;
    count_ = 0;
    return taken;
}

// --- Reading and lookup -------------------------------------------------------------------------

bool ReadFormBlock(const ImageHeader& header, WindowList* windows)
{
    if (header.formBlockSize <= 0)
        return true;
    std::vector<WindowDescriptionData> descriptions;
    if (!ReadFormBlock(header.formBlock, static_cast<size_t>(header.formBlockSize), &descriptions) ||
        !RelocateHandlers(descriptions, header.handlerBase, HandlerSlotCount(header.handlerBase)))
        return false;
    for (WindowDescriptionData& description : descriptions) {
        auto* window = new WindowObject;
        window->windowId = description.windowId;
        window->wordA = description.wordA;
        window->wordB = description.wordB;
        window->textA = std::move(description.textA);
        window->textB = std::move(description.textB);
        window->live = std::move(description.table);
        windows->Add(window);
    }
    return true;
}

WindowObject* FindWindowObject(uint32_t windowId) { return Runtime().windows.Find(windowId); }

const UnitTypeRecord* FindUnitType(uint32_t typeId)
{
    if (typeId == 0 || (typeId & 0xC0000000))
        return nullptr;
    const int32_t library = static_cast<int32_t>(typeId >> 16);
    const int32_t number = static_cast<int32_t>(typeId & 0xFFFF);
    const WordList& libraries = Runtime().libraryTable;
    if (library < 1 || number < 1 || library > libraries.Count())
        return nullptr;
    const LibraryRecord* record = libraries.PointerAt<const LibraryRecord>(library - 1);
    if (!record || number > record->typeCount || !record->types)
        return nullptr;
    return &record->types[number - 1];
}

void* UnitOperation(const UnitTypeRecord* type, int32_t operation)
{
    return type && type->entry ? type->entry(operation) : nullptr;
}

// --- Loading ------------------------------------------------------------------------------------

bool LoadWindow(WindowObject* window, bool modal, HWND parent)
{
    if (!window || window->live.Count() == 0)
        return false;
    if (CWnd* unit = window->LiveUnit(0)) {
        if (!window->deferredClose) {
            if (::IsIconic(unit->m_hWnd))
                ::ShowWindow(unit->m_hWnd, SW_RESTORE);
            else
                ::SetActiveWindow(unit->m_hWnd);
            return true;
        }
        window->deferredClose = false;
        ::DestroyWindow(unit->m_hWnd);
    }
    if (modal)
        parent = nullptr;
    else if (parent && !::IsWindow(parent))
        return false;

    RuntimeCallback(kRequestBlockEvents, 0, 0);
    window->pristine = window->live;
    const uint32_t ownId = window->windowId;
    window->menu = BuildWindowMenu(window, &window->accelerators);
    TraceMark("window load: menu");

    LoadScratch scratch;
    scratch.visible.assign(window->live.Count(), 0);
    uint32_t controlId = kFirstControlId;
    bool created = CreateItem(*window, 0, ownId, parent, &controlId, modal, scratch);
    TraceMark("window load: window unit created");
    {
        CWnd::CreationBatch batch;
        for (int i = static_cast<int>(window->live.Count()) - 1; created && i >= 1; --i) {
            if (!window->live.IsMenuItem(i))
                created = CreateItem(*window, i, ownId, parent, &controlId, modal, scratch);
        }
    }
    if (!created) {
        FailLoad(*window);
        return false;
    }
    TraceMark("window load: units created (kinds below)");

    ArrangeUnits(*window, scratch);
    TraceMark("window load: parents and stacking");
    MakeCursors(*window);
    SendToLiveItems(*window, UnitsCreatedMessage);
    ::SendMessageA(window->Handle(), WindowCreatedMessage, 0, 0);
    TraceMark("window load: cursors, units-created messages");
    for (int index : scratch.created) {
        if (index != 0)
            if (CWnd* unit = window->LiveUnit(index))
                ::ShowWindow(unit->m_hWnd, scratch.visible[index] ? SW_SHOWNA : SW_HIDE);
    }
    RuntimeCallback(kRequestUnblockEvents, 0, 0);
    TraceMark("window load: units shown");

    // The first events a handler sees; any of them may destroy the window.
    if (!RaiseWindowEvent(*window, 0) || !RaiseWindowEvent(*window, 3) || !RaiseWindowEvent(*window, 4))
        return true;
    TraceMark("window load: events 0, 3 and 4 raised");

    if (scratch.visible[0]) {
        ShowAsFirstShown(*window);
        AnnounceFocus(*window);
        TraceMark("window load: first show");
    }
    if (modal)
        MakeModal(*window);

    HWND focus = ::GetFocus();
    SendToLiveItems(*window, LoadFinishedMessage);
    if (::GetFocus() != focus && focus && ::IsWindow(focus))
        ::SetFocus(focus);
    window->firstShowPending = true;
    TraceMark("window load: finished");
    return true;
}

void ShowLoadedWindow(WindowObject* window, bool show)
{
    HWND handle = window ? window->Handle() : nullptr;
    if (!handle)
        return;
    if (!window->firstShowPending) {
        if (show)
            ::ShowWindow(handle, SW_SHOW);
        return;
    }
    window->firstShowPending = false;
    if (window->modal) {
        HWND owner = ::GetWindow(handle, GW_OWNER);
        if (owner && (::GetWindowLongA(owner, GWL_EXSTYLE) & WS_EX_TOPMOST))
            ::SetWindowPos(handle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (show)
        ShowAsFirstShown(*window);
    if (window->modal)
        Runtime().RunModalLoop(window->windowId);
}

void RestackUnit(WindowObject* window, int index)
{
    CWnd* unit = window->LiveUnit(index);
    const int64_t parent = ParentOf(window->live, index);
    if (!unit || parent < 0)
        return;
    const UINT flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE;
    for (int earlier = index - 1; earlier >= 1; --earlier) {
        if (ParentOf(window->live, earlier) != parent)
            continue;
        if (CWnd* above = window->LiveUnit(earlier)) {
            ::SetWindowPos(unit->m_hWnd, above->m_hWnd, 0, 0, 0, 0, flags);
            return;
        }
    }
    ::SetWindowPos(unit->m_hWnd, HWND_TOP, 0, 0, 0, 0, flags);
}

// --- Destruction --------------------------------------------------------------------------------

void UnitDestroyed(uint32_t windowId, uint32_t unitId)
{
    RuntimeApp& app = Runtime();
    WindowObject* window = FindWindowObject(windowId);
    if (app.recreatingUnit || !window)
        return;
    if (unitId && unitId != window->live.IdAt(0)) {
        const int index = window->live.Find(unitId);
        if (index < 0)
            return;
        if (HCURSOR cursor = window->Cursor(index))
            DestroyMouseCursor(cursor);
        window->SetCursor(index, nullptr);
        window->SetLiveObject(index, nullptr);
        return;
    }
    // The window itself is gone: the live table is again the image's, slots empty.
    for (uint32_t i = 0; i < window->live.Count(); ++i) {
        if (HCURSOR cursor = window->Cursor(static_cast<int>(i)))
            DestroyMouseCursor(cursor);
    }
    if (!window->pristine.Empty()) {
        window->live = std::move(window->pristine);
        window->pristine.Clear();
    } else {
        // A load that failed half-way left its objects in the live table; forget them.
        for (uint32_t i = 0; i < window->live.Count(); ++i) {
            window->SetLiveObject(static_cast<int>(i), nullptr);
            window->SetCursor(static_cast<int>(i), nullptr);
        }
    }
    ReleaseWindowMenu(*window, false);  // the menu was destroyed with its window
    for (const auto& owner : window->disabledOwners) {
        if (::IsWindow(owner.first))
            ::EnableWindow(owner.first, owner.second);
    }
    window->disabledOwners.clear();
    window->modal = false;
    window->firstShowPending = false;
    if (app.modalLoopActive == windowId)
        app.modalLoopActive = 0;
}

void ReleaseWindowObject(WindowObject* window)
{
    if (!window)
        return;
    if (HWND handle = window->Handle())
        ::DestroyWindow(handle);
    // The window is no longer listed, so its destruction did not reach UnitDestroyed.
    for (uint32_t i = 0; i < window->live.Count(); ++i) {
        if (HCURSOR cursor = window->Cursor(static_cast<int>(i)))
            DestroyMouseCursor(cursor);
    }
    ReleaseWindowMenu(*window, false);
    delete window;
}

bool RaiseWindowIdleEvent(WindowObject* window, uint32_t elapsedMs)
{
    EventRecord record = {};
    record.windowId = window->windowId;
    record.unitId = window->live.IdAt(0);
    record.event = 7;
    record.argumentCount = 1;
    record.arguments[0] = elapsedMs;
    return RaiseEvent(&record) && record.hasResult && record.result != 0;
}

// --- RuntimeCallback requests -------------------------------------------------------------------

uint32_t WindowListRequest(uint32_t, uint32_t)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&Runtime().windows));
}

uint32_t UnitTypeRequest(uint32_t typeId, uint32_t)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(FindUnitType(typeId)));
}

uint32_t UnitDestroyedRequest(uint32_t windowId, uint32_t unitId)
{
    UnitDestroyed(windowId, unitId);
    return 0;
}

uint32_t LoadWindowRequest(uint32_t request, uint32_t)
{
    const uint32_t* words = reinterpret_cast<const uint32_t*>(static_cast<uintptr_t>(request));
    WindowObject* window = FindWindowObject(words[0]);
    CWnd* parentUnit = reinterpret_cast<CWnd*>(static_cast<uintptr_t>(words[1]));
    if (!window || !LoadWindow(window, words[2] != 0, parentUnit ? parentUnit->m_hWnd : nullptr))
        return static_cast<uint32_t>(-1);
    Entry entry;
    if (ReadEntry(window->live, 0, &entry) && (entry.fields.flags & kUnitVisible))
        ShowLoadedWindow(window, false);
    return 0;
}

uint32_t FindLiveObjectRequest(uint32_t windowId, uint32_t unitId)
{
    WindowObject* window = FindWindowObject(windowId);
    if (!window)
        return 0;
    const int index = unitId ? window->live.Find(unitId) : 0;
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(index >= 0 ? window->LiveUnit(index) : nullptr));
}
