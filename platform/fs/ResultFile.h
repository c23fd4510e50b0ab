#pragma once

#include <string>
#include <sys/stat.h>

class TemporaryFile;

// The file a finished result goes to, looked at before any work and replaced only by a
// complete result.
//
// Open(name) follows symbolic links to the file they name (a link to a missing file: that
// file is created), and refuses a directory or a link loop. Replace(temporary) then puts
// the temporary file's content there:
//   - a regular file (or none) is replaced atomically by a rename: directly when the
//     temporary file lies beside it (make it in Directory()), else through a copy beside
//     it, flushed first. A replaced file keeps its mode, and its owner and group where
//     the process may set them; a new file gets 0666 less the umask.
//   - a device, FIFO or socket is written into, never replaced.
// Until the rename an existing file is as it was. On failure ErrorText says why and where
// the result is kept (the temporary file, which is then left in place).
class ResultFile {
public:
    bool Open(const std::string& name);

    // Whether the result would land on the file at path (same device and inode, links followed).
    bool IsFile(const std::string& path) const;
    // Whether the result is written into the file rather than replacing it.
    bool IsStream() const;
    // Where a temporary file for this result belongs: beside it, or for a device, FIFO or
    // socket the temporary directory.
    std::string Directory() const;
    const std::string& Name() const { return name; }
    const std::string& Target() const { return target; }
    const std::string& ErrorText() const { return errorText; }

    bool Replace(TemporaryFile& temporary);

private:
    // 0, or why the target cannot take a result (an errno value).
    int Inspect();
    bool Stop(int error);
    bool CopyInto(TemporaryFile& temporary);
    bool RenameOver(TemporaryFile& temporary);
    bool ApplyAttributes(int descriptor);

    std::string name;
    std::string target;
    std::string errorText;
    std::string reason;
    struct stat existing {};
    bool exists = false;
};
