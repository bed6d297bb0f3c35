// ByteReader: widths and byte orders against known encodings, and the bounds rules (a short read
// fails, yields zeros, is sticky and never touches a byte past the end).
#include "runtime/core/byte_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace {

// An exact-size heap copy, so that the sanitizers see any access past the end.
struct Block {
    explicit Block(std::vector<uint8_t> bytes) : size(bytes.size()), data(new uint8_t[bytes.size() ? bytes.size() : 1]) {
        if (size)
            std::memcpy(data.get(), bytes.data(), size);
    }
    ByteReader Reader() const { return ByteReader(data.get(), size); }
    size_t size;
    std::unique_ptr<uint8_t[]> data;
};

TEST(ByteReaderWidths, LittleEndianIntegers) {
    Block b({0x7F, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
             0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.u8(), 0x7F);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.u32(), 0x12345678u);
    EXPECT_EQ(r.i32(), -2);
    EXPECT_EQ(r.u64(), 0x0102030405060708ull);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReaderWidths, BigEndianIntegers) {
    // The PNG signature's first word and a JPEG marker, as those formats store them.
    Block b({0x89, 0x50, 0x4E, 0x47, 0xFF, 0xD8});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.u32be(), 0x89504E47u);
    EXPECT_EQ(r.u16be(), 0xFFD8);
    EXPECT_TRUE(r.ok());
}

TEST(ByteReaderWidths, IeeeRealsFromTheirStoredBytes) {
    // 1.5f is 0x3FC00000; pi as a double is 0x400921FB54442D18.
    Block b({0x00, 0x00, 0xC0, 0x3F, 0x18, 0x2D, 0x44, 0x54, 0xFB, 0x21, 0x09, 0x40});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.f32(), 1.5f);
    EXPECT_EQ(r.f64(), 3.141592653589793);
    EXPECT_TRUE(r.ok());
}

TEST(ByteReaderBounds, ShortReadFailsWithZerosAndConsumesNothing) {
    Block b({0xAA, 0xBB, 0xCC});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_TRUE(r.failed());
    EXPECT_EQ(r.position(), 0u);
}

TEST(ByteReaderBounds, FailureIsStickyEvenWhereBytesRemain) {
    Block b({0x01, 0x02, 0x03});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.u64(), 0u);
    EXPECT_EQ(r.u8(), 0u) << "a failed reader must not resume";
    EXPECT_EQ(r.u16be(), 0u);
    EXPECT_FALSE(r.skip(1));
    EXPECT_FALSE(r.seek(0));
    EXPECT_TRUE(r.failed());
}

TEST(ByteReaderBounds, ReadEndingExactlyAtTheEndSucceedsAndTheNextFails) {
    Block b({0x01, 0x00, 0x02, 0x00});
    ByteReader r = b.Reader();
    EXPECT_EQ(r.u16(), 1);
    EXPECT_EQ(r.u16(), 2);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_EQ(r.u8(), 0u);
    EXPECT_TRUE(r.failed());
}

TEST(ByteReaderBounds, BytesCopiesOrZeroFills) {
    Block b({'a', 'b', 'c', 'd'});
    ByteReader r = b.Reader();
    char out[4] = {'x', 'x', 'x', 'x'};
    EXPECT_TRUE(r.bytes(out, 3));
    EXPECT_EQ(std::memcmp(out, "abcx", 4), 0);
    char more[2] = {'x', 'x'};
    EXPECT_FALSE(r.bytes(more, 2));
    EXPECT_EQ(more[0], 0);
    EXPECT_EQ(more[1], 0);
}

TEST(ByteReaderBounds, ViewPointsIntoTheBlock) {
    Block b({1, 2, 3, 4, 5});
    ByteReader r = b.Reader();
    r.u8();
    const uint8_t* p = r.view(3);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p, b.data.get() + 1);
    EXPECT_EQ(r.position(), 4u);
    EXPECT_EQ(r.view(2), nullptr);
    EXPECT_TRUE(r.failed());
}

TEST(ByteReaderBounds, SeekAndSkipStayInside) {
    Block b({1, 2, 3, 4});
    ByteReader r = b.Reader();
    EXPECT_TRUE(r.seek(4)) << "the end itself is a position";
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_TRUE(r.seek(2));
    EXPECT_EQ(r.u8(), 3);
    EXPECT_FALSE(r.skip(2));
    EXPECT_EQ(r.position(), 3u);

    ByteReader s = b.Reader();
    EXPECT_FALSE(s.seek(5));
    EXPECT_TRUE(s.failed());
}

TEST(ByteReaderBounds, HugeLengthsDoNotWrapAround) {
    Block b({1, 2, 3, 4});
    ByteReader r = b.Reader();
    r.u8();
    EXPECT_FALSE(r.skip(std::numeric_limits<size_t>::max()));
    EXPECT_EQ(r.position(), 1u);
    ByteReader s = b.Reader();
    EXPECT_EQ(s.view(std::numeric_limits<size_t>::max() - 1), nullptr);
}

TEST(ByteReaderBounds, EmptyAndDefaultReadersFailAtOnce) {
    ByteReader none;
    EXPECT_EQ(none.u32(), 0u);
    EXPECT_TRUE(none.failed());
    Block empty({});
    ByteReader r = empty.Reader();
    EXPECT_TRUE(r.skip(0));
    EXPECT_EQ(r.u8(), 0u);
    EXPECT_TRUE(r.failed());
}

TEST(ByteReaderBounds, DecoderCanFlagAFormatError) {
    Block b({9, 9});
    ByteReader r = b.Reader();
    r.fail();
    EXPECT_EQ(r.u8(), 0u);
    EXPECT_FALSE(r.ok());
}

}  // namespace
