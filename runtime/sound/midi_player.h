// MidiPlayer: plays a MIDI file held in memory through a MIDI stream with two buffers that the
// platform hands back one at a time and the player refills on the platform's callback thread.
// The player is portable; the stream itself sits behind MidiStreamDevice (the Win32 one is in
// midi_stream_win32.cpp), so the state machine runs natively against a stand-in device too.
//
// States: 0 playing normally, 100 stopping, 200 stopped, 300 end of song reached.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "runtime/sound/midi_fill.h"

class MidiPlayer;

// The platform's MIDI stream output. Buffers are queued in order and handed back in order
// through MidiPlayer::BufferDone; records with kRecordCallback come back through RecordPlayed.
class MidiStreamDevice {
public:
    using Stream = void*;
    virtual ~MidiStreamDevice() = default;
    // A paused stream on the MIDI mapper that reports to `player`; nullptr when there is none.
    virtual Stream Open(MidiPlayer* player) = 0;
    virtual bool SetTimeDivision(Stream stream, uint32_t division) = 0;
    // Prepares buffer `slot` (0 or 1) over `bytes` bytes of `area` and queues it. The slot's
    // header is unprepared: the player unprepares every header before it is sent again.
    virtual bool Send(Stream stream, int slot, uint8_t* area, uint32_t bytes) = 0;
    virtual void Unprepare(Stream stream, int slot) = 0;
    virtual bool Restart(Stream stream) = 0;
    // Stops the stream and resets the output: every queued buffer is handed back.
    virtual void Stop(Stream stream) = 0;
    // Closes a stream whose buffers are all back and unprepared.
    virtual void Close(Stream stream) = 0;
    // Gives up a stream whose buffers did not come back after a stop: when this returns no
    // callback of the stream is inside the player and none will reach it again, and the device
    // keeps everything a late callback of the stream may still reach (it is never closed).
    virtual void Abandon(Stream stream) = 0;
    // Tells a notify window of a channel volume change ((volume << 16) | channel).
    virtual void PostVolume(void* window, MidiPlayer* player, uint32_t value) {
        (void)window, (void)player, (void)value;
    }
};

class MidiPlayer {
public:
    enum State { kPlaying = 0, kStopping = 100, kStopped = 200, kSongEnded = 300 };
    static constexpr int kBuffers = 2;
    static constexpr int kWaitForStopMs = 2000;

    explicit MidiPlayer(MidiStreamDevice& device, int waitForStopMs = kWaitForStopMs)
        : device_(device), waitForStopMs_(waitForStopMs) {
        volumes_.fill(100);
    }
    ~MidiPlayer() { StopAndReset(); }
    MidiPlayer(const MidiPlayer&) = delete;
    MidiPlayer& operator=(const MidiPlayer&) = delete;

    // Takes the file (borrowed: it must outlive the player's use of it) and primes the stream.
    bool Open(const uint8_t* data, size_t size, void* notifyWindow);
    bool Play(bool looping);
    // Stops playing; with `reprime` a new stream is primed at once so that play can follow.
    void Stop(bool reprime);
    // Stops without re-priming and forgets the file.
    void StopAndReset();

    // Platform callbacks, on the platform's callback thread.
    void BufferDone(int slot);
    void RecordPlayed(uint32_t eventWord);

    int State() const;
    bool IsPlaying() const;
    uint32_t ChannelVolume(int channel) const;
    uint64_t BytesPlayed() const;

private:
    bool Prime();
    bool Queue(int slot);
    bool SendBuffer(int slot);
    void SongEndedLocked();
    void ReleaseStream(std::unique_lock<std::mutex>& lock, bool reprime);

    MidiStreamDevice& device_;
    const int waitForStopMs_;
    mutable std::mutex mutex_;
    std::condition_variable stateChanged_;  // the done event: both buffers came back
    MidiStreamFiller filler_;
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    void* notifyWindow_ = nullptr;
    MidiStreamDevice::Stream stream_ = nullptr;
    std::array<std::array<uint8_t, kMidiBufferSize>, kBuffers> areas_{};
    std::array<uint32_t, kBuffers> recorded_{};
    int current_ = 0;
    int returned_ = 0;  // buffers not queued at the device
    int state_ = kStopped;
    bool playing_ = false;
    bool paused_ = false;
    bool looping_ = false;
    // The song ended and both buffers came back: the stream is primed anew before the next play.
    bool needsReprime_ = false;
    uint64_t bytesPlayed_ = 0;
    std::array<uint32_t, 16> volumes_{};
};
