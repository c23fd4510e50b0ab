#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "filter/framework/CFilterMapper.h"
#include "platform/com/ComRegistration.h"
#include "platform/com/Guid.h"
#include "tests/filter/FilterTestSupport.h"

namespace fs = std::filesystem;

namespace {

struct Module {
    void* handle = dlopen(EMBREL_AX, RTLD_NOW | RTLD_LOCAL);
    ~Module()
    {
        if (handle != nullptr)
            dlclose(handle);
    }
    template <class F>
    F Export(const char* name)
    {
        return reinterpret_cast<F>(dlsym(handle, name));
    }
};

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("embrel-graph-test-" + std::to_string(getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const char* name) const { return (path / name).string(); }
};

void WriteWav(const std::string& path, const WavClip& wav)
{
    std::vector<BYTE> bytes = WavClip::MakeHeader(wav.format, static_cast<DWORD>(wav.data.size()));
    bytes.insert(bytes.end(), wav.data.begin(), wav.data.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int RunTool(const std::string& arguments, const std::string& outputFile)
{
    const std::string command = std::string(EMBREL_GRAPH) + " " + arguments + " >" + outputFile + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ClassKey(REFCLSID clsid)
{
    return "CLSID\\" + GuidToString(clsid);
}

} // namespace

TEST(EmbrelModule, RegistersBothClassesAndTheFilterAndUnregistersTwice)
{
    ScopedRegistry registry;
    Module module;
    ASSERT_NE(module.handle, nullptr) << dlerror();
    auto registerServer = module.Export<PFN_DllRegisterServer>("DllRegisterServer");
    auto unregisterServer = module.Export<PFN_DllUnregisterServer>("DllUnregisterServer");
    auto canUnload = module.Export<PFN_DllCanUnloadNow>("DllCanUnloadNow");
    ASSERT_EQ(registerServer(), S_OK);

    const std::string modulePath = fs::canonical(EMBREL_AX).string();
    std::string text;
    ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(CLSID_SaturationFilter), nullptr, &text));
    EXPECT_EQ(text, "Calyrix by Quorel");
    ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(CLSID_SaturationPage), nullptr, &text));
    EXPECT_EQ(text, "Calyrix by Quorel Property Page");
    for (REFCLSID clsid : {CLSID_SaturationFilter, CLSID_SaturationPage}) {
        ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(clsid) + "\\InprocServer32", nullptr, &text));
        EXPECT_EQ(text, modulePath);
        ASSERT_TRUE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(clsid) + "\\InprocServer32", "ThreadingModel", &text));
        EXPECT_EQ(text, "Both");
    }
    std::vector<CFilterMapper::FilterRecord> filters;
    CFilterMapper::ListFilters(&filters);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].merit, 0x00200000u);
    EXPECT_EQ(filters[0].pins.size(), 2u);

    // Registering again replaces the record rather than adding to it.
    ASSERT_EQ(registerServer(), S_OK);
    CFilterMapper::ListFilters(&filters);
    EXPECT_EQ(filters.size(), 1u);

    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_FALSE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(CLSID_SaturationFilter), nullptr, &text));
    EXPECT_FALSE(RegGetKeyString(HKEY_CLASSES_ROOT, ClassKey(CLSID_SaturationPage), nullptr, &text));
    CFilterMapper::ListFilters(&filters);
    EXPECT_TRUE(filters.empty());
    EXPECT_EQ(unregisterServer(), S_OK);
    EXPECT_EQ(canUnload(), S_OK);
}

TEST(EmbrelGraph, EmbrelsPcmAndFloatThroughTheRegisteredFilterBitExact)
{
    ScopedRegistry registry;
    TempDir dir;
    {
        Module module;
        ASSERT_NE(module.handle, nullptr);
        ASSERT_EQ(module.Export<PFN_DllRegisterServer>("DllRegisterServer")(), S_OK);
    }
    std::vector<int> samples(20000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>(25000 * std::sin(static_cast<double>(i) * 0.01));
    std::vector<BYTE> bytes8;
    for (std::size_t i = 0; i < 9001; ++i)
        bytes8.push_back(static_cast<BYTE>(128 + 120 * std::sin(static_cast<double>(i) * 0.02)));
    const WavClip inputs[] = {MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(samples)),
                              MakeWav(WAVE_FORMAT_PCM, 8, 1, 22050, bytes8)};
    for (const WavClip& wav : inputs) {
        WriteWav(dir / "in.wav", wav);
        ASSERT_EQ(RunTool("--buffer-bytes 1000 --set Dither=0 --set gain=-5000 --print-settings " + (dir / "in.wav") +
                              " " + (dir / "out.wav"),
                          dir / "log.txt"),
                  0)
            << ReadText(dir / "log.txt");
        // Gain clamps to the top of its range.
        EXPECT_EQ(ReadText(dir / "log.txt"), "-2000 1 999 1000 -250 1 0 -1000 0\n");
        WavClip out;
        std::string error;
        ASSERT_TRUE(WavClip::Load(dir / "out.wav", &out, &error)) << error;
        const SaturationSettings settings{-2000, 1, 999, 1000, -250, 1, 0, -1000, 0};
        EXPECT_EQ(out.format.wBitsPerSample, wav.format.wBitsPerSample);
        EXPECT_EQ(out.format.nChannels, wav.format.nChannels);
        EXPECT_EQ(out.data, ReferencePcm(wav, settings, 1000));
    }

    // --float streams floats and writes a float file.
    WriteWav(dir / "in.wav", inputs[0]);
    ASSERT_EQ(RunTool("--float --set Dither=0 " + (dir / "in.wav") + " " + (dir / "out.wav"), dir / "log.txt"), 0);
    WavClip out;
    std::string error;
    ASSERT_TRUE(WavClip::Load(dir / "out.wav", &out, &error)) << error;
    EXPECT_EQ(out.format.wFormatTag, WAVE_FORMAT_IEEE_FLOAT);
    EXPECT_EQ(out.data.size(), inputs[0].data.size() * 2);
}

TEST(EmbrelGraph, SettingsFilesAndErrors)
{
    TempDir dir;
    WriteWav(dir / "in.wav", MakeWav(WAVE_FORMAT_PCM, 16, 1, 8000, Pcm16(std::vector<int>(400, 1000))));
    const std::string module = std::string("--module ") + EMBREL_AX + " ";
    ASSERT_EQ(RunTool(module + "--preset 3 --save-settings " + (dir / "s.rec") + " " + (dir / "in.wav") + " " +
                          (dir / "out.wav"),
                      dir / "log.txt"),
              0)
        << ReadText(dir / "log.txt");
    const std::string record = ReadText(dir / "s.rec");
    ASSERT_EQ(record.size(), 56u);
    EXPECT_EQ(record.substr(0, 8), std::string("\x38\0\0\0\x83\x99\xA3\x5B", 8));

    ASSERT_EQ(RunTool(module + "--load-settings " + (dir / "s.rec") + " --print-settings " + (dir / "in.wav") + " " +
                          (dir / "out.wav"),
                      dir / "log.txt"),
              0);
    EXPECT_EQ(ReadText(dir / "log.txt"), "-1187 1 380 962 -920 1 5000 -916 1\n");

    // Failed runs leave an existing output as it was and no unfinished file beside it.
    std::ofstream(dir / "x.wav") << "keep";
    // A record that is not ours is refused with the stream's answer in hex.
    EXPECT_EQ(RunTool(module + "--load-settings " + (dir / "in.wav") + " " + (dir / "in.wav") + " " + (dir / "x.wav"),
                      dir / "log.txt"),
              1);
    EXPECT_NE(ReadText(dir / "log.txt").find("0x80004005"), std::string::npos);
    EXPECT_EQ(RunTool(module + "--preset 10 " + (dir / "in.wav") + " " + (dir / "x.wav"), dir / "log.txt"), 1);
    EXPECT_NE(ReadText(dir / "log.txt").find("0x80070057"), std::string::npos);
    EXPECT_EQ(RunTool(module + (dir / "missing.wav") + " " + (dir / "x.wav"), dir / "log.txt"), 1);
    EXPECT_EQ(RunTool(module + "--set Volume=3 " + (dir / "in.wav") + " " + (dir / "x.wav"), dir / "log.txt"), 1);
    WriteWav(dir / "in24.wav", MakeWav(WAVE_FORMAT_PCM, 24, 1, 8000, std::vector<BYTE>(300, 1)));
    EXPECT_EQ(RunTool(module + (dir / "in24.wav") + " " + (dir / "x.wav"), dir / "log.txt"), 1);
    EXPECT_EQ(ReadText(dir / "x.wav"), "keep");
    for (const auto& entry : fs::directory_iterator(dir.path))
        EXPECT_EQ(entry.path().filename().string().find(".~Embrel~"), std::string::npos) << entry.path();
    // A usage error is told apart from a failed run; help is not an error.
    EXPECT_EQ(RunTool(module + "--buffer-bytes 0 " + (dir / "in.wav") + " " + (dir / "x.wav"), dir / "log.txt"), 2);
    EXPECT_EQ(RunTool(module + (dir / "in.wav"), dir / "log.txt"), 2);
    EXPECT_EQ(ReadText(dir / "log.txt"),
              "embrel-graph: INPUT.wav and OUTPUT.wav are needed\nTry 'embrel-graph --help'.\n");
    EXPECT_EQ(RunTool("--help", dir / "log.txt"), 0);
    EXPECT_EQ(ReadText(dir / "log.txt").rfind("usage: embrel-graph", 0), 0u);
    // The input is never written over.
    const std::string input = ReadText(dir / "in.wav");
    EXPECT_EQ(RunTool(module + (dir / "in.wav") + " " + (dir / "in.wav"), dir / "log.txt"), 1);
    EXPECT_EQ(ReadText(dir / "in.wav"), input);
}

TEST(EmbrelGraph, ATruncatedFileEndingInHalfAFrameIsEmbreledAsFarAsItGoes)
{
    TempDir dir;
    std::vector<int> samples(3001);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int>(20000 * std::sin(static_cast<double>(i) * 0.03));
    WavClip cut = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(samples));
    cut.data.push_back(0x7F);
    // The data chunk claims more than the file holds.
    std::vector<BYTE> bytes = WavClip::MakeHeader(cut.format, static_cast<DWORD>(cut.data.size() + 400));
    bytes.insert(bytes.end(), cut.data.begin(), cut.data.end());
    std::ofstream(dir / "cut.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_EQ(RunTool(std::string("--module ") + EMBREL_AX + " --buffer-bytes 4000 --set Dither=0 " +
                          (dir / "cut.wav") + " " + (dir / "out.wav"),
                      dir / "log.txt"),
              0)
        << ReadText(dir / "log.txt");
    WavClip out;
    std::string error;
    ASSERT_TRUE(WavClip::Load(dir / "out.wav", &out, &error)) << error;
    const SaturationSettings settings{-1000, 1, 999, 1000, -250, 1, 0, -1000, 0};
    EXPECT_EQ(out.data, ReferencePcm(cut, settings, 4000));
}
