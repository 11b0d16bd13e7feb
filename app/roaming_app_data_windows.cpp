#include "app/roaming_app_data_windows.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

std::wstring roamingAppDataFolder()
{
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = path;
    // The shell allocates the string even when it fails.
    CoTaskMemFree(path);
    return folder;
}
