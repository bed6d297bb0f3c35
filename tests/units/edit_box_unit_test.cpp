// The edit box unit in a test process: its stored data against the shared layout, its
// properties, events, typing and leaving, appearance and its up-down companion.
#include "runtime/units/edit_box_unit.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "runtime/framework/archive.h"
#include "runtime/framework/mem_file.h"
#include "runtime/units/edit_input_modes.h"
#include "runtime/units/stored_schema.h"
#include "tests/driver/driver.h"
#include "tests/units/unit_harness.h"

namespace {

using harness::ChangeText;
using harness::Read;
using harness::ReadText;
const UnitTypeRecord& kType = kEditBoxUnitType;
constexpr uint32_t kBoxId = 0x16010010, kOtherId = 0x16010011;

std::vector<uint8_t> SchemaBlock(harness::Numbers numbers, harness::Texts texts = {}) {
    return harness::SchemaBlock(kEditBoxStoredKind, numbers, texts);
}

class EditBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::InstallRuntime();
        host = &harness::SharedHost();
        ASSERT_TRUE(host->IsWindow());
        harness::ClearEvents();
    }
    EditBoxUnit* Box(const std::vector<uint8_t>& data, int x = 10, int y = 10, int width = 120, int height = 24,
                     uint32_t id = kBoxId, uint32_t style = WS_VISIBLE) {
        CWnd* made = harness::Create(kType, data, host->m_hWnd, id, x, y, width, height, style);
        return static_cast<EditBoxUnit*>(made);
    }
    // Types into the box as the keyboard would, then moves the focus to `other`.
    void TypeAndLeave(EditBoxUnit* box, CWnd* other, const std::string& utf8) {
        box->SetFocus();
        e2e::Type(box->m_hWnd, utf8);
        harness::Pump();
        other->SetFocus();
        harness::Pump(10);
    }
    harness::Host* host = nullptr;
};

// ---- Stored data ----

TEST(EditBoxData, WritesTheSharedLayoutByteForByte) {
    EditBoxData data;
    data.Reset();
    int32_t size = 0;
    HGLOBAL block = SaveStoredData(data, &size);
    ASSERT_NE(block, nullptr);
    const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    const std::vector<uint8_t> written(bytes, bytes + size);
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(written, SchemaBlock({}));

    const std::vector<uint8_t> changed = SchemaBlock(
        {{"border", 3}, {"text-colour", 0x123456}, {"background-colour", -16777216}, {"hide-selection", 0},
         {"max-length", 9}, {"multi-line", 1}, {"scroll-bars", 2}, {"alignment", 1}, {"input-mode", 11},
         {"password-char", 0x23}, {"letter-case", 2}, {"adjuster", 1}, {"adjuster-lower", -5},
         {"adjuster-upper", 70000}, {"selection-start", 2}, {"selection-length", 3}},
        {{"content", "abc"}, {"font", std::string(60, 'f')}, {"data-source", "src"}, {"data-column", "col"}});
    ASSERT_TRUE(LoadStoredData(data, changed.data(), static_cast<int32_t>(changed.size())));
    EXPECT_EQ(data.content, "abc");
    EXPECT_EQ(data.adjusterUpper, 70000);
    EXPECT_EQ(data.passwordChar, 0x23);
    EXPECT_EQ(data.backColour, 0xFF000000u);
    EXPECT_EQ(data.dataColumn, "col");
    block = SaveStoredData(data, &size);
    bytes = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), changed);
    GlobalUnlock(block);
    GlobalFree(block);
}

TEST(EditBoxData, OlderVersionsEndAfterTheContentAndNewerAreRefused) {
    std::vector<uint8_t> block = SchemaBlock({{"border", 0}}, {{"content", "old"}});
    // Version 1: the same words and blocks without the two binding names.
    block.resize(block.size() - 8);
    block[0] = 1;
    EditBoxData data;
    ASSERT_TRUE(LoadStoredData(data, block.data(), static_cast<int32_t>(block.size())));
    EXPECT_EQ(data.content, "old");
    EXPECT_EQ(data.border, 0);
    EXPECT_EQ(data.dataSource, "");
    block[0] = 0;
    EXPECT_TRUE(LoadStoredData(data, block.data(), static_cast<int32_t>(block.size())));
    block[0] = 3;
    EXPECT_FALSE(LoadStoredData(data, block.data(), static_cast<int32_t>(block.size())));
    block[0] = 2;  // a version 2 block cut after the content ends early
    EXPECT_FALSE(LoadStoredData(data, block.data(), static_cast<int32_t>(block.size())));
}

TEST_F(EditBoxTest, ANewerBlockCreatesNothingAndAnEmptyOneGivesTheDefaults) {
    std::vector<uint8_t> newer = SchemaBlock({});
    newer[0] = 3;
    const int windowsBefore = static_cast<int>(GetWindow(host->m_hWnd, GW_CHILD) != nullptr);
    EXPECT_EQ(harness::Create(kType, newer, host->m_hWnd, kBoxId, 0, 0, 50, 20), nullptr);
    EXPECT_EQ(static_cast<int>(GetWindow(host->m_hWnd, GW_CHILD) != nullptr), windowsBefore);
    EditBoxUnit* box = Box({});
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Read(kType, box, kEditBorder), 1u);
    EXPECT_EQ(Read(kType, box, kEditBackColour), 0xFFFFFFu);
    EXPECT_EQ(ReadText(kType, box, kEditPasswordChar), "*");
    EXPECT_EQ(Read(kType, box, kEditAdjusterUpper), 100u);
    EXPECT_TRUE(box->GetExStyle() & WS_EX_CLIENTEDGE);
}

TEST(EditBoxData, ConvertTextsSeesContentNamesAndTheFontFace) {
    const std::vector<uint8_t> font = harness::FontBlock("Arial", 9);
    const std::vector<uint8_t> block = SchemaBlock(
        {}, {{"content", "ab"}, {"font", std::string(font.begin(), font.end())}, {"data-source", "s"}});
    auto convert = reinterpret_cast<ConvertTextsFn>(EditBoxEntry(kOpConvertTexts));
    int32_t size = static_cast<int32_t>(block.size());
    HGLOBAL converted = convert(block.data(), &size, [](char* text, int32_t face, uint32_t) {
        for (char* p = text; *p; ++p)
            *p = face ? 'F' : static_cast<char>(*p - 32);
    }, 0);
    ASSERT_NE(converted, nullptr);
    EditBoxData data;
    ASSERT_TRUE(LoadStoredData(data, static_cast<const uint8_t*>(GlobalLock(converted)), size));
    GlobalUnlock(converted);
    GlobalFree(converted);
    EXPECT_EQ(data.content, "AB");
    EXPECT_EQ(data.dataSource, "S");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.font.data()) + offsetof(LOGFONTA, lfFaceName)), "FFFFF");
}

// ---- Type record ----

TEST(EditBoxType, RecordEntryAndDescriptors) {
    EXPECT_EQ(kType.propertyCount, 29);
    EXPECT_EQ(kType.state, 0x80000040u);
    for (int32_t op : {1, 4, 5, 6, 8, 9})
        EXPECT_NE(kType.entry(op), nullptr) << op;
    for (int32_t op : {2, 3, 7, 10})
        EXPECT_EQ(kType.entry(op), nullptr) << op;
    const uint16_t codes[21] = {1005, 1006, 1014, 1017, 1013, 1003, 1001, 1003, 1006, 1006, 1006,
                                1005, 1006, 1006, 1001, 1001, 1001, 1001, 1005, 1018, 1020};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(kType.properties[i].flags, 0xE000) << i;
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(kType.properties[8 + i].typeCode, codes[i]) << i;
}

// ---- Content and events ----

TEST_F(EditBoxTest, WritingTheContentRaisesEventZeroExactlyOnce) {
    EditBoxUnit* box = Box(SchemaBlock({}, {{"content", "start"}}));
    harness::Pump();
    harness::ClearEvents();
    ChangeText(kType, box, kEditContent, "start");
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 1);
    ChangeText(kType, box, kEditContent, "next");
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 2);
    EXPECT_EQ(box->GetWindowText(), "next");
    ChangeText(kType, box, kEditContent, nullptr);
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 3);
    EXPECT_EQ(ReadText(kType, box, kEditContent), "");
}

TEST_F(EditBoxTest, TypedTextIsReadBackAtOnceAndChineseArrivesWhole) {
    EditBoxUnit* box = Box({});
    box->SetFocus();
    harness::Pump();
    harness::ClearEvents();
    e2e::Type(box->m_hWnd, "ab\xE4\xB8\xAD\xE6\x96\x87");  // UTF-8: the driver's form
    harness::Pump();
    EXPECT_EQ(ReadText(kType, box, kEditContent), "ab\xD6\xD0\xCE\xC4");
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 4);
    // Positions count bytes: the caret after the text is at byte 6.
    EXPECT_EQ(Read(kType, box, kEditSelectionStart), 6u);
    harness::Change(kType, box, kEditSelectionStart, 2);
    harness::Change(kType, box, kEditSelectionLength, 2);
    EXPECT_EQ(ReadText(kType, box, kEditSelectedText), "\xD6\xD0");
}

TEST_F(EditBoxTest, FocusEventsAndNormalisationOnLeaving) {
    EditBoxUnit* other = Box({}, 10, 200, 100, 24, kOtherId);
    const struct {
        int32_t mode;
        const char* typed;
        const char* left;
    } cases[] = {
        {kInputByte, "-3a00", "255"},
        {kInputByte, "0", ""},
        {kInputInteger, "99999999999", "2147483647"},
        {kInputShort, "-99999", "-32768"},
        {kInputSingle, "1234567", "1.23457e+006"},
        {kInputDouble, "2.50", "2.5"},
        {kInputDateTime, "2000-1-1 18:01:30", "2000\xC4\xEA" "1\xD4\xC2" "1\xC8\xD5" "18\xCA\xB1" "1\xB7\xD6" "30\xC3\xEB"},
        {kInputDateTime, "yesterday", ""},
        {kInputPlain, " 0 ", " 0 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        EditBoxUnit* box = Box(SchemaBlock({{"input-mode", c.mode}}));
        harness::ClearEvents();
        TypeAndLeave(box, other, c.typed);
        EXPECT_EQ(box->GetWindowText(), c.left);
        const std::vector<int32_t> events = harness::EventNumbers(kBoxId);
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events.front(), kEventGotFocus);
        EXPECT_EQ(events.back(), kEventLostFocus);  // after the normalisation and its event 0
        box->DestroyWindow();
    }
}

// ---- Properties ----

TEST_F(EditBoxTest, ChoicesAreLimitedAndCreationStylesAskForANewControl) {
    EditBoxUnit* box = Box({});
    const struct {
        int32_t number;
        uint32_t written;
        uint32_t stored;
        int32_t result;
    } cases[] = {
        {kEditBorder, 9, 5, 0},           {kEditBorder, static_cast<uint32_t>(-1), 0, 0},
        {kEditScrollBars, 7, 3, 1},       {kEditScrollBars, 3, 3, 0},
        {kEditAlignment, 5, 2, 1},        {kEditAlignment, static_cast<uint32_t>(-4), 0, 1},
        {kEditLetterCase, 2, 2, 1},       {kEditLetterCase, 2, 2, 0},
        {kEditAdjuster, 9, 2, 1},         {kEditMultiLine, 1, 1, 1},
        {kEditMultiLine, 1, 1, 0},        {kEditHideSelection, 0, 0, 1},
        {kEditHideSelection, 0, 0, 0},    {kEditInputMode, 40, 11, 0},
        {kEditMaxLength, static_cast<uint32_t>(-3), 0, 0}, {kEditMaxLength, 5, 5, 0},
        {kEditAdjusterLower, static_cast<uint32_t>(-70000), static_cast<uint32_t>(-70000), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(harness::Change(kType, box, c.number, c.written), c.result) << c.number << " " << c.written;
        EXPECT_EQ(Read(kType, box, c.number), c.stored) << c.number;
    }
    EXPECT_EQ(box->GetLimitText(), 5u);
    EXPECT_EQ(harness::Change(kType, box, 21, 1), 0);
    uint32_t value[2] = {7, 7};
    EXPECT_EQ(reinterpret_cast<GetPropertyFn>(kType.entry(kOpGetProperty))(box, 21, value), 0);
}

TEST_F(EditBoxTest, BorderAndAdjusterEdge) {
    EditBoxUnit* box = Box(SchemaBlock({{"adjuster", 1}, {"border", 2}}));
    ASSERT_TRUE(box->Adjuster().IsWindow());
    EXPECT_TRUE(box->GetExStyle() & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(box->Adjuster().GetExStyle() & WS_EX_STATICEDGE);
    harness::Change(kType, box, kEditBorder, 5);
    EXPECT_TRUE(box->GetStyle() & WS_BORDER);
    EXPECT_FALSE(box->GetExStyle() & (WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE));
    harness::Change(kType, box, kEditBorder, 3);
    EXPECT_FALSE(box->GetStyle() & WS_BORDER);
    EXPECT_TRUE(box->GetExStyle() & WS_EX_STATICEDGE);
    EXPECT_TRUE(box->Adjuster().GetExStyle() & WS_EX_STATICEDGE);
}

TEST_F(EditBoxTest, SelectionMinusOneMeansTheEndOrEverything) {
    EditBoxUnit* box = Box(SchemaBlock({}, {{"content", "hello"}}));
    harness::Change(kType, box, kEditSelectionStart, static_cast<uint32_t>(-1));
    int start = -1, end = -1;
    box->GetSel(start, end);
    EXPECT_EQ(start, 5);
    EXPECT_EQ(end, 5);
    harness::Change(kType, box, kEditSelectionLength, static_cast<uint32_t>(-1));
    EXPECT_EQ(Read(kType, box, kEditSelectionStart), 0u);
    EXPECT_EQ(Read(kType, box, kEditSelectionLength), 5u);
    EXPECT_EQ(ReadText(kType, box, kEditSelectedText), "hello");
    harness::Change(kType, box, kEditSelectionStart, static_cast<uint32_t>(-7));
    EXPECT_EQ(Read(kType, box, kEditSelectionStart), 0u);
    harness::Change(kType, box, kEditSelectionStart, 1);
    harness::Change(kType, box, kEditSelectionLength, 3);
    harness::ClearEvents();
    ChangeText(kType, box, kEditSelectedText, "EY");
    EXPECT_EQ(box->GetWindowText(), "hEYo");
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 1);
    EXPECT_FALSE(box->CanUndo());
}

TEST_F(EditBoxTest, PasswordCharacterShowsOnlyInPasswordMode) {
    EditBoxUnit* box = Box(SchemaBlock({}, {{"content", "secret"}}));
    ChangeText(kType, box, kEditPasswordChar, "#x");
    EXPECT_EQ(ReadText(kType, box, kEditPasswordChar), "#");
    EXPECT_EQ(SendMessageW(box->m_hWnd, EM_GETPASSWORDCHAR, 0, 0), 0);
    harness::Change(kType, box, kEditInputMode, kInputPassword);
    EXPECT_EQ(SendMessageW(box->m_hWnd, EM_GETPASSWORDCHAR, 0, 0), '#');
    ChangeText(kType, box, kEditPasswordChar, "");
    EXPECT_EQ(ReadText(kType, box, kEditPasswordChar), "");
    EXPECT_EQ(SendMessageW(box->m_hWnd, EM_GETPASSWORDCHAR, 0, 0), 0);
    harness::Change(kType, box, kEditInputMode, kInputReadOnly);
    EXPECT_TRUE(box->GetStyle() & ES_READONLY);
    harness::Change(kType, box, kEditInputMode, kInputPlain);
    EXPECT_FALSE(box->GetStyle() & ES_READONLY);
    // Created in mode 2, the stored character is used at once.
    EditBoxUnit* made = Box(SchemaBlock({{"input-mode", 2}, {"password-char", '$'}}), 10, 60, 100, 24, kOtherId);
    EXPECT_EQ(SendMessageW(made->m_hWnd, EM_GETPASSWORDCHAR, 0, 0), '$');
    EXPECT_TRUE(made->GetStyle() & ES_PASSWORD);
}

TEST_F(EditBoxTest, AChinesePasswordCharacterAndHalfACharacterLeftBehind) {
    // "●" is A1 F1 in the system's code page and U+25CF for the (wide) control.
    EditBoxUnit* box = Box(SchemaBlock({{"input-mode", 2}}, {{"content", "secret"}}));
    ChangeText(kType, box, kEditPasswordChar, "\xA1\xF1x");
    EXPECT_EQ(ReadText(kType, box, kEditPasswordChar), "\xA1\xF1");
    WNDCLASSW edit{};
    ASSERT_TRUE(GetClassInfoW(nullptr, L"EDIT", &edit));
    EXPECT_EQ(CallWindowProcW(edit.lpfnWndProc, box->m_hWnd, EM_GETPASSWORDCHAR, 0, 0), 0x25CF)
        << "the control's own character, asked without any conversion";
    // A lead byte typed just before the box lost the focus is not joined to the next key.
    EditBoxUnit* other = Box({}, 10, 60, 100, 24, kOtherId);
    harness::Change(kType, box, kEditInputMode, kInputPlain);
    ChangeText(kType, box, kEditContent, "");
    box->SetFocus();
    harness::Pump();
    SendMessageA(box->m_hWnd, WM_CHAR, 0xD6, 0);
    other->SetFocus();
    box->SetFocus();
    harness::Pump();
    SendMessageA(box->m_hWnd, WM_CHAR, 'a', 0);
    EXPECT_EQ(ReadText(kType, box, kEditContent), "a");
}

TEST_F(EditBoxTest, StylesFromTheStoredData) {
    EditBoxData data;
    data.multiLine = 1;
    data.scrollBars = 1;
    data.alignment = 2;
    data.letterCase = 1;
    data.hideSelection = 0;
    const DWORD multi = EditBoxStyle(data, WS_TABSTOP);
    EXPECT_EQ(multi & (ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_AUTOHSCROLL | WS_HSCROLL),
              static_cast<DWORD>(ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | ES_AUTOHSCROLL | WS_HSCROLL));
    EXPECT_FALSE(multi & WS_VSCROLL);
    EXPECT_TRUE(multi & ES_RIGHT);
    EXPECT_TRUE(multi & ES_LOWERCASE);
    EXPECT_TRUE(multi & ES_NOHIDESEL);
    EXPECT_TRUE(multi & WS_TABSTOP);
    EXPECT_TRUE(multi & WS_CLIPSIBLINGS);
    data.scrollBars = 2;
    EXPECT_EQ(EditBoxStyle(data, 0) & (WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL), static_cast<DWORD>(WS_VSCROLL));
    data.multiLine = 0;
    data.inputMode = kInputReadOnly;
    const DWORD single = EditBoxStyle(data, 0);
    EXPECT_TRUE(single & ES_AUTOHSCROLL);
    EXPECT_FALSE(single & (ES_MULTILINE | WS_VSCROLL));
    EXPECT_TRUE(single & ES_READONLY);
}

TEST_F(EditBoxTest, EnterStaysInAWritableMultiLineBox) {
    EditBoxUnit* multi = Box(SchemaBlock({{"multi-line", 1}}), 10, 10, 100, 60);
    auto wants = reinterpret_cast<WantsKeyFn>(kType.entry(kOpWantsKey));
    EXPECT_EQ(wants(multi, VK_RETURN), 1);
    EXPECT_EQ(wants(multi, VK_TAB), 0);
    harness::Change(kType, multi, kEditInputMode, kInputReadOnly);
    EXPECT_EQ(wants(multi, VK_RETURN), 0);
    EditBoxUnit* single = Box({}, 10, 100, 100, 24, kOtherId);
    EXPECT_EQ(wants(single, VK_RETURN), 0);
}

TEST_F(EditBoxTest, ReCreationDataCarriesTheTypedText) {
    EditBoxUnit* box = Box(SchemaBlock({{"alignment", 0}}));
    box->SetFocus();
    e2e::Type(box->m_hWnd, "typed");
    harness::Pump();
    for (int32_t number : {kEditHideSelection, kEditMultiLine, kEditScrollBars, kEditAlignment, kEditLetterCase,
                           kEditAdjuster}) {
        EXPECT_EQ(harness::Change(kType, box, number, number == kEditHideSelection ? 0 : 1), 1) << number;
        const std::vector<uint8_t> data = harness::StoredData(kType, box);
        EditBoxData loaded;
        ASSERT_TRUE(LoadStoredData(loaded, data.data(), static_cast<int32_t>(data.size())));
        EXPECT_EQ(loaded.content, "typed") << number;
    }
}

// ---- Appearance ----

TEST_F(EditBoxTest, ALowSingleLineBoxGrowsToTheIdeographAndCentresItsText) {
    const std::vector<uint8_t> font = harness::FontBlock("SimSun", 12);
    EditBoxUnit* box = Box(SchemaBlock({}, {{"font", std::string(font.begin(), font.end())}}), 10, 10, 120, 10);
    LOGFONTA logical;
    std::memcpy(&logical, font.data(), sizeof logical);
    logical.lfCharSet = DEFAULT_CHARSET;
    logical.lfQuality = PROOF_QUALITY;
    HFONT measured = CreateFontIndirectA(&logical);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, measured);
    SIZE ideograph{}, letter{};
    GetTextExtentPoint32A(screen, "\xD7\xD6", 2, &ideograph);
    GetTextExtentPoint32A(screen, "W", 1, &letter);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(measured);
    const RECT window = box->GetWindowRect();
    EXPECT_EQ(window.bottom - window.top, ideograph.cy + 2 * GetSystemMetrics(SM_CYEDGE));
    EXPECT_EQ(window.right - window.left, 120);

    // A tall box: the client area is one letter high, in the middle of the frame.
    EditBoxUnit* tall = Box(SchemaBlock({}, {{"font", std::string(font.begin(), font.end())}}), 10, 60, 120, 60,
                            kOtherId);
    RECT client = tall->GetClientRect();
    EXPECT_EQ(client.bottom, letter.cy);
    POINT origin{0, 0};
    ClientToScreen(tall->m_hWnd, &origin);
    const RECT outer = tall->GetWindowRect();
    const int edge = GetSystemMetrics(SM_CYEDGE);
    const int inner = (outer.bottom - outer.top) - 2 * edge;
    EXPECT_EQ(origin.y - outer.top, edge + (inner - letter.cy) / 2);
    // Outside the client area the box answers as its border.
    EXPECT_EQ(SendMessageA(tall->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 5, outer.top + edge + 1)), HTBORDER);
    EXPECT_EQ(SendMessageA(tall->m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(origin.x + 5, origin.y + 1)), HTCLIENT);
}

TEST_F(EditBoxTest, ColoursComeFromTheReflectedColourMessage) {
    EditBoxUnit* box = Box(SchemaBlock({{"text-colour", 0x0000FF}, {"background-colour", 0x00FF00}}));
    HDC dc = GetDC(box->m_hWnd);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(host->m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box->m_hWnd)));
    LOGBRUSH described{};
    ASSERT_NE(brush, nullptr);
    GetObjectA(brush, sizeof described, &described);
    EXPECT_EQ(described.lbColor, 0x00FF00u);
    EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
    EXPECT_EQ(GetBkColor(dc), 0x00FF00u);
    harness::Change(kType, box, kEditBackColour, kSystemDefaultColour);
    SendMessageA(host->m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box->m_hWnd));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    ReleaseDC(box->m_hWnd, dc);
    // The band around the centred client area shows the background too.
    const std::vector<uint32_t> pixels = harness::ScreenPixels(box->m_hWnd);
    const RECT r = box->GetWindowRect();
    const int width = r.right - r.left;
    const int edge = GetSystemMetrics(SM_CYEDGE);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const uint32_t shown = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
    EXPECT_EQ(pixels[static_cast<size_t>(edge) * width + width / 2], shown);
}

// ---- Adjuster ----

TEST_F(EditBoxTest, AdjusterSitsRightOfTheBoxAndFollowsIt) {
    EditBoxUnit* box = Box(SchemaBlock({{"adjuster", 1}}), 20, 30, 100, 24, kBoxId, WS_VISIBLE | WS_DISABLED);
    AdjusterButton& adjuster = box->Adjuster();
    ASSERT_TRUE(adjuster.IsWindow());
    EXPECT_EQ(adjuster.GetDlgCtrlID(), box->GetDlgCtrlID() + 4);
    auto placed = [&] {
        RECT b = box->GetWindowRect(), a = adjuster.GetWindowRect();
        return a.left == b.right && a.top == b.top && a.right - a.left == 18 && a.bottom - a.top == b.bottom - b.top;
    };
    EXPECT_TRUE(placed());
    EXPECT_EQ(GetWindow(box->m_hWnd, GW_HWNDNEXT), adjuster.m_hWnd);
    EXPECT_FALSE(adjuster.IsWindowEnabled());
    box->EnableWindow(TRUE);
    EXPECT_TRUE(adjuster.IsWindowEnabled());
    box->MoveWindow(50, 70, 80, 30);
    EXPECT_TRUE(placed());
    box->ShowWindow(SW_HIDE);
    EXPECT_FALSE(adjuster.IsWindowVisible());
    box->ShowWindow(SW_SHOW);
    EXPECT_TRUE(adjuster.IsWindowVisible());
    SetWindowPos(box->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(box->m_hWnd, GW_HWNDNEXT), adjuster.m_hWnd);
    int lower = 0, upper = 0;
    harness::Change(kType, box, kEditAdjusterLower, 70000);
    harness::Change(kType, box, kEditAdjusterUpper, static_cast<uint32_t>(-2));
    adjuster.GetRange32(lower, upper);
    EXPECT_EQ(lower, -2);
    EXPECT_EQ(upper, 70000);
    // No adjuster for a multi-line box.
    EditBoxUnit* multi = Box(SchemaBlock({{"adjuster", 1}, {"multi-line", 1}}), 10, 150, 100, 50, kOtherId);
    EXPECT_FALSE(multi->Adjuster().IsWindow());
}

TEST_F(EditBoxTest, AutomaticStepsWrapAtBothEnds) {
    EditBoxUnit* box = Box(SchemaBlock({{"adjuster", 1}, {"adjuster-lower", 3}, {"adjuster-upper", 5}}, {{"content", "5"}}));
    HWND arrows = box->Adjuster().m_hWnd;
    const RECT r = box->Adjuster().GetClientRect();
    auto press = [&](bool up) {
        e2e::ClickAt(arrows, r.right / 2, up ? 2 : r.bottom - 3);
        harness::Pump();
        return box->GetWindowText();
    };
    harness::ClearEvents();
    EXPECT_EQ(press(true), "3");    // above the upper limit: the lower
    EXPECT_EQ(press(true), "4");
    EXPECT_EQ(press(false), "3");
    EXPECT_EQ(press(false), "5");   // below the lower limit: the upper
    EXPECT_EQ(harness::CountEvent(kBoxId, 0), 4);
    ChangeText(kType, box, kEditContent, "99");
    EXPECT_EQ(press(false), "5");   // a text above the range steps down to the upper limit
    EXPECT_EQ(GetFocus(), box->m_hWnd);
    int start = -1, end = -1;
    box->GetSel(start, end);
    EXPECT_EQ(start, 0);
    EXPECT_EQ(end, 1);
    box->EnableWindow(FALSE);
    EXPECT_EQ(press(true), "5");    // a disabled box does not step
}

TEST_F(EditBoxTest, AnAdjusterByEventRaisesEventOne) {
    EditBoxUnit* box = Box(SchemaBlock({{"adjuster", 2}}, {{"content", "7"}}));
    HWND arrows = box->Adjuster().m_hWnd;
    const RECT r = box->Adjuster().GetClientRect();
    harness::ClearEvents();
    e2e::ClickAt(arrows, r.right / 2, 2);
    e2e::ClickAt(arrows, r.right / 2, r.bottom - 3);
    harness::Pump();
    std::vector<std::pair<int32_t, uint32_t>> raised;
    for (const harness::Raised& e : harness::Events()) {
        if (e.unitId == kBoxId && e.event == kEditEventAdjusted)
            raised.emplace_back(e.event, e.arguments.at(0));
    }
    ASSERT_EQ(raised.size(), 2u);
    EXPECT_EQ(raised[0].second, 1u);
    EXPECT_EQ(raised[1].second, static_cast<uint32_t>(-1));
    EXPECT_EQ(box->GetWindowText(), "7");
}

}  // namespace
