#include "tools/embrel-batch/OutputFormats.h"

#include <array>
#include <cctype>
#include <sndfile.h>

namespace {

constexpr std::array<OutputFormat, 8> Formats{{
    {"wav", "wav", SF_FORMAT_WAV, false},
    {"rf64", "rf64", SF_FORMAT_RF64, false},
    {"w64", "w64", SF_FORMAT_W64, false},
    {"aiff", "aiff", SF_FORMAT_AIFF, false},
    {"aif", "aif", SF_FORMAT_AIFF, false},
    {"flac", "flac", SF_FORMAT_FLAC, false},
    {"ogg", "ogg", SF_FORMAT_OGG, true},
    {"opus", "opus", SF_FORMAT_OGG, true},
}};

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const OutputFormat* OutputFormats::Find(std::string_view name) noexcept
{
    for (const OutputFormat& f : Formats)
        if (SameIgnoringCase(f.name, name)) return &f;
    return nullptr;
}

const OutputFormat* OutputFormats::ForExtension(std::string_view extension) noexcept
{
    for (const OutputFormat& f : Formats)
        if (SameIgnoringCase(f.extension, extension)) return &f;
    return nullptr;
}

const OutputFormat* OutputFormats::ForFileName(const std::string& name) noexcept
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return nullptr;
    return ForExtension(std::string_view(name).substr(dot + 1));
}

std::string OutputFormats::Names()
{
    std::string names;
    for (const OutputFormat& f : Formats) names += (names.empty() ? "" : ", ") + std::string(f.name);
    return names;
}
