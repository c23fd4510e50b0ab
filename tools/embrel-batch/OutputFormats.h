#pragma once

#include <string>
#include <string_view>

// The containers embrel-batch writes through libsndfile, by option name and file extension.
struct OutputFormat {
    const char* name;       // --format value
    const char* extension;  // without the dot
    int major;              // libsndfile's SF_FORMAT_* container
    bool wordLengthFixed;   // lossy: no --bits, the codec decides
};

class OutputFormats {
public:
    static const OutputFormat* Find(std::string_view name) noexcept;
    // The format a file extension (any case) names, or nullptr.
    static const OutputFormat* ForExtension(std::string_view extension) noexcept;
    // The format a file name's extension names, or nullptr.
    static const OutputFormat* ForFileName(const std::string& name) noexcept;
    // "wav, rf64, ..." for messages.
    static std::string Names();
};
