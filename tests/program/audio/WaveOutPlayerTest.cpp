#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/Event.h"
#include "platform/base/KernelObject.h"
#include "platform/base/Memory.h"
#include "program/audio/OutputDeviceList.h"
#include "program/audio/WaveOutPlayer.h"

// The service calls the player makes, seen through the linker's --wrap.
namespace {

struct Call {
    std::string name;
    WAVEHDR* header;
};
std::vector<Call> calls;

}  // namespace

extern "C" {
MMRESULT __real_waveOutPrepareHeader(HWAVEOUT, LPWAVEHDR, UINT) noexcept;
MMRESULT __real_waveOutUnprepareHeader(HWAVEOUT, LPWAVEHDR, UINT) noexcept;
MMRESULT __real_waveOutWrite(HWAVEOUT, LPWAVEHDR, UINT) noexcept;
MMRESULT __real_waveOutReset(HWAVEOUT) noexcept;
MMRESULT __real_waveOutClose(HWAVEOUT) noexcept;

MMRESULT __wrap_waveOutPrepareHeader(HWAVEOUT d, LPWAVEHDR h, UINT s) noexcept
{
    calls.push_back({"prepare", h});
    return __real_waveOutPrepareHeader(d, h, s);
}
MMRESULT __wrap_waveOutUnprepareHeader(HWAVEOUT d, LPWAVEHDR h, UINT s) noexcept
{
    calls.push_back({"unprepare", h});
    return __real_waveOutUnprepareHeader(d, h, s);
}
MMRESULT __wrap_waveOutWrite(HWAVEOUT d, LPWAVEHDR h, UINT s) noexcept
{
    calls.push_back({"write", h});
    return __real_waveOutWrite(d, h, s);
}
MMRESULT __wrap_waveOutReset(HWAVEOUT d) noexcept
{
    calls.push_back({"reset", nullptr});
    return __real_waveOutReset(d);
}
MMRESULT __wrap_waveOutClose(HWAVEOUT d) noexcept
{
    calls.push_back({"close", nullptr});
    return __real_waveOutClose(d);
}
}

namespace {

constexpr const char* kNoWrite = "Error with sound card driver (cannot write data).\n";

std::vector<std::string> Names(std::size_t from = 0)
{
    std::vector<std::string> names;
    for (std::size_t i = from; i < calls.size(); ++i) names.push_back(calls[i].name);
    return names;
}

std::vector<WAVEHDR*> Headers(const std::string& name, std::size_t from = 0)
{
    std::vector<WAVEHDR*> headers;
    for (std::size_t i = from; i < calls.size(); ++i)
        if (calls[i].name == name) headers.push_back(calls[i].header);
    return headers;
}

WAVEFORMATEX Mono16()
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 44100;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 88200;
    return f;
}

std::vector<char> Block(std::size_t bytes, char seed)
{
    std::vector<char> b(bytes);
    for (std::size_t i = 0; i < bytes; ++i) b[i] = char(seed + char(i * 7));
    return b;
}

class Player : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        const std::string dir = (std::filesystem::temp_directory_path() / "calyrix-player-XXXXXX").string();
        std::vector<char> pattern(dir.begin(), dir.end());
        pattern.push_back('\0');
        scratch = mkdtemp(pattern.data());
        capture = scratch / "played.raw";
        Use("virtual:2,speed=50,capture=" + capture.string());
        event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override
    {
        CloseHandle(event);
        unsetenv("CALYRIX_WAVEOUT");
        std::filesystem::remove_all(scratch);
    }
    static void Use(const std::string& spec)
    {
        setenv("CALYRIX_WAVEOUT", spec.c_str(), 1);
        waveOutGetNumDevs();
    }

    void Open(WaveOutPlayer& player, DWORD blockSize)
    {
        const WAVEFORMATEX format = Mono16();
        player.QueryFormat(&format);
        ASSERT_EQ(player.GetErrorFlag(), 0);
        player.OpenDevice(&format, reinterpret_cast<DWORD_PTR>(&WaveOutPlayer::PlayerCallback),
                          reinterpret_cast<DWORD_PTR>(event), CALLBACK_FUNCTION);
        ASSERT_EQ(player.GetErrorFlag(), 0) << player.GetErrorText();
        player.AllocateBuffers(blockSize);
        ASSERT_EQ(player.GetErrorFlag(), 0);
    }

    // Waits, as the worker does, until the buffer about to be filled has been played.
    void WaitUntilCurrentDone(WaveOutPlayer& player)
    {
        for (int i = 0; i < 1000 && !player.IsCurrentBufferDone(); ++i) WaitForSingleObject(event, 10);
        ASSERT_TRUE(player.IsCurrentBufferDone());
    }

    std::vector<char> Played()
    {
        std::ifstream in(capture, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path scratch;
    std::filesystem::path capture;
    HANDLE event = nullptr;
};

}  // namespace

TEST_F(Player, DeviceIdKeepsItsLow16Bits)
{
    WaveOutPlayer player;
    EXPECT_EQ(player.GetDeviceId(), 0xFFFF);  // the mapper until one is chosen
    player.SetDeviceId(65536);
    EXPECT_EQ(player.GetDeviceId(), 0);
    player.SetDeviceId(0x12345);
    EXPECT_EQ(player.GetDeviceId(), 0x2345);
}

TEST_F(Player, EveryOperationButTheDoneCheckClearsTheErrorFlag)
{
    WaveOutPlayer player;
    player.Pause();  // no device open
    ASSERT_EQ(player.GetErrorFlag(), 1);
    EXPECT_STREQ(player.GetErrorText(), "Error with sound card driver (cannot pause device).\n");
    EXPECT_EQ(player.IsCurrentBufferDone(), 0);
    EXPECT_EQ(player.GetErrorFlag(), 1);
    player.GetDeviceId();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    player.Resume();
    EXPECT_STREQ(player.GetErrorText(), "Error with sound card driver (cannot resume device).\n");
    player.SetDeviceId(1);
    EXPECT_EQ(player.GetErrorFlag(), 0);
    player.Stop();
    EXPECT_EQ(player.GetErrorFlag(), 1);
    EXPECT_STREQ(player.GetErrorText(), "Error with sound card driver (cannot stop device).\n");
}

TEST_F(Player, FailuresGiveTheirMessagesAndTheLastOneStays)
{
    Use("none");
    WaveOutPlayer player;
    const WAVEFORMATEX format = Mono16();
    player.QueryFormat(&format);
    EXPECT_STREQ(player.GetErrorText(), "Sorry, sound card does not support this WAV format.\n");
    player.OpenDevice(&format, 0, 0, CALLBACK_NULL);
    EXPECT_EQ(player.GetErrorFlag(), 1);
    EXPECT_STREQ(player.GetErrorText(), "Error with sound card driver (cannot open device).\n");

    // Nothing allocated yet: the block is refused, nothing is queued.
    const std::vector<char> block = Block(16, 1);
    player.WriteBlock(block.data(), DWORD(block.size()));
    EXPECT_STREQ(player.GetErrorText(), kNoWrite);
    EXPECT_TRUE(Headers("prepare").empty());

    FailAllocationForTesting(2);  // the second buffer
    player.AllocateBuffers(1024);
    FailAllocationForTesting(0);
    EXPECT_EQ(player.GetErrorFlag(), 1);
    EXPECT_STREQ(player.GetErrorText(),
                 "Not enough memory to create data buffer for sound card driver.\n"
                 "Close some programs and try again.\n");

    // Closing what never opened: the reset and the close fail, the close's text is last.
    calls.clear();
    player.Close();
    EXPECT_EQ(Names(), (std::vector<std::string>{"reset", "close"}));
    EXPECT_STREQ(player.GetErrorText(), "Error with sound card driver (cannot close device).\n");
}

TEST_F(Player, BuffersRotateAndAreUnpreparedFromTheThirdBlockOn)
{
    WaveOutPlayer player;
    Open(player, 4096);
    std::vector<char> expected;
    for (int i = 0; i < 5; ++i) {
        if (i >= 2) WaitUntilCurrentDone(player);
        const std::vector<char> block = Block(4096, char(i));
        player.WriteBlock(block.data(), DWORD(block.size()));
        ASSERT_EQ(player.GetErrorFlag(), 0) << i << ": " << player.GetErrorText();
        expected.insert(expected.end(), block.begin(), block.end());
    }
    const std::vector<WAVEHDR*> prepared = Headers("prepare");
    ASSERT_EQ(prepared.size(), 5u);
    WAVEHDR* first = prepared[0];
    WAVEHDR* second = prepared[1];
    ASSERT_NE(first, second);
    EXPECT_NE(first->lpData, second->lpData);
    EXPECT_EQ(prepared, (std::vector<WAVEHDR*>{first, second, first, second, first}));
    EXPECT_EQ(Headers("unprepare"), (std::vector<WAVEHDR*>{first, second, first}));
    EXPECT_EQ(Names(0).front(), "prepare");  // no unprepare before the third block

    const std::size_t before = calls.size();
    player.Close();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    EXPECT_EQ(Names(before), (std::vector<std::string>{"reset", "unprepare", "unprepare", "close"}));
    EXPECT_EQ(Headers("unprepare", before), (std::vector<WAVEHDR*>{first, second}));
    // The reset may cut short the two blocks still queued (the fifth was written once the
    // third was done); what was played came in order.
    const std::vector<char> played = Played();
    ASSERT_LE(played.size(), expected.size());
    ASSERT_GE(played.size(), expected.size() - 2 * 4096);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), expected.begin()));
}

TEST_F(Player, CloseAfterOneBlockUnpreparesOnlyTheFirstHeader)
{
    WaveOutPlayer player;
    Open(player, 2048);
    const std::vector<char> block = Block(2048, 9);
    player.WriteBlock(block.data(), DWORD(block.size()));
    const std::size_t before = calls.size();
    player.Close();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    EXPECT_EQ(Names(before), (std::vector<std::string>{"reset", "unprepare", "close"}));
    EXPECT_EQ(Headers("unprepare", before).front(), Headers("prepare").front());

    // The next run starts again with buffer 0 and nothing used.
    calls.clear();
    Open(player, 2048);
    player.WriteBlock(block.data(), DWORD(block.size()));
    player.WriteBlock(block.data(), DWORD(block.size()));
    EXPECT_TRUE(Headers("unprepare").empty());
    EXPECT_EQ(player.GetErrorFlag(), 0);
    player.Close();
}

TEST_F(Player, AZeroLengthBlockIsQueuedAndReturned)
{
    WaveOutPlayer player;
    Open(player, 1024);
    const char nothing = 0;
    player.WriteBlock(&nothing, 0);
    EXPECT_EQ(player.GetErrorFlag(), 0);
    const std::vector<WAVEHDR*> written = Headers("write");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0]->dwBufferLength, 0u);
    for (int i = 0; i < 500 && !(WaveHeaderFlags(*written[0]) & WHDR_DONE); ++i) WaitForSingleObject(event, 10);
    EXPECT_TRUE(WaveHeaderFlags(*written[0]) & WHDR_DONE);
    player.Close();
    EXPECT_TRUE(Played().empty());
}

TEST_F(Player, ABlockLargerThanTheBuffersIsRefused)
{
    WaveOutPlayer player;
    Open(player, 1024);
    const std::vector<char> block = Block(1025, 3);
    player.WriteBlock(block.data(), DWORD(block.size()));
    EXPECT_EQ(player.GetErrorFlag(), 1);
    EXPECT_STREQ(player.GetErrorText(), kNoWrite);
    EXPECT_TRUE(Headers("write").empty());
    player.Close();
}

TEST_F(Player, PauseHoldsTheQueueAndStopReturnsIt)
{
    WaveOutPlayer player;
    Open(player, 8192);
    ASSERT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);  // the callback's open message
    player.Pause();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    const std::vector<char> block = Block(8192, 4);
    player.WriteBlock(block.data(), DWORD(block.size()));
    player.WriteBlock(block.data(), DWORD(block.size()));
    EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT);
    EXPECT_EQ(player.IsCurrentBufferDone(), 0);

    player.Stop();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(player.IsCurrentBufferDone(), 1);
    player.Resume();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    player.Close();
    EXPECT_EQ(player.GetErrorFlag(), 0);
    EXPECT_TRUE(Played().empty());
}

TEST_F(Player, DestroyingAnOpenPlayerClosesItsDevice)
{
    {
        WaveOutPlayer player;
        Open(player, 1 << 16);
        const std::vector<char> block = Block(1 << 16, 5);
        player.WriteBlock(block.data(), DWORD(block.size()));
        calls.clear();
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"reset", "unprepare", "close"}));
}

TEST_F(Player, DeviceListHoldsOneEntryPerDeviceInIdOrder)
{
    Use("virtual:3");
    ASSERT_EQ(OutputDeviceList::Enumerate(), 1);
    ASSERT_EQ(OutputDeviceList::GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        const OutputDeviceInfo* entry = OutputDeviceList::GetEntry(i);
        ASSERT_NE(entry, nullptr);
        EXPECT_STREQ(entry->deviceName, ("Virtual Output " + std::to_string(i + 1)).c_str());
        EXPECT_EQ(entry->channels, 2);
        EXPECT_TRUE(entry->formats & WAVE_FORMAT_4S16);
    }
    EXPECT_EQ(OutputDeviceList::GetEntry(3), nullptr);
    EXPECT_EQ(OutputDeviceList::GetEntry(-1), nullptr);
    OutputDeviceList::Clear();
    EXPECT_EQ(OutputDeviceList::GetCount(), 0);

    Use("none");
    EXPECT_EQ(OutputDeviceList::Enumerate(), 1);
    EXPECT_EQ(OutputDeviceList::GetCount(), 0);
}
