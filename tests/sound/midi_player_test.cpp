// The MIDI player's state machine against a stand-in stream device whose own thread plays the
// queued buffers at their timed pace and hands them back, as the platform's callback thread
// does. Songs are made by csvmidi at test time.
#include "runtime/sound/midi_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iterator>
#include <thread>

namespace {

uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

class PacedDevice : public MidiStreamDevice {
public:
    struct Buffer {
        int slot;
        long micros;
        std::vector<uint32_t> words;
    };
    std::mutex m;
    std::vector<Buffer> sent;   // every buffer sent, in order
    std::deque<Buffer> queue;   // not yet handed back
    bool available = true;

    ~PacedDevice() override {
        Locked([this] { quit_ = true; });
        if (thread_.joinable())
            thread_.join();
    }
    Stream Open(MidiPlayer* player) override {
        player_ = player;
        if (available && !thread_.joinable())
            thread_ = std::thread([this] { Run(); });
        return available ? this : nullptr;
    }
    bool SetTimeDivision(Stream, uint32_t division) override { return (division_ = division) != 0; }
    bool Send(Stream, int slot, uint8_t* area, uint32_t bytes) override {
        Buffer b{slot, 0, {}};
        for (uint32_t at = 0; at + 12 <= bytes; at += 12) {
            b.micros += static_cast<long>(uint64_t{Word(area + at)} * tempo_ / division_);
            b.words.push_back(Word(area + at + 8));
            if ((b.words.back() >> 24) == 1)
                tempo_ = b.words.back() & 0xFFFFFF;
        }
        Locked([&] { queue.push_back(b), sent.push_back(b); });
        return true;
    }
    void Unprepare(Stream, int) override {}
    bool Restart(Stream) override { return Locked([this] { running_ = true; }), true; }
    // As a reset does: every queued buffer comes back at once.
    void Stop(Stream) override { Locked([this] { running_ = false, flush_ = !queue.empty(); }); }
    void Close(Stream) override {}

    template <typename F>
    void Locked(F f) {
        std::lock_guard<std::mutex> lock(m);
        f();
        wake_.notify_all();
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(m);
        while (wake_.wait(lock, [this] { return quit_ || ((running_ || flush_) && !queue.empty()); }), !quit_) {
            const Buffer b = queue.front();
            const bool playing = !flush_;
            lock.unlock();
            if (playing)
                std::this_thread::sleep_for(std::chrono::microseconds(b.micros));
            for (uint32_t word : b.words)
                if (playing && (word & kRecordCallback))
                    player_->RecordPlayed(word & 0xFFFFFF);
            lock.lock();
            queue.pop_front();
            flush_ = flush_ && !queue.empty();
            lock.unlock();
            player_->BufferDone(b.slot);  // the player may send the refill from here
            lock.lock();
        }
    }

    MidiPlayer* player_ = nullptr;
    std::thread thread_;
    std::condition_variable wake_;
    bool running_ = false, flush_ = false, quit_ = false;
    uint32_t division_ = 96, tempo_ = 500000;
};

// 96 ticks a quarter at 0.1 s: a note every 12 ticks, main volume 64 then 127 on channel 3.
std::vector<uint8_t> Song(int notes) {
    std::string csv = "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Tempo,100000\n1,0,Control_c,3,7,64\n";
    for (int i = 0; i < notes; ++i)
        csv += "1," + std::to_string(12 * i) + ",Note_on_c,0," + std::to_string(40 + i) + ",90\n";
    const std::string end = std::to_string(12 * notes);
    csv += "1," + end + ",Control_c,3,7,127\n1," + end + ",End_track\n0,0,End_of_file\n";
    const std::string base = testing::TempDir() + "midi_player_" + std::to_string(notes);
    std::ofstream(base + ".csv") << csv;
    EXPECT_EQ(std::system(("csvmidi " + base + ".csv " + base + ".mid").c_str()), 0);
    std::ifstream in(base + ".mid", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename F>
bool WaitFor(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return done();
}

// Notes in the buffers sent from `from` on; the first event word of buffer `from`.
size_t Notes(PacedDevice& d, size_t from = 0) {
    std::lock_guard<std::mutex> lock(d.m);
    size_t n = 0;
    for (size_t i = from; i < d.sent.size(); ++i)
        n += std::count_if(d.sent[i].words.begin(), d.sent[i].words.end(), [](uint32_t w) { return (w & 0xF0) == 0x90; });
    return n;
}
size_t Sent(PacedDevice& d) { return std::lock_guard<std::mutex>(d.m), d.sent.size(); }
uint32_t FirstWord(PacedDevice& d, size_t i) { return std::lock_guard<std::mutex>(d.m), d.sent.at(i).words.at(0); }
constexpr uint32_t kTempoRecord = 0x01000000 | 100000;

// Played once, twice over (the second time from the start), for a song of many buffers and one
// that fits in buffer 0; without a device open answers 0.
TEST(MidiPlayer, PlaysOnceToTheEndAndAgainFromTheStart) {
    for (int notes : {30, 2}) {
        const std::vector<uint8_t> song = Song(notes);
        PacedDevice device;
        MidiPlayer player(device);
        ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
        for (int round = 0; round < 2; ++round) {
            const size_t before = round == 0 ? 0 : Sent(device);  // primed at open, then at play
            ASSERT_TRUE(player.Play(false));
            EXPECT_EQ(FirstWord(device, before), kTempoRecord);
            ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); })) << notes;
            EXPECT_EQ(player.State(), MidiPlayer::kStopped);
            EXPECT_EQ(Notes(device, before), static_cast<size_t>(notes));
            EXPECT_EQ(player.ChannelVolume(3), 100u);  // 127
        }
    }
    PacedDevice none;
    none.available = false;
    MidiPlayer silent(none);
    EXPECT_FALSE(silent.Open(Song(2).data(), Song(2).size(), nullptr));
}

// Looping goes round until stopped; stop returns only when both buffers are back.
TEST(MidiPlayer, LoopsUntilStopped) {
    const std::vector<uint8_t> song = Song(8);
    PacedDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    ASSERT_TRUE(player.Play(true));
    EXPECT_TRUE(WaitFor([&] { return Notes(device) >= 40 && player.ChannelVolume(3) == 50; }));  // 64
    EXPECT_EQ(player.State(), MidiPlayer::kPlaying);
    player.Stop(false);
    EXPECT_EQ((std::lock_guard<std::mutex>(device.m), device.queue.size()), 0u);
    EXPECT_EQ(player.State(), MidiPlayer::kStopped);
    EXPECT_FALSE(player.Play(true));  // no stream is left without re-priming
}

// Stopping in the middle with re-priming starts the next play from the beginning.
TEST(MidiPlayer, StopWithRePrimingRewinds) {
    const std::vector<uint8_t> song = Song(40);
    PacedDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return Sent(device) >= 4; }));
    player.Stop(true);
    const size_t primed = Sent(device) - 2;
    EXPECT_EQ(FirstWord(device, primed), kTempoRecord);
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_EQ(Notes(device, primed), 40u);
}

}  // namespace
