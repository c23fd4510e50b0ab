#pragma once

#include <functional>
#include <string>
#include <vector>

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include "WavTestFiles.h"
#include "engine/SaturationSettings.h"
#include "filter/lv2/Lv2Ports.h"

using wavtest::TempDir;
using Samples = std::vector<float>;

// Interleaved frames of a loud two-tone signal with a DC offset and a little noise.
Samples MakeSignal(int frames, int channels, unsigned seed = 1);

// 32-bit float WAV files; ReadFloatWav leaves channels 0 when the file is not one.
void WriteFloatWav(const std::string& path, const Samples& samples, int channels, int rate);
Samples ReadFloatWav(const std::string& path, int& channels, int& rate);

// What the engine makes of the samples in blocks of blockFrames, on a thread of its own (so
// its dither starts where a new process's does).
Samples EngineOutput(const Samples& in, int channels, int rate, const SaturationSettings& settings,
                     int wordLength, int blockFrames);

bool SameBits(const Samples& a, const Samples& b);

// Runs a shell command; returns its output and status. A command that loads the module gets
// the sanitizer runtimes preloaded in a sanitized build.
std::string RunCommand(const std::string& command, int& status, bool loadsModule = false);

void RunOnFreshThread(const std::function<void()>& work);

// A lilv world of the built bundle with a URID map for the plug-ins.
class Lv2TestHost {
public:
    Lv2TestHost();
    ~Lv2TestHost();

    const LilvPlugin* Plugin(const char* uri) const;
    LV2_URID Map(const char* uri);
    const LV2_Feature* const* Features() const { return features; }
    LilvWorld* World() const { return world; }
    LV2_URID_Map* UridMap() { return &map; }

private:
    LilvWorld* world;
    std::vector<std::string> uris;
    LV2_URID_Map map;
    LV2_Feature mapFeature;
    const LV2_Feature* features[2];
};

// One instance with a buffer behind every port; audio is handed over interleaved.
class Lv2TestInstance {
public:
    Lv2TestInstance(Lv2TestHost& host, const Lv2Ports::Variant& variant, double rate);
    ~Lv2TestInstance();

    // in processed in one run; inPlace connects each output to its input's buffer.
    Samples Process(const Samples& in, bool inPlace = false);
    void SetSettings(const SaturationSettings& settings);

    LilvInstance* instance;
    int channels;
    float controls[Lv2Ports::FirstAudio];

private:
    std::vector<float> audio[4];
};
