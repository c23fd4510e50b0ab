#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gst/check/gstharness.h>
#include <gst/gst.h>

#include "WavTestFiles.h"
#include "engine/SaturationSettings.h"

using wavtest::TempDir;

using Bytes = std::vector<std::uint8_t>;

// A stream format the element takes: "U8", "S16LE" or "F32LE".
struct StreamFormat {
    const char* name;
    int channels;
    int rate;

    int SampleBytes() const;
    int FrameBytes() const { return SampleBytes() * channels; }
    std::string Caps() const;
};

// frames of a two-tone signal with a little noise, loud enough to reach the clip.
Bytes MakeSignal(const StreamFormat& format, int frames, unsigned seed = 1);

// The engine run over the data in one block with these settings, continuing the state of
// the given engine (pass a fresh one for a new stream).
class EngineReference {
public:
    explicit EngineReference(const StreamFormat& format);
    void Apply(const SaturationSettings& settings);
    Bytes Process(Bytes data);

private:
    StreamFormat format;
    SaturationEngine engine;
};

// The settings the element starts with, with dither off.
SaturationSettings DefaultsWithoutDither();

// The element between the harness's pads, with dither off.
class EmbrelHarness {
public:
    explicit EmbrelHarness(const StreamFormat& format);
    ~EmbrelHarness();
    EmbrelHarness(const EmbrelHarness&) = delete;
    EmbrelHarness& operator=(const EmbrelHarness&) = delete;

    GstElement* Element() const { return harness->element; }
    GstHarness* Get() const { return harness; }
    void SetFormat(const StreamFormat& format);
    // Pushes a copy of data; the flow result of the push.
    GstFlowReturn Push(const Bytes& data, GstBufferFlags flags = GstBufferFlags(0));
    // The bytes of the next buffer out.
    Bytes Pull();

private:
    GstHarness* harness;
};

// The data chunk of a WAV file; empty when the file has none.
Bytes WavData(const std::string& path);

// Runs a pipeline description to its end, after configure has seen the pipeline; an empty
// string when it ended well, else the error.
std::string RunPipeline(const std::string& description, const std::function<void(GstElement*)>& configure = {});
