#include <cstdlib>

#include <gtest/gtest.h>

#include "GstTestSupport.h"
#include "engine/FactoryPresets.h"
#include "filter/gstreamer/GstEmbrel.h"

namespace {

SaturationSettings PropertiesOf(GstElement* element)
{
    SaturationSettings settings{};
    for (const ParameterInfo& info : ParameterTable::All)
        g_object_get(element, gst_embrel_property_name(info.id), &settings[info.id], nullptr);
    return settings;
}

std::vector<std::string> PresetNames(GstElement* element)
{
    gchar** names = gst_preset_get_preset_names(GST_PRESET(element));
    std::vector<std::string> list;
    for (gchar** name = names; name != nullptr && *name != nullptr; ++name)
        list.emplace_back(*name);
    g_strfreev(names);
    return list;
}

std::string ReadText(const std::string& path)
{
    const Bytes bytes = wavtest::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

TEST(GstEmbrelPresets, FactoryPresetsAreReadOnlyAndComeByName)
{
    GstElement* element = gst_element_factory_make("embrel", nullptr);
    GstPreset* preset = GST_PRESET(element);
    const std::vector<std::string> names = PresetNames(element);
    ASSERT_GE(names.size(), FactoryPresets::Count);
    for (std::size_t i = 0; i < FactoryPresets::Count; ++i)
        EXPECT_EQ(names[i], FactoryPresets::All()[i].name);

    ASSERT_TRUE(gst_preset_load_preset(preset, "Tube Blast"));
    EXPECT_EQ(PropertiesOf(element), FactoryPresets::Find("Tube Blast")->settings);
    ASSERT_TRUE(gst_preset_load_preset(preset, "bypass"));
    EXPECT_EQ(PropertiesOf(element), FactoryPresets::Find("Bypass")->settings);
    EXPECT_FALSE(gst_preset_load_preset(preset, "No Such Preset"));
    EXPECT_EQ(PropertiesOf(element), FactoryPresets::Find("Bypass")->settings);

    EXPECT_FALSE(gst_preset_save_preset(preset, "Tube Blast"));
    EXPECT_FALSE(gst_preset_delete_preset(preset, "Bypass"));
    EXPECT_FALSE(gst_preset_rename_preset(preset, "Bypass", "Mine"));
    EXPECT_FALSE(gst_preset_set_meta(preset, "Bypass", "comment", "changed"));
    gst_object_unref(element);
}

TEST(GstEmbrelPresets, AUserPresetIsSavedToTheUserFileAndComesBack)
{
    GstElement* element = gst_element_factory_make("embrel", nullptr);
    ASSERT_TRUE(gst_preset_load_preset(GST_PRESET(element), "Mellow Blend"));
    g_object_set(element, "gain", -1700, "knee", 1234, "dither", 0, nullptr);
    const SaturationSettings saved = PropertiesOf(element);
    ASSERT_TRUE(gst_preset_save_preset(GST_PRESET(element), "Warm Mine"));
    EXPECT_FALSE(gst_preset_rename_preset(GST_PRESET(element), "Warm Mine", "Tube Blast"));
    gst_object_unref(element);
    const std::string file = std::string(g_get_user_data_dir()) + "/gstreamer-1.0/presets/GstEmbrel.prs";
    EXPECT_NE(ReadText(file).find("[Warm Mine]"), std::string::npos);

    GstElement* other = gst_element_factory_make("embrel", nullptr);
    const std::vector<std::string> names = PresetNames(other);
    ASSERT_EQ(names.size(), FactoryPresets::Count + 1);
    EXPECT_EQ(names.back(), "Warm Mine");
    ASSERT_TRUE(gst_preset_load_preset(GST_PRESET(other), "Warm Mine"));
    EXPECT_EQ(PropertiesOf(other), saved);
    EXPECT_TRUE(gst_preset_delete_preset(GST_PRESET(other), "Warm Mine"));
    EXPECT_EQ(PresetNames(other).size(), FactoryPresets::Count);
    gst_object_unref(other);
}

// gst-launch-1.0 hands the name over with its spaces escaped; in a description given to
// gst_parse_launch the name may also stand in double quotes.
TEST(GstEmbrelPresets, PipelineDescriptionsLoadAPresetByName)
{
    for (const char* written : {"Br-Tube\\ Break-up", "\"Br-Tube Break-up\""}) {
        SCOPED_TRACE(written);
        SaturationSettings seen{};
        const std::string description =
            std::string("audiotestsrc num-buffers=2 ! embrel name=e @preset=") + written + " ! fakesink";
        const std::string error = RunPipeline(description, [&](GstElement* pipeline) {
            GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline), "e");
            seen = PropertiesOf(element);
            gst_object_unref(element);
        });
        EXPECT_EQ(error, "");
        EXPECT_EQ(seen, FactoryPresets::Find("Br-Tube Break-up")->settings);
    }
}

// The element in a file pipeline gives the samples embrel-batch gives with the same settings.
TEST(GstEmbrelPipeline, MatchesEmbrelBatchOnTheSameFileAndSettings)
{
    const StreamFormat formats[] = {{"U8", 1, 22050}, {"S16LE", 2, 44100}};
    for (const StreamFormat& format : formats) {
        SCOPED_TRACE(format.Caps());
        TempDir dir;
        const std::string input = dir.File("in.wav"), batch = dir.File("batch.wav"), element = dir.File("gst.wav");
        wavtest::Spec wav;
        wav.bits = static_cast<unsigned>(format.SampleBytes() * 8);
        wav.channels = static_cast<unsigned>(format.channels);
        wav.rate = static_cast<std::uint32_t>(format.rate);
        wav.data = MakeSignal(format, 150000);
        wavtest::WriteFile(input, wavtest::Build(wav));
        const std::string command = "TMPDIR='" + dir.path + "' " EMBREL_BATCH " -q --preset 'Br-Tube Break-up' " +
                                    "--dither off '" + input + "' '" + batch + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string error = RunPipeline(
            "filesrc location=\"" + input + "\" ! wavparse ! audioconvert ! embrel name=e ! audioconvert ! wavenc ! "
            "filesink location=\"" + element + "\"",
            [](GstElement* pipeline) {
                GstElement* embrel = gst_bin_get_by_name(GST_BIN(pipeline), "e");
                gst_preset_load_preset(GST_PRESET(embrel), "Br-Tube Break-up");
                g_object_set(embrel, "dither", 0, nullptr);
                gst_object_unref(embrel);
            });
        ASSERT_EQ(error, "");
        const Bytes expected = WavData(batch);
        ASSERT_EQ(expected.size(), static_cast<std::size_t>(150000 * format.FrameBytes()));
        EXPECT_TRUE(WavData(element) == expected);
    }
}

TEST(GstEmbrelPlugin, GstInspectDocumentsEveryPropertyAndPreset)
{
#ifdef CALYRIX_SANITIZED
    GTEST_SKIP() << "gst-inspect-1.0 cannot load a plugin built with the sanitizers";
#else
    TempDir dir;
    const std::string out = dir.File("inspect.txt");
    // The user's data directory is one of its own, so that a copy installed there is not found.
    const std::string command = "XDG_DATA_HOME='" + dir.path + "' GST_REGISTRY_1_0='" GST_TEST_REGISTRY
                                "-inspect' GST_PLUGIN_PATH='" EMBREL_PLUGIN_DIR "' gst-inspect-1.0 embrel >'" + out +
                                "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(out);
    const std::string text = ReadText(out);
    EXPECT_NE(text.find("Filter/Effect/Audio"), std::string::npos);
    EXPECT_NE(text.find("none (0)"), std::string::npos);
    const SaturationSettings& defaults = FactoryPresets::Get(0)->settings;
    for (const ParameterInfo& info : ParameterTable::All) {
        const std::string name = gst_embrel_property_name(info.id);
        const std::string range = "Range: " + std::to_string(info.low) + " - " + std::to_string(info.high) +
                                  " Default: " + std::to_string(defaults[info.id]);
        const std::size_t at = text.find("\n  " + name + " ");
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_NE(text.find(range, at), std::string::npos) << name;
    }
    for (const FactoryPreset& preset : FactoryPresets::All())
        EXPECT_NE(text.find("\"" + std::string(preset.name) + "\""), std::string::npos) << preset.name;
#endif
}
