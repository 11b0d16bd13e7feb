#include "thread_cpu_time.h"

#include <windows.h>

double threadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0.0;
    // Both in units of 100 ns.
    const auto ticks = [](const FILETIME &t) { return static_cast<unsigned long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime; };
    return double(ticks(kernel) + ticks(user)) / 1e7;
}
