#include <gst/controller/gstdirectcontrolbinding.h>
#include <gst/controller/gstinterpolationcontrolsource.h>
#include <gtest/gtest.h>

#include "GstTestSupport.h"
#include "engine/FactoryPresets.h"
#include "filter/gstreamer/CGstFilterChain.h"
#include "filter/gstreamer/GstEmbrel.h"
#include "platform/base/MessageWindow.h"

namespace {

// The index of the first byte that differs, or -1 when the two are equal.
long FirstDifference(const Bytes& a, const Bytes& b)
{
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

CFilterSettings& SettingsOf(GstElement* element)
{
    return GST_EMBREL(element)->chain->Filter().Settings();
}

Bytes Join(const Bytes& a, const Bytes& b)
{
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

} // namespace

// Buffers of every size, larger than the first and than the filter's pieces included, come
// out in the same memory and equal to the engine run over the whole stream at once.
TEST(GstEmbrel, BitExactWithTheEngineForEveryFormatAndBufferSize)
{
    const StreamFormat formats[] = {{"U8", 1, 22050},    {"U8", 2, 44100},    {"S16LE", 1, 44100},
                                    {"S16LE", 2, 48000}, {"F32LE", 1, 32000}, {"F32LE", 2, 44100}};
    const int frames[] = {333, 1000, CGstFilterChain::PieceFrames * 2 + 17, 12345, 7};
    for (const StreamFormat& format : formats) {
        SCOPED_TRACE(format.Caps());
        EmbrelHarness harness(format);
        Bytes in, out;
        for (int i = 0; i < 5; ++i) {
            const Bytes chunk = MakeSignal(format, frames[i], static_cast<unsigned>(i + 1));
            in.insert(in.end(), chunk.begin(), chunk.end());
            GstBuffer* pushed = gst_buffer_new_memdup(chunk.data(), chunk.size());
            const GstBuffer* sent = pushed;
            ASSERT_EQ(gst_harness_push(harness.Get(), pushed), GST_FLOW_OK);
            GstBuffer* got = gst_harness_pull(harness.Get());
            ASSERT_NE(got, nullptr);
            EXPECT_EQ(got, sent) << "the buffer was not processed in place";
            Bytes bytes(gst_buffer_get_size(got));
            gst_buffer_extract(got, 0, bytes.data(), bytes.size());
            gst_buffer_unref(got);
            out.insert(out.end(), bytes.begin(), bytes.end());
        }
        EngineReference reference(format);
        reference.Apply(DefaultsWithoutDither());
        EXPECT_EQ(FirstDifference(out, reference.Process(in)), -1);
    }
}

TEST(GstEmbrel, ATrailingPartialFrameIsLeftAsItIs)
{
    const StreamFormat format{"S16LE", 2, 44100};
    EmbrelHarness harness(format);
    Bytes in = MakeSignal(format, 100);
    in.insert(in.end(), {0x34, 0x12});
    ASSERT_EQ(harness.Push(in), GST_FLOW_OK);
    const Bytes out = harness.Pull();
    ASSERT_EQ(out.size(), in.size());
    EngineReference reference(format);
    reference.Apply(DefaultsWithoutDither());
    const Bytes whole = reference.Process(Bytes(in.begin(), in.end() - 2));
    EXPECT_EQ(FirstDifference(Bytes(out.begin(), out.end() - 2), whole), -1);
    EXPECT_EQ(out[out.size() - 2], 0x34);
    EXPECT_EQ(out[out.size() - 1], 0x12);
}

TEST(GstEmbrel, RefusesFormatsItCannotCarrySoAudioconvertAdaptsThem)
{
    GstElement* element = gst_element_factory_make("embrel", nullptr);
    ASSERT_NE(element, nullptr);
    GstPad* sink = gst_element_get_static_pad(element, "sink");
    const std::string refused[] = {
        "format=S24LE,channels=2", "format=S32LE,channels=2", "format=S16LE,channels=3",
        "format=F64LE,channels=1", "format=S16BE,channels=1", "format=U16LE,channels=1"};
    for (const std::string& fields : refused) {
        GstCaps* caps = gst_caps_from_string(("audio/x-raw,layout=interleaved,rate=44100," + fields).c_str());
        EXPECT_FALSE(gst_pad_query_accept_caps(sink, caps)) << fields;
        gst_caps_unref(caps);
    }
    GstCaps* planar = gst_caps_from_string("audio/x-raw,format=S16LE,layout=non-interleaved,rate=44100,channels=2");
    EXPECT_FALSE(gst_pad_query_accept_caps(sink, planar));
    gst_caps_unref(planar);
    for (const char* format : {"U8", "S16LE", "F32LE"}) {
        GstCaps* caps = gst_caps_from_string(
            (std::string("audio/x-raw,layout=interleaved,rate=96000,channels=2,format=") + format).c_str());
        EXPECT_TRUE(gst_pad_query_accept_caps(sink, caps)) << format;
        gst_caps_unref(caps);
    }
    gst_object_unref(sink);
    gst_object_unref(element);

    const std::string odd = "audiotestsrc num-buffers=4 ! audio/x-raw,format=S24LE,channels=3,layout=interleaved ! ";
    EXPECT_EQ(RunPipeline(odd + "audioconvert ! embrel ! fakesink"), "");
    EXPECT_NE(RunPipeline(odd + "embrel ! fakesink"), "");
}

// A new format starts a new streaming run of the filter (fresh engine state) and tells an
// open property page about the connection.
TEST(GstEmbrel, ACapsChangeMidStreamReconnectsTheFilterWithTheNewFormat)
{
    const StreamFormat first{"S16LE", 2, 44100}, second{"F32LE", 1, 48000};
    EmbrelHarness harness(first);
    std::vector<WPARAM> commands;
    MessageWindow page([&](UINT message, WPARAM wParam, LPARAM) {
        if (message == WM_COMMAND)
            commands.push_back(wParam);
    });
    CFilterSettings& settings = SettingsOf(harness.Element());
    ASSERT_EQ(settings.SetNotifyWindow(page.GetSafeHwnd(), 77), S_OK);

    const Bytes a = MakeSignal(first, 3000), b = MakeSignal(second, 2500, 9);
    ASSERT_EQ(harness.Push(a), GST_FLOW_OK);
    const Bytes outA = harness.Pull();
    harness.SetFormat(second);
    ASSERT_EQ(harness.Push(b), GST_FLOW_OK);
    const Bytes outB = harness.Pull();

    EngineReference before(first), after(second);
    before.Apply(DefaultsWithoutDither());
    after.Apply(DefaultsWithoutDither());
    EXPECT_EQ(FirstDifference(outA, before.Process(a)), -1);
    EXPECT_EQ(FirstDifference(outB, after.Process(b)), -1);

    FilterWaveFormat connected{};
    ASSERT_EQ(settings.GetWaveFormat(reinterpret_cast<BYTE*>(&connected)), S_OK);
    EXPECT_EQ(connected.format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(connected.format.nChannels, 1);
    EXPECT_EQ(connected.format.nSamplesPerSec, 48000u);
    page.PumpMessages();
    ASSERT_FALSE(commands.empty());
    for (WPARAM command : commands)
        EXPECT_EQ(LOWORD(command), 77);
}

TEST(GstEmbrel, EveryPropertyHasTheControlRangeTheFactoryDefaultAndABlurb)
{
    GstElement* element = gst_element_factory_make("embrel", nullptr);
    ASSERT_NE(element, nullptr);
    const SaturationSettings& defaults = FactoryPresets::Get(0)->settings;
    for (const ParameterInfo& info : ParameterTable::All) {
        const char* name = gst_embrel_property_name(info.id);
        SCOPED_TRACE(name);
        GParamSpec* spec = g_object_class_find_property(G_OBJECT_GET_CLASS(element), name);
        ASSERT_NE(spec, nullptr);
        ASSERT_TRUE(G_IS_PARAM_SPEC_INT(spec));
        const GParamSpecInt* range = G_PARAM_SPEC_INT(spec);
        EXPECT_EQ(range->minimum, info.low);
        EXPECT_EQ(range->maximum, info.high);
        EXPECT_EQ(range->default_value, defaults[info.id]);
        EXPECT_TRUE(spec->flags & GST_PARAM_CONTROLLABLE);
        EXPECT_GT(std::strlen(g_param_spec_get_blurb(spec)), 40u);

        int value = 0;
        g_object_get(element, name, &value, nullptr);
        EXPECT_EQ(value, defaults[info.id]);
        g_object_set(element, name, info.low, nullptr);
        g_object_get(element, name, &value, nullptr);
        EXPECT_EQ(value, info.low);
        SaturationSettings seen{};
        SettingsOf(element).GetSettings(&seen);
        EXPECT_EQ(seen[info.id], info.low);
        // GObject refuses a value outside the range (with a warning) instead of clamping it.
        g_object_set(element, name, info.high + 1, nullptr);
        g_object_get(element, name, &value, nullptr);
        EXPECT_EQ(value, info.low);
    }
    gst_object_unref(element);
}

// Several changes made between two buffers all reach the next buffer, and only it.
TEST(GstEmbrel, PropertyChangesBetweenBuffersReachTheNextBuffer)
{
    const StreamFormat format{"S16LE", 2, 44100};
    EmbrelHarness harness(format);
    const Bytes a = MakeSignal(format, 2000), b = MakeSignal(format, 2000, 5);
    ASSERT_EQ(harness.Push(a), GST_FLOW_OK);
    g_object_set(harness.Element(), "gain", -1500, "mix", 300, "tape", 0, nullptr);
    ASSERT_EQ(harness.Push(b), GST_FLOW_OK);
    const Bytes outA = harness.Pull();
    const Bytes out = Join(outA, harness.Pull());

    EngineReference reference(format);
    SaturationSettings settings = DefaultsWithoutDither();
    reference.Apply(settings);
    Bytes expected = reference.Process(a);
    settings.gain = -1500;
    settings.mix = 300;
    settings.tape = 0;
    reference.Apply(settings);
    EXPECT_EQ(FirstDifference(out, Join(expected, reference.Process(b))), -1);
}

TEST(GstEmbrel, ControlledPropertiesTakeTheirValueAtEachBuffer)
{
    const StreamFormat format{"F32LE", 1, 44100};
    EmbrelHarness harness(format);
    GstControlSource* source = gst_interpolation_control_source_new();
    g_object_set(source, "mode", GST_INTERPOLATION_MODE_NONE, nullptr);
    GstTimedValueControlSource* timed = GST_TIMED_VALUE_CONTROL_SOURCE(source);
    gst_timed_value_control_source_set(timed, 0, -1000);
    gst_timed_value_control_source_set(timed, GST_SECOND, -1800);
    gst_object_add_control_binding(GST_OBJECT(harness.Element()),
                                   gst_direct_control_binding_new_absolute(GST_OBJECT(harness.Element()), "gain", source));
    const Bytes a = MakeSignal(format, 4410), b = MakeSignal(format, 4410, 3);
    for (const auto& [data, time] : {std::pair{&a, GstClockTime{0}}, std::pair{&b, GstClockTime{GST_SECOND}}}) {
        GstBuffer* buffer = gst_buffer_new_memdup(data->data(), data->size());
        GST_BUFFER_PTS(buffer) = time;
        GST_BUFFER_DURATION(buffer) = GST_SECOND / 10;
        ASSERT_EQ(gst_harness_push(harness.Get(), buffer), GST_FLOW_OK);
    }
    const Bytes outA = harness.Pull();
    const Bytes out = Join(outA, harness.Pull());
    int gain = 0;
    g_object_get(harness.Element(), "gain", &gain, nullptr);
    EXPECT_EQ(gain, -1800);

    EngineReference reference(format);
    SaturationSettings settings = DefaultsWithoutDither();
    reference.Apply(settings);
    const Bytes expected = reference.Process(a);
    settings.gain = -1800;
    reference.Apply(settings);
    EXPECT_EQ(FirstDifference(out, Join(expected, reference.Process(b))), -1);
    gst_object_unref(source);
}

// A discontinuity reaches the filter as the sample's flag, so after a change made through
// the settings interface all nine settings are handed over, not only the changed one.
TEST(GstEmbrel, DiscontinuitiesReachTheFilterAndGapsPassThrough)
{
    const StreamFormat format{"S16LE", 1, 44100};
    EmbrelHarness harness(format);
    CFilterSettings& settings = SettingsOf(harness.Element());
    SaturationEngine& engine = settings.Engine();
    const Bytes data = MakeSignal(format, 500);
    ASSERT_EQ(harness.Push(data), GST_FLOW_OK);
    harness.Pull();
    engine.SetMix(3000);
    settings.put_Gain(-1200);
    ASSERT_EQ(harness.Push(data), GST_FLOW_OK);
    harness.Pull();
    EXPECT_EQ(engine.GetGain(), -1200);
    EXPECT_EQ(engine.GetMix(), 3000);
    settings.put_Gain(-1300);
    ASSERT_EQ(harness.Push(data, GST_BUFFER_FLAG_DISCONT), GST_FLOW_OK);
    harness.Pull();
    EXPECT_EQ(engine.GetGain(), -1300);
    EXPECT_EQ(engine.GetMix(), FactoryPresets::Get(0)->settings.mix);

    ASSERT_EQ(harness.Push(data, GST_BUFFER_FLAG_GAP), GST_FLOW_OK);
    GstBuffer* gap = gst_harness_pull(harness.Get());
    ASSERT_NE(gap, nullptr);
    EXPECT_TRUE(GST_BUFFER_FLAG_IS_SET(gap, GST_BUFFER_FLAG_GAP));
    Bytes bytes(gst_buffer_get_size(gap));
    gst_buffer_extract(gap, 0, bytes.data(), bytes.size());
    gst_buffer_unref(gap);
    EXPECT_EQ(bytes, data);
}
