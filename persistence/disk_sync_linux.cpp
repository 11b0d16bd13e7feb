#include "persistence/disk_sync.h"

#include <fcntl.h>
#include <unistd.h>

void syncFileToDisk(const std::filesystem::path &file)
{
    // fsync acts on the file, not the descriptor, so a read-only one serves.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}
