// The in-process host of the unit kinds' tests; see unit_harness.h.
#include "tests/units/unit_harness.h"

#include <cstring>

#include "runtime/units/unit_base.h"

namespace harness {
namespace {

std::vector<Raised> g_events;

uint32_t RecordingRuntime(int32_t code, uint32_t word1, uint32_t) {
    if (code != kRequestRaiseEvent)
        return 0;
    const auto* record = reinterpret_cast<const EventRecord*>(static_cast<uintptr_t>(word1));
    Raised raised{record->unitId, record->event, {}};
    for (int32_t i = 0; i < record->argumentCount && i < 5; ++i)
        raised.arguments.push_back(record->arguments[i]);
    g_events.push_back(raised);
    return 0;
}

template <class Fn>
Fn Operation(const UnitTypeRecord& type, int32_t number) {
    return reinterpret_cast<Fn>(type.entry(number));
}

}  // namespace

void InstallRuntime() { SetUnitCallback(RecordingRuntime); }
std::vector<Raised>& Events() { return g_events; }
void ClearEvents() { g_events.clear(); }

std::vector<int32_t> EventNumbers(uint32_t unitId) {
    std::vector<int32_t> numbers;
    for (const Raised& r : g_events) {
        if (r.unitId == unitId)
            numbers.push_back(r.event);
    }
    return numbers;
}

int CountEvent(uint32_t unitId, int32_t event) {
    int count = 0;
    for (const Raised& r : g_events)
        count += r.unitId == unitId && r.event == event;
    return count;
}

bool Host::Make(int width, int height) {
    RegisterWndClass("UnitKindsTestHost", 0, LoadCursor(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!CreateEx(0, "UnitKindsTestHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, width, height,
                  nullptr, nullptr))
        return false;
    SetForegroundWindow(m_hWnd);
    Pump();
    return true;
}

Host& SharedHost() {
    static Host* host = nullptr;
    if (!host) {
        host = new Host;
        host->Make();
    }
    while (HWND child = GetWindow(host->m_hWnd, GW_CHILD))
        DestroyWindow(child);
    SetForegroundWindow(host->m_hWnd);
    SetFocus(host->m_hWnd);
    Pump(10);
    return *host;
}

void Pump(DWORD ms) {
    MSG msg;
    for (int round = 0; round < 2; ++round) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (round == 0)
            Sleep(ms);
    }
}

CWnd* Create(const UnitTypeRecord& type, const std::vector<uint8_t>& data, HWND parent, uint32_t unitId, int x,
             int y, int width, int height, uint32_t style, uint32_t controlId) {
    auto create = Operation<CreateUnitFn>(type, kOpCreateUnit);
    return create(data.empty() ? nullptr : data.data(), static_cast<int32_t>(data.size()), style, parent,
                  controlId ? controlId : unitId & 0xFFFF, nullptr, x, y, width, height, 0x52010001, unitId,
                  nullptr, 0);
}

int32_t Change(const UnitTypeRecord& type, CWnd* unit, int32_t number, uint32_t word, uint32_t second) {
    const uint32_t value[2] = {word, second};
    uint32_t result = 0xDEAD;
    return Operation<PropertyChangedFn>(type, kOpPropertyChanged)(unit, number, value, &result);
}

int32_t ChangeText(const UnitTypeRecord& type, CWnd* unit, int32_t number, const char* text) {
    return Change(type, unit, number, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(text)));
}

uint32_t Read(const UnitTypeRecord& type, CWnd* unit, int32_t number, uint32_t* second) {
    uint32_t value[2] = {0xAAAA, 0xBBBB};
    Operation<GetPropertyFn>(type, kOpGetProperty)(unit, number, value);
    if (second)
        *second = value[1];
    return value[0];
}

std::string ReadText(const UnitTypeRecord& type, CWnd* unit, int32_t number) {
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(Read(type, unit, number)));
    return text ? text : "";
}

std::vector<uint8_t> StoredData(const UnitTypeRecord& type, CWnd* unit) {
    int32_t size = 0;
    HGLOBAL block = Operation<GetStoredDataFn>(type, kOpGetStoredData)(unit, &size);
    std::vector<uint8_t> bytes;
    if (!block)
        return bytes;
    const auto* data = static_cast<const uint8_t*>(GlobalLock(block));
    bytes.assign(data, data + size);
    GlobalUnlock(block);
    GlobalFree(block);
    return bytes;
}

std::vector<uint8_t> SchemaBlock(const StoredKind& kind, Numbers numbers, Texts texts) {
    StoredRecord record(kind);
    for (const auto& n : numbers)
        record.SetNumber(static_cast<size_t>(record.FindField(n.first)), n.second);
    for (const auto& t : texts)
        record.SetBytes(static_cast<size_t>(record.FindField(t.first)), t.second);
    return record.SaveBlock();
}

std::vector<uint8_t> FontBlock(const char* face, int points) {
    LOGFONTA font{};
    HDC screen = GetDC(nullptr);
    font.lfHeight = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    font.lfWeight = FW_NORMAL;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    std::vector<uint8_t> block(sizeof font);
    std::memcpy(block.data(), &font, sizeof font);
    return block;
}

std::vector<uint32_t> ScreenPixels(HWND window) {
    RedrawWindow(GetAncestor(window, GA_ROOT), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump();
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * 4);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    for (uint32_t& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

}  // namespace harness
