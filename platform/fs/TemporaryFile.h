#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

// A file that belongs to one run while the run makes its result: created exclusively and
// never through a symbolic link, mode 0600, and locked (an exclusive flock on its
// descriptor) for as long as the object lives, so no other run writes, takes over or
// removes it. The object removes the file when it ends, unless the result was moved away
// (ResultFile::Replace) or is kept there (Keep).
//
// Two ways to get one:
//   CreateUnique(directory) - a fresh ".~Embrel~XXXXXX" in directory. The tools make theirs
//       beside OUTPUT (ResultFile::Directory), so replacing OUTPUT is one atomic rename.
//   Claim(path) - a fixed name, such as the program's "~Embrel~.wav" in the temporary
//       directory. A missing file is created; a file left by a run that was killed (nobody
//       holds its lock) is taken over and emptied; a file another live run holds, a
//       symbolic link, anything that is not a regular file, a file of another user or one
//       with other names (hard links) is refused with a message in ErrorText.
//
// Use:
//   TemporaryFile temporary;
//   if (!temporary.Claim(tempDir + "~Embrel~.wav")) { show temporary.ErrorText(); return; }
//   writer.SetFileName(temporary.Path().c_str());   // write the result, then close it
//   ResultFile result;
//   if (!result.Open(chosenName) || !result.Replace(temporary)) show result.ErrorText();
// Keep the object alive for the whole run: the lock lasts as long as its descriptor.
class TemporaryFile {
public:
    TemporaryFile() = default;
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool CreateUnique(const std::string& directory);
    bool Claim(const std::string& path);

    // Writes all of data at the file's current offset; false with errno set when it cannot.
    bool Write(const void* data, std::size_t size) const;

    // Asks the system to start writing what the file holds so far to disk, without waiting
    // for it: the flush before the replacing rename then finds little left to do.
    void StartWriteback() const;

    // Whether the path still names the file held (a regular file, same device and inode).
    bool IsIntact() const;
    // The held file, open for reading and writing; -1 when none is held.
    int Descriptor() const { return fd; }
    const std::string& Path() const { return path; }
    const std::string& ErrorText() const { return errorText; }

    // Leaves the file where it is when the object ends: the result is kept there.
    void Keep() { keep = true; }
    // Removes the file now (when the path still names it) and releases the lock.
    void Remove();
    // The file was renamed away: releases the lock and removes nothing.
    void Forget();

private:
    bool TakeOver(const std::string& name);
    bool Hold(int descriptor, const std::string& name);
    bool Refuse(const std::string& name, const char* reason);
    void Release();

    std::string path;
    std::string errorText;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    bool keep = false;
};
