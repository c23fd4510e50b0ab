#pragma once

#include <array>
#include <cstdint>

#include "engine/ParameterTable.h"
#include "engine/SaturationEngine.h"
#include "filter/lv2/Lv2Ports.h"

// One instance of the LV2 plug-in: a SaturationEngine run on the host's buffers.
// Run reads the control ports and hands changed values to the engine before processing;
// it allocates nothing and takes no lock.
class Lv2EmbrelInstance {
public:
    // Frames per engine call: the stereo variant interleaves this many at a time.
    static constexpr int ChunkFrames = 4096;

    Lv2EmbrelInstance(int channels, int sampleRate) noexcept;

    Lv2EmbrelInstance(const Lv2EmbrelInstance&) = delete;
    Lv2EmbrelInstance& operator=(const Lv2EmbrelInstance&) = delete;

    void ConnectPort(std::uint32_t port, void* data) noexcept;
    // Starts a new run of the engine at the current sample rate; the filter state is cleared.
    void Activate() noexcept;
    void Run(std::uint32_t frames) noexcept;

    // A new host rate, used from the next Activate on. False for a rate the engine cannot take.
    bool SetSampleRate(double rate) noexcept;
    int GetSampleRate() const noexcept { return pendingRate; }

    // The rate as an integer, or 0 when it is not a positive number of frames per second.
    static int RateFromHost(double rate) noexcept;

private:
    void ApplyControls() noexcept;
    void ApplyWordLength() noexcept;
    void ProcessChunk(std::uint32_t offset, int frames, int& inDb, int& outDb) noexcept;
    bool AudioConnected() const noexcept;

    SaturationEngine engine;
    int channels;
    int sampleRate;
    int pendingRate;
    int wordLength;
    std::array<int, ParameterTable::Count> applied;
    std::array<const float*, ParameterTable::Count> controls;
    const float* wordLengthPort;
    float* inputLevel;
    float* outputLevel;
    std::array<const float*, 2> audioIn;
    std::array<float*, 2> audioOut;
    std::array<float, 2 * ChunkFrames> interleaved;
};
