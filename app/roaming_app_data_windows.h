#pragma once

#include <string>

// The user's roaming application data folder; empty if the shell cannot name it.
// Free of Qt so it can be built and tried with a plain Windows toolchain.
std::wstring roamingAppDataFolder();
