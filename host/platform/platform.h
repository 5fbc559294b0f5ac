// What the host asks of the operating system besides loading libraries and the progress
// control: one backend in posix/, one in win32/.
#pragma once

#include <filesystem>

namespace scopehost::platform {

// Gives a file created for the owner alone (as mkstemp creates it) the rights a new file
// usually has; false with errno set when that fails.
bool GiveUsualFileMode(const std::filesystem::path& path);

// Flushes what was written through the descriptor to the disk; 0 on success, else -1 with
// errno set.
int SyncToDisk(int descriptor);

}  // namespace scopehost::platform
