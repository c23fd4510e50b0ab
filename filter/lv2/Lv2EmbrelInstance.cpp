#include "filter/lv2/Lv2EmbrelInstance.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "engine/FactoryPresets.h"
#include "engine/SaturationSettings.h"

namespace {

// A control port's value on the engine's integer scale: switches are on above 0, the rest
// is clamped to the control range and rounded; NaN keeps the value in use.
int ControlValue(float value, const ParameterInfo& info, int previous) noexcept
{
    if (std::isnan(value)) return previous;
    if (info.isSwitch) return value > 0.0f ? 1 : 0;
    const float clamped = std::clamp(value, static_cast<float>(info.low), static_cast<float>(info.high));
    return static_cast<int>(std::lround(clamped));
}

int NearestWordLength(float value) noexcept
{
    int best = Lv2Ports::WordLengths[0];
    for (int bits : Lv2Ports::WordLengths)
        if (std::fabs(value - static_cast<float>(bits)) < std::fabs(value - static_cast<float>(best)))
            best = bits;
    return best;
}

float LevelValue(int db) noexcept
{
    return static_cast<float>(std::max(db, Lv2Ports::LevelFloorDb));
}

}  // namespace

Lv2EmbrelInstance::Lv2EmbrelInstance(int channelCount, int rate) noexcept
    : channels(channelCount), sampleRate(rate), pendingRate(rate),
      wordLength(Lv2Ports::DefaultWordLength), applied{}, controls{}, wordLengthPort(nullptr),
      inputLevel(nullptr), outputLevel(nullptr), audioIn{}, audioOut{}, interleaved{}
{
    const SaturationSettings& defaults = FactoryPresets::Get(0)->settings;
    defaults.ApplyTo(engine);
    for (const ParameterInfo& info : ParameterTable::All)
        applied[static_cast<std::size_t>(info.id)] = defaults[info.id];
    engine.SetFormat(wordLength, sampleRate, channels);
}

int Lv2EmbrelInstance::RateFromHost(double rate) noexcept
{
    if (!(rate >= 1.0 && rate <= static_cast<double>(INT_MAX))) return 0;
    return static_cast<int>(std::lround(rate));
}

bool Lv2EmbrelInstance::SetSampleRate(double rate) noexcept
{
    const int r = RateFromHost(rate);
    if (r == 0) return false;
    pendingRate = r;
    return true;
}

void Lv2EmbrelInstance::ConnectPort(std::uint32_t port, void* data) noexcept
{
    float* const p = static_cast<float*>(data);
    if (port < ParameterTable::Count) {
        controls[port] = p;
    } else if (port == Lv2Ports::WordLength) {
        wordLengthPort = p;
    } else if (port == Lv2Ports::InputLevel) {
        inputLevel = p;
    } else if (port == Lv2Ports::OutputLevel) {
        outputLevel = p;
    } else if (port < Lv2Ports::AudioOut(channels, 0)) {
        audioIn[port - Lv2Ports::AudioIn(0)] = p;
    } else if (port < Lv2Ports::Count(channels)) {
        audioOut[port - Lv2Ports::AudioOut(channels, 0)] = p;
    }
}

void Lv2EmbrelInstance::Activate() noexcept
{
    sampleRate = pendingRate;
    engine.SetFormat(wordLength, sampleRate, channels);
}

void Lv2EmbrelInstance::ApplyControls() noexcept
{
    for (const ParameterInfo& info : ParameterTable::All) {
        const std::size_t i = static_cast<std::size_t>(info.id);
        if (controls[i] == nullptr) continue;
        const int value = ControlValue(*controls[i], info, applied[i]);
        if (value == applied[i]) continue;
        (engine.*info.set)(value);
        applied[i] = value;
    }
    ApplyWordLength();
}

// The engine takes its word length only with its format, which also clears the high-pass
// state: a change in mid-stream costs the tube stage its history, once.
void Lv2EmbrelInstance::ApplyWordLength() noexcept
{
    if (wordLengthPort == nullptr || std::isnan(*wordLengthPort)) return;
    const int bits = NearestWordLength(*wordLengthPort);
    if (bits == wordLength) return;
    wordLength = bits;
    engine.SetFormat(wordLength, sampleRate, channels);
}

bool Lv2EmbrelInstance::AudioConnected() const noexcept
{
    for (int c = 0; c < channels; ++c)
        if (audioIn[static_cast<std::size_t>(c)] == nullptr || audioOut[static_cast<std::size_t>(c)] == nullptr)
            return false;
    return true;
}

void Lv2EmbrelInstance::ProcessChunk(std::uint32_t offset, int frames, int& inDb, int& outDb) noexcept
{
    const std::size_t n = static_cast<std::size_t>(frames);
    if (channels == 1) {
        const float* in = audioIn[0] + offset;
        float* out = audioOut[0] + offset;
        if (out != in) std::memmove(out, in, n * sizeof(float));
        engine.Process(out, frames);
    } else {
        for (std::size_t f = 0; f < n; ++f) {
            interleaved[2 * f] = audioIn[0][offset + f];
            interleaved[2 * f + 1] = audioIn[1][offset + f];
        }
        engine.Process(interleaved.data(), frames);
        for (std::size_t f = 0; f < n; ++f) {
            audioOut[0][offset + f] = interleaved[2 * f];
            audioOut[1][offset + f] = interleaved[2 * f + 1];
        }
    }
    inDb = std::max(inDb, engine.GetInputPeakDb());
    outDb = std::max(outDb, engine.GetOutputPeakDb());
}

void Lv2EmbrelInstance::Run(std::uint32_t frames) noexcept
{
    ApplyControls();
    if (frames == 0 || !AudioConnected()) return;
    int inDb = INT_MIN;
    int outDb = INT_MIN;
    for (std::uint32_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<std::uint32_t>(ChunkFrames, frames - done));
        ProcessChunk(done, n, inDb, outDb);
        done += static_cast<std::uint32_t>(n);
    }
    if (inputLevel != nullptr) *inputLevel = LevelValue(inDb);
    if (outputLevel != nullptr) *outputLevel = LevelValue(outDb);
}
