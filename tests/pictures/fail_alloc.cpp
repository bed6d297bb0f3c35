// The test build of picdecode: with TAVORI_FAIL_ALLOC=N the Nth allocation (malloc, calloc,
// realloc, operator new; the libraries' too) fails and says so on standard error. All else goes
// to the allocator that would have served it (the sanitizers'), so leaks and bad frees are found.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

namespace {

void* (*g_malloc)(size_t) = nullptr;
void* (*g_calloc)(size_t, size_t) = nullptr;
void* (*g_realloc)(void*, size_t) = nullptr;
void (*g_free)(void*) = nullptr;
long g_failAt = 0, g_count = 0;

// dlsym may ask for (zeroed) memory while the real functions are looked up: it gets it here.
alignas(16) unsigned char g_early[4096];
size_t g_earlyUsed = 0;
bool g_resolving = false;

bool IsEarly(const void* p) { return p >= g_early && p < g_early + sizeof g_early; }

void* Early(size_t n) {
    n = (n + 15) & ~size_t(15);
    if (n > sizeof g_early - g_earlyUsed)
        return nullptr;
    g_earlyUsed += n;
    return g_early + g_earlyUsed - n;
}

template <typename F>
void Next(F& f, const char* name) { f = reinterpret_cast<F>(dlsym(RTLD_NEXT, name)); }

bool Resolved() {
    if (!g_malloc && !g_resolving) {
        g_resolving = true;
        Next(g_calloc, "calloc"), Next(g_realloc, "realloc"), Next(g_free, "free"), Next(g_malloc, "malloc");
        g_resolving = false;
    }
    return g_malloc != nullptr;
}

__attribute__((constructor(101))) void ReadRequest() {
    const char* n = std::getenv("TAVORI_FAIL_ALLOC");
    g_failAt = n ? std::atol(n) : 0;
}

bool Fails() {
    static const char kNote[] = "fail-alloc: this allocation fails\n";
    return g_failAt > 0 && ++g_count == g_failAt && (write(2, kNote, sizeof kNote - 1) || true);
}

}  // namespace

extern "C" {
void* malloc(size_t n) { return !Resolved() ? Early(n) : Fails() ? nullptr : g_malloc(n); }
void* calloc(size_t c, size_t n) {
    return !Resolved() ? (n && c > sizeof g_early / n ? nullptr : Early(c * n)) : Fails() ? nullptr : g_calloc(c, n);
}
void* realloc(void* p, size_t n) { return IsEarly(p) || !Resolved() || Fails() ? nullptr : g_realloc(p, n); }
void free(void* p) {
    if (p && !IsEarly(p) && Resolved())
        g_free(p);
}
}  // extern "C"

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
