#include "GstTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

#include "engine/FactoryPresets.h"
#include "filter/gstreamer/GstEmbrel.h"
#include "pcm/SampleConverter.h"

namespace {

gboolean RegisterEmbrel(GstPlugin* plugin)
{
    return gst_embrel_register(plugin);
}

// GStreamer for the whole test process: a registry file of the build tree, the user's
// preset files in a directory of this process, and the element registered from the
// code under test.
class GstEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("GST_REGISTRY_1_0", GST_TEST_REGISTRY, 1);
        setenv("XDG_DATA_HOME", data.path.c_str(), 1);
        unsetenv("GST_PLUGIN_PATH_1_0");
        unsetenv("GST_PLUGIN_PATH");
        gst_init(nullptr, nullptr);
        ASSERT_TRUE(gst_plugin_register_static(GST_VERSION_MAJOR, GST_VERSION_MINOR, "embrel", "test", RegisterEmbrel,
                                               "1.0", "Proprietary", "calyrix", "calyrix", "tests"));
    }

private:
    TempDir data;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new GstEnvironment);

} // namespace

#ifdef CALYRIX_SANITIZED
// GLib's one-time allocations are told apart by the frames of their library constructor,
// which only the slow unwinder sees through GLib's code.
extern "C" const char* __lsan_default_options()
{
    return "fast_unwind_on_malloc=0:suppressions=" GST_LSAN_SUPPRESSIONS;
}
#endif

int StreamFormat::SampleBytes() const
{
    return std::strcmp(name, "U8") == 0 ? 1 : std::strcmp(name, "S16LE") == 0 ? 2 : 4;
}

std::string StreamFormat::Caps() const
{
    return "audio/x-raw,format=" + std::string(name) + ",layout=interleaved,rate=" + std::to_string(rate) +
           ",channels=" + std::to_string(channels);
}

Bytes MakeSignal(const StreamFormat& format, int frames, unsigned seed)
{
    Bytes out(static_cast<std::size_t>(frames * format.FrameBytes()));
    unsigned noise = seed;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < format.channels; ++c) {
            noise = noise * 1103515245u + 12345u;
            const double t = static_cast<double>(i) / format.rate;
            const double x = 0.7 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) +
                             0.3 * std::sin(2 * M_PI * 3100.0 * t + seed) + ((noise >> 16) % 2001 - 1000) * 2e-5;
            std::uint8_t* at = &out[static_cast<std::size_t>((i * format.channels + c) * format.SampleBytes())];
            if (format.SampleBytes() == 1) {
                *at = static_cast<std::uint8_t>(std::lround(std::clamp(x * 127.0 + 128.0, 0.0, 255.0)));
            } else if (format.SampleBytes() == 2) {
                const auto s = static_cast<std::int16_t>(std::lround(std::clamp(x * 32767.0, -32768.0, 32767.0)));
                std::memcpy(at, &s, 2);
            } else {
                const float f = static_cast<float>(x * 1.2);
                std::memcpy(at, &f, 4);
            }
        }
    }
    return out;
}

EngineReference::EngineReference(const StreamFormat& format) : format(format)
{
    const int bits = format.SampleBytes() == 4 ? 24 : format.SampleBytes() * 8;
    engine.SetFormat(bits, format.rate, format.channels);
}

void EngineReference::Apply(const SaturationSettings& settings)
{
    settings.ApplyTo(engine);
}

Bytes EngineReference::Process(Bytes data)
{
    const int frames = static_cast<int>(data.size()) / format.FrameBytes();
    if (format.SampleBytes() == 4) {
        std::vector<float> samples(data.size() / 4);
        std::memcpy(samples.data(), data.data(), samples.size() * 4);
        engine.Process(samples.data(), frames);
        std::memcpy(data.data(), samples.data(), samples.size() * 4);
        return data;
    }
    SampleConverter converter;
    const int bits = format.SampleBytes() * 8;
    converter.SetFormats(bits, format.channels, bits, format.channels);
    std::vector<float> samples(static_cast<std::size_t>(frames * format.channels));
    const int whole = frames * format.FrameBytes();
    converter.ToFloat(data.data(), whole, samples.data());
    engine.Process(samples.data(), frames);
    converter.ToPcm(samples.data(), frames, data.data());
    return data;
}

SaturationSettings DefaultsWithoutDither()
{
    SaturationSettings settings = FactoryPresets::Get(0)->settings;
    settings.dither = 0;
    return settings;
}

EmbrelHarness::EmbrelHarness(const StreamFormat& format) : harness(gst_harness_new("embrel"))
{
    g_object_set(harness->element, "dither", 0, nullptr);
    SetFormat(format);
}

EmbrelHarness::~EmbrelHarness()
{
    gst_harness_teardown(harness);
}

void EmbrelHarness::SetFormat(const StreamFormat& format)
{
    gst_harness_set_src_caps_str(harness, format.Caps().c_str());
}

GstFlowReturn EmbrelHarness::Push(const Bytes& data, GstBufferFlags flags)
{
    GstBuffer* buffer = gst_buffer_new_memdup(data.data(), data.size());
    GST_BUFFER_FLAG_SET(buffer, flags);
    return gst_harness_push(harness, buffer);
}

Bytes EmbrelHarness::Pull()
{
    GstBuffer* buffer = gst_harness_pull(harness);
    if (buffer == nullptr)
        return {};
    Bytes out(gst_buffer_get_size(buffer));
    gst_buffer_extract(buffer, 0, out.data(), out.size());
    gst_buffer_unref(buffer);
    return out;
}

Bytes WavData(const std::string& path)
{
    const Bytes file = wavtest::ReadFile(path);
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        std::uint32_t size = 0;
        std::memcpy(&size, &file[at + 4], 4);
        if (std::memcmp(&file[at], "data", 4) == 0) {
            const std::size_t end = std::min(file.size(), at + 8 + size);
            return Bytes(file.begin() + static_cast<std::ptrdiff_t>(at + 8), file.begin() + static_cast<std::ptrdiff_t>(end));
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

std::string RunPipeline(const std::string& description, const std::function<void(GstElement*)>& configure)
{
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (pipeline == nullptr) {
        std::string text = error != nullptr ? error->message : "no pipeline";
        g_clear_error(&error);
        return text;
    }
    g_clear_error(&error);
    if (configure)
        configure(pipeline);
    std::string result;
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        result = "the pipeline does not start";
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND,
                                                     static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    if (message == nullptr) {
        result = "time-out";
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* failure = nullptr;
        gst_message_parse_error(message, &failure, nullptr);
        result = failure->message;
        g_clear_error(&failure);
    }
    if (message != nullptr)
        gst_message_unref(message);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return result;
}
