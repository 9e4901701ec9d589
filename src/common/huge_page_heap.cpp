#include "common/huge_page_heap.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>
#endif

namespace {

constexpr const char *kTunables = "GLIBC_TUNABLES";
constexpr const char *kHugePageHeap = "glibc.malloc.hugetlb=1";
// Set for the new start only: '=' and the tunables as they were, or '-' when there were none.
constexpr const char *kRestarted = "TRAWLEX_HEAP_RESTARTED";

bool HugePagesOnRequest()
{
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string modes;
    std::getline(setting, modes);
    return modes.find("[madvise]") != std::string::npos || modes.find("[always]") != std::string::npos;
}

// Sanitizers and valgrind bring their own allocators, which ignore the
// tunable, and valgrind would lose the new start.
bool OwnAllocator()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
#if !defined(__SANITIZE_ADDRESS__)
    const char *preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "vgpreload");
#endif
}

void RestoreTunables(const char *saved)
{
    if (saved[0] == '=')
        setenv(kTunables, saved + 1, 1);
    else
        unsetenv(kTunables);
    unsetenv(kRestarted);
}

}  // namespace

void RestartWithHugePageHeap(char **argv)
{
#if defined(__linux__) && defined(__GLIBC__)
    if (const char *saved = std::getenv(kRestarted)) {
        const std::string kept = saved;  // setenv may free what getenv gave
        RestoreTunables(kept.c_str());
        return;
    }
    const char *tunables = std::getenv(kTunables);
    if ((tunables && std::strstr(tunables, "glibc.malloc.hugetlb")) || OwnAllocator() || !HugePagesOnRequest())
        return;
    const std::string saved = tunables ? std::string("=") + tunables : std::string("-");
    const std::string withHugePages = tunables && *tunables ? std::string(tunables) + ':' + kHugePageHeap : kHugePageHeap;
    setenv(kRestarted, saved.c_str(), 1);
    setenv(kTunables, withHugePages.c_str(), 1);
    execv("/proc/self/exe", argv);
    RestoreTunables(saved.c_str());  // not started again: go on as we are
#else
    (void)argv;
#endif
}
