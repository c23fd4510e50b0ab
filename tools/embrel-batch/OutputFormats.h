#pragma once

#include <string>
#include <string_view>

// The containers embrel-batch writes through libsndfile, by option name, which is also the
// file extension.
struct OutputFormat {
    const char* name;       // --format value and extension (without the dot)
    int major;              // libsndfile's SF_FORMAT_* container
    bool wordLengthFixed;   // lossy: no --bits, the codec decides
};

class OutputFormats {
public:
    // The format a name or file extension (any case) names, or nullptr.
    static const OutputFormat* Find(std::string_view name) noexcept;
    // The format a file name's extension names, or nullptr.
    static const OutputFormat* ForFileName(const std::string& name) noexcept;
    // "wav, rf64, ..." for messages.
    static std::string Names();
};
