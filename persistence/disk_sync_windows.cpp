#include "persistence/disk_sync.h"

#include <windows.h>

void syncFileToDisk(const std::filesystem::path &file)
{
    // Flushing needs write access; the writer has closed the file already.
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(handle);
    CloseHandle(handle);
}
