// midistream against an independent MIDI reader: MIDI files are made at test time by csvmidi
// from CSV text, read back by midicsv, and every channel event and tempo change that midistream
// sends must appear at the tick midicsv gives, in the order of the player's track merge (by
// tick, then by track). The buffers must respect the 1024-byte limit and the buffer-span cut,
// looping must wrap without a gap, and refused headers must exit 1 with a reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Event {
    uint64_t tick;
    int track;
    uint32_t word;  // short message, or 0x01000000 | tempo
};
bool operator==(const Event& a, const Event& b) { return a.tick == b.tick && a.word == b.word; }
std::ostream& operator<<(std::ostream& os, const Event& e) { return os << e.tick << ":" << std::hex << e.word << std::dec; }

struct Output {
    int status = -1;
    std::string out;
};

Output Shell(const std::string& command) {
    Output run;
    FILE* pipe = popen(command.c_str(), "r");
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        run.out.append(chunk, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string MakeMidi(const std::string& name, const std::string& csv) {
    const std::string base = testing::TempDir() + "midistream_" + name;
    std::ofstream(base + ".csv") << csv;
    EXPECT_EQ(Shell("csvmidi " + base + ".csv " + base + ".mid").status, 0) << csv;
    return base + ".mid";
}

// midicsv's view: channel events and tempo changes in merge order, and the division.
std::vector<Event> Reference(const std::string& midi, uint32_t* division) {
    static const std::map<std::string, uint32_t> kStatus = {
        {"Note_off_c", 0x80}, {"Note_on_c", 0x90}, {"Poly_aftertouch_c", 0xA0}, {"Control_c", 0xB0},
        {"Program_c", 0xC0}, {"Channel_aftertouch_c", 0xD0}, {"Pitch_bend_c", 0xE0}};
    std::vector<Event> events;
    std::istringstream lines(Shell("midicsv " + midi).out);
    for (std::string line; std::getline(lines, line);) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream f(line);
        int track;
        uint64_t tick;
        std::string type;
        f >> track >> tick >> type;
        uint32_t a = 0, b = 0, c = 0;
        f >> a >> b >> c;
        if (type == "Header")
            *division = c;
        else if (type == "Tempo")
            events.push_back({tick, track, 0x01000000 | a});
        else if (type == "Pitch_bend_c")
            events.push_back({tick, track, 0xE0 | a | (b & 0x7F) << 8 | (b >> 7) << 16});
        else if (kStatus.count(type))
            events.push_back({tick, track, kStatus.at(type) | a | b << 8 | c << 16});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& x, const Event& y) { return x.tick != y.tick ? x.tick < y.tick : x.track < y.track; });
    return events;
}

struct Buffer {
    uint32_t bytes = 0;
    std::vector<std::pair<uint32_t, uint32_t>> records;  // delta, event word
};

struct Listing {
    int status;
    std::vector<Buffer> buffers;
    bool ended = false;
};

Listing Stream(const std::string& args) {
    Output run = Shell(std::string(TAVORI_MIDISTREAM) + " " + args);
    Listing listing{run.status, {}, false};
    std::istringstream lines(run.out);
    for (std::string word; lines >> word;) {
        if (word == "buffer") {
            Buffer b;
            int slot;
            lines >> slot >> b.bytes;
            listing.buffers.push_back(b);
        } else if (word == "end") {
            listing.ended = true;
        } else {
            std::string hex;
            lines >> hex;
            listing.buffers.back().records.push_back({static_cast<uint32_t>(std::stoul(word)),
                                                      static_cast<uint32_t>(std::stoul(hex, nullptr, 16))});
        }
    }
    return listing;
}

uint32_t Span(uint32_t division, uint32_t tempo) { return static_cast<uint32_t>(uint64_t{division} * 60000 / tempo); }

// Checks the buffers' sizes and span cuts; returns the channel and tempo events at their ticks
// (a tempo record that repeats the tempo in force is left out: a new stream needs it, the
// file does not have it).
std::vector<Event> Played(const Listing& listing, uint32_t division) {
    std::vector<Event> events;
    uint64_t tick = 0;
    uint32_t tempo = 500000;
    bool tempoKnown = false;
    for (size_t i = 0; i < listing.buffers.size(); ++i) {
        const Buffer& b = listing.buffers[i];
        EXPECT_EQ(b.bytes, 12 * b.records.size());
        EXPECT_LE(b.bytes, 1024u);
        const uint64_t start = tick;
        int beyond = 0;
        for (const auto& [delta, word] : b.records) {
            tick += delta;
            const bool isTempo = (word >> 24) == 1;
            beyond += tick - start > Span(division, tempo);
            if (isTempo && tempoKnown && (word & 0xFFFFFF) == tempo && delta == 0 && &word == &b.records[0].second)
                continue;
            EXPECT_EQ((word >> 24) == 0x40, !isTempo && (word & 0xFFF0) == 0x07B0) << std::hex << word;
            events.push_back({tick, 0, word & (isTempo ? 0x01FFFFFF : 0x00FFFFFF)});
            if (isTempo) {
                tempo = word & 0xFFFFFF;
                tempoKnown = true;
            }
        }
        EXPECT_LE(beyond, 1) << "buffer " << i << " runs past its span twice";
        // A buffer cut short by the span: what comes next lies beyond it.
        if (b.records.size() < 84 && i + 1 < listing.buffers.size()) {
            uint64_t next = tick;
            for (const auto& [delta, word] : listing.buffers[i + 1].records)
                if ((next += delta, delta != 0 || (word >> 24) != 1))
                    break;
            EXPECT_GT(next - start, Span(division, tempo)) << "buffer " << i << " ended early";
        }
    }
    return events;
}

struct Song {
    const char* name;
    const char* csv;
};

const Song kSongs[] = {
    {"format0", "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Title_t,\"x\"\n1,0,Program_c,0,5\n"
                "1,0,Note_on_c,0,60,100\n1,0,Note_on_c,0,64,100\n1,12,Note_off_c,0,60,0\n"
                "1,12,Note_off_c,0,64,0\n1,20,Text_t,\"lyric\"\n1,24,System_exclusive,3,1,2,247\n"
                "1,30,Tempo,300000\n1,30,Control_c,1,7,90\n1,48,Pitch_bend_c,1,9000\n"
                "1,60,Channel_aftertouch_c,1,30\n1,70,Marker_t,\"m\"\n1,200,Tempo,900000\n"
                "1,200,Poly_aftertouch_c,2,60,5\n1,500,Note_on_c,2,67,1\n1,900,Note_off_c,2,67,0\n"
                "1,900,End_track\n0,0,End_of_file\n"},
    {"format1", "0,0,Header,1,3,480\n1,0,Start_track\n1,0,Tempo,400000\n1,960,Tempo,200000\n"
                "1,2000,End_track\n2,0,Start_track\n2,0,Note_on_c,0,60,90\n2,480,Note_off_c,0,60,0\n"
                "2,960,Note_on_c,0,62,90\n2,1440,Note_off_c,0,62,0\n2,1440,End_track\n"
                "3,0,Start_track\n3,0,Note_on_c,1,48,90\n3,10,Sequencer_specific,2,1,2\n"
                "3,480,Note_off_c,1,48,0\n3,960,Note_on_c,1,50,90\n3,1930,Note_off_c,1,50,0\n"
                "3,1930,End_track\n0,0,End_of_file\n"},
};

// 300 notes within one span: buffers are cut by their 1024 bytes.
std::string Dense() {
    std::string csv = "0,0,Header,0,1,480\n1,0,Start_track\n1,0,Tempo,500000\n";
    for (int i = 0; i < 300; ++i)
        csv += "1," + std::to_string(i / 10) + ",Note_on_c,0," + std::to_string(20 + i % 80) + ",64\n";
    return csv + "1,40,End_track\n0,0,End_of_file\n";
}

TEST(Midistream, EveryEventAtItsTickInMergeOrder) {
    std::vector<Song> songs(std::begin(kSongs), std::end(kSongs));
    const std::string dense = Dense();
    songs.push_back({"dense", dense.c_str()});
    for (const Song& song : songs) {
        SCOPED_TRACE(song.name);
        const std::string midi = MakeMidi(song.name, song.csv);
        uint32_t division = 0;
        const std::vector<Event> expected = Reference(midi, &division);
        const Listing listing = Stream(midi);
        ASSERT_EQ(listing.status, 0);
        EXPECT_TRUE(listing.ended);
        EXPECT_EQ(Played(listing, division), expected);
        if (std::string(song.name) == "dense") {
            EXPECT_GE(listing.buffers.size(), 4u);
        }
    }
}

TEST(Midistream, LoopingWrapsWithoutAGap) {
    const std::string midi = MakeMidi("loop", kSongs[1].csv);
    uint32_t division = 0;
    const std::vector<Event> once = Reference(midi, &division);
    const Listing listing = Stream("--loop --buffers 60 " + midi);
    ASSERT_EQ(listing.status, 0);
    EXPECT_FALSE(listing.ended);
    EXPECT_EQ(listing.buffers.size(), 60u);
    std::vector<Event> played = Played(listing, division);
    // Each pass starts where the last event of the one before it was.
    std::vector<Event> expected;
    for (uint64_t offset = 0; expected.size() < played.size(); offset += once.back().tick)
        for (const Event& e : once)
            expected.push_back({e.tick + offset, 0, e.word});
    expected.resize(played.size());
    EXPECT_GT(played.size(), 2 * once.size());
    EXPECT_EQ(played, expected);
}

TEST(Midistream, RefusedFiles) {
    std::ifstream in(MakeMidi("good", kSongs[1].csv), std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t second = good.find("MTrk", 14 + 8);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"five_bytes", good.substr(0, 5)},
        {"header_cut", good.substr(0, 13)},
        {"header_length_7", good.substr(0, 7) + '\7' + good.substr(8)},
        {"second_track_tag", good.substr(0, second) + "MTrX" + good.substr(second + 4)},
        {"track_past_end", good.substr(0, second + 8)},
        {"no_running_status", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\7\0\x3C\x40\0\xFF\x2F\0", 29)},
    };
    for (const Case& c : cases) {
        const std::string path = testing::TempDir() + "midistream_" + c.name + ".mid";
        std::ofstream(path, std::ios::binary) << c.bytes;
        const Output run = Shell(std::string(TAVORI_MIDISTREAM) + " " + path + " 2>&1");
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << c.name << ": " << run.out;
    }
}

}  // namespace
