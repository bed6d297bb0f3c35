// The button unit in a test process: stored data, styles, the default role, clicks and focus.
#include "runtime/units/button_unit.h"

#include <gtest/gtest.h>

#include <memory>

#include "runtime/units/stored_schema.h"
#include "tests/driver/driver.h"
#include "tests/units/unit_harness.h"

namespace {

const UnitTypeRecord& kType = kButtonUnitType;
constexpr uint32_t kButtonId = 0x16010020;

std::vector<uint8_t> SchemaBlock(harness::Numbers numbers, harness::Texts texts = {}) {
    return harness::SchemaBlock(kButtonStoredKind, numbers, texts);
}

class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        harness::InstallRuntime();
        host = &harness::SharedHost();
        ASSERT_TRUE(host->IsWindow());
        harness::ClearEvents();
    }
    ButtonUnit* Make(const std::vector<uint8_t>& data, uint32_t style = WS_VISIBLE) {
        return static_cast<ButtonUnit*>(harness::Create(kType, data, host->m_hWnd, kButtonId, 10, 10, 100, 30, style));
    }
    harness::Host* host = nullptr;
};

TEST(ButtonData, WritesTheSharedLayoutAndRefusesNewerVersions) {
    ButtonData data;
    data.Reset();
    StoredRecord defaults(kButtonStoredKind);
    int32_t size = 0;
    HGLOBAL block = SaveStoredData(data, &size);
    auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), defaults.SaveBlock());
    GlobalUnlock(block);
    GlobalFree(block);
    const std::vector<uint8_t> changed = SchemaBlock({{"default-button", 1}, {"horizontal-alignment", 2},
                                                      {"vertical-alignment", 0}},
                                                     {{"picture", "PIC"}, {"caption", "Go"}});
    ASSERT_TRUE(LoadStoredData(data, changed.data(), static_cast<int32_t>(changed.size())));
    EXPECT_EQ(data.caption, "Go");
    EXPECT_EQ(data.picture.size(), 3u);
    block = SaveStoredData(data, &size);
    bytes = static_cast<const uint8_t*>(GlobalLock(block));
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), changed);
    GlobalUnlock(block);
    GlobalFree(block);
    std::vector<uint8_t> newer = changed;
    newer[0] = 2;
    EXPECT_FALSE(LoadStoredData(data, newer.data(), static_cast<int32_t>(newer.size())));
}

TEST(ButtonType, RecordEntryAndDescriptors) {
    EXPECT_EQ(kType.propertyCount, 14);
    EXPECT_EQ(kType.state, 0x80000840u);
    for (int32_t op : {1, 4, 5, 6, 9, 10})
        EXPECT_NE(kType.entry(op), nullptr) << op;
    for (int32_t op : {2, 7, 8})
        EXPECT_EQ(kType.entry(op), nullptr) << op;
    const uint16_t codes[6] = {1009, 1006, 1005, 1006, 1006, 1013};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(kType.properties[8 + i].typeCode, codes[i]) << i;
}

TEST_F(ButtonTest, DefaultRoleStylesAndLimits) {
    ButtonUnit* button = Make(SchemaBlock({}));
    auto isDefault = reinterpret_cast<IsDefaultButtonFn>(kType.entry(kOpIsDefaultButton));
    EXPECT_EQ(isDefault(button), 0);
    EXPECT_EQ(button->GetWindowText(), "\xB0\xB4\xC5\xA5");
    EXPECT_EQ(button->GetStyle() & (BS_MULTILINE | BS_CENTER | BS_VCENTER),
              static_cast<DWORD>(BS_MULTILINE | BS_CENTER | BS_VCENTER));
    EXPECT_EQ(harness::Change(kType, button, kButtonDefault, 5), 0);
    EXPECT_EQ(harness::Read(kType, button, kButtonDefault), 1u);
    EXPECT_EQ(isDefault(button), 1);
    harness::Change(kType, button, kButtonDefault, static_cast<uint32_t>(-3));
    EXPECT_EQ(harness::Read(kType, button, kButtonDefault), 0u);
    EXPECT_EQ(isDefault(button), 0);
    harness::Change(kType, button, kButtonHorizontalAlignment, 7);
    EXPECT_EQ(harness::Read(kType, button, kButtonHorizontalAlignment), 2u);
    EXPECT_EQ(button->GetStyle() & BS_CENTER, static_cast<DWORD>(BS_RIGHT));
    harness::Change(kType, button, kButtonHorizontalAlignment, static_cast<uint32_t>(-1));
    EXPECT_EQ(harness::Read(kType, button, kButtonHorizontalAlignment), 0u);
    EXPECT_EQ(button->GetStyle() & BS_CENTER, static_cast<DWORD>(BS_LEFT));
    harness::Change(kType, button, kButtonVerticalAlignment, 9);
    EXPECT_EQ(button->GetStyle() & BS_VCENTER, static_cast<DWORD>(BS_BOTTOM));
    harness::Change(kType, button, kButtonVerticalAlignment, 0);
    EXPECT_EQ(button->GetStyle() & BS_VCENTER, static_cast<DWORD>(BS_TOP));
    harness::ChangeText(kType, button, kButtonCaption, "&Run");
    EXPECT_EQ(button->GetWindowText(), "&Run");
    EXPECT_EQ(harness::ReadText(kType, button, kButtonCaption), "&Run");

    // Stored default 5 is taken as a default button at creation too.
    ButtonUnit* stored = Make(SchemaBlock({{"default-button", 1}, {"horizontal-alignment", 0}, {"vertical-alignment", 2}}),
                              WS_VISIBLE | 0xFF00);
    EXPECT_EQ(isDefault(stored), 1);
    EXPECT_EQ(stored->GetStyle() & 0xFF00 & ~static_cast<DWORD>(BS_MULTILINE), static_cast<DWORD>(BS_LEFT | BS_BOTTOM));
}

TEST_F(ButtonTest, ARealClickRaisesEventZeroAndFocusRaisesItsEvents) {
    ButtonUnit* button = Make(SchemaBlock({}));
    harness::Pump();
    harness::ClearEvents();
    e2e::ClickCentre(button->m_hWnd);
    harness::Pump();
    EXPECT_EQ(harness::CountEvent(kButtonId, 0), 1);
    EXPECT_EQ(harness::CountEvent(kButtonId, kEventGotFocus), 1);
    host->SetFocus();
    EXPECT_EQ(harness::CountEvent(kButtonId, kEventLostFocus), 1);
    e2e::Click(button->m_hWnd);
    harness::Pump();
    EXPECT_EQ(harness::CountEvent(kButtonId, 0), 2);
}

TEST_F(ButtonTest, AnUndecodablePictureGivesACaptionButtonAndAskedForRecreation) {
    ButtonUnit* button = Make(SchemaBlock({}, {{"picture", "not a picture"}, {"caption", "Text"}}));
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->GetStyle() & (BS_BITMAP | BS_ICON));
    EXPECT_EQ(button->GetWindowText(), "Text");
    const char bytes[] = "\x89PNG garbage";
    EXPECT_EQ(harness::Change(kType, button, kButtonPicture, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bytes)), 12), 1);
    uint32_t length = 0;
    EXPECT_NE(harness::Read(kType, button, kButtonPicture, &length), 0u);
    EXPECT_EQ(length, 12u);
    // The data a re-creation takes keeps the caption and every other field.
    harness::Change(kType, button, kButtonDefault, 1);
    const std::vector<uint8_t> data = harness::StoredData(kType, button);
    ButtonUnit* again = Make(data);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetWindowText(), "Text");
    EXPECT_EQ(harness::Read(kType, again, kButtonDefault), 1u);
    EXPECT_FALSE(again->GetStyle() & (BS_BITMAP | BS_ICON));
}

TEST_F(ButtonTest, FontBlocksOfTheWrongLengthGiveTheDefaultGuiFont) {
    ButtonUnit* button = Make(SchemaBlock({}, {{"font", std::string(59, 'x')}}));
    EXPECT_EQ(button->GetFont(), GetStockObject(DEFAULT_GUI_FONT));
    const std::vector<uint8_t> font = harness::FontBlock("Arial", 14);
    harness::Change(kType, button, kButtonFont, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(font.data())), 60);
    EXPECT_NE(button->GetFont(), GetStockObject(DEFAULT_GUI_FONT));
    uint32_t length = 0;
    harness::Read(kType, button, kButtonFont, &length);
    EXPECT_EQ(length, 60u);
}

}  // namespace
