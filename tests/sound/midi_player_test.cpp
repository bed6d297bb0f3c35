// The MIDI player's state machine against a stand-in stream device whose own thread plays the
// queued buffers at their timed pace and hands them back, as the platform's callback thread
// does; a stop hands every queued buffer back at once, or, held, when the test lets them come
// late. The device lists the platform's rules the player breaks. Songs are made by csvmidi.
#include "runtime/sound/midi_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <iterator>
#include <list>
#include <memory>
#include <thread>

namespace {

using Words = std::vector<uint32_t>;  // the event words of one buffer
uint32_t Word(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

class PacedDevice : public MidiStreamDevice {
public:
    std::mutex m;
    std::vector<Words> sent;  // every buffer sent, in order
    std::vector<std::string> faults;  // platform rules the player broke
    std::vector<uint32_t> posted;     // volume notifications

    ~PacedDevice() override {
        Locked([this] { quit_ = true; });
        thread_.joinable() ? thread_.join() : void();
    }
    Stream Open(MidiPlayer* player) override {  // every stream a record of its own, freed on close
        Stream record = nullptr;
        Locked([&] { records_.push_back({player, {}}), record = &records_.back(); });
        if (!thread_.joinable())
            thread_ = std::thread([this] { Run(); });
        return record;
    }
    bool SetTimeDivision(Stream, uint32_t division) override { return (division_ = division) != 0; }
    bool Send(Stream s, int slot, uint8_t* area, uint32_t bytes) override {
        Queued q{Of(s), slot, 0, {}};  // the words and their playing time
        for (uint32_t at = 0; at + 12 <= bytes; at += 12) {
            q.micros += static_cast<long>(uint64_t{Word(area + at)} * tempo_ / division_);
            q.words.push_back(Word(area + at + 8));
            tempo_ = q.words.back() >> 24 == 1 ? q.words.back() & 0xFFFFFF : tempo_;
        }
        Locked([&] {
            Fault(q.record->prepared[slot], "prepared again while prepared");
            q.record->prepared[slot] = true;
            sent.push_back(q.words), queue_.push_back(q);
        });
        return true;
    }
    void Unprepare(Stream s, int slot) override {
        Locked([&] { Fault(IsQueued(Of(s), slot), "unprepared while queued"), Of(s)->prepared[slot] = false; });
    }
    bool Restart(Stream) override { return Locked([this] { running_ = true; }), true; }
    void Stop(Stream) override { Locked([this] { running_ = false, (holdOnStop_ ? held_ : flush_) = queue_.size(); }); }
    void Close(Stream s) override {
        Locked([&] {
            Fault(IsQueued(Of(s), 0) || IsQueued(Of(s), 1), "closed with buffers queued");
            Fault(Of(s)->prepared[0] || Of(s)->prepared[1], "closed with a header prepared");
            records_.remove_if([&](const Record& r) { return &r == Of(s); });
        });
    }
    void Abandon(Stream s) override {
        std::lock_guard<std::mutex> callback(callback_);
        Of(s)->player = nullptr;
    }
    void PostVolume(void*, MidiPlayer*, uint32_t value) override { Locked([&] { posted.push_back(value); }); }

    // From now on a stop hands nothing back until Release(), when the buffers come late.
    void HoldOnStop() { Locked([this] { holdOnStop_ = true; }); }
    void Release() { Locked([this] { flush_ = held_, held_ = 0; }); }
    bool AllBack(int waitSeconds = 0) {
        std::unique_lock<std::mutex> lock(m);
        return wake_.wait_for(lock, std::chrono::seconds(waitSeconds), [this] { return queue_.empty(); });
    }

private:
    struct Record { MidiPlayer* player; std::array<bool, MidiPlayer::kBuffers> prepared; };
    struct Queued { Record* record; int slot; long micros; Words words; };
    static Record* Of(Stream s) { return static_cast<Record*>(s); }
    template <typename F>
    void Locked(F f) {
        std::lock_guard<std::mutex> lock(m);
        f();
        wake_.notify_all();
    }
    void Fault(bool broken, const char* rule) { broken ? faults.push_back(rule) : void(); }
    bool IsQueued(Record* r, int slot) const {
        return std::any_of(queue_.begin(), queue_.end(), [&](const Queued& q) { return q.record == r && q.slot == slot; });
    }

    // Plays the queue in order at its timed pace; buffers handed back by a stop come back at once
    // unplayed. The callback lock is held while the player is called, as the platform's is.
    void Run() {
        std::unique_lock<std::mutex> lock(m);
        while (wake_.wait(lock, [this] { return quit_ || (!queue_.empty() && (flush_ || (running_ && !held_))); }),
               !quit_) {
            const Queued q = queue_.front();
            const bool playing = flush_ == 0;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::microseconds(playing ? q.micros : 0));
            {
                std::lock_guard<std::mutex> callback(callback_);
                MidiPlayer* player = q.record->player;  // a record closed too early is read after its free
                for (uint32_t word : q.words)
                    if (player && playing && (word & kRecordCallback))
                        player->RecordPlayed(word & 0xFFFFFF);
                Locked([&] { queue_.pop_front(), flush_ ? --flush_ : held_ -= held_ > 0; });
                if (player)
                    player->BufferDone(q.slot);  // the player sends the refill from here
            }
            lock.lock();
        }
    }

    std::thread thread_;
    std::condition_variable wake_;
    std::mutex callback_;
    std::list<Record> records_;
    std::deque<Queued> queue_;
    size_t flush_ = 0, held_ = 0;  // front buffers to hand back unplayed, or held until Release()
    bool running_ = false, quit_ = false, holdOnStop_ = false;
    uint32_t division_ = 96, tempo_ = 500000;
};

// 96 ticks a quarter at 0.1 s a quarter (from `tempoTick` on, 0.5 s before): a note every 12
// ticks; main volume 64, at the end 127.
std::vector<uint8_t> Song(int notes, int tempoTick = 0) {
    const std::string tempo = "1," + std::to_string(tempoTick) + ",Tempo,100000\n";
    std::string csv = "0,0,Header,0,1,96\n1,0,Start_track\n" + (tempoTick ? "" : tempo) + "1,0,Control_c,3,7,64\n";
    for (int i = 0; i < notes; ++i)
        csv += (tempoTick && 12 * i == tempoTick ? tempo : "") + "1," + std::to_string(12 * i) + ",Note_on_c,0," +
               std::to_string(40 + i) + ",90\n";
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
std::vector<std::string> Faults(PacedDevice& d) { return std::lock_guard<std::mutex>(d.m), d.faults; }
// The notes of the buffers from `from` on, which must start with the song's tempo.
size_t NotesFromStart(PacedDevice& d, size_t from) {
    std::lock_guard<std::mutex> lock(d.m);
    EXPECT_EQ(d.sent.at(from).at(0), 0x01000000u | 100000);
    size_t n = 0;
    for (size_t i = from; i < d.sent.size(); ++i)
        n += std::count_if(d.sent[i].begin(), d.sent[i].end(), [](uint32_t w) { return (w & 0xF0) == 0x90; });
    return n;
}

// Once to the end, then again from the start, sending the same records again: a song of many
// buffers, one that fits in buffer 0, and one whose tempo comes only later.
TEST(MidiPlayer, PlaysToTheEndAndAgainFromTheStart) {
    for (const auto& [notes, tempoTick] : {std::pair{30, 0}, {2, 0}, {30, 60}}) {
        const std::vector<uint8_t> song = Song(notes, tempoTick);
        PacedDevice device;
        MidiPlayer player(device);
        ASSERT_TRUE(player.Open(song.data(), song.size(), nullptr));
        size_t from = 0;  // primed at open, then at play
        for (int round = 0; round < 2; ++round) {
            from = round == 0 ? 0 : Sent(device);
            ASSERT_TRUE(player.Play(false));
            ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
            EXPECT_EQ(player.State(), MidiPlayer::kStopped);
            EXPECT_EQ(player.ChannelVolume(3), 100u);  // 127
            if (tempoTick == 0) {
                EXPECT_EQ(NotesFromStart(device, from), static_cast<size_t>(notes)) << notes << " " << round;
            }
        }
        std::lock_guard<std::mutex> lock(device.m);
        const auto middle = device.sent.begin() + static_cast<long>(from);
        EXPECT_EQ(std::vector<Words>(device.sent.begin(), middle), std::vector<Words>(middle, device.sent.end()));
        EXPECT_EQ(device.faults, std::vector<std::string>{});
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
    EXPECT_TRUE(player.State() == MidiPlayer::kStopped && device.AllBack());
    EXPECT_FALSE(player.Play(true));  // no stream is left without re-priming
    EXPECT_EQ(Faults(device), std::vector<std::string>{});
}

// Buffers that come back only after the stop gave up waiting: the stream is neither closed nor
// freed, and its late callbacks reach no player, neither one that is gone by then (its own
// re-primed stream times out too) nor one playing its new stream, which plays the whole song.
TEST(MidiPlayer, LateCallbacksAfterAStopThatTimedOut) {
    const std::vector<uint8_t> song = Song(30);
    for (bool playOn : {false, true}) {
        PacedDevice device;
        auto player = std::make_unique<MidiPlayer>(device, 50);
        ASSERT_TRUE(player->Open(song.data(), song.size(), nullptr) && player->Play(false));
        ASSERT_TRUE(WaitFor([&] { return Sent(device) >= 4; }));
        device.HoldOnStop();
        player->Stop(true);
        EXPECT_EQ(player->State(), MidiPlayer::kStopped);
        const size_t from = Sent(device) - 2;  // the new stream's two buffers
        if (playOn)
            ASSERT_TRUE(player->Play(false));
        else
            player.reset();
        device.Release();
        EXPECT_TRUE(device.AllBack(10));
        if (playOn) {
            EXPECT_TRUE(WaitFor([&] { return !player->IsPlaying(); }));
            EXPECT_EQ(NotesFromStart(device, from), 30u);
        }
        EXPECT_EQ(Faults(device), std::vector<std::string>{}) << playOn;
    }
}

// Main volume v on channel c: volume v × 100 / 127 truncated, posted as (volume << 16) | c to a
// notify window; other controllers and other messages with a 7 leave the volume alone.
TEST(MidiPlayer, VolumeOfEveryChannel) {
    const struct { uint32_t word, channel, volume; bool posted; } rows[] = {
        {0x5A07B0, 0, 70, true},    // 90: 70.9
        {0x0107B5, 5, 0, true},     // 1: 0.8
        {0x6507BF, 15, 79, true},   // 101: 79.5
        {0x7F07BA, 10, 100, true},  // 127
        {0x0007B9, 9, 0, true},     // 0
        {0x2008B1, 1, 100, false},  // controller 8
        {0x2007C2, 2, 100, false},  // program 7
        {0x2007E3, 3, 100, false},  // pitch bend
    };
    const std::vector<uint8_t> song = Song(2);
    PacedDevice device;
    MidiPlayer player(device);
    ASSERT_TRUE(player.Open(song.data(), song.size(), &device));
    std::vector<uint32_t> posted;
    for (const auto& row : rows) {
        player.RecordPlayed(row.word);
        EXPECT_EQ(player.ChannelVolume(static_cast<int>(row.channel)), row.volume) << std::hex << row.word;
        if (row.posted)
            posted.push_back(row.volume << 16 | row.channel);
    }
    EXPECT_EQ((std::lock_guard<std::mutex>(device.m), device.posted), posted);
}

}  // namespace
