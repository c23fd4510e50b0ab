#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "WaveOutTestSupport.h"

// The ALSA backend against ALSA's own plugins, through a configuration of the test's own:
// "default" is a file plugin in front of the null plugin, so what is played lands in a file.
namespace {

class AlsaDevice : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("CALYRIX_WAVEOUT"); }
    void TearDown() override { unsetenv("ALSA_CONFIG_PATH"); }

    // Points libasound at a configuration whose "default" is `defaultPcm`; returns the count.
    UINT Configure(const std::string& defaultPcm)
    {
        const std::filesystem::path conf = scratch.path / "asound.conf";
        std::ofstream(conf) << "pcm.sink { type null }\n"
                            << "pcm.tofile {\n type file\n slave.pcm \"sink\"\n file \""
                            << capture.string() << "\"\n format \"raw\"\n}\n"
                            << "pcm.!default " << defaultPcm << "\n";
        setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
        return waveOutGetNumDevs();
    }

    // Device 0 when "default" opened; fails the test otherwise.
    bool DefaultIsFirst()
    {
        WAVEOUTCAPSA caps{};
        return waveOutGetDevCapsA(0, &caps, sizeof caps) == MMSYSERR_NOERROR
            && std::strcmp(caps.szPname, "Default output") == 0;
    }

    ScratchDir scratch;
    std::filesystem::path capture = scratch.path / "played.raw";
    CallbackLog log;
};

const char* const kFileDefault = "{ type plug slave.pcm \"tofile\" }";
const char* const kStereoOnly =
    "{ type multi slaves.a.pcm \"tofile\" slaves.a.channels 2 "
    "bindings.0 { slave a channel 0 } bindings.1 { slave a channel 1 } }";

}  // namespace

TEST_F(AlsaDevice, PlaysThroughTheFilePluginInOrder)
{
    ASSERT_GE(Configure(kFileDefault), 1u);
    ASSERT_TRUE(DefaultIsFirst());
    WAVEOUTCAPSA caps{};
    ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.wChannels, 2);
    EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_4S16);
    EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_1M08);

    const WAVEFORMATEX format = PcmFormat(2, 44100, 16);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&CallbackLog::Callback),
                          reinterpret_cast<DWORD_PTR>(&log), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    std::vector<std::vector<char>> blocks{Pattern(65536, 1), Pattern(65536, 2), Pattern(12000, 3)};
    std::vector<WAVEHDR> headers(blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        PrepareHeader(headers[i], blocks[i]);
        ASSERT_EQ(waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &headers[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(log.WaitFor(WOM_DONE, blocks.size()));
    for (WAVEHDR& h : headers) EXPECT_EQ(waveOutUnprepareHeader(device, &h, sizeof h), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

    const auto messages = log.Snapshot();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages.front().message, WOM_OPEN);
    for (std::size_t i = 0; i < headers.size(); ++i)
        EXPECT_EQ(messages[i + 1].param1, reinterpret_cast<DWORD_PTR>(&headers[i]));
    EXPECT_EQ(messages.back().message, WOM_CLOSE);

    std::vector<char> expected;
    for (const auto& b : blocks) expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(ReadAll(capture), expected);
}

TEST_F(AlsaDevice, QueryRefusesWhatThePcmCannotTake)
{
    ASSERT_GE(Configure(kStereoOnly), 1u);
    ASSERT_TRUE(DefaultIsFirst());
    WAVEOUTCAPSA caps{};
    ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_4S16);
    EXPECT_FALSE(caps.dwFormats & WAVE_FORMAT_4M16);

    const WAVEFORMATEX stereo = PcmFormat(2, 44100, 16);
    const WAVEFORMATEX mono = PcmFormat(1, 44100, 16);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &stereo, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &mono, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, 0, &mono, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(device, nullptr);
}

TEST_F(AlsaDevice, ADefaultThatDoesNotOpenIsNotListed)
{
    Configure("{ type hw card 97 }");
    EXPECT_FALSE(DefaultIsFirst());
}

TEST_F(AlsaDevice, ResetReturnsQueuedBuffersAndThePcmPlaysOn)
{
    ASSERT_GE(Configure(kFileDefault), 1u);
    ASSERT_TRUE(DefaultIsFirst());
    const WAVEFORMATEX format = PcmFormat(1, 8000, 8);
    HWAVEOUT device = nullptr;
    ASSERT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&CallbackLog::Callback),
                          reinterpret_cast<DWORD_PTR>(&log), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    std::vector<char> a = Pattern(16384, 4), b = Pattern(16384, 5);
    WAVEHDR ha, hb;
    PrepareHeader(ha, a);
    ASSERT_EQ(waveOutPrepareHeader(device, &ha, sizeof ha), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &ha, sizeof ha), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_EQ(log.Count(WOM_DONE), 1u);
    EXPECT_TRUE(WaveHeaderFlags(ha) & WHDR_DONE);

    ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    PrepareHeader(hb, b);
    ASSERT_EQ(waveOutPrepareHeader(device, &hb, sizeof hb), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &hb, sizeof hb), MMSYSERR_NOERROR);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 2));
    EXPECT_EQ(waveOutUnprepareHeader(device, &ha, sizeof ha), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(device, &hb, sizeof hb), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    EXPECT_EQ(ReadAll(capture), b);  // the paused buffer never played
}
