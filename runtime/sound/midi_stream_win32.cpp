// MIDI stream output through the platform's midiStream calls; see midi_stream_win32.h.
#include "runtime/sound/midi_stream_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>
#include <new>

namespace {

// Volume changes are posted to a notify window with this message.
constexpr UINT kVolumeMessage = 0x417;

// One open stream: its handle, the headers of the two buffers with their own copies of the
// records, and the player it reports to. Everything a callback reaches is here, so that a stream
// whose buffers never came back can be left alive on its own when the player is gone. The lock
// is held by every callback that calls the player, and by whoever takes the player away.
struct WinStream {
    HMIDISTRM handle = nullptr;
    MIDIHDR headers[MidiPlayer::kBuffers];
    uint8_t areas[MidiPlayer::kBuffers][kMidiBufferSize];
    MidiPlayer* player = nullptr;
    CRITICAL_SECTION lock;
};

void CALLBACK StreamCallback(HMIDIOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    // MOM_OPEN and MOM_CLOSE come while the stream opens or closes: nothing to do, no lock.
    if (message != MOM_DONE && message != MOM_POSITIONCB)
        return;
    WinStream* stream = reinterpret_cast<WinStream*>(instance);
    const MIDIHDR* header = reinterpret_cast<const MIDIHDR*>(param1);
    EnterCriticalSection(&stream->lock);
    if (!stream->player) {
        // Abandoned after a stop that timed out: the player may be gone.
    } else if (message == MOM_DONE) {
        stream->player->BufferDone(static_cast<int>(header->dwUser));
    } else if (header->dwOffset + kStreamRecordSize <= header->dwBytesRecorded) {
        // dwOffset names the record being played; its event word is its third word.
        uint32_t word;
        std::memcpy(&word, header->lpData + header->dwOffset + 8, sizeof word);
        stream->player->RecordPlayed(word & 0x00FFFFFF);
    }
    LeaveCriticalSection(&stream->lock);
}

class WinMidiStreamDevice : public MidiStreamDevice {
public:
    Stream Open(MidiPlayer* player) override {
        WinStream* stream = new (std::nothrow) WinStream{};
        if (!stream)
            return nullptr;  // out of memory: no stream, the player does not play
        stream->player = player;
        InitializeCriticalSection(&stream->lock);
        UINT device = MIDI_MAPPER;
        if (midiStreamOpen(&stream->handle, &device, 1, reinterpret_cast<DWORD_PTR>(&StreamCallback),
                           reinterpret_cast<DWORD_PTR>(stream), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
            DeleteCriticalSection(&stream->lock);
            delete stream;
            return nullptr;
        }
        return stream;
    }

    bool SetTimeDivision(Stream s, uint32_t division) override {
        MIDIPROPTIMEDIV property{sizeof property, division};
        return midiStreamProperty(Of(s)->handle, reinterpret_cast<LPBYTE>(&property),
                                  MIDIPROP_SET | MIDIPROP_TIMEDIV) == MMSYSERR_NOERROR;
    }

    bool Send(Stream s, int slot, uint8_t* area, uint32_t bytes) override {
        WinStream* stream = Of(s);
        MIDIHDR& header = stream->headers[slot];
        if (bytes > kMidiBufferSize)
            return false;
        std::memcpy(stream->areas[slot], area, bytes);
        std::memset(&header, 0, sizeof header);  // unprepared by the player before every send
        header.lpData = reinterpret_cast<LPSTR>(stream->areas[slot]);
        header.dwBufferLength = kMidiBufferSize;
        header.dwBytesRecorded = bytes;
        header.dwUser = static_cast<DWORD_PTR>(slot);
        HMIDIOUT out = reinterpret_cast<HMIDIOUT>(stream->handle);
        return midiOutPrepareHeader(out, &header, sizeof header) == MMSYSERR_NOERROR &&
               midiStreamOut(stream->handle, &header, sizeof header) == MMSYSERR_NOERROR;
    }

    void Unprepare(Stream s, int slot) override {
        WinStream* stream = Of(s);
        if (stream->headers[slot].dwFlags & MHDR_PREPARED)
            midiOutUnprepareHeader(reinterpret_cast<HMIDIOUT>(stream->handle), &stream->headers[slot], sizeof(MIDIHDR));
    }

    bool Restart(Stream s) override { return midiStreamRestart(Of(s)->handle) == MMSYSERR_NOERROR; }

    void Stop(Stream s) override {
        midiStreamStop(Of(s)->handle);
        midiOutReset(reinterpret_cast<HMIDIOUT>(Of(s)->handle));
    }

    void Close(Stream s) override {
        WinStream* stream = Of(s);
        midiStreamClose(stream->handle);
        // A callback that handed back the last buffer may still be on its way out.
        EnterCriticalSection(&stream->lock);
        LeaveCriticalSection(&stream->lock);
        DeleteCriticalSection(&stream->lock);
        delete stream;
    }

    // The stream stays open and its record stays allocated for good: its headers are still
    // queued, so closing it could fail or wait for them, and a late callback still reads it.
    void Abandon(Stream s) override {
        WinStream* stream = Of(s);
        EnterCriticalSection(&stream->lock);
        stream->player = nullptr;
        LeaveCriticalSection(&stream->lock);
    }

    void PostVolume(void* window, MidiPlayer* player, uint32_t value) override {
        HWND hwnd = static_cast<HWND>(window);
        if (IsWindow(hwnd))
            PostMessageA(hwnd, kVolumeMessage, reinterpret_cast<WPARAM>(player), static_cast<LPARAM>(value));
    }

private:
    static WinStream* Of(Stream s) { return static_cast<WinStream*>(s); }
};

}  // namespace

MidiStreamDevice& PlatformMidiStreamDevice() {
    static WinMidiStreamDevice device;
    return device;
}
