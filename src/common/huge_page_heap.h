#pragma once

// Starts the program again, once, with glibc's heap in transparent huge pages
// (the tunable glibc.malloc.hugetlb=1), where Linux gives them on request and
// nobody has set that tunable already; otherwise, and when the new start
// fails, returns having changed nothing. In the new start it returns at once,
// with the environment as it was, so that processes started from here do not
// inherit the tunable.
//
// Why: a run touches hundreds of MiB for the first time (per-page lists,
// strings, the results), and on the virtual machines this program is measured
// on a 4 KiB page touched the first time costs about 10 µs, a huge page about
// as much for 512 times the memory. The large hash tables ask for huge pages
// themselves (TableMemory); the heap can only by glibc's tunable, which glibc
// reads when a process starts.
//
// Call it first in main(), before anything else reads argv or starts a thread.
void RestartWithHugePageHeap(char **argv);
