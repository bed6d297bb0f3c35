// MidiPlayer state machine; see midi_player.h.
//
// One lock guards the player; it is never held across a device call that can hand buffers back
// (stop) or wait for the callback thread (abandon, close), because the callback takes the lock.
#include "runtime/sound/midi_player.h"

#include <chrono>

namespace {
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kMainVolume = 7;
}  // namespace

bool MidiPlayer::Open(const uint8_t* data, size_t size, void* notifyWindow) {
    if (data_)
        StopAndReset();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!filler_.Open(data, size))
        return false;
    data_ = data;
    size_ = size;
    notifyWindow_ = notifyWindow;
    volumes_.fill(100);
    state_ = kStopped;
    return Prime();
}

// Opens a stream when there is none and queues buffers 0 and 1 on it (paused). A fill that
// finds the song over leaves its buffer unsent, counted as already back: a short song that fits
// in buffer 0 plays and ends. Lock held.
bool MidiPlayer::Prime() {
    if (!stream_)
        stream_ = device_.Open(this);
    if (!stream_ || !device_.SetTimeDivision(stream_, filler_.File().division))
        return false;
    returned_ = kBuffers;
    current_ = 0;
    for (int slot = 0; slot < kBuffers; ++slot) {
        const FillResult result = filler_.Fill(areas_[slot].data(), &recorded_[slot], looping_);
        if (result == FillResult::Error)
            return false;
        if (result == FillResult::End)
            continue;
        if (!Queue(slot))
            return false;
        --returned_;
    }
    return true;
}

// Sends a filled buffer; its header is unprepared first, as it may still be prepared from its
// last trip. Lock held.
bool MidiPlayer::Queue(int slot) {
    device_.Unprepare(stream_, slot);
    return device_.Send(stream_, slot, areas_[slot].data(), recorded_[slot]);
}

bool MidiPlayer::Play(bool looping) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (paused_) {
        paused_ = false;
        return device_.Restart(stream_);
    }
    if (playing_) {
        lock.unlock();
        Stop(true);
        lock.lock();
    } else if (needsReprime_) {
        ReleaseStream(lock, true);
    }
    state_ = kPlaying;
    if (!looping_)
        filler_.RequestTempo();
    if (!stream_ || !device_.Restart(stream_))
        return false;
    playing_ = true;
    looping_ = looping;
    // Nothing queued (a song with nothing to play): it is over as soon as it starts.
    if (returned_ >= kBuffers)
        SongEndedLocked();
    return true;
}

void MidiPlayer::Stop(bool reprime) {
    std::unique_lock<std::mutex> lock(mutex_);
    // Buffers still queued (a primed stream that never played included) must come back first.
    if (playing_ || state_ != kStopped || returned_ < kBuffers) {
        paused_ = playing_ = false;
        if (state_ != kSongEnded)
            state_ = kStopping;
        if (returned_ < kBuffers && stream_) {
            MidiStreamDevice::Stream stream = stream_;
            lock.unlock();
            device_.Stop(stream);
            lock.lock();
            // A device that never hands the buffers back counts as stopped after the wait, but
            // their callbacks may still come: the stream is left to the device, not closed.
            if (!stateChanged_.wait_for(lock, std::chrono::milliseconds(waitForStopMs_),
                                        [this] { return state_ == kStopped; })) {
                state_ = kStopped;  // a callback until the abandon returns finds nothing to do
                lock.unlock();
                device_.Abandon(stream);
                lock.lock();
                stream_ = nullptr;
                returned_ = kBuffers;
            }
        }
        state_ = kStopped;
    }
    ReleaseStream(lock, reprime);
}

// Unprepares both buffers, forgets the stream and closes it (without the lock); with `reprime` a
// new stream is primed first. When not looping the tracks are rewound before that priming, so
// the next play starts from the beginning of the file. Lock held; both buffers are back.
void MidiPlayer::ReleaseStream(std::unique_lock<std::mutex>& lock, bool reprime) {
    const MidiStreamDevice::Stream old = stream_;
    if (old)
        for (int slot = 0; slot < kBuffers; ++slot)
            device_.Unprepare(old, slot);
    stream_ = nullptr;
    needsReprime_ = false;
    if (reprime && data_) {
        if (!looping_) {
            filler_.Rewind();
            bytesPlayed_ = 0;
        }
        Prime();
    }
    if (old) {
        lock.unlock();
        device_.Close(old);
        lock.lock();
    }
}

void MidiPlayer::StopAndReset() {
    Stop(false);
    std::lock_guard<std::mutex> lock(mutex_);
    filler_.Reset();
    data_ = nullptr;
    size_ = 0;
    notifyWindow_ = nullptr;
    recorded_.fill(0);
    current_ = 0;
    returned_ = kBuffers;
    state_ = kStopped;
    playing_ = paused_ = looping_ = needsReprime_ = false;
    bytesPlayed_ = 0;
    volumes_.fill(100);
}

// Both buffers are back after the end of the song: stopped, and primed again at the next play
// (or stop) on the caller's thread rather than here on the callback thread. Lock held.
void MidiPlayer::SongEndedLocked() {
    state_ = kStopped;
    playing_ = false;
    needsReprime_ = true;
    stateChanged_.notify_all();
}

bool MidiPlayer::SendBuffer(int slot) {
    const FillResult result = filler_.Fill(areas_[slot].data(), &recorded_[slot], looping_);
    return result == FillResult::Data && Queue(slot);
}

void MidiPlayer::BufferDone(int slot) {
    if (slot < 0 || slot >= kBuffers)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == kStopped)
        return;
    ++returned_;
    switch (state_) {
    case kSongEnded:
        if (returned_ >= kBuffers)
            SongEndedLocked();
        break;
    case kStopping:
        if (returned_ >= kBuffers) {
            state_ = kStopped;
            stateChanged_.notify_all();
        }
        break;
    case kPlaying:
        bytesPlayed_ += recorded_[slot];
        if (!playing_)
            break;
        if (!SendBuffer(slot)) {
            // The end of the song (or a read error): this buffer stays here.
            state_ = kSongEnded;
            if (returned_ >= kBuffers)
                SongEndedLocked();
            break;
        }
        current_ = 1 - slot;
        --returned_;
        break;
    default:
        break;
    }
}

void MidiPlayer::RecordPlayed(uint32_t eventWord) {
    const uint32_t status = eventWord & 0xFF;
    if ((status & 0xF0) != kControlChange || ((eventWord >> 8) & 0xFF) != kMainVolume)
        return;
    const uint32_t channel = status & 0x0F;
    const uint32_t volume = ((eventWord >> 16) & 0xFF) * 100 / 127;
    void* window = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        volumes_[channel] = volume;
        window = notifyWindow_;
    }
    if (window)
        device_.PostVolume(window, this, (volume << 16) | channel);
}

int MidiPlayer::State() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

bool MidiPlayer::IsPlaying() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return playing_;
}

uint32_t MidiPlayer::ChannelVolume(int channel) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return volumes_[static_cast<size_t>(channel) & 15];
}

uint64_t MidiPlayer::BytesPlayed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytesPlayed_;
}
