// ByteWriter: encodings compared with the byte sequences the formats define, and patching.
#include "runtime/core/byte_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/core/byte_reader.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(ByteWriterEncoding, LittleEndianIntegers) {
    ByteWriter w;
    w.u8(0x7F);
    w.u16(0x1234);
    w.u32(0x12345678);
    w.i32(-2);
    w.u64(0x0102030405060708ull);
    EXPECT_EQ(w.buffer(), (Bytes{0x7F, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,
                                 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}));
}

TEST(ByteWriterEncoding, BigEndianIntegers) {
    // "MThd" and a MIDI header length of 6, as a Standard MIDI File begins.
    ByteWriter w;
    w.u32be(0x4D546864);
    w.u32be(6);
    w.u16be(0x01E0);
    EXPECT_EQ(w.buffer(), (Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0x01, 0xE0}));
}

TEST(ByteWriterEncoding, IeeeReals) {
    ByteWriter w;
    w.f32(1.5f);
    w.f64(-2.0);
    EXPECT_EQ(w.buffer(), (Bytes{0x00, 0x00, 0xC0, 0x3F, 0, 0, 0, 0, 0, 0, 0x00, 0xC0}));
}

TEST(ByteWriterEncoding, BytesAndZeros) {
    ByteWriter w;
    w.bytes("RIFF", 4);
    w.zeros(3);
    w.bytes(nullptr, 0);
    EXPECT_EQ(w.buffer(), (Bytes{'R', 'I', 'F', 'F', 0, 0, 0}));
}

TEST(ByteWriterPatch, LengthWrittenAheadOfItsBlock) {
    ByteWriter w;
    w.u32be(0x52494646);  // "RIFF"
    size_t at = w.size();
    w.u32(0);
    w.bytes("WAVE", 4);
    w.patchU32(at, static_cast<uint32_t>(w.size() - 8));
    EXPECT_EQ(w.buffer(), (Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}));
    w.patchU32be(at, 0x01020304);
    w.patchU16(0, 0xABCD);
    EXPECT_EQ(w.buffer(), (Bytes{0xCD, 0xAB, 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E'}));
}

TEST(ByteWriterPatch, TakeHandsOverAndEmpties) {
    ByteWriter w;
    w.u16(7);
    Bytes out = w.take();
    EXPECT_EQ(out, (Bytes{7, 0}));
    EXPECT_EQ(w.size(), 0u);
    w.u8(1);
    EXPECT_EQ(w.buffer(), (Bytes{1}));
}

TEST(ByteWriterRoundTrip, ReaderGetsBackEveryWidth) {
    ByteWriter w;
    w.u8(200);
    w.u16be(0xBEEF);
    w.i32(-123456789);
    w.f64(1e300);
    w.u32be(0xCAFEBABE);
    ByteReader r(w.data(), w.size());
    EXPECT_EQ(r.u8(), 200);
    EXPECT_EQ(r.u16be(), 0xBEEF);
    EXPECT_EQ(r.i32(), -123456789);
    EXPECT_EQ(r.f64(), 1e300);
    EXPECT_EQ(r.u32be(), 0xCAFEBABEu);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.remaining(), 0u);
}

}  // namespace
