// The plug-in in real hosts: lv2apply on files, and lilv in this process for presets,
// rate changes and control changes between runs. Both must give the engine's samples.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>

#include "Lv2TestSupport.h"
#include "engine/FactoryPresets.h"
#include "filter/lv2/Lv2TurtleWriter.h"

namespace {

const Lv2Ports::Variant& Stereo = Lv2Ports::Variants[0];
const Lv2Ports::Variant& Mono = Lv2Ports::Variants[1];

struct ApplyCase {
    const Lv2Ports::Variant& variant;
    int rate;
    int preset;
    int dither;
    int wordLength;
};

// lv2apply hands the plug-in one frame per run; without dither the blocks make no difference.
TEST(Lv2Apply, OutputIsTheEnginesBitForBit)
{
    const ApplyCase cases[] = {{Mono, 48000, 0, 0, 16}, {Stereo, 44100, 0, 0, 16},
                               {Stereo, 44100, 9, 1, 16}, {Mono, 22050, 3, 1, 8}};
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(std::string(c.variant.name) + " " + FactoryPresets::Get(c.preset)->name);
        TempDir dir;
        const Samples in = MakeSignal(3000, c.variant.channels);
        WriteFloatWav(dir.File("in.wav"), in, c.variant.channels, c.rate);
        SaturationSettings settings = FactoryPresets::Get(c.preset)->settings;
        settings.dither = c.dither;
        std::string command = "env LV2_PATH='" LV2_TEST_PATH "' lv2apply -i " + dir.File("in.wav") + " -o " +
                              dir.File("out.wav") + " -c word_length " + std::to_string(c.wordLength);
        for (const ParameterInfo& info : ParameterTable::All)
            command += " -c " + Lv2TurtleWriter::Symbol(info) + " " + std::to_string(settings[info.id]);
        int status = 0;
        const std::string log = RunCommand(command + " " + c.variant.uri, status, true);
        ASSERT_EQ(status, 0) << log;

        int channels = 0, rate = 0;
        const Samples out = ReadFloatWav(dir.File("out.wav"), channels, rate);
        EXPECT_EQ(channels, c.variant.channels);
        EXPECT_EQ(rate, c.rate);
        const int block = c.dither ? 1 : 3000;
        EXPECT_TRUE(SameBits(out, EngineOutput(in, channels, c.rate, settings, c.wordLength, block)));
    }
}

void SetPortValue(const char* symbol, void* user, const void* value, uint32_t size, uint32_t)
{
    auto* instance = static_cast<Lv2TestInstance*>(user);
    for (const ParameterInfo& info : ParameterTable::All)
        if (Lv2TurtleWriter::Symbol(info) == symbol && size == sizeof(float))
            std::memcpy(&instance->controls[Lv2Ports::Parameter(info.id)], value, sizeof(float));
}

TEST(Lv2Host, EveryPresetLoadedByTheHostSetsItsValuesAndGivesTheEnginesOutput)
{
    Lv2TestHost host;
    ASSERT_EQ(host.Map(LV2_ATOM__Float), host.Map(LV2_ATOM__Float));
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants)
        for (int p = 0; p < static_cast<int>(FactoryPresets::Count); ++p) {
            const FactoryPreset& preset = *FactoryPresets::Get(p);
            SCOPED_TRACE(std::string(v.name) + " " + preset.name);
            LilvNode* uri = lilv_new_uri(host.World(), Lv2TurtleWriter::PresetUri(v, p).c_str());
            lilv_world_load_resource(host.World(), uri);
            LilvState* state = lilv_state_new_from_world(host.World(), host.UridMap(), uri);
            lilv_node_free(uri);
            ASSERT_NE(state, nullptr);
            EXPECT_STREQ(lilv_state_get_label(state), preset.name);

            Lv2TestInstance instance(host, v, 44100);
            ASSERT_NE(instance.instance, nullptr);
            instance.SetSettings(SaturationSettings{-7, 0, -7, -7, -7, 0, -7, -7, 0});
            lilv_state_restore(state, instance.instance, SetPortValue, &instance, 0, nullptr);
            lilv_state_free(state);
            for (const ParameterInfo& info : ParameterTable::All)
                EXPECT_EQ(instance.controls[Lv2Ports::Parameter(info.id)], preset.settings[info.id]) << info.name;

            const Samples in = MakeSignal(3000, v.channels, static_cast<unsigned>(p));
            Samples out;
            RunOnFreshThread([&] {
                lilv_instance_activate(instance.instance);
                out = instance.Process(in);
            });
            EXPECT_TRUE(SameBits(out, EngineOutput(in, v.channels, 44100, preset.settings, 16, 3000)));
        }
}

uint32_t SetRate(Lv2TestHost& host, const LV2_Options_Interface* options, LilvInstance* instance, float rate)
{
    const LV2_Options_Option o[2] = {
        {LV2_OPTIONS_INSTANCE, 0, host.Map(LV2_PARAMETERS__sampleRate), sizeof rate, host.Map(LV2_ATOM__Float), &rate},
        {}};
    return options->set(lilv_instance_get_handle(instance), o);
}

float GetRate(Lv2TestHost& host, const LV2_Options_Interface* options, LilvInstance* instance)
{
    LV2_Options_Option o[2] = {{LV2_OPTIONS_INSTANCE, 0, host.Map(LV2_PARAMETERS__sampleRate), 0, 0, nullptr}, {}};
    if (options->get(lilv_instance_get_handle(instance), o) != LV2_OPTIONS_SUCCESS ||
        o[0].type != host.Map(LV2_ATOM__Float))
        return 0.0f;
    return *static_cast<const float*>(o[0].value);
}

TEST(Lv2Host, RateChangedBetweenActivationsTakesEffectAtTheNextActivation)
{
    Lv2TestHost host;
    Lv2TestInstance instance(host, Mono, 44100);
    ASSERT_NE(instance.instance, nullptr);
    auto* options = static_cast<const LV2_Options_Interface*>(
        lilv_instance_get_extension_data(instance.instance, LV2_OPTIONS__interface));
    ASSERT_NE(options, nullptr);
    SaturationSettings settings = FactoryPresets::Get(0)->settings;
    settings.dither = 0;
    instance.SetSettings(settings);
    const Samples in = MakeSignal(2000, 1);

    lilv_instance_activate(instance.instance);
    const Samples at44 = instance.Process(in);
    lilv_instance_deactivate(instance.instance);
    EXPECT_EQ(SetRate(host, options, instance.instance, 48000.0f), LV2_OPTIONS_SUCCESS);
    EXPECT_EQ(SetRate(host, options, instance.instance, 0.0f), LV2_OPTIONS_ERR_BAD_VALUE);
    EXPECT_EQ(SetRate(host, options, instance.instance, NAN), LV2_OPTIONS_ERR_BAD_VALUE);
    EXPECT_EQ(GetRate(host, options, instance.instance), 48000.0f);
    lilv_instance_activate(instance.instance);
    const Samples at48 = instance.Process(in);

    EXPECT_TRUE(SameBits(at44, EngineOutput(in, 1, 44100, settings, 16, 2000)));
    EXPECT_TRUE(SameBits(at48, EngineOutput(in, 1, 48000, settings, 16, 2000)));
    EXPECT_FALSE(SameBits(at44, at48));
    for (double bad : {0.0, -44100.0, static_cast<double>(NAN)})
        EXPECT_EQ(lilv_plugin_instantiate(host.Plugin(Mono.uri), bad, host.Features()), nullptr) << bad;
}

// Changes made between runs reach the engine at the next run; values outside the control
// range are clamped, NaN keeps the value in use; blocks longer than the plug-in's chunk and
// buffers shared by input and output are processed whole.
TEST(Lv2Host, ControlChangesReachTheEngineAtTheNextRun)
{
    Lv2TestHost host;
    const Samples first = MakeSignal(1000, 2, 1), second = MakeSignal(10000, 2, 2), third = MakeSignal(500, 2, 3);
    Samples out[3];
    float levels[3][2];
    RunOnFreshThread([&] {
        Lv2TestInstance instance(host, Stereo, 96000);
        lilv_instance_activate(instance.instance);
        out[0] = instance.Process(first);
        std::memcpy(levels[0], &instance.controls[Lv2Ports::InputLevel], sizeof levels[0]);
        instance.controls[Lv2Ports::Parameter(ParameterId::Gain)] = -1500.4f;
        instance.controls[Lv2Ports::Parameter(ParameterId::Mix)] = 99999.0f;
        instance.controls[Lv2Ports::Parameter(ParameterId::Character)] = NAN;
        instance.controls[Lv2Ports::Parameter(ParameterId::Tape)] = -0.5f;
        instance.controls[Lv2Ports::Parameter(ParameterId::Dither)] = 0.0f;
        out[1] = instance.Process(second, true);
        std::memcpy(levels[1], &instance.controls[Lv2Ports::InputLevel], sizeof levels[1]);
        instance.controls[Lv2Ports::Parameter(ParameterId::Dither)] = 0.25f;
        instance.controls[Lv2Ports::WordLength] = 23.0f;
        out[2] = instance.Process(Samples(third.size(), 0.0f));
        std::memcpy(levels[2], &instance.controls[Lv2Ports::InputLevel], sizeof levels[2]);
    });

    Samples expected[3] = {first, second, Samples(third.size(), 0.0f)};
    int expectedLevels[2][2];
    RunOnFreshThread([&] {
        SaturationEngine engine;
        FactoryPresets::Get(0)->settings.ApplyTo(engine);
        engine.SetFormat(16, 96000, 2);
        engine.Process(expected[0].data(), 1000);
        expectedLevels[0][0] = engine.GetInputPeakDb();
        expectedLevels[0][1] = engine.GetOutputPeakDb();
        engine.SetGain(-1500);
        engine.SetMix(5000);
        engine.SetTape(0);
        engine.SetDither(0);
        engine.Process(expected[1].data(), 10000);
        expectedLevels[1][0] = engine.GetInputPeakDb();
        expectedLevels[1][1] = engine.GetOutputPeakDb();
        engine.SetDither(1);
        engine.SetFormat(24, 96000, 2);
        engine.Process(expected[2].data(), 500);
    });
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(out[i], expected[i])) << "run " << i;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(levels[i][0], static_cast<float>(expectedLevels[i][0])) << "run " << i;
        EXPECT_EQ(levels[i][1], static_cast<float>(expectedLevels[i][1])) << "run " << i;
    }
    EXPECT_EQ(levels[2][0], static_cast<float>(Lv2Ports::LevelFloorDb));
}

}  // namespace
