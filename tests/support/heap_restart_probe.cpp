// Starts as the program does, then prints whether a large block of the heap
// is in huge pages (the kernel's "hg" flag on its mapping) and what a process
// started from here would inherit as GLIBC_TUNABLES ("-" for none), a line each.
#include "common/huge_page_heap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The VmFlags of the mapping that holds `address`.
std::string FlagsOfMapping(const void *address)
{
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/smaps");
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        unsigned long begin = 0;
        unsigned long end = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx ", &begin, &end) == 2)
            inside = begin <= at && at < end;
        else if (inside && line.rfind("VmFlags:", 0) == 0)
            return line;
    }
    return {};
}

}  // namespace

int main(int, char *argv[])
{
    RestartWithHugePageHeap(argv);
    void *block = std::malloc(64 << 20);
    const bool huge = FlagsOfMapping(block).find(" hg") != std::string::npos;
    const char *inherited = std::getenv("GLIBC_TUNABLES");
    std::printf("%s\n%s\n", huge ? "huge" : "plain", inherited ? inherited : "-");
    std::free(block);
    return std::getenv("TRAWLEX_HEAP_RESTARTED") ? 1 : 0;
}
