// midistream: shows what the MIDI player sends to the stream, buffer by buffer.
//   midistream [--loop] [--buffers N] FILE
// Opens FILE as the player's open does (priming buffers 0 and 1), plays it, and lets a device
// that hands the buffers back in order drive the refills. Every buffer is printed as it is
// sent: "buffer I BYTES", then one "DELTA EVENT" line per 12-byte record (event word in hex).
// The last line is "end" when the song ended; otherwise output stops after N buffers.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/sound/midi_player.h"

namespace {

uint32_t WordAt(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// A stream that prints what it is sent and hands buffers back only when told to.
class ListingDevice : public MidiStreamDevice {
public:
    MidiPlayer* player = nullptr;
    std::deque<int> queued;
    long sent = 0;

    Stream Open(MidiPlayer* owner) override {
        player = owner;
        return this;
    }
    bool SetTimeDivision(Stream, uint32_t) override { return true; }
    bool Send(Stream, int slot, uint8_t* area, uint32_t bytes) override {
        std::printf("buffer %d %u\n", slot, bytes);
        for (uint32_t at = 0; at + kStreamRecordSize <= bytes; at += kStreamRecordSize)
            std::printf("%u %08X\n", WordAt(area + at), WordAt(area + at + 8));
        queued.push_back(slot);
        ++sent;
        return true;
    }
    void Unprepare(Stream, int) override {}
    bool Restart(Stream) override { return true; }
    void Stop(Stream) override { HandBack(queued.size()); }
    void Close(Stream) override {}
    void Abandon(Stream) override {}  // never called: a stop hands every buffer back at once

    void HandBack(size_t count) {
        for (; count > 0 && !queued.empty(); --count) {
            const int slot = queued.front();
            queued.pop_front();
            player->BufferDone(slot);
        }
    }
};

int Refuse(const std::string& reason) {
    std::fprintf(stderr, "midistream: %s\n", reason.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool looping = false;
    long limit = 1000;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loop") == 0)
            looping = true;
        else if (std::strcmp(argv[i], "--buffers") == 0 && i + 1 < argc)
            limit = std::strtol(argv[++i], nullptr, 10);
        else if (!path && argv[i][0] != '-')
            path = argv[i];
        else
            return Refuse("usage: midistream [--loop] [--buffers N] FILE");
    }
    if (!path || limit < 1)
        return Refuse("usage: midistream [--loop] [--buffers N] FILE");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return Refuse(std::string(path) + ": cannot be read");
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    ListingDevice device;
    MidiPlayer player(device);
    if (!player.Open(file.data(), file.size(), nullptr))
        return Refuse(std::string(path) + ": not a playable MIDI file");
    if (!player.Play(looping))
        return Refuse(std::string(path) + ": the stream did not start");
    // The device plays one buffer after the other; each one back is refilled and sent again.
    bool ended = false;
    while (device.sent < limit && !device.queued.empty() && !ended) {
        device.HandBack(1);
        ended = player.State() == MidiPlayer::kSongEnded || !player.IsPlaying();
    }
    ended = ended || !player.IsPlaying();
    if (ended)
        std::printf("end\n");
    return 0;
}
