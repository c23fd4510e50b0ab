#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "WaveOutTestSupport.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

class VirtualDevice : public ::testing::Test {
protected:
    // The service re-reads the choice when it counts the devices.
    UINT Use(const std::string& spec)
    {
        setenv("CALYRIX_WAVEOUT", spec.c_str(), 1);
        return waveOutGetNumDevs();
    }
    void UseCapture(int devices, double speed)
    {
        ASSERT_EQ(Use("virtual:" + std::to_string(devices) + ",speed=" + std::to_string(speed)
            + ",capture=" + capture.string()), UINT(devices));
    }
    void TearDown() override { unsetenv("CALYRIX_WAVEOUT"); }

    HWAVEOUT Open(const WAVEFORMATEX& format, UINT id = 0)
    {
        HWAVEOUT device = nullptr;
        EXPECT_EQ(waveOutOpen(&device, id, &format, reinterpret_cast<DWORD_PTR>(&CallbackLog::Callback),
                              reinterpret_cast<DWORD_PTR>(&log), CALLBACK_FUNCTION),
                  MMSYSERR_NOERROR);
        return device;
    }

    void Queue(HWAVEOUT device, WAVEHDR& header, std::vector<char>& data)
    {
        PrepareHeader(header, data);
        ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    }

    void Finish(HWAVEOUT device, std::initializer_list<WAVEHDR*> headers)
    {
        for (WAVEHDR* h : headers) EXPECT_EQ(waveOutUnprepareHeader(device, h, sizeof *h), MMSYSERR_NOERROR);
        EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }

    ScratchDir scratch;
    std::filesystem::path capture = scratch.path / "played.raw";
    CallbackLog log;
    const WAVEFORMATEX stereo16 = PcmFormat(2, 44100, 16);
};

}  // namespace

TEST_F(VirtualDevice, ListsNamedDevicesAndNoneWhenAskedForNone)
{
    ASSERT_EQ(Use("virtual:3"), 3u);
    for (UINT id = 0; id < 3; ++id) {
        WAVEOUTCAPSA caps{};
        ASSERT_EQ(waveOutGetDevCapsA(id, &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_STREQ(caps.szPname, ("Virtual Output " + std::to_string(id + 1)).c_str());
        EXPECT_EQ(caps.wChannels, 2);
        EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_4S16);
        EXPECT_TRUE(caps.dwFormats & WAVE_FORMAT_1M08);
    }
    WAVEOUTCAPSA caps{};
    EXPECT_EQ(waveOutGetDevCapsA(3, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetDevCapsA(0, nullptr, sizeof caps), MMSYSERR_INVALPARAM);

    EXPECT_EQ(Use("none"), 0u);
    EXPECT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &stereo16, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutOpen(&device, 0, &stereo16, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);

    EXPECT_EQ(Use("virtual:2,speed=often"), 0u);
}

TEST_F(VirtualDevice, QueryAnswersWithoutOpeningAndRefusesWhatIsNotPcm)
{
    ASSERT_EQ(Use("virtual:1"), 1u);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &stereo16, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutOpen(nullptr, WAVE_MAPPER, &stereo16, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);

    WAVEFORMATEX floating = PcmFormat(2, 44100, 32);
    floating.wFormatTag = 3;
    WAVEFORMATEX badAlign = PcmFormat(2, 44100, 16);
    badAlign.nBlockAlign = 2;
    WAVEFORMATEX twelveBit = PcmFormat(1, 8000, 16);
    twelveBit.wBitsPerSample = 12;
    for (const WAVEFORMATEX& f : {floating, badAlign, twelveBit, PcmFormat(0, 44100, 16), PcmFormat(1, 0, 8)})
        EXPECT_EQ(waveOutOpen(nullptr, 0, &f, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);

    EXPECT_EQ(waveOutOpen(nullptr, 1, &stereo16, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(nullptr, 0, nullptr, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &stereo16, 0, 0, 0x00050000 /* event callback */), MMSYSERR_INVALFLAG);
}

TEST_F(VirtualDevice, PlaysBuffersInOrderAndCallsBackFromItsOwnThread)
{
    UseCapture(2, 50);
    const HWAVEOUT device = Open(PcmFormat(1, 22050, 8), 1);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(log.Count(WOM_OPEN), 1u) << "the open message comes before the open returns";

    std::vector<char> a = Pattern(5000, 1), b = Pattern(0, 2), c = Pattern(3001, 3);
    WAVEHDR ha, hb, hc;
    Queue(device, ha, a);
    Queue(device, hb, b);  // an empty buffer is returned in its turn
    Queue(device, hc, c);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 3));
    for (WAVEHDR* h : {&ha, &hb, &hc}) {
        EXPECT_TRUE(WaveHeaderFlags(*h) & WHDR_DONE);
        EXPECT_FALSE(WaveHeaderFlags(*h) & WHDR_INQUEUE);
    }
    Finish(device, {&ha, &hb, &hc});

    const auto messages = log.Snapshot();
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[0].message, WOM_OPEN);
    EXPECT_EQ(messages[1].param1, reinterpret_cast<DWORD_PTR>(&ha));
    EXPECT_EQ(messages[2].param1, reinterpret_cast<DWORD_PTR>(&hb));
    EXPECT_EQ(messages[3].param1, reinterpret_cast<DWORD_PTR>(&hc));
    EXPECT_EQ(messages[4].message, WOM_CLOSE);
    for (const auto& m : messages) {
        EXPECT_EQ(m.device, device);
        EXPECT_NE(m.thread, std::this_thread::get_id());
    }

    std::vector<char> expected = a;
    expected.insert(expected.end(), c.begin(), c.end());
    EXPECT_EQ(ReadAll(capture), expected);
    EXPECT_EQ(waveOutWrite(device, &ha, sizeof ha), MMSYSERR_INVALHANDLE);  // closed
}

TEST_F(VirtualDevice, APartialFrameAtTheEndOfABufferIsDroppedNotWaitedFor)
{
    UseCapture(1, 50);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> a = Pattern(4002, 12), b = Pattern(400, 13);
    WAVEHDR ha, hb;
    Queue(device, ha, a);
    Queue(device, hb, b);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 2, 5s));
    Finish(device, {&ha, &hb});
    std::vector<char> expected(a.begin(), a.end() - 2);
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(ReadAll(capture), expected);
}

TEST_F(VirtualDevice, HeaderMisuseIsRefusedWithTheServiceCodes)
{
    UseCapture(1, 1);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> data = Pattern(176400, 4);  // a second of sound
    WAVEHDR header;
    PrepareHeader(header, data);
    EXPECT_EQ(waveOutWrite(device, &header, sizeof header), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutPrepareHeader(device, &header, sizeof header - 1), MMSYSERR_INVALPARAM);
    ASSERT_EQ(waveOutPrepareHeader(device, &header, sizeof header), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &header, sizeof header), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(device, &header, sizeof header), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(device, &header, sizeof header), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutPause(nullptr), MMSYSERR_INVALHANDLE);

    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    Finish(device, {&header});
    EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
}

TEST_F(VirtualDevice, PlaysAtTheFormatsPaceTimesTheSpeedFactor)
{
    UseCapture(1, 20);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> data = Pattern(176400, 5);  // one second: 50 ms at speed 20
    WAVEHDR header;
    const auto start = Clock::now();
    Queue(device, header, data);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 1));
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 48ms);
    EXPECT_LT(elapsed, 900ms);  // far from real time
    Finish(device, {&header});
    EXPECT_EQ(ReadAll(capture), data);
}

TEST_F(VirtualDevice, PauseHoldsTheBuffersAndRestartPlaysThemOut)
{
    UseCapture(1, 10);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> data = Pattern(88200, 6);  // half a second: 50 ms at speed 10
    WAVEHDR header;
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    Queue(device, header, data);
    EXPECT_FALSE(log.WaitFor(WOM_DONE, 1, 150ms));  // three times its playing time
    EXPECT_FALSE(WaveHeaderFlags(header) & WHDR_DONE);

    ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 1));
    Finish(device, {&header});
    EXPECT_EQ(ReadAll(capture), data);
}

TEST_F(VirtualDevice, PauseInTheMiddleStopsTheClock)
{
    UseCapture(1, 4);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> data = Pattern(70560, 7);  // 400 ms: 100 ms at speed 4
    WAVEHDR header;
    const auto start = Clock::now();
    Queue(device, header, data);
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(capture).empty(); }));  // playing
    ASSERT_EQ(waveOutPause(device), MMSYSERR_NOERROR);
    EXPECT_FALSE(log.WaitFor(WOM_DONE, 1, 150ms));
    ASSERT_EQ(waveOutRestart(device), MMSYSERR_NOERROR);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 1));
    EXPECT_GE(Clock::now() - start, 240ms);  // 100 ms of sound plus the 150 ms pause
    Finish(device, {&header});
    EXPECT_EQ(ReadAll(capture), data);
}

TEST_F(VirtualDevice, ResetReturnsEveryQueuedBufferBeforeItReturns)
{
    UseCapture(1, 1);
    const HWAVEOUT device = Open(stereo16);
    std::vector<char> a = Pattern(1764000, 8), b = Pattern(1764000, 9);  // ten seconds each
    WAVEHDR ha, hb;
    Queue(device, ha, a);
    Queue(device, hb, b);
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(capture).empty(); }));  // playing
    const auto start = Clock::now();
    ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(log.Count(WOM_DONE), 2u);
    EXPECT_TRUE(WaveHeaderFlags(ha) & WHDR_DONE);
    EXPECT_TRUE(WaveHeaderFlags(hb) & WHDR_DONE);
    EXPECT_LT(ReadAll(capture).size(), a.size());

    // The device plays on after a reset.
    std::vector<char> c = Pattern(400, 10);
    WAVEHDR hc;
    EXPECT_EQ(waveOutUnprepareHeader(device, &ha, sizeof ha), MMSYSERR_NOERROR);
    Queue(device, hc, c);
    ASSERT_TRUE(log.WaitFor(WOM_DONE, 3));
    Finish(device, {&hb, &hc});
    const std::vector<char> played = ReadAll(capture);
    ASSERT_GE(played.size(), c.size());
    EXPECT_TRUE(std::equal(c.begin(), c.end(), played.end() - std::ptrdiff_t(c.size())));
}

TEST_F(VirtualDevice, MapperOpensTheFirstDeviceAndACaptureThatCannotBeOpenedFails)
{
    ASSERT_EQ(Use("virtual:2,speed=50,capture=" + (scratch.path / "missing" / "x.raw").string()), 2u);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, 0, &stereo16, 0, 0, CALLBACK_NULL), MMSYSERR_ERROR);
    EXPECT_EQ(device, nullptr);

    UseCapture(2, 50);
    ASSERT_EQ(waveOutOpen(&device, WAVE_MAPPER, &stereo16, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> data = Pattern(4000, 11);
    WAVEHDR header;
    Queue(device, header, data);
    EXPECT_TRUE(WaitUntil([&] { return (WaveHeaderFlags(header) & WHDR_DONE) != 0; }));
    Finish(device, {&header});
    EXPECT_EQ(ReadAll(capture), data);
}
