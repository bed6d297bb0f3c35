// The MIDI player's state machine against a stand-in stream device whose own thread plays the
// queued buffers at their timed pace and hands them back, as the platform's callback thread
// does; a stop hands every queued buffer back at once. Songs are made by csvmidi at test time.
#include "runtime/sound/midi_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

using Words = std::vector<uint32_t>;  // the event words of one buffer
uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

class PacedDevice : public MidiStreamDevice {
public:
    std::mutex m;
    std::vector<Words> sent;  // every buffer sent, in order; the last `queued` are not back yet
    std::vector<std::pair<int, long>> slots;  // slot and microseconds of each
    size_t queued = 0;

    ~PacedDevice() override {
        Locked([this] { quit_ = true; });
        thread_.joinable() ? thread_.join() : void();
    }
    Stream Open(MidiPlayer* player) override {
        if (!thread_.joinable())
            player_ = player, thread_ = std::thread([this] { Run(); });
        return this;
    }
    bool SetTimeDivision(Stream, uint32_t division) override { return (division_ = division) != 0; }
    bool Send(Stream, int slot, uint8_t* area, uint32_t bytes) override {
        Words words;
        long micros = 0;
        for (uint32_t at = 0; at + 12 <= bytes; at += 12) {
            micros += static_cast<long>(uint64_t{Word(area + at)} * tempo_ / division_);
            words.push_back(Word(area + at + 8));
            tempo_ = words.back() >> 24 == 1 ? words.back() & 0xFFFFFF : tempo_;
        }
        Locked([&] { sent.push_back(words), slots.push_back({slot, micros}), ++queued; });
        return true;
    }
    void Unprepare(Stream, int) override {}
    bool Restart(Stream) override { return Locked([this] { running_ = true; }), true; }
    void Stop(Stream) override { Locked([this] { running_ = false, flush_ = queued > 0; }); }
    void Close(Stream) override {}

private:
    template <typename F>
    void Locked(F f) {
        std::lock_guard<std::mutex> lock(m);
        f();
        wake_.notify_all();
    }

    void Run() {
        std::unique_lock<std::mutex> lock(m);
        while (wake_.wait(lock, [this] { return quit_ || ((running_ || flush_) && queued); }), !quit_) {
            const size_t i = sent.size() - queued;
            const Words words = sent[i];
            const auto [slot, micros] = slots[i];
            const bool playing = !flush_;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(playing ? micros : 0));
            for (uint32_t word : words)
                if (playing && (word & kRecordCallback))
                    player_->RecordPlayed(word & 0xFFFFFF);
            Locked([this] { --queued, flush_ = flush_ && queued > 0; });
            player_->BufferDone(slot);  // the player sends the refill from here
            lock.lock();
        }
    }

    MidiPlayer* player_ = nullptr;
    std::thread thread_;
    std::condition_variable wake_;
    bool running_ = false, flush_ = false, quit_ = false;
    uint32_t division_ = 96, tempo_ = 500000;
};

// 96 ticks a quarter at 0.1 s a quarter: a note every 12 ticks; main volume 64, at the end 127.
std::vector<uint8_t> Song(int notes) {
    std::string csv = "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Tempo,100000\n1,0,Control_c,3,7,64\n";
    for (int i = 0; i < notes; ++i)
        csv += "1," + std::to_string(12 * i) + ",Note_on_c,0," + std::to_string(40 + i) + ",90\n";
    const std::string end = "1," + std::to_string(12 * notes), base = testing::TempDir() + "midi_player";
    std::ofstream(base + ".csv") << csv << end << ",Control_c,3,7,127\n" << end << ",End_track\n0,0,End_of_file\n";
    EXPECT_EQ(std::system(("csvmidi " + base + ".csv " + base + ".mid").c_str()), 0);
    std::ifstream in(base + ".mid", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename F>
bool WaitFor(F done) {
    for (int i = 0; i < 5000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

size_t Sent(PacedDevice& d) { return std::lock_guard<std::mutex>(d.m), d.sent.size(); }
// The notes of the buffers from `from` on, which must start with the song's tempo.
size_t NotesFromStart(PacedDevice& d, size_t from) {
    std::lock_guard<std::mutex> lock(d.m);
    EXPECT_EQ(d.sent.at(from).at(0), 0x01000000u | 100000);
    size_t n = 0;
    for (size_t i = from; i < d.sent.size(); ++i)
        n += std::count_if(d.sent[i].begin(), d.sent[i].end(), [](uint32_t w) { return (w & 0xF0) == 0x90; });
    return n;
}

// Once to the end, then again from the start: a song of many buffers and one that fits in
// buffer 0.
TEST(MidiPlayer, PlaysToTheEndAndAgainFromTheStart) {
    for (int notes : {30, 2}) {
        const std::vector<uint8_t> song = Song(notes);
        PacedDevice device;
        MidiPlayer player(device);
        ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
        for (int round = 0; round < 2; ++round) {
            const size_t from = round == 0 ? 0 : Sent(device);  // primed at open, then at play
            ASSERT_TRUE(player.Play(false));
            ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
            EXPECT_EQ(player.State(), MidiPlayer::kStopped);
            EXPECT_EQ(player.ChannelVolume(3), 100u);  // 127
            EXPECT_EQ(NotesFromStart(device, from), static_cast<size_t>(notes)) << notes << " " << round;
        }
    }
}

// Looping goes round until stopped; stop returns only when both buffers are back.
TEST(MidiPlayer, LoopsUntilStopped) {
    const std::vector<uint8_t> song = Song(8);
    PacedDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr) && player.Play(true));
    EXPECT_TRUE(WaitFor([&] { return Sent(device) >= 20 && player.ChannelVolume(3) == 50; }));  // 64
    EXPECT_EQ(player.State(), MidiPlayer::kPlaying);
    player.Stop(false);
    EXPECT_TRUE(player.State() == MidiPlayer::kStopped && (std::lock_guard<std::mutex>(device.m), device.queued == 0));
    EXPECT_FALSE(player.Play(true));  // no stream is left without re-priming
}

}  // namespace
