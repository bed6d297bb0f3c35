// WAVE players on the waveform output; see wave_player.h.
//
// The device callback runs on a platform thread and only counts returned buffers and wakes the
// playback thread through the semaphore, both under the player's lock; every device call is made
// by the playback thread itself. A player is freed only when all 20 buffers are back, since until
// then a done notification may still reach it.
#include "runtime/sound/wave_player.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "runtime/sound/wave_chunks.h"

namespace {

constexpr int kWaveBuffers = 20;
constexpr DWORD kWaveBufferBytes = 15360;
// A player that hears nothing from its device for this long gives up.
constexpr DWORD kSilenceTimeoutMs = 8888;
// After a reset every queued buffer comes back through the callback; this long at most.
constexpr DWORD kResetWaitMs = 2000;
// Every returned buffer and every restart of a loop wakes the thread once; the maximum leaves
// room for both at once so that no release is lost (the thread ignores spare wakes).
constexpr LONG kSemaphoreMax = 2 * kWaveBuffers;

struct WaveSlot {
    WAVEHDR header;
    uint8_t bytes[kWaveBufferBytes];
};

struct WavePlayer {
    uint8_t* samples = nullptr;  // private copy of the "data" chunk
    DWORD length = 0;
    DWORD position = 0;
    HWAVEOUT device = nullptr;
    WaveSlot* slots = nullptr;  // kWaveBuffers slots, allocated zeroed as one block
    LONG freeCount = kWaveBuffers;
    int nextIndex = 0;
    bool looping = false;
    HANDLE stopEvent = nullptr;
    HANDLE semaphore = nullptr;
    HANDLE thread = nullptr;
    CRITICAL_SECTION lock;
};

// The process-wide list of live players and its lock.
struct PlayerList {
    PlayerList() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    std::vector<WavePlayer*> players;
};

PlayerList& Players() {
    static PlayerList list;
    return list;
}

void CALLBACK DeviceCallback(HWAVEOUT, UINT message, DWORD_PTR instance, DWORD_PTR, DWORD_PTR) {
    if (message != WOM_DONE)
        return;
    WavePlayer* player = reinterpret_cast<WavePlayer*>(instance);
    // Released under the lock: a thread that has read the count knows this callback is done
    // with the semaphore.
    EnterCriticalSection(&player->lock);
    ++player->freeCount;
    ReleaseSemaphore(player->semaphore, 1, nullptr);
    LeaveCriticalSection(&player->lock);
}

LONG FreeCount(WavePlayer* player) {
    EnterCriticalSection(&player->lock);
    const LONG count = player->freeCount;
    LeaveCriticalSection(&player->lock);
    return count;
}

void UnprepareAll(WavePlayer* player) {
    for (int i = 0; i < kWaveBuffers; ++i)
        if (player->slots[i].header.dwFlags & WHDR_PREPARED)
            waveOutUnprepareHeader(player->device, &player->slots[i].header, sizeof(WAVEHDR));
}

// Waits after a reset until the done notifications of all queued buffers have come; false when
// some did not come in time.
bool AwaitBuffers(WavePlayer* player) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (FreeCount(player) >= kWaveBuffers)
            return true;
        const DWORD waited = GetTickCount() - start;
        if (waited >= kResetWaitMs)
            return false;
        WaitForSingleObject(player->semaphore, kResetWaitMs - waited);
    }
}

// A player whose buffers did not all come back: a late done notification still reaches its lock,
// semaphore and headers, so those stay allocated (and the device open) for good. Only what no
// callback reaches is freed.
void AbandonPlayer(WavePlayer* player) {
    delete[] player->samples;
    player->samples = nullptr;
    CloseHandle(player->thread);
    CloseHandle(player->stopEvent);
}

void FreePlayer(WavePlayer* player) {
    if (player->device)
        waveOutClose(player->device);
    delete[] player->samples;
    std::free(player->slots);
    if (player->thread)
        CloseHandle(player->thread);
    if (player->semaphore)
        CloseHandle(player->semaphore);
    if (player->stopEvent)
        CloseHandle(player->stopEvent);
    DeleteCriticalSection(&player->lock);
    delete player;
}

// One wake of the semaphore: queue the next chunk, or at the end of the data wait for every
// buffer to come back and then loop or finish. False when the player is finished.
bool FeedDevice(WavePlayer* player) {
    const LONG freeCount = FreeCount(player);
    if (freeCount < 1)
        return true;
    WaveSlot& slot = player->slots[player->nextIndex];
    if (slot.header.dwFlags & WHDR_PREPARED)
        waveOutUnprepareHeader(player->device, &slot.header, sizeof(WAVEHDR));
    const DWORD chunk = std::min(player->length - player->position, kWaveBufferBytes);
    if (chunk == 0) {
        if (freeCount < kWaveBuffers)
            return true;
        if (!player->looping) {
            UnprepareAll(player);
            return false;
        }
        player->position = 0;
        player->nextIndex = 0;
        EnterCriticalSection(&player->lock);
        player->freeCount = kWaveBuffers;
        LeaveCriticalSection(&player->lock);
        ReleaseSemaphore(player->semaphore, kWaveBuffers, nullptr);
        return true;
    }
    std::memcpy(slot.bytes, player->samples + player->position, chunk);
    std::memset(&slot.header, 0, sizeof slot.header);
    slot.header.lpData = reinterpret_cast<LPSTR>(slot.bytes);
    slot.header.dwBufferLength = chunk;
    player->position += chunk;
    waveOutPrepareHeader(player->device, &slot.header, sizeof(WAVEHDR));
    EnterCriticalSection(&player->lock);
    --player->freeCount;
    LeaveCriticalSection(&player->lock);
    waveOutWrite(player->device, &slot.header, sizeof(WAVEHDR));
    player->nextIndex = (player->nextIndex + 1) % kWaveBuffers;
    return true;
}

DWORD WINAPI PlaybackThread(void* parameter) {
    WavePlayer* player = static_cast<WavePlayer*>(parameter);
    const HANDLE wakes[2] = {player->semaphore, player->stopEvent};
    bool allBack = true;
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(2, wakes, FALSE, kSilenceTimeoutMs);
        if (woken != WAIT_OBJECT_0) {
            // Stopped, or the device went silent.
            waveOutPause(player->device);
            waveOutReset(player->device);
            allBack = AwaitBuffers(player);
            if (allBack)
                UnprepareAll(player);
            break;
        }
        if (!FeedDevice(player))
            break;
    }
    PlayerList& list = Players();
    EnterCriticalSection(&list.lock);
    list.players.erase(std::remove(list.players.begin(), list.players.end(), player), list.players.end());
    LeaveCriticalSection(&list.lock);
    if (allBack)
        FreePlayer(player);
    else
        AbandonPlayer(player);
    return 0;
}

// Opens the wave mapper with the file's format; false when there is no device or it refuses.
bool OpenDevice(WavePlayer* player, const WaveChunks& chunks) {
    if (waveOutGetNumDevs() == 0)
        return false;
    // The device reads a whole WAVEFORMATEX: a 16-byte PCM record gets a zero extra size.
    std::vector<uint8_t> format;
    try {
        format.resize(std::max<size_t>(chunks.formatSize, sizeof(WAVEFORMATEX)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::memcpy(format.data(), chunks.format, chunks.formatSize);
    return waveOutOpen(&player->device, WAVE_MAPPER, reinterpret_cast<const WAVEFORMATEX*>(format.data()),
                       reinterpret_cast<DWORD_PTR>(&DeviceCallback), reinterpret_cast<DWORD_PTR>(player),
                       CALLBACK_FUNCTION) == MMSYSERR_NOERROR;
}

}  // namespace

int PlayWave(const uint8_t* data, size_t length, bool looping) {
    WaveChunks chunks;
    if (!FindWaveChunks(data, length, &chunks))
        return 0;
    // Out of memory is no sound, like a refusal: nothing here throws.
    WavePlayer* player = new (std::nothrow) WavePlayer;
    if (!player)
        return 0;
    InitializeCriticalSection(&player->lock);
    player->samples = new (std::nothrow) uint8_t[chunks.samplesSize];
    if (player->samples)
        std::memcpy(player->samples, chunks.samples, chunks.samplesSize);
    player->length = chunks.samplesSize;
    player->looping = looping;
    player->slots = static_cast<WaveSlot*>(std::calloc(kWaveBuffers, sizeof(WaveSlot)));
    player->stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    player->semaphore = CreateSemaphoreA(nullptr, 0, kSemaphoreMax, nullptr);
    // Without a device nothing would ever be queued: no thread is started to wait for it.
    if (!player->samples || !player->slots || !player->stopEvent || !player->semaphore || !OpenDevice(player, chunks)) {
        FreePlayer(player);
        return 0;
    }
    player->thread = CreateThread(nullptr, 0, PlaybackThread, player, CREATE_SUSPENDED, nullptr);
    if (!player->thread) {
        FreePlayer(player);
        return 0;
    }
    PlayerList& list = Players();
    bool listed = true;
    EnterCriticalSection(&list.lock);
    try {
        list.players.push_back(player);
    } catch (const std::bad_alloc&) {
        listed = false;
    }
    LeaveCriticalSection(&list.lock);
    if (!listed) {
        // The list cannot grow: the thread, which has queued nothing, ends the player at once.
        SetEvent(player->stopEvent);
        ResumeThread(player->thread);
        return 0;
    }
    ResumeThread(player->thread);
    ReleaseSemaphore(player->semaphore, kWaveBuffers, nullptr);
    return 1;
}

void StopAllWavePlayers(bool wait) {
    PlayerList& list = Players();
    std::vector<HANDLE> threads;
    try {
        threads.reserve(wait ? LiveWavePlayerCount() : 0);
    } catch (const std::bad_alloc&) {
        wait = false;  // out of memory: stopped without waiting
    }
    EnterCriticalSection(&list.lock);
    for (WavePlayer* player : list.players) {
        // A thread closes its own handle as it ends: the waiter keeps a duplicate (in the room
        // reserved above: nothing is allocated under the lock).
        HANDLE copy = nullptr;
        if (wait && threads.size() < threads.capacity() &&
            DuplicateHandle(GetCurrentProcess(), player->thread, GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0))
            threads.push_back(copy);
        SetEvent(player->stopEvent);
    }
    LeaveCriticalSection(&list.lock);
    for (HANDLE thread : threads) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

size_t LiveWavePlayerCount() {
    PlayerList& list = Players();
    EnterCriticalSection(&list.lock);
    const size_t count = list.players.size();
    LeaveCriticalSection(&list.lock);
    return count;
}
