#include "Lv2TestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/FactoryPresets.h"

Samples MakeSignal(int frames, int channels, unsigned seed)
{
    Samples s(static_cast<std::size_t>(frames * channels));
    std::uint32_t x = seed;
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            x = x * 1664525u + 1013904223u;
            const double noise = static_cast<double>(x >> 8) / 16777216.0 - 0.5;
            s[static_cast<std::size_t>(f * channels + c)] = static_cast<float>(
                0.1 + 0.8 * std::sin(f * (0.031 + 0.007 * c)) + 0.5 * std::sin(f * 0.0009) + 0.05 * noise);
        }
    return s;
}

void WriteFloatWav(const std::string& path, const Samples& samples, int channels, int rate)
{
    wavtest::Spec spec;
    spec.tag = 3;
    spec.bits = 32;
    spec.channels = static_cast<unsigned>(channels);
    spec.rate = static_cast<std::uint32_t>(rate);
    spec.data.resize(samples.size() * sizeof(float));
    std::memcpy(spec.data.data(), samples.data(), spec.data.size());
    wavtest::WriteFile(path, wavtest::Build(spec));
}

Samples ReadFloatWav(const std::string& path, int& channels, int& rate)
{
    const wavtest::Bytes b = wavtest::ReadFile(path);
    channels = 0;
    Samples out;
    auto u16 = [&](std::size_t at) { return static_cast<unsigned>(b[at] | (b[at + 1] << 8)); };
    auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | (u16(at + 2) << 16)); };
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = u32(at + 4);
        if (size > b.size() - at - 8) break;
        if (std::memcmp(&b[at], "fmt ", 4) == 0 && u16(at + 8) == 3 && u16(at + 22) == 32) {
            channels = static_cast<int>(u16(at + 10));
            rate = static_cast<int>(u32(at + 12));
        } else if (std::memcmp(&b[at], "data", 4) == 0) {
            out.resize(size / sizeof(float));
            std::memcpy(out.data(), &b[at + 8], out.size() * sizeof(float));
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

void RunOnFreshThread(const std::function<void()>& work)
{
    std::thread(work).join();
}

Samples EngineOutput(const Samples& in, int channels, int rate, const SaturationSettings& settings,
                     int wordLength, int blockFrames)
{
    Samples out = in;
    RunOnFreshThread([&] {
        SaturationEngine engine;
        settings.ApplyTo(engine);
        engine.SetFormat(wordLength, rate, channels);
        const int frames = static_cast<int>(out.size()) / channels;
        for (int f = 0; f < frames; f += blockFrames)
            engine.Process(out.data() + f * channels, std::min(blockFrames, frames - f));
    });
    return out;
}

bool SameBits(const Samples& a, const Samples& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

std::string RunCommand(const std::string& command, int& status, bool loadsModule)
{
    std::string output;
    // A host that loads the sanitized module needs the sanitizer runtimes first; its own
    // allocations are not ours to check for leaks.
    const std::string preload = LV2_HOST_PRELOAD;
    const std::string env = !loadsModule || preload.empty() ? "" : "env LD_PRELOAD='" + preload + "' ASAN_OPTIONS=detect_leaks=0 ";
    FILE* pipe = popen((env + command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    status = pclose(pipe);
    return output;
}

Lv2TestHost::Lv2TestHost() : world(lilv_world_new()), map{this, nullptr}, mapFeature{LV2_URID__map, &map},
                             features{&mapFeature, nullptr}
{
    map.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Lv2TestHost*>(h)->Map(uri); };
    LilvNode* path = lilv_new_string(world, LV2_TEST_PATH);
    lilv_world_set_option(world, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(world);
}

Lv2TestHost::~Lv2TestHost()
{
    lilv_world_free(world);
}

const LilvPlugin* Lv2TestHost::Plugin(const char* uri) const
{
    LilvNode* node = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
    lilv_node_free(node);
    return plugin;
}

LV2_URID Lv2TestHost::Map(const char* uri)
{
    for (std::size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

Lv2TestInstance::Lv2TestInstance(Lv2TestHost& host, const Lv2Ports::Variant& variant, double rate)
    : instance(lilv_plugin_instantiate(host.Plugin(variant.uri), rate, host.Features())),
      channels(variant.channels), controls{}
{
    SetSettings(FactoryPresets::Get(0)->settings);
    controls[Lv2Ports::WordLength] = Lv2Ports::DefaultWordLength;
    for (std::uint32_t p = 0; p < Lv2Ports::FirstAudio && instance != nullptr; ++p)
        lilv_instance_connect_port(instance, p, &controls[p]);
}

Lv2TestInstance::~Lv2TestInstance()
{
    if (instance != nullptr) lilv_instance_free(instance);
}

void Lv2TestInstance::SetSettings(const SaturationSettings& settings)
{
    for (const ParameterInfo& info : ParameterTable::All)
        controls[Lv2Ports::Parameter(info.id)] = static_cast<float>(settings[info.id]);
}

Samples Lv2TestInstance::Process(const Samples& in, bool inPlace)
{
    const std::size_t frames = in.size() / static_cast<std::size_t>(channels);
    for (int c = 0; c < channels; ++c) {
        std::vector<float>& input = audio[c];
        std::vector<float>& output = audio[2 + c];
        input.resize(frames);
        output.assign(frames, 0.0f);
        for (std::size_t f = 0; f < frames; ++f) input[f] = in[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)];
        lilv_instance_connect_port(instance, Lv2Ports::AudioIn(c), input.data());
        lilv_instance_connect_port(instance, Lv2Ports::AudioOut(channels, c), inPlace ? input.data() : output.data());
    }
    lilv_instance_run(instance, static_cast<std::uint32_t>(frames));
    Samples out(in.size());
    for (int c = 0; c < channels; ++c)
        for (std::size_t f = 0; f < frames; ++f)
            out[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = audio[inPlace ? c : 2 + c][f];
    return out;
}
