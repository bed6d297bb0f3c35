// A program gets its form block and handler area from tavori_form: the block compiled from
// forms/features.form is linked in and reads back, and (in the 32-bit Windows build) every
// binding, once relocated with HandlerBase = _HandlerArea + 4, leads through its slot's jump to
// the handler it names, with the slot's flag word in front.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "runtime/image/form_block.h"
#include "runtime/image/handler_area.h"

extern "C" const uint8_t FeaturesFormBlock[];
extern "C" const uint32_t FeaturesFormBlockSize;

namespace {

std::vector<WindowDescriptionData> ReadEmbedded() {
    std::vector<WindowDescriptionData> windows;
    EXPECT_TRUE(ReadFormBlock(FeaturesFormBlock, FeaturesFormBlockSize, &windows));
    return windows;
}

TEST(EmbeddedForm, TheLinkedBlockReads) {
    std::vector<WindowDescriptionData> windows = ReadEmbedded();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].windowId, 0x52010001u);
    EXPECT_EQ(windows[1].windowId, 0x52010030u);
    EXPECT_EQ(windows[0].table.Count(), 6u);
    EXPECT_EQ(windows[0].table.Find(0x16010022), 5);
}

}  // namespace

#if defined(_WIN32) && UINTPTR_MAX == 0xFFFFFFFF
extern "C" const uint8_t HandlerArea[];
extern "C" const uint8_t HandlerAreaEnd[];

extern "C" void OnCreate() {}
extern "C" int CanClose() { return 1; }
extern "C" void OnSave() {}
extern "C" void OnFocus() {}

namespace {

// The address a five-byte relative jump at `at` goes to.
uintptr_t JumpTarget(uintptr_t at) {
    int32_t rel;
    std::memcpy(&rel, reinterpret_cast<const void*>(at + 1), 4);
    return at + 5 + static_cast<uintptr_t>(rel);
}

TEST(HandlerArea, SlotsAreTwelveBytesWithAJumpAtFour) {
    ASSERT_EQ(static_cast<uint32_t>(HandlerAreaEnd - HandlerArea), 4 * kHandlerSlotSize);
    const void* handlers[] = {reinterpret_cast<const void*>(&OnCreate), reinterpret_cast<const void*>(&CanClose),
                              reinterpret_cast<const void*>(&OnSave), reinterpret_cast<const void*>(&OnFocus)};
    for (uint32_t slot = 0; slot < 4; ++slot) {
        uintptr_t jump = reinterpret_cast<uintptr_t>(HandlerArea) + 4 + kHandlerSlotSize * slot;
        EXPECT_EQ(*reinterpret_cast<const uint8_t*>(jump), 0xE9) << "slot " << slot;
        EXPECT_EQ(JumpTarget(jump), reinterpret_cast<uintptr_t>(handlers[slot])) << "slot " << slot;
        EXPECT_EQ(HandlerFlags(jump), slot == 1 ? kHandlerProducesValue : 0u) << "slot " << slot;
    }
}

TEST(HandlerArea, RelocatedBindingsLeadToTheirHandlers) {
    std::vector<WindowDescriptionData> windows = ReadEmbedded();
    ASSERT_EQ(windows.size(), 2u);
    const uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(HandlerArea)) + 4;
    // The form's raw "offset 1200" (slot 100) leads past the area's four slots: refused.
    std::vector<WindowDescriptionData> refused = windows;
    EXPECT_EQ(HandlerSlotCount(base), 4u);
    EXPECT_FALSE(RelocateHandlers(refused, base, HandlerSlotCount(base)));
    ASSERT_TRUE(RelocateHandlers(windows, base, 101));
    UnitRecordFields own;
    std::vector<uint8_t> r = windows[0].table.RecordCopy(0);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &own, nullptr));
    ASSERT_EQ(own.bindings.size(), 4u);
    EXPECT_EQ(JumpTarget(own.bindings[0].handler), reinterpret_cast<uintptr_t>(&OnCreate));
    EXPECT_EQ(JumpTarget(own.bindings[1].handler), reinterpret_cast<uintptr_t>(&CanClose));
    EXPECT_EQ(HandlerFlags(own.bindings[1].handler), kHandlerProducesValue);
    EXPECT_EQ(own.bindings[2].handler, 0u) << "no handler";
    MenuItemFields save;
    r = windows[0].table.RecordCopy(2);
    ASSERT_TRUE(ParseMenuItemRecord(r.data(), r.size(), &save, nullptr));
    EXPECT_EQ(JumpTarget(save.handler), reinterpret_cast<uintptr_t>(&OnSave));
    UnitRecordFields edit;
    r = windows[0].table.RecordCopy(4);
    ASSERT_TRUE(ParseUnitRecord(r.data(), r.size(), &edit, nullptr));
    EXPECT_EQ(JumpTarget(edit.bindings[0].handler), reinterpret_cast<uintptr_t>(&OnFocus));
}

}  // namespace
#endif
