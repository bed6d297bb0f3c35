// MIDI stream output through the platform's midiStream calls; see midi_stream_win32.h.
#include "runtime/sound/midi_stream_win32.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstring>

namespace {

// Volume changes are posted to a notify window with this message.
constexpr UINT kVolumeMessage = 0x417;

// One open stream: its handle, the headers of the two buffers and the player it reports to.
struct WinStream {
    HMIDISTRM handle = nullptr;
    MIDIHDR headers[MidiPlayer::kBuffers];
    MidiPlayer* player = nullptr;
};

void CALLBACK StreamCallback(HMIDIOUT, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
    WinStream* stream = reinterpret_cast<WinStream*>(instance);
    const MIDIHDR* header = reinterpret_cast<const MIDIHDR*>(param1);
    switch (message) {
    case MOM_DONE:
        stream->player->BufferDone(static_cast<int>(header->dwUser));
        break;
    case MOM_POSITIONCB:
        // dwOffset names the record being played; its event word is its third word.
        if (header->dwOffset + kStreamRecordSize <= header->dwBytesRecorded) {
            uint32_t word;
            std::memcpy(&word, header->lpData + header->dwOffset + 8, sizeof word);
            stream->player->RecordPlayed(word & 0x00FFFFFF);
        }
        break;
    default:
        break;  // MOM_OPEN, MOM_CLOSE: nothing to do
    }
}

class WinMidiStreamDevice : public MidiStreamDevice {
public:
    Stream Open(MidiPlayer* player) override {
        WinStream* stream = new WinStream{};
        stream->player = player;
        UINT device = MIDI_MAPPER;
        if (midiStreamOpen(&stream->handle, &device, 1, reinterpret_cast<DWORD_PTR>(&StreamCallback),
                           reinterpret_cast<DWORD_PTR>(stream), CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
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
        std::memset(&header, 0, sizeof header);
        header.lpData = reinterpret_cast<LPSTR>(area);
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
        midiStreamClose(Of(s)->handle);
        delete Of(s);
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
