// midistream against midicsv: MIDI files made by csvmidi at test time must reach the stream with
// every channel event and tempo change at the tick midicsv reads, in the order of the player's
// track merge (by tick, then track); buffers keep to 1024 bytes and to their span; looping wraps
// without a gap; refused headers exit 1 with one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using Event = std::pair<uint64_t, uint32_t>;  // absolute tick, short message or 0x01000000 | tempo

std::string Shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    const int code = pclose(pipe);
    if (status)
        *status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return out;
}

std::string MakeMidi(const std::string& name, const std::string& csv) {
    const std::string base = testing::TempDir() + "midistream_" + name;
    std::ofstream(base + ".csv") << csv;
    EXPECT_EQ(std::system(("csvmidi " + base + ".csv " + base + ".mid").c_str()), 0);
    return base + ".mid";
}

// midicsv's view in merge order, and the division.
std::vector<Event> Reference(const std::string& midi, uint32_t* division) {
    static const std::map<std::string, uint32_t> kStatus = {{"Note_off_c", 0x80}, {"Note_on_c", 0x90},
        {"Poly_aftertouch_c", 0xA0}, {"Control_c", 0xB0}, {"Program_c", 0xC0}, {"Channel_aftertouch_c", 0xD0}};
    std::vector<std::pair<std::pair<uint64_t, int>, uint32_t>> rows;
    std::istringstream lines(Shell("midicsv " + midi));
    for (std::string line; std::getline(lines, line);) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream f(line);
        int track;
        uint64_t tick;
        std::string type;
        uint32_t a = 0, b = 0, c = 0;
        f >> track >> tick >> type >> a >> b >> c;
        const std::pair<uint64_t, int> at{tick, track};
        if (type == "Header")
            *division = c;
        else if (type == "Tempo")
            rows.push_back({at, 0x01000000 | a});
        else if (type == "Pitch_bend_c")
            rows.push_back({at, 0xE0 | a | (b & 0x7F) << 8 | (b >> 7) << 16});
        else if (kStatus.count(type))
            rows.push_back({at, kStatus.at(type) | a | b << 8 | c << 16});
    }
    std::stable_sort(rows.begin(), rows.end(), [](auto& x, auto& y) { return x.first < y.first; });
    std::vector<Event> events;
    for (auto& row : rows)
        events.push_back({row.first.first, row.second});
    return events;
}

// Runs midistream, checks its buffers (size, span cut) and answers the events at their ticks. A
// tempo record that only repeats the tempo at the head of a buffer (a new stream needs it) is
// left out.
std::vector<Event> Played(const std::string& args, uint32_t division, size_t* buffers, bool* ended) {
    int status = -1;
    std::istringstream out(Shell(std::string(TAVORI_MIDISTREAM) + " " + args, &status));
    EXPECT_EQ(status, 0);
    std::vector<Event> events;
    uint64_t tick = 0, start = 0, previousStart = 0;
    uint32_t tempo = 500000, bytes = 0, previousBytes = 0, records = 0, beyond = 0, slot;
    bool known = false;
    *buffers = 0;
    auto span = [&] { return uint64_t{division} * 60000 / tempo; };
    for (std::string word; out >> word;) {
        *ended = word == "end";
        if (word == "buffer" || word == "end") {
            EXPECT_EQ(bytes, 12 * records);
            EXPECT_LE(beyond, 1u) << "two events past the span of buffer " << *buffers;
            previousStart = start, previousBytes = bytes;
            out >> slot >> bytes;
            EXPECT_LE(bytes, 1024u);
            start = tick, records = beyond = 0, ++*buffers;
            continue;
        }
        std::string hex;
        out >> hex;
        const uint32_t delta = std::stoul(word), event = std::stoul(hex, nullptr, 16);
        tick += delta;
        // After a buffer cut short by its span, what comes next lies past that span.
        if (records++ == 0 && *buffers > 1 && previousBytes < 1000 && (event >> 24) != 1) {
            EXPECT_GT(tick - previousStart, span()) << "buffer " << *buffers - 1 << " ended early";
        }
        beyond += tick - start > span();
        const bool isTempo = (event >> 24) == 1;
        EXPECT_EQ(event >> 24 == 0x40, !isTempo && (event & 0xFFF0) == 0x07B0) << hex;  // volume callbacks
        if (isTempo && known && records == 1 && delta == 0 && (event & 0xFFFFFF) == tempo)
            continue;
        events.push_back({tick, event & (isTempo ? 0x01FFFFFF : 0x00FFFFFF)});
        if (isTempo)
            tempo = event & 0xFFFFFF, known = true;
    }
    return events;
}

const char* const kFormat0 =
    "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Title_t,\"x\"\n1,0,Program_c,0,5\n1,0,Note_on_c,0,60,100\n"
    "1,0,Note_on_c,0,64,100\n1,12,Note_off_c,0,60,0\n1,12,Note_off_c,0,64,0\n1,20,Text_t,\"lyric\"\n"
    "1,24,System_exclusive,3,1,2,247\n1,30,Tempo,300000\n1,30,Control_c,1,7,90\n1,48,Pitch_bend_c,1,9000\n"
    "1,60,Channel_aftertouch_c,1,30\n1,70,Marker_t,\"m\"\n1,200,Tempo,900000\n1,200,Poly_aftertouch_c,2,60,5\n"
    "1,500,Note_on_c,2,67,1\n1,900,Note_off_c,2,67,0\n1,900,End_track\n0,0,End_of_file\n";
const char* const kFormat1 =
    "0,0,Header,1,3,480\n1,0,Start_track\n1,0,Tempo,400000\n1,960,Tempo,200000\n1,2000,End_track\n"
    "2,0,Start_track\n2,0,Note_on_c,0,60,90\n2,480,Note_off_c,0,60,0\n2,960,Note_on_c,0,62,90\n"
    "2,1440,Note_off_c,0,62,0\n2,1440,End_track\n3,0,Start_track\n3,0,Note_on_c,1,48,90\n"
    "3,10,Sequencer_specific,2,1,2\n3,480,Note_off_c,1,48,0\n3,960,Note_on_c,1,50,90\n"
    "3,1930,Note_off_c,1,50,0\n3,1930,End_track\n0,0,End_of_file\n";

TEST(Midistream, EveryEventAtItsTickInMergeOrder) {
    // 300 notes within one span: buffers are cut by their 1024 bytes.
    std::string dense = "0,0,Header,0,1,480\n1,0,Start_track\n1,0,Tempo,500000\n";
    for (int i = 0; i < 300; ++i)
        dense += "1," + std::to_string(i / 10) + ",Note_on_c,0," + std::to_string(20 + i % 80) + ",64\n";
    dense += "1,40,End_track\n0,0,End_of_file\n";
    for (auto [name, csv] : {std::pair<const char*, std::string>{"format0", kFormat0}, {"format1", kFormat1},
                             {"dense", dense}}) {
        uint32_t division = 0;
        size_t buffers = 0;
        bool ended = false;
        const std::string midi = MakeMidi(name, csv);
        const std::vector<Event> expected = Reference(midi, &division);
        EXPECT_EQ(Played(midi, division, &buffers, &ended), expected) << name;
        EXPECT_TRUE(ended) << name;
        EXPECT_GE(buffers, name == std::string("dense") ? 5u : 3u) << name;
    }
}

TEST(Midistream, LoopingWrapsWithoutAGap) {
    uint32_t division = 0;
    size_t buffers = 0;
    bool ended = true;
    const std::string midi = MakeMidi("loop", kFormat1);
    const std::vector<Event> once = Reference(midi, &division);
    const std::vector<Event> played = Played("--loop --buffers 60 " + midi, division, &buffers, &ended);
    EXPECT_FALSE(ended);
    EXPECT_EQ(buffers, 60u);
    // Each pass starts where the last event of the one before it was.
    std::vector<Event> expected;
    for (uint64_t offset = 0; expected.size() < played.size(); offset += once.back().first)
        for (const Event& e : once)
            expected.push_back({e.first + offset, e.second});
    expected.resize(played.size());
    EXPECT_GT(played.size(), 2 * once.size());
    EXPECT_EQ(played, expected);
}

TEST(Midistream, RefusedFiles) {
    std::ifstream in(MakeMidi("good", kFormat1), std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t second = good.find("MTrk", 14 + 8);
    const std::string cases[] = {
        good.substr(0, 5),                                             // passes the "MThd" test only
        good.substr(0, 13),                                            // header cut short
        good.substr(0, 7) + '\7' + good.substr(8),                     // header length 7
        good.substr(0, second) + "MTrX" + good.substr(second + 4),     // second track not "MTrk"
        good.substr(0, second + 8),                                    // track runs past the end
        std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\7\0\x3C\x40\0\xFF\x2F\0", 29),  // no running status
    };
    for (const std::string& bytes : cases) {
        const std::string path = testing::TempDir() + "midistream_refused.mid";
        std::ofstream(path, std::ios::binary) << bytes;
        int status = -1;
        const std::string out = Shell(std::string(TAVORI_MIDISTREAM) + " " + path + " 2>&1", &status);
        EXPECT_EQ(status, 1) << bytes.size();
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;
    }
}

}  // namespace
