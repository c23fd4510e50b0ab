#include "tools/embrel-batch/OutputFormats.h"

#include <array>
#include <sndfile.h>

#include "engine/NameMatch.h"

namespace {

constexpr std::array<OutputFormat, 8> Formats{{
    {"wav", SF_FORMAT_WAV, false},
    {"rf64", SF_FORMAT_RF64, false},
    {"w64", SF_FORMAT_W64, false},
    {"aiff", SF_FORMAT_AIFF, false},
    {"aif", SF_FORMAT_AIFF, false},
    {"flac", SF_FORMAT_FLAC, false},
    {"ogg", SF_FORMAT_OGG, true},
    {"opus", SF_FORMAT_OGG, true},
}};

}  // namespace

const OutputFormat* OutputFormats::Find(std::string_view name) noexcept
{
    for (const OutputFormat& f : Formats)
        if (SameNameIgnoringCase(f.name, name)) return &f;
    return nullptr;
}

const OutputFormat* OutputFormats::ForFileName(const std::string& name) noexcept
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return nullptr;
    return Find(std::string_view(name).substr(dot + 1));
}

std::string OutputFormats::Names()
{
    std::string names;
    for (const OutputFormat& f : Formats) names += (names.empty() ? "" : ", ") + std::string(f.name);
    return names;
}
