// The transparent label unit in a test process: stored data, its window, drawing and refresh.
#include "runtime/units/trans_label_unit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "runtime/units/stored_schema.h"
#include "tests/units/unit_harness.h"

namespace {

const UnitTypeRecord& kType = kTransLabelUnitType;
constexpr uint32_t kLabelId = 0x16010030;

std::vector<uint8_t> SchemaBlock(harness::Numbers numbers, harness::Texts texts = {}) {
    return harness::SchemaBlock(kTransLabelStoredKind, numbers, texts);
}

class TransLabelTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::InstallRuntime();
        host = &harness::SharedHost();
        ASSERT_TRUE(host->IsWindow());
    }
    TransLabelUnit* Make(const std::vector<uint8_t>& data) {
        return static_cast<TransLabelUnit*>(harness::Create(kType, data, host->m_hWnd, kLabelId, 20, 20, 200, 40));
    }
    // How many pixels of the label's rectangle differ from the host's background.
    int Marked(TransLabelUnit* label) {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        const uint32_t background = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
        int marked = 0;
        for (uint32_t p : harness::ScreenPixels(label->m_hWnd))
            marked += p != background;
        return marked;
    }
    harness::Host* host = nullptr;
};

TEST(TransLabelData, WritesTheSharedLayoutAndRefusesNewerVersions) {
    TransLabelData data;
    data.Reset();
    int32_t size = 0;
    HGLOBAL block = SaveStoredData(data, &size);
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), StoredRecord(kTransLabelStoredKind).SaveBlock());
    GlobalUnlock(block);
    GlobalFree(block);
    const std::vector<uint8_t> changed = SchemaBlock({{"effect", 3}, {"text-colour", 0xFF}, {"horizontal-alignment", 2},
                                                      {"vertical-alignment", 0}, {"word-wrap", 1}},
                                                     {{"caption", "cap"}});
    ASSERT_TRUE(LoadStoredData(data, changed.data(), static_cast<int32_t>(changed.size())));
    EXPECT_EQ(data.effect, 3);
    EXPECT_EQ(data.verticalAlignment, 0);
    block = SaveStoredData(data, &size);
    bytes = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), changed);
    GlobalUnlock(block);
    GlobalFree(block);
    std::vector<uint8_t> newer = changed;
    newer[0] = 2;
    EXPECT_FALSE(LoadStoredData(data, newer.data(), static_cast<int32_t>(newer.size())));
}

TEST(TransLabelType, RecordEntryAndDescriptors) {
    EXPECT_EQ(kType.propertyCount, 15);
    EXPECT_EQ(kType.state, 0x00012040u);
    for (int32_t op : {1, 4, 5, 6, 9})
        EXPECT_NE(kType.entry(op), nullptr) << op;
    for (int32_t op : {7, 8, 10})
        EXPECT_EQ(kType.entry(op), nullptr) << op;
    const uint16_t codes[7] = {1005, 1006, 1013, 1014, 1006, 1003, 1006};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(kType.properties[8 + i].typeCode, codes[i]) << i;
}

TEST(TransLabelFormat, PrefixAlignmentAndWrap) {
    TransLabelData data;
    data.Reset();
    EXPECT_EQ(TransLabelFormat(data), static_cast<UINT>(DT_NOPREFIX | DT_LEFT | DT_SINGLELINE | DT_VCENTER));
    data.horizontalAlignment = 1;
    data.verticalAlignment = 2;
    EXPECT_EQ(TransLabelFormat(data), static_cast<UINT>(DT_NOPREFIX | DT_CENTER | DT_SINGLELINE | DT_BOTTOM));
    data.verticalAlignment = 0;
    data.horizontalAlignment = 2;
    EXPECT_EQ(TransLabelFormat(data), static_cast<UINT>(DT_NOPREFIX | DT_RIGHT | DT_SINGLELINE));
    data.wordWrap = 1;
    data.verticalAlignment = 2;  // ignored with word wrap
    EXPECT_EQ(TransLabelFormat(data), static_cast<UINT>(DT_NOPREFIX | DT_RIGHT | DT_WORDBREAK | DT_VCENTER));
}

TEST_F(TransLabelTest, ItsWindowIsTransparentOfItsOwnClassAndLimitsItsChoices) {
    TransLabelUnit* label = Make({});
    ASSERT_NE(label, nullptr);
    char cls[64] = "";
    GetClassNameA(label->m_hWnd, cls, sizeof cls);
    EXPECT_STREQ(cls, kTransLabelClass);
    EXPECT_TRUE(label->GetExStyle() & WS_EX_TRANSPARENT);
    EXPECT_EQ(label->GetWindowText(), "\xCD\xB8\xC3\xF7\xB1\xEA\xC7\xA9");
    const struct {
        int32_t number;
        uint32_t written, stored;
    } cases[] = {{kLabelEffect, 7, 3}, {kLabelEffect, static_cast<uint32_t>(-2), 0},
                 {kLabelHorizontalAlignment, 4, 2}, {kLabelVerticalAlignment, static_cast<uint32_t>(-1), 0},
                 {kLabelWordWrap, 5, 1}, {kLabelTextColour, 0x123456, 0x123456}};
    for (const auto& c : cases) {
        EXPECT_EQ(harness::Change(kType, label, c.number, c.written), 0);
        EXPECT_EQ(harness::Read(kType, label, c.number), c.stored) << c.number;
    }
    EXPECT_EQ(harness::Change(kType, label, 9, 1), 0);
}

TEST_F(TransLabelTest, EmptyCaptionDrawsNothingAndAChangeLeavesNoTrace) {
    TransLabelUnit* label = Make(SchemaBlock({{"effect", 3}}, {{"caption", "WWWWWWWW"}}));
    EXPECT_GT(Marked(label), 20);
    harness::ChangeText(kType, label, kLabelCaption, "");
    EXPECT_EQ(Marked(label), 0);
    harness::ChangeText(kType, label, kLabelCaption, "WWWWWWWW");
    const std::vector<uint32_t> wide = harness::ScreenPixels(label->m_hWnd);
    harness::ChangeText(kType, label, kLabelCaption, "i");
    harness::ChangeText(kType, label, kLabelCaption, "WWWWWWWW");
    EXPECT_EQ(harness::ScreenPixels(label->m_hWnd), wide);
}

// Every font the process makes, counted through its import slot (the runtime's calls to the
// system go through the program's own import table).
extern "C" HFONT(WINAPI* g_createFontSlot)(const LOGFONTA*) __asm__("__imp__CreateFontIndirectA@4");
int g_fontsMade = 0;
HFONT(WINAPI* g_createFont)(const LOGFONTA*) = nullptr;
HFONT WINAPI CountingCreateFont(const LOGFONTA* font) {
    ++g_fontsMade;
    return g_createFont(font);
}

void SwapCreateFont(HFONT(WINAPI* to)(const LOGFONTA*)) {
    DWORD old = 0;
    VirtualProtect(&g_createFontSlot, sizeof g_createFontSlot, PAGE_READWRITE, &old);
    g_createFont = g_createFontSlot;
    g_createFontSlot = to;
    VirtualProtect(&g_createFontSlot, sizeof g_createFontSlot, old, &old);
}

TEST_F(TransLabelTest, PaintsWithTheFontOfItsLastChangeInsteadOfMakingOneEachTime) {
    LOGFONTA font{};
    font.lfHeight = -16;
    std::strcpy(font.lfFaceName, "Arial");
    const std::string block(reinterpret_cast<const char*>(&font), sizeof font);
    TransLabelUnit* label = Make(SchemaBlock({}, {{"caption", "WWW"}, {"font", block}}));
    EXPECT_GT(Marked(label), 0);
    SwapCreateFont(CountingCreateFont);
    for (int i = 0; i < 5; ++i)
        RedrawWindow(label->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const int afterPaints = g_fontsMade;
    font.lfHeight = -20;
    harness::Change(kType, label, kLabelFont, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&font)), sizeof font);
    for (int i = 0; i < 5; ++i)
        RedrawWindow(label->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SwapCreateFont(g_createFont);
    EXPECT_EQ(afterPaints, 0) << "the font of the stored data was made before";
    EXPECT_EQ(g_fontsMade, 1) << "one new font for the change, none per paint";
}

TEST_F(TransLabelTest, AnAmpersandIsDrawnLikeAnyCharacter) {
    TransLabelUnit* label = Make(SchemaBlock({}, {{"caption", "&&&&"}}));
    const int ampersands = Marked(label);
    harness::ChangeText(kType, label, kLabelCaption, "&&");
    const int half = Marked(label);
    // With prefix processing "&&&&" would show two ampersands and "&&" one: the same ratio.
    // Drawn literally there are twice as many glyphs as in "&&".
    EXPECT_GT(half, 0);
    EXPECT_GT(ampersands, half + half / 2);
}

TEST(TransLabelRefresh, TopWindowAndStackOrder) {
    harness::Host& host = harness::SharedHost();
    RegisterWndClass("RefreshPanel", 0, nullptr, nullptr);
    HWND panel = CreateWindowExA(0, "RefreshPanel", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, host.m_hWnd, nullptr, nullptr, nullptr);
    HWND inner = CreateWindowExA(0, "RefreshPanel", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, panel, nullptr, nullptr, nullptr);
    HWND hidden = CreateWindowExA(0, "RefreshPanel", "", WS_CHILD, 0, 0, 10, 10, host.m_hWnd, nullptr, nullptr, nullptr);
    HWND second = CreateWindowExA(0, "RefreshPanel", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, host.m_hWnd, nullptr, nullptr, nullptr);
    EXPECT_EQ(TransLabelTopWindow(inner), host.m_hWnd);
    // New siblings go to the bottom of the z-order: panel above second.
    const std::vector<HWND> expected = {inner, panel, second};
    EXPECT_EQ(VisibleWindowsBelow(host.m_hWnd), expected);
    (void)hidden;
}

}  // namespace
