// A damaged Tavori.exe: the form block inside the built executable (found by the bytes the form
// compiler makes of app/tavori.form) gets one size or count of its window list, unit table or
// unit records changed, and every such program must stop at start-up with the runtime's error
// box and exit code -1, never crash, hang or show its window.
#include "tests/driver/driver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t WordAt(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void SetWord(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// One damage: the word at `at` (counted from the start of the form block) becomes `value`.
struct Damage {
    std::string what;
    size_t at;
    uint32_t value;
};

// The counts inside one unit record (head, two texts, seven words, children, mouse pointer,
// tag, two words, tab order, bindings): one child more, a pointer block a byte longer or
// shorter, one binding more or fewer (a unit's; the window's is below).
template <typename Words>
void RecordCounts(const Bytes& block, size_t at, const std::string& entry, Words& words)
{
    auto text = [&](size_t from) { return from + std::strlen(reinterpret_cast<const char*>(&block[from])) + 1; };
    at = text(text(at + 24)) + 28;
    const uint32_t children = WordAt(block, at);
    words(entry + "child count", at, {children + 1});
    at += 4 + 4 * static_cast<size_t>(children);
    const uint32_t pointer = WordAt(block, at);
    words(entry + "mouse pointer size", at, {pointer + 1, pointer - 1});
    at = text(at + 4 + pointer) + 12;
    // The window's own stored data still reads as an older version when it starts two words
    // early or late, so its binding count is not among these.
    const uint32_t bindings = WordAt(block, at);
    if (entry != "entry 0 ")
        words(entry + "binding count", at, {bindings + 1, bindings - 1});
}

// The places of the block's sizes and counts, walked as the block lays them out: the window
// list's size, each description's two text lengths, entry count and table size, and the
// offsets and record sizes of the table's entries.
std::vector<Damage> Damages(const Bytes& block)
{
    std::vector<Damage> out;
    auto words = [&](const std::string& what, size_t at, std::initializer_list<uint32_t> values) {
        const uint32_t was = WordAt(block, at);
        for (uint32_t v : values) {
            const bool seen = std::any_of(out.begin(), out.end(), [&](const Damage& d) { return d.at == at && d.value == v; });
            if (v != was && !seen)
                out.push_back({what + " " + std::to_string(was) + " -> " + std::to_string(v), at, v});
        }
    };
    auto around = [&](const std::string& what, size_t at, uint32_t huge) {
        const uint32_t v = WordAt(block, at);
        words(what, at, {v + 1, v - 1, huge});
    };
    const uint32_t listSize = WordAt(block, 0);
    words("window list size", 0, {0, 4, listSize - 1, listSize + 1, listSize + 8, 0x7FFFFFF8u, 0xFFFFFFF8u, 0xFFFFFFFFu});
    size_t at = 4 + listSize;
    for (uint32_t w = 0; w < listSize / 8; ++w) {
        at += 8;  // words A and B
        for (const char* text : {"text A length", "text B length"}) {
            around(text, at, 0xFFFFFFFFu);
            at += 4 + WordAt(block, at);
        }
        const uint32_t count = WordAt(block, at);
        words("entry count", at, {0, 1, count - 1, count + 1, 2 * count, 0x1FFFFFFFu, 0x20000000u, 0xFFFFFFFFu});
        const size_t tableSize = WordAt(block, at + 4);
        around("table size", at + 4, 0xFFFFFFFFu);
        const size_t table = at + 8;
        const size_t records = table + 8 * static_cast<size_t>(count);
        // The window's own entry, one in the middle and the last: both ends of the table.
        for (uint32_t e : {0u, count / 2, count - 1}) {
            if (e >= count)
                continue;
            const std::string entry = "entry " + std::to_string(e) + " ";
            const size_t offset = table + 4 * (count + e);
            around(entry + "offset", offset, 0xFFFFFFFFu);
            around(entry + "record size", records + WordAt(block, offset), 0x7FFFFFFFu);
            RecordCounts(block, records + WordAt(block, offset) + 4, entry, words);
        }
        at = table + tableSize;
    }
    EXPECT_EQ(at, block.size()) << "the walk of the block went astray";
    return out;
}

// What one damaged program did: the error box's caption and text, and the exit code.
struct Outcome {
    std::string caption;
    std::string text;
    bool exited = false;
    int exitCode = 0;
    bool windowShown = false;
};

// Runs the programs at once (each start under Wine takes a while) and collects what each did.
std::vector<Outcome> RunDamaged(const std::vector<std::string>& exes)
{
    std::vector<Outcome> out(exes.size());
    std::vector<e2e::Process> programs(exes.size());
    for (size_t i = 0; i < exes.size(); ++i)
        programs[i].Start(exes[i]);
    for (size_t i = 0; i < exes.size(); ++i) {
        Outcome& o = out[i];
        // The box comes at once; a program that shows none is waited for no longer than it takes.
        if (HWND box = programs[i].WaitMessageBox(5000)) {
            const e2e::MessageBoxInfo info = e2e::ReadMessageBox(box);
            o.caption = info.caption;
            o.text = info.text;
            // The start-up error comes before any window of the program is made.
            for (HWND top : programs[i].TopWindows())
                o.windowShown = o.windowShown || e2e::ClassOf(top) == "ZkWindow";
            e2e::PressButton(box, IDOK);
        }
        o.exited = programs[i].WaitExit(&o.exitCode, 5000);
        if (!o.exited)
            programs[i].Kill();
    }
    return out;
}

TEST(DamagedFormBlock, EverySizeOrCountEndsWithTheStartUpErrorAndMinusOne)
{
    const std::string folder = e2e::OwnFolder();
    const Bytes exe = ReadAll(folder + "..\\..\\app\\Tavori.exe");
    const Bytes block = ReadAll(folder + "tavori_form.bin");
    ASSERT_FALSE(exe.empty());
    ASSERT_GT(block.size(), 100u);
    const auto found = std::search(exe.begin(), exe.end(), block.begin(), block.end());
    ASSERT_NE(found, exe.end()) << "the executable does not hold the compiled form";
    ASSERT_EQ(std::search(found + 1, exe.end(), block.begin(), block.end()), exe.end()) << "the form is there twice";
    const size_t start = static_cast<size_t>(found - exe.begin());

    const std::vector<Damage> damages = Damages(block);
    ASSERT_GT(damages.size(), 50u);
    constexpr size_t kAtOnce = 6;
    for (size_t first = 0; first < damages.size(); first += kAtOnce) {
        std::vector<std::string> exes;
        for (size_t i = first; i < std::min(damages.size(), first + kAtOnce); ++i) {
            Bytes copy = exe;
            SetWord(copy, start + damages[i].at, damages[i].value);
            exes.push_back(folder + "Tavori_damaged" + std::to_string(i - first) + ".exe");
            std::ofstream(exes.back(), std::ios::binary | std::ios::trunc)
                .write(reinterpret_cast<const char*>(copy.data()), static_cast<std::streamsize>(copy.size()));
        }
        const std::vector<Outcome> outcomes = RunDamaged(exes);
        for (size_t i = 0; i < outcomes.size(); ++i) {
            SCOPED_TRACE(damages[first + i].what);
            const Outcome& o = outcomes[i];
            EXPECT_EQ(o.caption, "错误");
            EXPECT_EQ(o.text.rfind("运行时出错!", 0), 0u) << o.text;
            EXPECT_FALSE(o.windowShown);
            EXPECT_TRUE(o.exited);
            EXPECT_EQ(o.exitCode, -1);
        }
    }
    for (size_t i = 0; i < kAtOnce; ++i)
        DeleteFileA((folder + "Tavori_damaged" + std::to_string(i) + ".exe").c_str());
}

}  // namespace
