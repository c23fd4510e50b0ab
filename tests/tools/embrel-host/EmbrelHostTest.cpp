#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <chrono>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/com/ComApi.h"
#include "platform/waveout/WaveOut.h"
#include "tests/filter/FilterTestSupport.h"
#include "tools/embrel-host/CHostSession.h"
#include "tools/embrel-host/HostWindow.h"

namespace fs = std::filesystem;

namespace {

std::vector<BYTE> ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A stereo 16-bit file of two tones, loud enough for every stage to show.
WavClip Tones(int frames)
{
    std::vector<int> samples;
    for (int i = 0; i < frames; ++i) {
        samples.push_back(static_cast<int>(24000 * std::sin(i * 0.031)));
        samples.push_back(static_cast<int>(18000 * std::sin(i * 0.007)));
    }
    return MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(samples));
}

// A registry with Embrel.ax registered, virtual sound capturing to a file, and an input file.
class EmbrelHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("calyrix-host-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        UseDevice("1000");
        CoInitialize(nullptr);
        wav = Tones(40000);
        WriteInput();
    }
    void TearDown() override
    {
        CoUninitialize();
        unsetenv("CALYRIX_WAVEOUT");
        fs::remove_all(dir);
    }
    void UseDevice(const std::string& speed)
    {
        setenv("CALYRIX_WAVEOUT", ("virtual:1,speed=" + speed + ",capture=" + (dir / "played.raw").string()).c_str(), 1);
        waveOutGetNumDevs();  // the device list is read again when counted
    }
    void WriteInput()
    {
        std::vector<BYTE> file = WavClip::MakeHeader(wav.format, static_cast<DWORD>(wav.data.size()));
        file.insert(file.end(), wav.data.begin(), wav.data.end());
        std::ofstream(dir / "in.wav", std::ios::binary).write(reinterpret_cast<const char*>(file.data()), file.size());
    }
    // Runs the event loop until the window reports the end; false on time-out.
    static bool WaitForEnd(HostWindow& window, const std::function<void()>& step = nullptr)
    {
        bool finished = false;
        QObject::connect(&window, &HostWindow::Finished, [&](bool) { finished = true; });
        for (int i = 0; i < 3000 && !finished; ++i) {
            QApplication::processEvents();
            if (step)
                step();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return finished;
    }
    void Register()
    {
        void* module = dlopen(EMBREL_MODULE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr);
        auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(module, "DllRegisterServer"));
        ASSERT_EQ(registerServer(), S_OK);
        dlclose(module);
    }
    int RunHost(const std::string& args, std::string* err)
    {
        const std::string errPath = (dir / "host.err").string();
        const std::string command = "QT_QPA_PLATFORM=offscreen " + std::string(EMBREL_HOST) + " " + args + " 2>" + errPath;
        const int status = std::system(command.c_str());
        std::ifstream in(errPath);
        err->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ScopedRegistry registry;
    fs::path dir;
    WavClip wav;
};

} // namespace

TEST_F(EmbrelHost, PlaysThroughTheFilterAtThePagesSettings)
{
    Register();
    CHostSession session;
    std::string error;
    ASSERT_TRUE(session.CreateFilter(&error)) << error;
    HostWindow window(session);
    window.show();
    ASSERT_TRUE(window.OpenFile(QString::fromStdString((dir / "in.wav").string()))) << window.Status().toStdString();

    // A preset from the box, then the page's controls: dither off, gain and knee moved.
    window.ApplyPreset(3);
    QList<QSlider*> sliders = window.PageFrame()->findChildren<QSlider*>();
    ASSERT_EQ(sliders.size(), 6);
    std::sort(sliders.begin(), sliders.end(), [](QSlider* a, QSlider* b) { return a->x() < b->x(); });
    EXPECT_EQ(sliders[4]->value(), 5000);  // the preset's knee, shown at once
    sliders[0]->setValue(-1600);
    sliders[4]->setValue(-2000);
    for (QPushButton* button : window.PageFrame()->findChildren<QPushButton*>())
        if (button->text() == "Dither")
            button->click();
    SaturationSettings settings{};
    ASSERT_EQ(session.Settings()->GetSettings(&settings), S_OK);
    EXPECT_EQ(settings.gain, -1600);
    EXPECT_EQ(settings.knee, -2000);
    EXPECT_EQ(settings.mix, 380);
    ASSERT_EQ(settings.dither, 0);

    bool finished = false;
    bool ok = false;
    QObject::connect(&window, &HostWindow::Finished, [&](bool result) {
        finished = true;
        ok = result;
    });
    ASSERT_TRUE(window.Play());
    for (int i = 0; i < 3000 && !finished; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(finished);
    EXPECT_TRUE(ok);
    EXPECT_EQ(session.GetState(), CHostSession::State::Stopped);
    const std::vector<BYTE> played = ReadBytes(dir / "played.raw");
    const std::vector<BYTE> expected = ReferencePcm(wav, settings, 16384);
    ASSERT_EQ(played.size(), expected.size());
    const auto mismatch = std::mismatch(played.begin(), played.end(), expected.begin());
    EXPECT_EQ(mismatch.first - played.begin(), static_cast<long>(played.size()));
    EXPECT_FALSE(played == wav.data);
}

TEST_F(EmbrelHost, CommandLinePlaysAFileToTheEnd)
{
    Register();
    std::string err;
    EXPECT_EQ(RunHost("--preset 5 --play --quit-at-end " + (dir / "in.wav").string(), &err), 0) << err;
    EXPECT_EQ(ReadBytes(dir / "played.raw").size(), wav.data.size());

    EXPECT_EQ(RunHost("--play --quit-at-end " + (dir / "missing.wav").string(), &err), 1);
    EXPECT_NE(err.find("missing.wav"), std::string::npos) << err;
    EXPECT_EQ(RunHost("--preset 10 x.wav", &err), 2);
    EXPECT_EQ(RunHost("--play", &err), 2);
}

TEST_F(EmbrelHost, SaysWhenTheFilterIsNotRegistered)
{
    std::string err;
    EXPECT_EQ(RunHost("--play --quit-at-end " + (dir / "in.wav").string(), &err), 1);
    EXPECT_NE(err.find("is Embrel.ax registered"), std::string::npos) << err;
}

TEST_F(EmbrelHost, ATrackbarMovedWhilePlayingIsHeardFromABufferOn)
{
    Register();
    UseDevice("4");
    wav = Tones(120000);
    WriteInput();
    CHostSession session;
    std::string error;
    ASSERT_TRUE(session.CreateFilter(&error)) << error;
    HostWindow window(session);
    ASSERT_TRUE(window.OpenFile(QString::fromStdString((dir / "in.wav").string())));
    session.Settings()->put_Dither(0);
    SaturationSettings before{};
    session.Settings()->GetSettings(&before);
    QList<QSlider*> sliders = window.PageFrame()->findChildren<QSlider*>();
    QSlider* gain = *std::min_element(sliders.begin(), sliders.end(), [](QSlider* a, QSlider* b) { return a->x() < b->x(); });

    // Gain to the bottom (silence) once some buffers have been heard.
    ASSERT_TRUE(window.Play()) << window.Status().toStdString();
    bool moved = false;
    ASSERT_TRUE(WaitForEnd(window, [&] {
        std::error_code ignored;
        if (!moved && fs::file_size(dir / "played.raw", ignored) >= 3 * 16384 && !ignored) {
            gain->setValue(0);
            moved = true;
        }
    }));
    ASSERT_TRUE(moved);
    const std::vector<BYTE> played = ReadBytes(dir / "played.raw");
    const std::vector<BYTE> unchanged = ReferencePcm(wav, before, 16384);
    ASSERT_EQ(played.size(), unchanged.size());
    const std::size_t change = std::mismatch(played.begin(), played.end(), unchanged.begin()).first - played.begin();
    EXPECT_EQ(change % 16384, 0u) << change;
    EXPECT_GE(change, 3u * 16384);
    ASSERT_LT(change, played.size());
    // Without input only the tube stage's decaying offset is left.
    int loudest = 0;
    for (std::size_t i = change; i + 1 < played.size(); i += 2)
        loudest = std::max(loudest, std::abs(static_cast<int16_t>(played[i] | played[i + 1] << 8)));
    EXPECT_LT(loudest, 1000);
}
