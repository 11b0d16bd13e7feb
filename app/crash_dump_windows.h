#pragma once

#include <string>

// Installs the process-wide unhandled-exception filter that writes a minidump to dumpPath.
// Free of Qt so it can be built and tried with a plain Windows toolchain.
void installCrashDumpFilter(const std::wstring &dumpPath);
