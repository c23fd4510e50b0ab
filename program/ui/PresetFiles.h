#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

// File steps of the presets store. Each failing step leaves its reason (strerror text or
// our own) in reason.
namespace PresetFiles {

// Whether anything (a symlink included) is at path.
bool Exists(const std::string& path) noexcept;

// Reads a whole regular file. missing is set when there is nothing at path.
bool ReadAll(const std::string& path, std::string& bytes, std::string& reason, bool& missing);

// Creates path exclusively (never through a symlink), writes bytes and flushes them to the
// disk. mode is set exactly when given; else a new file's usual mode (0666 less the umask).
// A file it created is removed again when a later step fails.
bool WriteNew(const std::string& path, const std::string& bytes, std::optional<mode_t> mode,
              std::string& reason);

// Creates the directory and the missing ones above it (mode 0700, as for per-user data).
bool MakeDirectories(const std::string& path, std::string& reason);

// Flushes a directory's entries (a rename in it) to the disk; failures are ignored.
void SyncDirectory(const std::string& path) noexcept;

// The mode bits of the file at path; none when there is no file.
std::optional<mode_t> ModeOf(const std::string& path) noexcept;

// An exclusive lock on a directory for as long as the object lives, so two instances of
// the program never work on the same presets files at once. No lock when it cannot open it.
class DirectoryLock {
public:
    explicit DirectoryLock(const std::string& path) noexcept;
    ~DirectoryLock();
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

private:
    int fd;
};

} // namespace PresetFiles
