// Allocation failure on request, linked only into the test build of picdecode: with
// TAVORI_FAIL_ALLOC=N the Nth allocation of the process (malloc, calloc, realloc, operator new,
// counted from 1; the picture libraries' own included) fails, every other one succeeds. The
// failure is announced on standard error, so that a driver that raises N knows when a run no
// longer meets it. Everything else goes to the allocator that would have served it (the
// sanitizers' one in the native build), so leaks and bad frees are still found.
#include <dlfcn.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

using Malloc = void* (*)(size_t);
using Calloc = void* (*)(size_t, size_t);
using Realloc = void* (*)(void*, size_t);
using Free = void (*)(void*);

Malloc g_malloc = nullptr;
Calloc g_calloc = nullptr;
Realloc g_realloc = nullptr;
Free g_free = nullptr;
long g_failAt = 0;  // 0: never
long g_count = 0;

// dlsym may itself ask for memory while the real functions are looked up: it gets it from here.
alignas(16) unsigned char g_early[4096];
size_t g_earlyUsed = 0;
bool g_resolving = false;

void* Early(size_t n) {
    n = (n + 15) & ~size_t(15);
    if (g_earlyUsed + n > sizeof g_early)
        return nullptr;
    void* p = g_early + g_earlyUsed;
    g_earlyUsed += n;
    return p;
}

bool IsEarly(const void* p) { return p >= g_early && p < g_early + sizeof g_early; }

void Resolve() {
    if (g_malloc || g_resolving)
        return;
    g_resolving = true;
    g_calloc = reinterpret_cast<Calloc>(dlsym(RTLD_NEXT, "calloc"));
    g_realloc = reinterpret_cast<Realloc>(dlsym(RTLD_NEXT, "realloc"));
    g_free = reinterpret_cast<Free>(dlsym(RTLD_NEXT, "free"));
    g_malloc = reinterpret_cast<Malloc>(dlsym(RTLD_NEXT, "malloc"));
    g_resolving = false;
}

// Counting starts once the environment can be read, before the program's own constructors; the
// loader's and the sanitizers' start-up allocations are not counted.
__attribute__((constructor(101))) void ReadRequest() {
    const char* n = std::getenv("TAVORI_FAIL_ALLOC");
    g_failAt = n ? std::atol(n) : 0;
}

// True for the one allocation that is to fail.
bool Fails() {
    if (g_failAt <= 0 || ++g_count != g_failAt)
        return false;
    static const char kNote[] = "fail-alloc: this allocation fails\n";
    (void)!write(2, kNote, sizeof kNote - 1);
    return true;
}

}  // namespace

extern "C" {

void* malloc(size_t n) {
    Resolve();
    if (!g_malloc)
        return Early(n);
    return Fails() ? nullptr : g_malloc(n);
}

void* calloc(size_t count, size_t n) {
    Resolve();
    if (!g_calloc) {
        void* p = count && n > sizeof g_early / count ? nullptr : Early(count * n);
        return p;  // the early block is static, so already zero
    }
    return Fails() ? nullptr : g_calloc(count, n);
}

void* realloc(void* p, size_t n) {
    Resolve();
    if (IsEarly(p) || !g_realloc)
        return nullptr;  // never needed this early
    return Fails() ? nullptr : g_realloc(p, n);
}

void free(void* p) {
    if (!p || IsEarly(p))
        return;
    Resolve();
    if (g_free)
        g_free(p);
}

}  // extern "C"

// operator new through the counted malloc, so that C++ blocks fail the same way.
void* operator new(size_t n) {
    if (void* p = malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return malloc(n ? n : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
