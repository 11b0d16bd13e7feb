#include "app/crash_dump_windows.h"

#include <windows.h>

#include <dbghelp.h>

namespace {

// Built before any crash: the filter runs in a damaged process and must not allocate.
std::wstring crashDumpPath;

LONG WINAPI writeCrashDump(EXCEPTION_POINTERS *exception)
{
    const HANDLE file = CreateFileW(crashDumpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        MINIDUMP_EXCEPTION_INFORMATION info {};
        info.ThreadId = GetCurrentThreadId();
        info.ExceptionPointers = exception;
        info.ClientPointers = FALSE;
        MiniDumpWriteDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &info, nullptr,
                          nullptr);
        CloseHandle(file);
    }
    // Ends the process without the system's error dialog, dump or no dump.
    return EXCEPTION_EXECUTE_HANDLER;
}

} // namespace

void installCrashDumpFilter(const std::wstring &dumpPath)
{
    crashDumpPath = dumpPath;
    SetUnhandledExceptionFilter(writeCrashDump);
}
