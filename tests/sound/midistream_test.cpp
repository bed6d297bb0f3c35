// midistream against midicsv over MIDI files that csvmidi makes at test time: every channel event
// and tempo change at midicsv's tick, in the player's merge order (by tick, then track); buffers
// within 1024 bytes and their span; looping wraps without a gap, each pass at the song's
// starting tempo; refused headers exit 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using Event = std::pair<uint64_t, uint32_t>;  // absolute tick, short message or 0x01000000 | tempo

std::string Shell(const std::string& command, int* status) {
    std::string out(1 << 20, '\0');
    FILE* pipe = popen(command.c_str(), "r");
    out.resize(fread(&out[0], 1, out.size(), pipe));
    *status = pclose(pipe);
    *status = WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    return out;
}

std::string MakeMidi(const std::string& name, const std::string& csv) {
    const std::string base = testing::TempDir() + "midistream_" + name;
    std::ofstream(base + ".csv") << csv;
    EXPECT_EQ(std::system(("csvmidi " + base + ".csv " + base + ".mid").c_str()), 0);
    return base + ".mid";
}

// midicsv's reading in merge order, and the division.
std::vector<Event> Reference(const std::string& midi, uint32_t* division) {
    static const std::map<std::string, uint32_t> kStatus = {{"Note_off_c", 0x80}, {"Note_on_c", 0x90},
        {"Poly_aftertouch_c", 0xA0}, {"Control_c", 0xB0}, {"Program_c", 0xC0}, {"Channel_aftertouch_c", 0xD0}};
    std::vector<std::pair<std::pair<uint64_t, int>, uint32_t>> rows;  // (tick, track), event
    int status;
    std::istringstream lines(Shell("midicsv " + midi, &status));
    for (std::string line; std::getline(lines, line);) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream f(line);
        std::pair<uint64_t, int> at;
        std::string type;
        uint32_t a = 0, b = 0, c = 0;
        f >> at.second >> at.first >> type >> a >> b >> c;
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
    std::vector<Event> events(rows.size());
    std::transform(rows.begin(), rows.end(), events.begin(), [](auto& r) { return Event{r.first.first, r.second}; });
    return events;
}

// midistream's output as events at their ticks, checking each buffer on the way: whole records
// within 1024 bytes, at most one event past the span (60 ms of ticks), and after a buffer cut
// short by its span, the next event past it. A tempo record that repeats the tempo at the head
// of a buffer (a new stream needs it; the file has none) is left out.
std::vector<Event> Played(const std::string& args, uint32_t division, size_t* buffers, bool* ended) {
    int status;
    std::istringstream out(Shell(TAVORI_MIDISTREAM " " + args, &status));
    EXPECT_EQ(status, 0);
    std::vector<Event> events;
    uint64_t tick = 0, start = 0, cutAt = UINT64_MAX;
    uint32_t tempo = 500000, bytes = 0, records = 0, beyond = 0, slot;
    auto span = [&] { return uint64_t{division} * 60000 / tempo; };
    *buffers = 0;
    for (std::string word, hex; out >> word;) {
        if ((*ended = word == "end") || word == "buffer") {
            EXPECT_EQ(bytes, 12 * records);
            EXPECT_LE(beyond, 1u) << "buffer " << *buffers;
            cutAt = bytes < 1000 ? start + span() : UINT64_MAX;
            out >> slot >> bytes;
            EXPECT_LE(bytes, 1024u);
            start = tick, records = beyond = 0, ++*buffers;
            continue;
        }
        out >> hex;
        const uint32_t event = std::stoul(hex, nullptr, 16), isTempo = event >> 24 == 1;
        tick += std::stoul(word);
        beyond += tick - start > span();
        EXPECT_EQ(event >> 24 == 0x40, !isTempo && (event & 0xFFF0) == 0x07B0) << hex;  // volume callbacks
        if (records++ == 0 && isTempo && !events.empty() && (event & 0xFFFFFF) == tempo && tick == events.back().first)
            continue;
        if (records == 1 && *buffers > 1 && cutAt != UINT64_MAX) {
            EXPECT_GT(tick, cutAt) << "buffer " << *buffers - 1 << " ended early";
        }
        events.push_back({tick, event & (isTempo ? 0x01FFFFFF : 0x00FFFFFF)});
        tempo = isTempo ? event & 0xFFFFFF : tempo;
    }
    return events;
}

const char* const kFormat0 =  // two notes at once, running status, names, sysex, tempo changes
    "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Title_t,\"x\"\n1,0,Program_c,0,5\n1,0,Note_on_c,0,60,100\n"
    "1,0,Note_on_c,0,64,100\n1,12,Note_on_c,0,60,0\n1,20,Text_t,\"la\"\n1,24,System_exclusive,3,1,2,247\n"
    "1,30,Tempo,300000\n1,30,Control_c,1,7,90\n1,48,Pitch_bend_c,1,9000\n1,60,Channel_aftertouch_c,1,30\n"
    "1,200,Tempo,900000\n1,200,Poly_aftertouch_c,2,60,5\n1,900,Note_off_c,2,67,0\n1,900,End_track\n0,0,End_of_file\n";
const char* const kFormat1 =  // a tempo track, two note tracks meeting at the same ticks
    "0,0,Header,1,3,480\n1,0,Start_track\n1,0,Tempo,400000\n1,960,Tempo,200000\n1,2000,End_track\n"
    "2,0,Start_track\n2,0,Note_on_c,0,60,90\n2,480,Note_off_c,0,60,0\n2,960,Note_on_c,0,62,90\n2,1440,End_track\n"
    "3,0,Start_track\n3,0,Note_on_c,1,48,90\n3,10,Sequencer_specific,2,1,2\n3,480,Note_off_c,1,48,0\n"
    "3,960,Note_on_c,1,50,90\n3,1930,Note_off_c,1,50,0\n3,1930,End_track\n0,0,End_of_file\n";

TEST(Midistream, EveryEventAtItsTickInMergeOrder) {
    std::string dense = "0,0,Header,0,1,480\n1,0,Start_track\n1,0,Tempo,500000\n";  // cut by 1024 bytes
    for (int i = 0; i < 300; ++i)
        dense += "1," + std::to_string(i / 10) + ",Note_on_c,0," + std::to_string(20 + i % 80) + ",64\n";
    std::string every = "0,0,Header,0,1,96\n1,0,Start_track\n";  // every kind on every channel
    for (int c = 0, tick = 0; c < 16; ++c)
        for (const char* kind : {"Note_off_c,%d,%d,1", "Note_on_c,%d,%d,2", "Poly_aftertouch_c,%d,%d,3", "Control_c,%d,7,%d",
                                 "Program_c,%d,%d", "Channel_aftertouch_c,%d,%d", "Pitch_bend_c,%d,9%03d"}) {
            char row[64];
            std::snprintf(row, sizeof row, kind, c, 100 + c);
            every += "1," + std::to_string(tick += 3) + "," + row + "\n";
        }
    for (const std::string& csv : {std::string(kFormat0), std::string(kFormat1), dense + "1,40,End_track\n0,0,End_of_file\n",
                                   every + "1,400,End_track\n0,0,End_of_file\n"}) {
        uint32_t division = 0;
        size_t buffers = 0;
        bool ended = false;
        const std::string midi = MakeMidi("song", csv);
        const std::vector<Event> expected = Reference(midi, &division);
        EXPECT_EQ(Played(midi, division, &buffers, &ended), expected) << csv;
        EXPECT_TRUE(ended);
        EXPECT_GE(buffers, csv == kFormat1 ? 3u : 4u);
    }
}

// Every pass starts at the song's starting tempo: a song with a tempo of its own at tick 0 sets
// it itself; one with none there ("later") gets the default tempo back before its next pass.
TEST(Midistream, LoopingWrapsWithoutAGapAtTheStartingTempo) {
    const std::string later = "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Note_on_c,0,60,90\n1,7,Marker_t,\"m\"\n"
                              "1,15,Note_on_c,0,64,90\n1,30,Note_on_c,0,67,90\n1,100,Tempo,250000\n"
                              "1,100,Note_off_c,0,60,0\n1,150,Note_on_c,1,62,90\n1,190,End_track\n0,0,End_of_file\n";
    for (const std::string& csv : {std::string(kFormat1), later}) {
        uint32_t division = 0;
        size_t buffers = 0;
        bool ended = true;
        const std::string midi = MakeMidi("loop", csv);
        const std::vector<Event> once = Reference(midi, &division),
                                 played = Played("--loop --buffers 60 " + midi, division, &buffers, &ended);
        std::vector<Event> expected;  // each pass starts at the tick of the last event before it
        for (uint64_t offset = 0; expected.size() < played.size(); offset += once.back().first) {
            if (offset && csv == later)
                expected.push_back({offset, 0x01000000 | 500000});
            for (const Event& e : once)
                expected.push_back({e.first + offset, e.second});
        }
        expected.resize(played.size());
        EXPECT_TRUE(!ended && buffers == 60 && played.size() > 2 * once.size());
        EXPECT_EQ(played, expected) << csv;
    }
}

TEST(Midistream, RefusedFiles) {
    std::ifstream in(MakeMidi("good", kFormat1), std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t second = good.find("MTrk", 22);
    for (const std::string& bytes : {
             good.substr(0, 5),                                          // passes the "MThd" test only
             good.substr(0, 13),                                         // header cut short
             good.substr(0, 7) + '\7' + good.substr(8),                  // header length 7
             good.substr(0, second) + "MTrX" + good.substr(second + 4),  // second track not "MTrk"
             good.substr(0, second + 8),                                 // track past the end
             std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\7\0\x3C\x40\0\xFF\x2F\0", 29)}) {  // no status
        std::ofstream(testing::TempDir() + "refused.mid", std::ios::binary) << bytes;
        int status;
        const std::string out = Shell(TAVORI_MIDISTREAM " " + testing::TempDir() + "refused.mid 2>&1", &status);
        EXPECT_TRUE(status == 1 && std::count(out.begin(), out.end(), '\n') == 1) << bytes.size() << out;
    }
}

}  // namespace
