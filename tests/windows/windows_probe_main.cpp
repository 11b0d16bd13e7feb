// A console program around the Qt-free Windows code. Run with "crash", it installs the
// crash-dump filter and writes through a null pointer, which should leave
// "vesk-crash.dmp" beside it; without arguments it only installs the filter.
#include "app/crash_dump_windows.h"

#include <windows.h>

#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    wchar_t exePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    std::wstring folder(exePath, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    installCrashDumpFilter(folder + L"vesk-crash.dmp");

    if (argc > 1 && std::strcmp(argv[1], "crash") == 0) {
        volatile int *volatile target = nullptr;
        *target = 1;
    }
    return 0;
}
