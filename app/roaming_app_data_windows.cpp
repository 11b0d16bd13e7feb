#include "app/roaming_app_data_windows.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace {

std::wstring knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)))
        folder = path;
    // The shell allocates the string even when it fails.
    CoTaskMemFree(path);
    return folder;
}

} // namespace

std::wstring roamingAppDataFolder()
{
    return knownFolder(FOLDERID_RoamingAppData);
}

std::wstring localAppDataFolder()
{
    return knownFolder(FOLDERID_LocalAppData);
}
