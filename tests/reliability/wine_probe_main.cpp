// A console program around the Qt-free Windows code, run under a Windows emulation layer on
// Linux. "hello" only proves that programs run at all; "list" enumerates the video inputs
// and prints their count; "crash" installs the crash-dump filter and writes through a null
// pointer, which must leave "vesk-crash.dmp" beside the program and end it without a word.
#include "app/crash_dump_windows.h"
#include "camera/dshow_devices.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char **argv)
{
    const char *mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "hello") == 0) {
        std::printf("hello\n");
        return 0;
    }
    if (std::strcmp(mode, "list") == 0) {
        // Twice: a second enumeration must find the COM apartment cleanly released.
        const std::size_t first = listDshowVideoInputs().size();
        const std::size_t second = listDshowVideoInputs().size();
        std::printf("devices %u %u\n", unsigned(first), unsigned(second));
        return 0;
    }
    if (std::strcmp(mode, "crash") == 0) {
        wchar_t exePath[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
        std::wstring folder(exePath, length);
        folder.erase(folder.find_last_of(L"\\/") + 1);
        installCrashDumpFilter(folder + L"vesk-crash.dmp");
        volatile int *volatile target = nullptr;
        *target = 1;
        std::printf("survived\n");
        return 0;
    }
    std::fprintf(stderr, "usage: probe hello|list|crash\n");
    return 2;
}
