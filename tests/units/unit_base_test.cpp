// The unit base under Wine: stored data (defaults, version refusal, round trip, text
// conversion), colours against the system's own, fonts read back from GDI, border styles against
// the frame the system computes, UnitDestroyed and self-deletion, and raised events as a
// recording RuntimeCallback sees them.
#include "runtime/units/unit_base.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/framework/edit.h"
#include "tests/image/test_units.h"

namespace {

constexpr uint32_t kWindowId = 0x52010001;
constexpr uint32_t kUnitId = 0x16010002;

// ---- A RuntimeCallback that records every request ----

struct Request {
    int32_t code;
    uint32_t word1;
    uint32_t word2;
    EventRecord event;  // a copy of the record as it arrived, for RaiseEvent
};

std::vector<Request> g_requests;
uint32_t g_raiseAnswer = 0;       // what RaiseEvent answers
bool g_handlerGivesValue = false;  // whether the "handler" stores a value
uint32_t g_handlerValue = 0;

uint32_t RecordingCallback(int32_t code, uint32_t word1, uint32_t word2) {
    Request request{code, word1, word2, {}};
    if (code == kRequestRaiseEvent) {
        auto* record = reinterpret_cast<EventRecord*>(static_cast<uintptr_t>(word1));
        request.event = *record;
        if (g_raiseAnswer && g_handlerGivesValue) {
            record->hasResult = 1;
            record->result = g_handlerValue;
        }
        g_requests.push_back(request);
        return g_raiseAnswer;
    }
    g_requests.push_back(request);
    return 0;
}

std::vector<Request> RequestsOf(int32_t code) {
    std::vector<Request> found;
    for (const Request& r : g_requests)
        if (r.code == code)
            found.push_back(r);
    return found;
}

template <class Fn>
Fn Operation(void* (*entry)(int32_t), int32_t number) {
    return reinterpret_cast<Fn>(entry(number));
}

// A host window for child units, hidden unless a test shows it.
class UnitTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterWndClass("UnitBaseTestHost", 0, LoadCursor(nullptr, IDC_ARROW), nullptr));
        ASSERT_TRUE(host.CreateEx(0, "UnitBaseTestHost", "host", WS_OVERLAPPEDWINDOW, 0, 0, 400,
                                  300, nullptr, nullptr));
        g_requests.clear();
        g_raiseAnswer = 0;
        g_handlerGivesValue = false;
        SetUnitCallback(RecordingCallback);
    }
    void TearDown() override {
        host.DestroyWindow();
        SetUnitCallback(nullptr);
    }

    CWnd* CreateChild(const std::vector<uint8_t>& data, uint32_t unitId = kUnitId) {
        auto create = Operation<CreateUnitFn>(TestChildEntry, kOpCreateUnit);
        return create(data.data(), static_cast<int32_t>(data.size()), 0, host.m_hWnd, 100,
                      nullptr, 10, 10, 120, 30, kWindowId, unitId, nullptr, 0);
    }

    CWnd host;
};

TestChildData SampleChild() {
    TestChildData fields;
    fields.caption = "\xD6\xA1\xCA\xFD";  // GBK text survives as bytes
    fields.number = -123456;
    fields.flag = false;
    fields.font.assign(kFontBlockSize, 0);
    fields.choice = 2;
    fields.data = {1, 2, 3, 0, 255};
    return fields;
}

std::vector<uint8_t> GlobalBytes(HGLOBAL block) {
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    std::vector<uint8_t> copy(bytes, bytes + GlobalSize(block));
    GlobalUnlock(block);
    return copy;
}

// ---- Stored data ----

TEST_F(UnitTest, EmptyStoredDataGivesTheDefaults) {
    TestChildData record = SampleChild();
    const uint8_t something[4] = {1, 0, 0, 0};
    for (int32_t size : {0, -1}) {
        record = SampleChild();
        EXPECT_TRUE(LoadStoredData(record, something, size));
        EXPECT_EQ(record.caption, kTestChildDefaultCaption);
        EXPECT_EQ(record.number, kTestChildDefaultNumber);
        EXPECT_EQ(record.flag, kTestChildDefaultFlag);
        EXPECT_TRUE(record.font.empty());
        EXPECT_EQ(record.choice, kTestChildDefaultChoice);
        EXPECT_TRUE(record.data.empty());
    }
    record = SampleChild();
    EXPECT_TRUE(LoadStoredData(record, nullptr, 40));
    EXPECT_EQ(record.number, kTestChildDefaultNumber);

    CWnd* unit = CreateChild({});
    ASSERT_NE(unit, nullptr);
    EXPECT_EQ(unit->GetWindowText(), kTestChildDefaultCaption);
    EXPECT_EQ(static_cast<TestChildUnit*>(unit)->number, kTestChildDefaultNumber);
    // No font block: the default GUI font.
    EXPECT_EQ(unit->GetFont(), GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(UnitTest, NewerVersionIsRefusedAndNoUnitIsLeft) {
    TestChildData fields = SampleChild();
    TestChildData record;
    EXPECT_TRUE(LoadStoredData(record, TestChildStoredData(fields).data(),
                               static_cast<int32_t>(TestChildStoredData(fields).size())));
    EXPECT_EQ(record.number, fields.number);

    std::vector<uint8_t> newer = TestChildStoredData(fields, kTestUnitsStoredVersion + 1);
    EXPECT_FALSE(LoadStoredData(record, newer.data(), static_cast<int32_t>(newer.size())));
    // The comparison is unsigned: a "negative" version is far in the future.
    std::vector<uint8_t> wrapped = TestChildStoredData(fields, 0xFFFFFFFFu);
    EXPECT_FALSE(LoadStoredData(record, wrapped.data(), static_cast<int32_t>(wrapped.size())));

    int childrenBefore = TestChildUnit::liveCount;
    EXPECT_EQ(CreateChild(newer), nullptr);
    EXPECT_EQ(FindWindowExA(host.m_hWnd, nullptr, kTestChildClass, nullptr), nullptr);
    EXPECT_EQ(TestChildUnit::liveCount, childrenBefore);

    int windowsBefore = TestWindowUnit::liveCount;
    std::vector<uint8_t> newerWindow = TestWindowStoredData("w", kTestUnitsStoredVersion + 1);
    auto createWindow = Operation<CreateUnitFn>(TestWindowEntry, kOpCreateUnit);
    EXPECT_EQ(createWindow(newerWindow.data(), static_cast<int32_t>(newerWindow.size()), 0, nullptr,
                           0, nullptr, 0, 0, 200, 100, kWindowId, kWindowId, nullptr, 0),
              nullptr);
    EXPECT_EQ(FindWindowA(kTestWindowClass, nullptr), nullptr);
    EXPECT_EQ(TestWindowUnit::liveCount, windowsBefore);
    // Nothing that never existed is announced as destroyed.
    EXPECT_TRUE(RequestsOf(kRequestUnitDestroyed).empty());
}

TEST_F(UnitTest, BlockEndingEarlyIsRefused) {
    std::vector<uint8_t> block = TestChildStoredData(SampleChild());
    block.pop_back();
    TestChildData record;
    EXPECT_FALSE(LoadStoredData(record, block.data(), static_cast<int32_t>(block.size())));
    EXPECT_EQ(CreateChild(block), nullptr);
}

TEST_F(UnitTest, SaveAndLoadRoundTripInTheStoredLayout) {
    TestChildData fields = SampleChild();
    TestChildData record = fields;
    int32_t size = -1;
    HGLOBAL block = SaveStoredData(record, &size);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalBytes(block), TestChildStoredData(fields));
    EXPECT_EQ(static_cast<SIZE_T>(size), GlobalSize(block));
    // Movable: the handle is not the address of the bytes.
    void* bytes = GlobalLock(block);
    EXPECT_NE(bytes, static_cast<void*>(block));
    GlobalUnlock(block);

    TestChildData loaded;
    EXPECT_TRUE(LoadStoredData(loaded, static_cast<const uint8_t*>(GlobalLock(block)), size));
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(loaded.caption, fields.caption);
    EXPECT_EQ(loaded.number, fields.number);
    EXPECT_EQ(loaded.flag, fields.flag);
    EXPECT_EQ(loaded.font, fields.font);
    EXPECT_EQ(loaded.choice, fields.choice);
    EXPECT_EQ(loaded.data, fields.data);

    // A live unit's GetStoredData gives the same layout.
    CWnd* unit = CreateChild(TestChildStoredData(fields));
    ASSERT_NE(unit, nullptr);
    HGLOBAL live = Operation<GetStoredDataFn>(TestChildEntry, kOpGetStoredData)(unit, &size);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(GlobalBytes(live), TestChildStoredData(fields));
    GlobalFree(live);
}

// Upper-cases in place and records what it was given.
std::vector<std::pair<std::string, int32_t>> g_converted;
void UpperCase(char* text, int32_t isFaceName, uint32_t word) {
    EXPECT_EQ(word, 0xC0FFEEu);
    g_converted.emplace_back(text, isFaceName);
    for (char* p = text; *p; ++p)
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
}

TEST_F(UnitTest, ConvertTextsPassesTextsAndWholeFontFaceNames) {
    TestChildData fields = SampleChild();
    fields.caption = "caption";
    LOGFONTA font{};
    std::strcpy(font.lfFaceName, "Arial");
    fields.font.assign(reinterpret_cast<uint8_t*>(&font), reinterpret_cast<uint8_t*>(&font) + sizeof font);
    std::vector<uint8_t> block = TestChildStoredData(fields);

    g_converted.clear();
    int32_t size = static_cast<int32_t>(block.size());
    auto convert = Operation<ConvertTextsFn>(TestChildEntry, kOpConvertTexts);
    HGLOBAL converted = convert(block.data(), &size, UpperCase, 0xC0FFEE);
    ASSERT_NE(converted, nullptr);
    ASSERT_EQ(g_converted.size(), 2u);
    EXPECT_EQ(g_converted[0], std::make_pair(std::string("caption"), 0));
    EXPECT_EQ(g_converted[1], std::make_pair(std::string("Arial"), 1));

    TestChildData expected = fields;
    expected.caption = "CAPTION";
    std::strcpy(font.lfFaceName, "ARIAL");
    expected.font.assign(reinterpret_cast<uint8_t*>(&font), reinterpret_cast<uint8_t*>(&font) + sizeof font);
    EXPECT_EQ(GlobalBytes(converted), TestChildStoredData(expected));
    EXPECT_EQ(static_cast<SIZE_T>(size), GlobalSize(converted));
    GlobalFree(converted);

    // A 59-byte font block is no font: its bytes are not a face name.
    fields.font.resize(59);
    block = TestChildStoredData(fields);
    g_converted.clear();
    size = static_cast<int32_t>(block.size());
    converted = convert(block.data(), &size, UpperCase, 0xC0FFEE);
    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(g_converted.size(), 1u);
    GlobalFree(converted);

    block = TestChildStoredData(fields, kTestUnitsStoredVersion + 1);
    size = static_cast<int32_t>(block.size());
    EXPECT_EQ(convert(block.data(), &size, UpperCase, 0xC0FFEE), nullptr);
    EXPECT_EQ(size, 0);
}

// ---- Lifetime ----

TEST_F(UnitTest, DestroyedWindowAnnouncesOnceAndDeletesTheUnit) {
    int before = TestChildUnit::liveCount;
    CWnd* first = CreateChild({}, kUnitId);
    CWnd* second = CreateChild({}, kUnitId + 1);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TestChildUnit::liveCount, before + 2);
    EXPECT_TRUE(RequestsOf(kRequestUnitDestroyed).empty());

    ::DestroyWindow(first->m_hWnd);
    std::vector<Request> destroyed = RequestsOf(kRequestUnitDestroyed);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].word1, kWindowId);
    EXPECT_EQ(destroyed[0].word2, kUnitId);
    EXPECT_EQ(TestChildUnit::liveCount, before + 1);

    // A unit goes with its parent, too.
    host.DestroyWindow();
    destroyed = RequestsOf(kRequestUnitDestroyed);
    ASSERT_EQ(destroyed.size(), 2u);
    EXPECT_EQ(destroyed[1].word2, kUnitId + 1);
    EXPECT_EQ(TestChildUnit::liveCount, before);
}

// A unit kind whose creation fails after its window exists.
struct EmptyData : UnitData {
    void Reset() override {}
};
struct FailingUnit : Unit<CWnd, EmptyData> {
    using Unit::Unit;
    ~FailingUnit() override { ++deleted; }
    static int deleted;
};
int FailingUnit::deleted = 0;

TEST_F(UnitTest, CreationFailingAfterTheWindowLeavesNothing) {
    HWND made = nullptr;
    FailingUnit::deleted = 0;
    CWnd* unit = CreateUnitFromStoredData<FailingUnit>(nullptr, 0, UnitIds{kWindowId, kUnitId, 0},
                                                       [&](FailingUnit& u) {
        u.CreateEx(0, "UnitBaseTestHost", "", WS_CHILD, 0, 0, 10, 10, host.m_hWnd, nullptr);
        made = u.m_hWnd;
        return false;
    });
    EXPECT_EQ(unit, nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_FALSE(IsWindow(made));
    EXPECT_EQ(FailingUnit::deleted, 1);
    EXPECT_TRUE(RequestsOf(kRequestUnitDestroyed).empty());
}

// ---- Colours ----

TEST_F(UnitTest, SystemDefaultColourFollowsTheButtonFace) {
    const COLORREF original = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(ResolveColour(kSystemDefaultColour), original);
    EXPECT_EQ(ResolveColour(0x00123456), 0x00123456u);

    const COLORREF changed = original == RGB(10, 200, 30) ? RGB(200, 10, 30) : RGB(10, 200, 30);
    const INT element = COLOR_BTNFACE;
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    const COLORREF reported = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(ResolveColour(kSystemDefaultColour), reported);
    UnitBrush brush;
    LOGBRUSH logBrush{};
    ASSERT_EQ(GetObjectA(brush.Make(kSystemDefaultColour), sizeof logBrush, &logBrush), static_cast<int>(sizeof logBrush));
    EXPECT_EQ(logBrush.lbColor, reported);
    SetSysColors(1, &element, &original);
    EXPECT_NE(reported, original);
    EXPECT_EQ(ResolveColour(kSystemDefaultColour), GetSysColor(COLOR_BTNFACE));
}

struct ColourEdit : Unit<CEdit, EmptyData> {
    using Unit::Unit;
    uint32_t text = 0x000000FF;
    uint32_t back = kSystemDefaultColour;
    UnitBrush brush;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_REFLECT_CTLCOLOR)
            return AnswerReflectedColour(reinterpret_cast<HDC>(wParam), text, back, brush.Handle());
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

TEST_F(UnitTest, EditLikeUnitAnswersTheReflectedColourMessage) {
    CWnd* unit = CreateUnitFromStoredData<ColourEdit>(nullptr, 0, UnitIds{kWindowId, kUnitId, 0},
                                                      [&](ColourEdit& edit) {
        edit.brush.Make(edit.back);
        return edit.Create(0, RECT{0, 0, 100, 20}, host.m_hWnd, 7) != FALSE;
    });
    ASSERT_NE(unit, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT brush = host.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(unit->m_hWnd));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(static_cast<ColourEdit*>(unit)->brush.Handle()));
    EXPECT_EQ(GetTextColor(dc), RGB(0xFF, 0, 0));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    DeleteDC(dc);
}

// ---- Fonts ----

std::vector<uint8_t> FontBlock(const LOGFONTA& font) {
    const auto* p = reinterpret_cast<const uint8_t*>(&font);
    return std::vector<uint8_t>(p, p + sizeof font);
}

LOGFONTA SampleFont() {
    LOGFONTA font{};
    font.lfHeight = -17;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfCharSet = GB2312_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = ANTIALIASED_QUALITY;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    std::strcpy(font.lfFaceName, "Tahoma");
    return font;
}

TEST_F(UnitTest, FontBlocksOfTheWrongLengthGiveTheStockGuiFont) {
    const HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    std::vector<uint8_t> block = FontBlock(SampleFont());
    block.push_back(0);
    EXPECT_EQ(MakeUnitFont(block.data(), 61), stock);
    EXPECT_EQ(MakeUnitFont(block.data(), 59), stock);
    EXPECT_EQ(MakeUnitFont(block.data(), 0), stock);
    EXPECT_EQ(MakeUnitFont(nullptr, kFontBlockSize), stock);
}

TEST_F(UnitTest, FontBlockMakesAFontWithFiveFieldsOverridden) {
    const LOGFONTA stored = SampleFont();
    std::vector<uint8_t> block = FontBlock(stored);
    HFONT font = MakeUnitFont(block.data(), static_cast<int32_t>(block.size()));
    ASSERT_NE(font, GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA made{};
    ASSERT_EQ(GetObjectA(font, sizeof made, &made), static_cast<int>(sizeof made));
    EXPECT_EQ(made.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(made.lfOutPrecision, 0);
    EXPECT_EQ(made.lfClipPrecision, 0);
    EXPECT_EQ(made.lfQuality, PROOF_QUALITY);
    EXPECT_EQ(made.lfPitchAndFamily, 0);
    EXPECT_EQ(made.lfHeight, stored.lfHeight);
    EXPECT_EQ(made.lfWeight, stored.lfWeight);
    EXPECT_EQ(made.lfItalic, stored.lfItalic);
    EXPECT_STREQ(made.lfFaceName, stored.lfFaceName);
    DeleteObject(font);
}

// Records the fonts a window is given.
struct FontProbe : CWnd {
    std::vector<std::pair<WPARAM, LPARAM>> setFont;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_SETFONT)
            setFont.emplace_back(wParam, lParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

TEST_F(UnitTest, UnitFontGivesTheWindowItsFontAndOwnsIt) {
    FontProbe probe;
    ASSERT_TRUE(probe.CreateEx(0, "UnitBaseTestHost", "", WS_CHILD, 0, 0, 10, 10, host.m_hWnd, nullptr));
    std::vector<uint8_t> block = FontBlock(SampleFont());
    HFONT first = nullptr;
    {
        UnitFont font;
        font.Apply(probe.m_hWnd, block);
        first = font.Handle();
        EXPECT_FALSE(font.IsStock());
        ASSERT_EQ(probe.setFont.size(), 1u);
        EXPECT_EQ(probe.setFont[0].first, reinterpret_cast<WPARAM>(first));
        EXPECT_EQ(LOWORD(probe.setFont[0].second), TRUE);  // redraw
        EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_FONT));

        block.resize(61);
        font.Apply(probe.m_hWnd, block);
        EXPECT_TRUE(font.IsStock());
        ASSERT_EQ(probe.setFont.size(), 2u);
        EXPECT_EQ(probe.setFont[1].first, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)));
        EXPECT_EQ(GetObjectType(first), 0u);  // the replaced font was deleted

        block.resize(60);
        font.Apply(probe.m_hWnd, block);
        first = font.Handle();
        EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_FONT));
    }
    EXPECT_EQ(GetObjectType(first), 0u);
}

// ---- Border style ----

TEST_F(UnitTest, BorderStylesReplaceTheFourBitsAndRecomputeTheFrame) {
    // The rows as the border choice defines them: extended style, style.
    const DWORD expected[kBorderStyleCount][2] = {
        {0, 0},
        {WS_EX_CLIENTEDGE, 0},
        {WS_EX_DLGMODALFRAME, 0},
        {WS_EX_STATICEDGE, 0},
        {WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, 0},
        {0, WS_BORDER},
    };
    const DWORD allEx = WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE;
    CWnd child;
    for (int value = 0; value < kBorderStyleCount; ++value) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(child.CreateEx(allEx | WS_EX_NOPARENTNOTIFY, "UnitBaseTestHost", "",
                                   WS_CHILD | WS_TABSTOP | WS_BORDER, 5, 5, 100, 60, host.m_hWnd, nullptr));
        ApplyBorderStyle(child.m_hWnd, value);
        DWORD style = child.GetStyle();
        DWORD exStyle = child.GetExStyle();
        EXPECT_EQ(exStyle & allEx, expected[value][0]);
        EXPECT_EQ(style & WS_BORDER, expected[value][1]);
        EXPECT_TRUE(exStyle & WS_EX_NOPARENTNOTIFY);
        EXPECT_EQ(style & (WS_CHILD | WS_TABSTOP), static_cast<DWORD>(WS_CHILD | WS_TABSTOP));

        // The frame was recomputed: the client area is what the system gives these styles.
        RECT frame{0, 0, 0, 0};
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        RECT client = child.GetClientRect();
        EXPECT_EQ(client.right, 100 - (frame.right - frame.left));
        EXPECT_EQ(client.bottom, 60 - (frame.bottom - frame.top));
        child.DestroyWindow();
    }
    EXPECT_EQ(&BorderStyleFor(6), &BorderStyleFor(0));
    EXPECT_EQ(&BorderStyleFor(-1), &BorderStyleFor(0));
}

// ---- Events ----

TEST_F(UnitTest, RaiseUnitEventFillsTheRecordAndReadsTheResult) {
    CWnd* wnd = CreateChild({});
    ASSERT_NE(wnd, nullptr);
    auto& unit = *static_cast<TestChildUnit*>(wnd);

    EventRecord out;
    std::memset(&out, 0xA5, sizeof out);
    g_raiseAnswer = 1;
    g_handlerGivesValue = true;
    g_handlerValue = 0;
    EXPECT_TRUE(RaiseUnitEvent(unit, 3, {7, 0xFFFFFFFFu, 9}, &out));
    std::vector<Request> raised = RequestsOf(kRequestRaiseEvent);
    ASSERT_EQ(raised.size(), 1u);
    const EventRecord& seen = raised[0].event;
    EXPECT_EQ(seen.windowId, kWindowId);
    EXPECT_EQ(seen.unitId, kUnitId);
    EXPECT_EQ(seen.event, 3);
    EXPECT_EQ(seen.argumentCount, 3);
    EXPECT_EQ(seen.arguments[0], 7u);
    EXPECT_EQ(seen.arguments[1], 0xFFFFFFFFu);
    EXPECT_EQ(seen.arguments[2], 9u);
    EXPECT_EQ(seen.hasResult, 0u);
    EXPECT_EQ(seen.result, 0u);
    // A handler that returned false.
    EXPECT_EQ(out.hasResult, 1u);
    EXPECT_EQ(out.result, 0u);

    g_raiseAnswer = 0;
    std::memset(&out, 0xA5, sizeof out);
    EXPECT_FALSE(RaiseUnitEvent(unit, kEventGotFocus, {}, &out));
    EXPECT_EQ(out.argumentCount, 0);
    EXPECT_EQ(out.hasResult, 0u);

    SetUnitCallback(nullptr);
    EXPECT_FALSE(RaiseUnitEvent(unit, 0));
}

TEST_F(UnitTest, TestUnitsRaiseClickAndFocusEvents) {
    host.ShowWindow(SW_SHOW);
    CWnd* unit = CreateChild({});
    ASSERT_NE(unit, nullptr);
    unit->ShowWindow(SW_SHOW);
    unit->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
    std::vector<Request> raised = RequestsOf(kRequestRaiseEvent);
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].event.event, kTestUnitClickEvent);
    EXPECT_EQ(raised[0].event.argumentCount, 2);
    EXPECT_EQ(raised[0].event.arguments[0], 12u);
    EXPECT_EQ(raised[0].event.arguments[1], 34u);

    g_requests.clear();
    unit->SetFocus();
    host.SetFocus();
    raised = RequestsOf(kRequestRaiseEvent);
    ASSERT_EQ(raised.size(), 2u);
    EXPECT_EQ(raised[0].event.event, kEventGotFocus);
    EXPECT_EQ(raised[1].event.event, kEventLostFocus);
    EXPECT_EQ(raised[1].event.unitId, kUnitId);
}

TEST_F(UnitTest, KeyStateReportsCtrlShiftAlt) {
    BYTE saved[256];
    ASSERT_TRUE(GetKeyboardState(saved));
    BYTE keys[256] = {};
    const struct {
        int vk;
        uint32_t bit;
    } modifiers[] = {{VK_CONTROL, 1}, {VK_SHIFT, 2}, {VK_MENU, 4}};
    for (unsigned mask = 0; mask < 8; ++mask) {
        uint32_t expected = 0;
        for (const auto& m : modifiers) {
            bool down = (mask & m.bit) != 0;
            keys[m.vk] = down ? 0x80 : 0;
            expected |= down ? m.bit : 0;
        }
        ASSERT_TRUE(SetKeyboardState(keys));
        EXPECT_EQ(KeyState(), expected);
    }
    SetKeyboardState(saved);
}

// ---- The test unit types themselves, which the loading tests build on ----

TEST_F(UnitTest, TestWindowTypeMakesAHiddenTopLevelWindow) {
    std::vector<uint8_t> block = TestWindowStoredData("caption");
    auto create = Operation<CreateUnitFn>(TestWindowEntry, kOpCreateUnit);
    CWnd* window = create(block.data(), static_cast<int32_t>(block.size()), WS_DISABLED, nullptr,
                          0, nullptr, 0, 0, 200, 100, kWindowId, kWindowId, nullptr, 0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FindWindowA(kTestWindowClass, "caption"), window->m_hWnd);
    EXPECT_FALSE(window->IsWindowVisible());
    EXPECT_EQ(window->GetStyle() & (WS_OVERLAPPEDWINDOW | WS_DISABLED | WS_CHILD),
              static_cast<DWORD>(WS_OVERLAPPEDWINDOW | WS_DISABLED));
    uint32_t value[2] = {};
    ASSERT_EQ(Operation<GetPropertyFn>(TestWindowEntry, kOpGetProperty)(window, kWindowCaption, value), 1);
    EXPECT_STREQ(reinterpret_cast<const char*>(static_cast<uintptr_t>(value[0])), "caption");
    window->DestroyWindow();
    std::vector<Request> destroyed = RequestsOf(kRequestUnitDestroyed);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].word2, kWindowId);
}

TEST_F(UnitTest, TestChildTypeWritesAndReadsEveryOwnProperty) {
    for (int32_t operation : {7, 8, 10}) {
        EXPECT_EQ(TestChildEntry(operation), nullptr);
        EXPECT_EQ(TestWindowEntry(operation), nullptr);
    }
    CWnd* unit = CreateChild({});
    ASSERT_NE(unit, nullptr);
    auto changed = Operation<PropertyChangedFn>(TestChildEntry, kOpPropertyChanged);
    auto get = Operation<GetPropertyFn>(TestChildEntry, kOpGetProperty);
    const uint8_t bytes[3] = {9, 8, 7};
    std::vector<uint8_t> font = FontBlock(SampleFont());
    const char* caption = "new";
    const uint32_t writes[kTestChildOwnPropertyCount][2] = {
        {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(caption)), 0},
        {0xFFFFFFF0u, 0},
        {0, 0},
        {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(font.data())), kFontBlockSize},
        {2, 0},
        {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bytes)), 3},
        {0x40, 0},
        {0x80000000u, 0},
    };
    for (int32_t number = 0; number < kTestChildOwnPropertyCount; ++number) {
        SCOPED_TRACE(number);
        uint32_t result = 0xDEAD;
        EXPECT_EQ(changed(unit, number, writes[number], &result), number == kChildStyle ? 1 : 0);
        EXPECT_EQ(result, 0u);
        uint32_t value[2] = {0, 0};
        ASSERT_EQ(get(unit, number, value), 1);
        if (number == kChildCaption) {
            EXPECT_STREQ(reinterpret_cast<const char*>(static_cast<uintptr_t>(value[0])), caption);
        } else if (number == kChildFont || number == kChildData) {
            const auto* p = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(value[0]));
            const auto* q = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(writes[number][0]));
            ASSERT_EQ(value[1], writes[number][1]);
            EXPECT_EQ(std::memcmp(p, q, value[1]), 0);
        } else {
            EXPECT_EQ(value[0], writes[number][0]);
        }
    }
    EXPECT_EQ(unit->GetWindowText(), caption);
    EXPECT_NE(unit->GetFont(), GetStockObject(DEFAULT_GUI_FONT));
    uint32_t outside[2] = {kTestChildChoiceCount, 0};
    changed(unit, kChildChoice, outside, nullptr);
    uint32_t value[2] = {};
    get(unit, kChildChoice, value);
    EXPECT_EQ(value[0], 2u);
    EXPECT_EQ(get(unit, kTestChildOwnPropertyCount, value), 0);

    // Descriptors: the eight common ones, then the own ones, as the loading code reads them.
    const uint16_t codes[] = {1001, 1001, 1001, 1001, 1005, 1003, 1003, 1011,
                              1005, 1001, 1003, 1013, 1006, 1009, 1001, 1001};
    const UnitTypeRecord& child = kTestUnitTypes[kTestChildTypeNumber - 1];
    ASSERT_EQ(child.propertyCount, 16);
    for (int i = 0; i < child.propertyCount; ++i) {
        EXPECT_EQ(child.properties[i].typeCode, codes[i]) << i;
        EXPECT_EQ(child.properties[i].flags, i < 8 ? 0xE000 : 0) << i;
    }
    EXPECT_EQ(kTestUnitsLibrary.types, kTestUnitTypes);
    EXPECT_EQ(kTestUnitTypes[kTestWindowTypeNumber - 1].state & 0x40u, 0x40u);
}

// ---- Callback ----

TEST_F(UnitTest, LibraryStartKeepsTheCallbackForUnits) {
    SetUnitCallback(nullptr);
    ASSERT_NE(kTestUnitsLibrary.notify, nullptr);
    kTestUnitsLibrary.notify(kLibraryStart, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&RecordingCallback)), 0);
    EXPECT_EQ(UnitCallback(), &RecordingCallback);
    EXPECT_EQ(CallRuntime(kRequestBlockEvents, 1, 2), 0u);
    ASSERT_EQ(g_requests.size(), 1u);
    EXPECT_EQ(g_requests[0].code, kRequestBlockEvents);
    EXPECT_EQ(g_requests[0].word2, 2u);
}

}  // namespace
