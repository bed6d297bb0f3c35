// Form block reading never trusts the block: a valid block cut at every length and corrupted at
// random places (fixed seed, thousands of cases) must be refused or read into tables that pass
// validation again, and whose records and stored data parse. Run under ASan/UBSan natively, so
// any read past an exact-size copy fails the test.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "runtime/image/form_block.h"
#include "runtime/units/stored_schema.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Heap {
    explicit Heap(const Bytes& bytes) : size(bytes.size()), data(new uint8_t[bytes.size() + 1]) {
        if (size)
            std::memcpy(data.get(), bytes.data(), size);
    }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

Bytes Unit(uint32_t type, const char* name, std::vector<EventBinding> bindings, Bytes stored,
           std::vector<uint32_t> children = {}) {
    UnitRecordFields f;
    f.typeId = type;
    f.name = name;
    f.left = 10;
    f.top = 20;
    f.width = 30;
    f.height = 40;
    f.children = std::move(children);
    f.mousePointer = Bytes(4, 0);
    f.tag = "tag";
    f.flags = kUnitVisible | kUnitTabStop;
    f.bindings = std::move(bindings);
    f.storedData = std::move(stored);
    return EncodeUnitRecord(f);
}

Bytes Stored(const StoredKind& kind) {
    StoredRecord r(kind);
    return r.SaveBlock();
}

// Two windows with units of every kind, a menu item, bindings and stored data.
Bytes SampleBlock() {
    MenuItemFields menu;
    menu.name = "menu";
    menu.caption = "File";
    menu.handler = 24;
    std::vector<WindowDescriptionData> windows(2);
    windows[0].windowId = 0x52010001;
    windows[0].wordA = 0x00356638;
    windows[0].textA = "text";
    windows[0].table = UnitTable::Build(
        {0x06010000, 0x16010002, 0x16010003, 0x16010004, 0x26010005},
        {Unit(0x00010001, "", {{0, 0}}, Stored(kWindowStoredKind), {0x16010003, 0, 0x16010004}),
         Unit(0x00020005, "label", {{-1, 12}}, Stored(kTransLabelStoredKind)),
         Unit(0x00010005, "edit", {}, {}),
         Unit(0x0001000B, "button", {{0, 12}, {-7, 0xFFFFFFFF}}, Stored(kButtonStoredKind)),
         EncodeMenuItemRecord(menu)});
    windows[1].windowId = 0x52010006;
    windows[1].table = UnitTable::Build(
        {0x06010000, 0x16010007},
        {Unit(0x00010001, "", {}, {}), Unit(0x00010005, "e", {}, Stored(kEditBoxStoredKind))});
    return WriteFormBlock(windows);
}

// A block that was read must be internally sound: every table validates again, every record
// parses as its kind, stored data of a known kind loads or is refused, and writing the windows
// back gives a block that reads again.
void ExpectSound(const std::vector<WindowDescriptionData>& windows) {
    for (const WindowDescriptionData& w : windows) {
        const UnitTable& t = w.table;
        ASSERT_TRUE(UnitTable::Validate(t.Count(), t.Bytes().data(), t.Bytes().size()));
        for (uint32_t i = 0; i < t.Count(); ++i) {
            Heap rec(t.RecordCopy(i));
            if (t.IsMenuItem(i)) {
                MenuItemFields m;
                ASSERT_TRUE(ParseMenuItemRecord(rec.data.get(), rec.size, &m, nullptr));
                continue;
            }
            UnitRecordFields f;
            UnitRecordLayout layout;
            ASSERT_TRUE(ParseUnitRecord(rec.data.get(), rec.size, &f, &layout));
            ASSERT_LE(layout.storedDataOffset, rec.size);
            ASSERT_EQ(layout.handlerOffsets.size(), f.bindings.size());
            for (size_t at : layout.handlerOffsets)
                ASSERT_LE(at + 4, rec.size);
            if (const StoredKind* kind = FindStoredKind(f.typeId)) {
                StoredRecord r(*kind);
                Heap stored(f.storedData);
                r.LoadBlock(stored.data.get(), stored.size);  // either answer is fine; no crash
            }
        }
    }
    Bytes again = WriteFormBlock(windows);
    std::vector<WindowDescriptionData> reread;
    ASSERT_TRUE(ReadFormBlock(again.data(), again.size(), &reread));
    ASSERT_EQ(reread.size(), windows.size());
}

TEST(FormBlockRobustness, TheSampleIsValid) {
    Bytes block = SampleBlock();
    std::vector<WindowDescriptionData> windows;
    ASSERT_TRUE(ReadFormBlock(block.data(), block.size(), &windows));
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].table.Count(), 5u);
    ExpectSound(windows);
}

TEST(FormBlockRobustness, EveryCutIsRefused) {
    Bytes block = SampleBlock();
    for (size_t n = 1; n < block.size(); ++n) {
        Heap h(Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n)));
        std::vector<WindowDescriptionData> windows;
        EXPECT_FALSE(ReadFormBlock(h.data.get(), h.size, &windows)) << "cut at " << n;
        EXPECT_TRUE(windows.empty());
    }
}

TEST(FormBlockRobustness, RandomCorruptionIsRefusedOrReadSoundly) {
    const Bytes block = SampleBlock();
    std::mt19937 rng(20240611u);
    std::uniform_int_distribution<size_t> position(0, block.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255), changes(1, 4), style(0, 3);
    int accepted = 0, refused = 0;
    for (int round = 0; round < 6000; ++round) {
        Bytes b = block;
        int n = changes(rng);
        for (int k = 0; k < n; ++k) {
            size_t at = position(rng);
            switch (style(rng)) {
            case 0: b[at] = static_cast<uint8_t>(byte(rng)); break;          // any byte
            case 1: b[at] ^= static_cast<uint8_t>(1u << (byte(rng) % 8)); break;  // one bit
            case 2: b[at] = 0xFF; break;                                     // lengths gone wild
            default: b[at] = static_cast<uint8_t>(b[at] + 1); break;         // off by one
            }
        }
        Heap h(b);
        std::vector<WindowDescriptionData> windows;
        if (ReadFormBlock(h.data.get(), h.size, &windows)) {
            ++accepted;
            ExpectSound(windows);
            if (HasFatalFailure())
                FAIL() << "round " << round;
        } else {
            ++refused;
            EXPECT_TRUE(windows.empty());
        }
    }
    // Both outcomes must occur, or the corruption is not reaching the parts that matter.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(refused, 100);
}

TEST(FormBlockRobustness, CorruptStoredDataIsRefusedOrLoaded) {
    size_t count = 0;
    const StoredKind* const* kinds = AllStoredKinds(&count);
    std::mt19937 rng(7u);
    for (size_t k = 0; k < count; ++k) {
        StoredRecord sample(*kinds[k]);
        sample.SetBytes(static_cast<size_t>(sample.FindField("caption") >= 0 ? sample.FindField("caption")
                                                                             : sample.FindField("content")),
                        "some caption");
        const Bytes data = sample.SaveBlock();
        for (size_t n = 0; n <= data.size(); ++n) {
            Heap h(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n)));
            StoredRecord r(*kinds[k]);
            // Only the empty block and the whole block load; every other cut ends early.
            EXPECT_EQ(r.LoadBlock(h.data.get(), h.size), n == 0 || n == data.size()) << n;
        }
        std::uniform_int_distribution<size_t> position(0, data.size() - 1);
        for (int round = 0; round < 1500; ++round) {
            Bytes b = data;
            b[position(rng)] = static_cast<uint8_t>(rng());
            Heap h(b);
            StoredRecord r(*kinds[k]);
            if (r.LoadBlock(h.data.get(), h.size)) {
                StoredRecord again(*kinds[k]);
                Bytes saved = r.SaveBlock();
                EXPECT_TRUE(again.LoadBlock(saved.data(), saved.size()));
            }
        }
    }
}

}  // namespace
