#pragma once

#include <filesystem>

// Forces a written file's data out of the system's caches onto the disk, so that renaming
// it over a saved file cannot leave an empty file behind after a power cut. Best effort:
// some file systems cannot, and the save is still as good as the system makes it.
void syncFileToDisk(const std::filesystem::path &file);
