// The MIDI player's state machine against a stand-in stream device whose own thread plays the
// queued buffers at their timed pace and hands them back, as the platform's callback thread
// does: a song played once ends (state 300, then 200) and plays again from its start; a song that
// fits in buffer 0 plays and ends; a looping song keeps going until stopped, and stop returns
// only after both buffers came back; main-volume records reach the channel volumes; without a
// device open answers 0. Songs are made by csvmidi at test time.
#include "runtime/sound/midi_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Sent {
    int slot;
    std::vector<uint32_t> words;  // event words of the records
    long durationUs;
};

class StandInDevice : public MidiStreamDevice {
public:
    explicit StandInDevice(bool available = true) : available_(available) {}
    ~StandInDevice() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    Stream Open(MidiPlayer* player) override {
        if (!available_)
            return nullptr;
        std::lock_guard<std::mutex> lock(mutex_);
        player_ = player;
        if (!thread_.joinable())
            thread_ = std::thread([this] { Play(); });
        ++opened_;
        return reinterpret_cast<Stream>(static_cast<intptr_t>(opened_));
    }
    bool SetTimeDivision(Stream, uint32_t division) override {
        division_ = division;
        return true;
    }
    bool Send(Stream, int slot, uint8_t* area, uint32_t bytes) override {
        Sent sent{slot, {}, 0};
        for (uint32_t at = 0; at + 12 <= bytes; at += 12) {
            uint32_t delta = Word(area + at), word = Word(area + at + 8);
            if ((word >> 24) == 1)
                tempo_ = word & 0xFFFFFF;
            sent.durationUs += static_cast<long>(uint64_t{delta} * tempo_ / division_);
            sent.words.push_back(word);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(sent);
        log_.push_back(sent);
        wake_.notify_all();
        return true;
    }
    void Unprepare(Stream, int) override {}
    bool Restart(Stream) override {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = true;
        wake_.notify_all();
        return true;
    }
    // Like a stream reset: every queued buffer comes back at once, on the device's thread.
    void Stop(Stream) override {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        flush_ = true;
        wake_.notify_all();
    }
    void Close(Stream) override {}

    std::vector<Sent> Log() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }
    size_t Queued() {
        std::lock_guard<std::mutex> lock(mutex_);
        return queue_.size() + inHand_;
    }

private:
    static uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

    // The device's thread: plays the oldest buffer for its duration, then hands it back.
    void Play() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || flush_ || (running_ && !queue_.empty()); });
            if (quit_)
                return;
            if (flush_ && queue_.empty()) {
                flush_ = false;
                continue;
            }
            Sent sent = queue_.front();
            queue_.pop_front();
            ++inHand_;
            const bool flushing = flush_;
            lock.unlock();
            if (!flushing) {
                std::this_thread::sleep_for(std::chrono::microseconds(sent.durationUs));
                for (uint32_t word : sent.words)
                    if (word & kRecordCallback)
                        player_->RecordPlayed(word & 0xFFFFFF);
            }
            player_->BufferDone(sent.slot);
            lock.lock();
            --inHand_;
        }
    }

    bool available_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::thread thread_;
    std::deque<Sent> queue_;
    std::vector<Sent> log_;
    MidiPlayer* player_ = nullptr;
    int opened_ = 0;
    int inHand_ = 0;
    bool running_ = false, flush_ = false, quit_ = false;
    uint32_t division_ = 96, tempo_ = 500000;
};

std::vector<uint8_t> Song(const std::string& name, int notes) {
    // 96 ticks a quarter note at 0.1 s: a note every 12 ticks is 12.5 ms.
    std::string csv = "0,0,Header,0,1,96\n1,0,Start_track\n1,0,Tempo,100000\n1,0,Control_c,3,7,64\n";
    for (int i = 0; i < notes; ++i)
        csv += "1," + std::to_string(12 * i) + ",Note_on_c,0," + std::to_string(40 + i % 40) + ",90\n";
    csv += "1," + std::to_string(12 * notes) + ",Control_c,3,7,127\n1," + std::to_string(12 * notes) +
           ",End_track\n0,0,End_of_file\n";
    const std::string base = testing::TempDir() + "midi_player_" + name;
    std::ofstream(base + ".csv") << csv;
    EXPECT_EQ(std::system(("csvmidi " + base + ".csv " + base + ".mid").c_str()), 0);
    std::ifstream in(base + ".mid", std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <typename Condition>
bool WaitFor(Condition condition) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

size_t Notes(const std::vector<Sent>& log, size_t from = 0) {
    size_t count = 0;
    for (size_t i = from; i < log.size(); ++i)
        for (uint32_t word : log[i].words)
            count += (word & 0xF0) == 0x90;
    return count;
}

TEST(MidiPlayer, PlaysOnceEndsAndPlaysAgainFromTheStart) {
    const std::vector<uint8_t> song = Song("once", 30);
    StandInDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    EXPECT_EQ(device.Log().size(), 2u);  // primed: buffers 0 and 1 queued
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_EQ(player.State(), MidiPlayer::kStopped);
    EXPECT_EQ(Notes(device.Log()), 30u);
    EXPECT_EQ(player.ChannelVolume(3), 100u);  // the last main volume, 127
    EXPECT_EQ(device.Queued(), 0u);

    const size_t before = device.Log().size();
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    const std::vector<Sent> log = device.Log();
    EXPECT_EQ(Notes(log, before), 30u);
    EXPECT_EQ(log[before].words.at(0), 0x0101'86A0u);  // from the start: the tempo comes first
}

TEST(MidiPlayer, ShortSongInOneBufferPlaysAndEnds) {
    const std::vector<uint8_t> song = Song("short", 2);
    StandInDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_EQ(Notes(device.Log()), 2u);
    EXPECT_EQ(player.ChannelVolume(3), 100u);
}

TEST(MidiPlayer, LoopingPlaysUntilStoppedAndStopCollectsBothBuffers) {
    const std::vector<uint8_t> song = Song("loop", 8);
    StandInDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    ASSERT_TRUE(player.Play(true));
    ASSERT_TRUE(WaitFor([&] { return Notes(device.Log()) >= 40; }));  // five times round
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.State(), MidiPlayer::kPlaying);
    EXPECT_TRUE(WaitFor([&] { return player.ChannelVolume(3) == 50; }));  // 64 * 100 / 127
    player.Stop(false);
    EXPECT_EQ(device.Queued(), 0u);
    EXPECT_EQ(player.State(), MidiPlayer::kStopped);
    EXPECT_FALSE(player.IsPlaying());
    const size_t sent = device.Log().size();
    EXPECT_FALSE(player.Play(true));  // stopped without re-priming: no stream left
    EXPECT_EQ(device.Log().size(), sent);
}

TEST(MidiPlayer, StopWithRepriming) {
    const std::vector<uint8_t> song = Song("reprime", 40);
    StandInDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return device.Log().size() >= 4; }));
    player.Stop(true);
    // Not looping: the new stream was primed from the start of the file.
    const std::vector<Sent> log = device.Log();
    ASSERT_GE(log.size(), 6u);
    EXPECT_EQ(log[log.size() - 2].words.at(0), 0x0101'86A0u);
    ASSERT_TRUE(player.Play(false));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_EQ(Notes(device.Log(), log.size() - 2), 40u);
}

TEST(MidiPlayer, NoDeviceOpenAnswersZero) {
    const std::vector<uint8_t> song = Song("nodevice", 4);
    StandInDevice device(false);
    MidiPlayer player(device);
    EXPECT_FALSE(player.Open(song.data(), song.size(), nullptr));
    EXPECT_FALSE(player.Play(false));
    player.StopAndReset();
    EXPECT_EQ(player.State(), MidiPlayer::kStopped);
}

}  // namespace
