#pragma once

#include <atomic>
#include <string>

class TemporaryFile;

// Pipes and FIFOs for the tools: an input that cannot seek is first copied into a
// temporary file, and a result for stdout is made in one and then copied out.
class StreamCopy {
public:
    // Copies everything from fd (to its end) into temporary; false with errno set. A
    // signal that sets stop ends a wait for the other end with EINTR.
    static bool Spool(int fd, const TemporaryFile& temporary, const std::atomic<bool>& stop);
    // Copies the whole of fromFd, from its start, to toFd; false with errno set, as Spool.
    static bool CopyOut(int fromFd, int toFd, const std::atomic<bool>& stop);
    // The directory for such files: TMPDIR, else /tmp.
    static std::string TemporaryDirectory();
};
