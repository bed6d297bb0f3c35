// dbaux end to end: a long random sequence of puts and rewrites of several values, each step
// checked with `dbaux check` (against the counts a model of the values predicts) and `dbaux get`
// (against the model's bytes); and the failure report of a damaged file.
#include "run_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

#ifdef _WIN32
constexpr int kSteps = 25;  // each step starts six processes (cmd and dbaux), slow under Wine
#else
constexpr int kSteps = 80;
#endif

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int Dbaux(const std::string& args, std::string* output)
{
    return RunProgram(ProgramPath(DBAUX_PATH) + " " + args, output);
}

TEST(Dbaux, RandomPutsAndRewritesStayConsistent)
{
    std::string out;
    ASSERT_EQ(Dbaux("create random.aux", &out), 0) << out;
    std::mt19937 random(20261208);
    std::vector<std::vector<uint8_t>> values(4);
    std::vector<uint32_t> slots(4, 0);
    const size_t lengths[] = {0, 1, 499, 500, 501, 1000, 1200, 2600};
    for (int step = 0; step < kSteps; ++step) {
        const size_t which = random() % values.size();
        std::vector<uint8_t> data(random() % 3 == 0 ? lengths[random() % 8] : random() % 3000);
        for (uint8_t& byte : data)
            byte = static_cast<uint8_t>(random());
        WriteFile("random.data", data);
        ASSERT_EQ(Dbaux("put random.aux " + std::to_string(slots[which]) + " random.data", &out), 0) << out;
        slots[which] = static_cast<uint32_t>(std::stoul(out));
        EXPECT_EQ(slots[which] == 0, data.empty()) << step;
        values[which] = data;

        // Blocks in use are exactly the values' blocks; free ones may lie between them.
        unsigned used = 1, count = 0, bytes = 0;
        for (const auto& value : values) {
            used += static_cast<unsigned>((value.size() + 499) / 500);
            count += value.empty() ? 0 : 1;
            bytes += static_cast<unsigned>(value.size());
        }
        const unsigned blocks = static_cast<unsigned>(ReadFile("random.aux").size() / 512);
        ASSERT_EQ(Dbaux("check random.aux", &out), 0) << "step " << step << ": " << out;
        EXPECT_EQ(out, "ok: " + std::to_string(blocks) + " blocks, " + std::to_string(blocks - used) +
                           " free, " + std::to_string(count) + " values, " + std::to_string(bytes) +
                           " bytes\n") << step;

        const size_t probe = random() % values.size();
        ASSERT_EQ(Dbaux("get random.aux " + std::to_string(slots[probe]) + " random.out", &out), 0) << out;
        EXPECT_EQ(ReadFile("random.out"), values[probe]) << "step " << step << " value " << probe;
    }
}

TEST(Dbaux, DamagedFileIsReportedWithCodeAndText)
{
    std::string out;
    ASSERT_EQ(Dbaux("create damaged.aux", &out), 0);
    WriteFile("damaged.data", std::vector<uint8_t>(1200, 'x'));
    ASSERT_EQ(Dbaux("put damaged.aux 0 damaged.data", &out), 0);
    std::vector<uint8_t> bytes = ReadFile("damaged.aux");
    bytes[3 * 512 + 4] = 1;  // block 3 links back to block 1
    WriteFile("damaged.aux", bytes);
    EXPECT_EQ(Dbaux("get damaged.aux 1", &out), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "-59 访问数据库的辅助文件失败");
    EXPECT_EQ(Dbaux("check damaged.aux", &out), 1);
    EXPECT_NE(out.find("-59 访问数据库的辅助文件失败\n"), std::string::npos) << out;
    EXPECT_EQ(Dbaux("put damaged.aux 1 damaged.data", &out), 1);
    EXPECT_EQ(Dbaux("get missing.aux 1", &out), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "-3 指定文件未找到");
    EXPECT_EQ(Dbaux("get damaged.aux", &out), 2);  // usage
}

}  // namespace
