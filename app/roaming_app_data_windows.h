#pragma once

#include <string>

// The user's roaming and local (non-roaming) application data folders; empty if the shell
// cannot name one. Free of Qt so it can be built and tried with a plain Windows toolchain.
std::wstring roamingAppDataFolder();
std::wstring localAppDataFolder();
