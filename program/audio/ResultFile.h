#pragma once

#include <cstddef>

// Moves the finished temporary file to the chosen name, replacing a file of that name.
// A plain rename where both lie on one file system; across file systems the result is
// copied next to the destination, flushed, renamed over it, and only then is the
// temporary file removed, so a failure at any point leaves an existing destination as it
// was. On failure returns false with a message in errorText that names where the result
// is kept.
bool MoveResultFile(const char* temporary, const char* destination, char* errorText,
                    std::size_t errorSize) noexcept;

// The cross-file-system path on its own (what a failed rename with EXDEV falls back to).
bool CopyResultFile(const char* temporary, const char* destination, char* errorText,
                    std::size_t errorSize) noexcept;
