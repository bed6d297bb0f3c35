// The shared unit machinery; see unit_base.h.
#include "runtime/units/unit_base.h"

#include <cassert>
#include <cstddef>
#include <cstring>

#include "runtime/framework/mem_file.h"

namespace {

RuntimeCallbackFn g_callback = nullptr;

uint32_t Word(const void* pointer) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer));
}

HFONT StockGuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Hands each text and each whole font block's face name to the conversion callback.
class ConvertingVisitor : public UnitTextVisitor {
public:
    ConvertingVisitor(ConvertTextCallback convert, uint32_t word) : m_convert(convert), m_word(word) {}

    void VisitText(std::string& text) override {
        // The callback works in place on a terminated buffer of the text's own size; what it
        // leaves before the first zero is the converted text.
        std::vector<char> buffer(text.begin(), text.end());
        buffer.push_back('\0');
        m_convert(buffer.data(), 0, m_word);
        text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    }

    void VisitFontBlock(std::vector<uint8_t>& block) override {
        if (block.size() != kFontBlockSize)
            return;  // not a font: the default GUI font stands for it and has no name to convert
        char* faceName = reinterpret_cast<char*>(block.data()) + offsetof(LOGFONTA, lfFaceName);
        m_convert(faceName, 1, m_word);
    }

private:
    ConvertTextCallback m_convert;
    uint32_t m_word;
};

}  // namespace

// ---- Stored data --------------------------------------------------------------------------

HGLOBAL SaveStoredData(UnitData& record, int32_t* size) {
    assert(size);
    *size = 0;
    CMemFile file(4096);
    {
        CArchive archive(file, CArchive::store);
        if (!record.Serialize(archive) || !archive.Flush())
            return nullptr;
        archive.Close();
    }
    size_t length = file.GetLength();
    if (length == 0 || length > 0x7FFFFFFFu)
        return nullptr;
    // Allocated at the written length at once: the same block a growing global file shrunk to
    // that length would give.
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, length);
    if (!block)
        return nullptr;
    void* bytes = GlobalLock(block);
    if (!bytes) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, file.GetData(), length);
    GlobalUnlock(block);
    *size = static_cast<int32_t>(length);
    return block;
}

HGLOBAL ConvertStoredTexts(UnitData& scratch, const uint8_t* data, int32_t* size,
                           ConvertTextCallback convert, uint32_t word) {
    assert(size);
    if (!convert || !LoadStoredData(scratch, data, *size)) {
        *size = 0;
        return nullptr;
    }
    ConvertingVisitor visitor(convert, word);
    scratch.ForEachText(visitor);
    return SaveStoredData(scratch, size);
}

// ---- The runtime, as units see it ---------------------------------------------------------

void SetUnitCallback(RuntimeCallbackFn callback) {
    g_callback = callback;
}

RuntimeCallbackFn UnitCallback() {
    return g_callback;
}

uint32_t CallRuntime(int32_t code, uint32_t word1, uint32_t word2) {
    return g_callback ? g_callback(code, word1, word2) : 0;
}

// ---- Unit objects -------------------------------------------------------------------------

void UnitCore::AnnounceDestroyed() {
    if (!m_live)
        return;
    m_live = false;
    CallRuntime(kRequestUnitDestroyed, m_ids.windowId, m_ids.unitId);
}

// ---- Fonts --------------------------------------------------------------------------------

HFONT MakeUnitFont(const uint8_t* block, int32_t size) {
    if (!block || size != kFontBlockSize)
        return StockGuiFont();
    LOGFONTA font;
    std::memcpy(&font, block, sizeof font);
    // Stored fonts come from other machines: the character set and the mapping hints are left
    // to this system so that the face is rendered in its own code page.
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = 0;
    font.lfClipPrecision = 0;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = 0;
    HFONT made = CreateFontIndirectA(&font);
    return made ? made : StockGuiFont();
}

UnitFont::~UnitFont() {
    Release();
}

bool UnitFont::IsStock() const {
    return m_font == StockGuiFont();
}

void UnitFont::Release() {
    if (m_font && !IsStock())
        DeleteObject(m_font);
    m_font = nullptr;
}

void UnitFont::Apply(HWND window, const uint8_t* block, int32_t size) {
    HFONT made = MakeUnitFont(block, size);
    if (window)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(made), MAKELPARAM(TRUE, 0));
    Release();
    m_font = made;
}

// ---- Colours ------------------------------------------------------------------------------

COLORREF ResolveColour(uint32_t colour) {
    if (colour == kSystemDefaultColour)
        return GetSysColor(COLOR_BTNFACE);
    // Stored colours are plain RGB; a stray high byte would make GDI read a palette index.
    return colour & 0x00FFFFFFu;
}

HBRUSH MakeSolidBrush(uint32_t colour) {
    return CreateSolidBrush(ResolveColour(colour));
}

UnitBrush::~UnitBrush() {
    if (m_brush)
        DeleteObject(m_brush);
}

HBRUSH UnitBrush::Make(uint32_t colour) {
    HBRUSH made = MakeSolidBrush(colour);
    if (m_brush)
        DeleteObject(m_brush);
    m_brush = made;
    return m_brush;
}

LRESULT AnswerReflectedColour(HDC dc, uint32_t textColour, uint32_t backColour, HBRUSH backBrush) {
    SetTextColor(dc, ResolveColour(textColour));
    SetBkColor(dc, ResolveColour(backColour));
    return reinterpret_cast<LRESULT>(backBrush);
}

// ---- Border style -------------------------------------------------------------------------

const BorderStyleRow kBorderStyles[kBorderStyleCount] = {
    {0, 0},                                          // 0: none
    {WS_EX_CLIENTEDGE, 0},                           // 1: sunken
    {WS_EX_DLGMODALFRAME, 0},                        // 2: raised
    {WS_EX_STATICEDGE, 0},                           // 3: thin sunken
    {WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0},     // 4: framed
    {0, WS_BORDER},                                  // 5: single line
};

const BorderStyleRow& BorderStyleFor(int32_t value) {
    if (value < 0 || value >= kBorderStyleCount)
        return kBorderStyles[0];
    return kBorderStyles[value];
}

namespace {

// Writes a style word only when it changes: every write sends the window its style-change
// messages.
void ReplaceStyleBits(HWND window, int index, DWORD mask, DWORD bits) {
    const DWORD old = static_cast<DWORD>(GetWindowLongA(window, index));
    const DWORD updated = (old & ~mask) | bits;
    if (updated != old)
        SetWindowLongA(window, index, static_cast<LONG>(updated));
}

}  // namespace

void SetBorderStyleBits(HWND window, int32_t value) {
    const BorderStyleRow& row = BorderStyleFor(value);
    ReplaceStyleBits(window, GWL_EXSTYLE, kBorderExStyleMask, row.exStyle);
    ReplaceStyleBits(window, GWL_STYLE, kBorderStyleMask, row.style);
}

void ApplyBorderStyle(HWND window, int32_t value) {
    SetBorderStyleBits(window, value);
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// ---- Events -------------------------------------------------------------------------------

bool RaiseUnitEvent(const UnitCore& unit, int32_t event, std::initializer_list<uint32_t> args,
                    EventRecord* out) {
    assert(args.size() <= kMaxEventArguments);
    EventRecord record{};
    record.windowId = unit.WindowId();
    record.unitId = unit.UnitId();
    record.event = event;
    int32_t count = 0;
    for (uint32_t argument : args) {
        if (count == kMaxEventArguments)
            break;
        record.arguments[count++] = argument;
    }
    record.argumentCount = count;
    record.hasResult = 0;
    record.result = 0;
    bool ran = CallRuntime(kRequestRaiseEvent, Word(&record), 0) != 0;
    if (out)
        *out = record;
    return ran;
}

uint32_t KeyState() {
    uint32_t state = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        state |= 1;
    if (GetKeyState(VK_SHIFT) < 0)
        state |= 2;
    if (GetKeyState(VK_MENU) < 0)
        state |= 4;
    return state;
}
