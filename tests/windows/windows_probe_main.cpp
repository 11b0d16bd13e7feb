// A console program around the Qt-free Windows code. "list" prints what each video input's
// driver reports and fails if a second listing, which must find the COM apartment cleanly
// released, disagrees. "crash" installs the crash-dump filter and writes through a null
// pointer, which must leave "vesk-crash.dmp" beside the program and end it without a word.
#include "app/crash_dump_windows.h"
#include "camera/dshow/dshow_devices.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int listInputs()
{
    const std::vector<DshowVideoInput> inputs = listDshowVideoInputs();
    for (const DshowVideoInput &input : inputs) {
        const std::wstring name = input.friendlyName.value_or(L"(no name)");
        const std::optional<ReportedRanges> ranges = queryDshowRanges(input.position, name);
        std::printf("%d %ls: %s\n", input.position, name.c_str(), ranges ? "bound" : "not bound");
    }
    const std::size_t again = listDshowVideoInputs().size();
    std::printf("devices %u %u\n", unsigned(inputs.size()), unsigned(again));
    return again == inputs.size() ? 0 : 1;
}

void crash()
{
    wchar_t exePath[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    std::wstring folder(exePath, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    installCrashDumpFilter(folder + L"vesk-crash.dmp");
    volatile int *volatile target = nullptr;
    *target = 1;
    std::printf("survived\n");
}

} // namespace

int main(int argc, char **argv)
{
    const char *mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "list") == 0)
        return listInputs();
    if (std::strcmp(mode, "crash") == 0)
        crash();
    return 2;
}
