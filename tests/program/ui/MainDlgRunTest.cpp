#include <gtest/gtest.h>

#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "MainDlgTestSupport.h"
#include "platform/help/WinHelp.h"
#include "platform/registry/Registry.h"

using namespace maindlgtest;

namespace {

using RunControl = MainDlgTestBase;

std::string SaveQuestion(const std::string& output)
{
    return "Save output sound to " + output + "?";
}

TEST_F(RunControl, StartRefusesWithoutInputOrDestination)
{
    CMainDlg& d = Open();
    d.OnCommand(IDC_START);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Missing Source");
    EXPECT_EQ(messageBox.shown[0].text, "You need to enter an Input File Name.");
    EXPECT_EQ(messageBox.shown[0].type, MB_OK | MB_ICONEXCLAMATION);
    ASSERT_EQ(fileDialog.requests.size(), 1u);
    EXPECT_TRUE(fileDialog.requests[0].open);
    EXPECT_EQ(fileDialog.requests[0].startName, "*.wav");

    // A preview without input puts its flags back before the same message.
    d.OnCommand(IDC_PREVIEW);
    EXPECT_EQ(d.GetWriteFlag(), 0);
    ASSERT_TRUE(PumpUntil([&] { return messageBox.shown.size() == 2; }));
    EXPECT_EQ(messageBox.shown[1].caption, "Missing Source");
    EXPECT_EQ(d.GetPreviewFlag(), 0);
    EXPECT_EQ(d.GetWriteFlag(), 1);
    EXPECT_EQ(d.GetListenFlag(), 1);
    messageBox.shown.pop_back();
    fileDialog.requests.pop_back();

    // An input but no output: the save dialog proposes the input's name with an "E".
    fileDialog.answers = {Input("song.wav", 100)};
    d.OnCommand(IDC_BROWSE_INPUT);
    d.OnCommand(IDC_START);
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(messageBox.shown[1].caption, "Missing Destination");
    EXPECT_EQ(messageBox.shown[1].text, "You need to enter an Output File Name.");
    ASSERT_EQ(fileDialog.requests.size(), 3u);
    EXPECT_FALSE(fileDialog.requests[2].open);
    EXPECT_EQ(fileDialog.requests[2].startName, dir.File("songE.wav"));
    EXPECT_EQ(fileDialog.requests[2].flags, OFN_OVERWRITEPROMPT);
    EXPECT_FALSE(d.IsRunning());
}

TEST_F(RunControl, WithoutSoundCardPreviewIsRefusedAndWithoutWritingThereIsNoDestination)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorel\\Calyrix\\Version 1.0", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    const DWORD zero = 0;
    RegSetValueExA(key, "OutFileSel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    RegCloseKey(key);
    CMainDlg& d = Open();
    messageBox.shown.clear();
    fileDialog.answers = {Input("song.wav", 100)};
    d.OnCommand(IDC_BROWSE_INPUT);
    d.OnCommand(IDC_PREVIEW);  // no sound card: refused, flags unchanged
    EXPECT_EQ(d.GetWriteFlag(), 0);
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_EQ(d.GetPreviewFlag(), 0);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Preview Warning");
    EXPECT_EQ(messageBox.shown[0].text, "Sorry, no sound cards are available,so you cannot preview the sound.");

    d.OnCommand(IDC_START);
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(messageBox.shown[1].caption, "Missing Destination");
    EXPECT_EQ(messageBox.shown[1].text, "You need to select an Output Destination.");
    EXPECT_FALSE(d.IsRunning());
}

TEST_F(RunControl, NoSoundCardIsReportedAndDisablesListening)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "SoundCard Error");
    EXPECT_EQ(messageBox.shown[0].text,
              "Cannot find any Sound cards that support MCI.\n"
              "Thus, you will not be able to listen to the sound.\n"
              "However, the algorithm will still embrel the files,\n"
              "and you can listen to them elswhere.");
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_FALSE(d.Control(IDC_SOUNDCARD).enabled);

    // An offline run leaves the sound-card button disabled for good.
    Choose(Input("song.wav", 1000), dir.File("out.wav"));
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    EXPECT_FALSE(d.Control(IDC_SOUNDCARD).enabled);
    EXPECT_TRUE(d.Control(IDC_START).enabled);
}

TEST_F(RunControl, InputsThatCannotBeUsedAreRemovedFromTheList)
{
    CMainDlg& d = Open();
    fileDialog.answers = {Input("deep.wav", 10, 2, 24)};
    d.OnCommand(IDC_BROWSE_INPUT);
    fileDialog.answers = {Input("quad.wav", 10, 4, 16)};
    d.OnCommand(IDC_BROWSE_INPUT);
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_EQ(messageBox.shown[1].text,
              "You have selected a wave file which is neither mono nor stereo.\n"
              "At this time, you can only use mono or stereo wave files.\nSorry.\n");
    EXPECT_TRUE(d.Files(IDC_INPUT_FILE).items.empty());
    EXPECT_EQ(d.Files(IDC_INPUT_FILE).selected, -1);

    // A file that vanished after it was chosen is reported at start, nothing is begun.
    const std::string input = Input("song.wav", 10);
    Choose(input, dir.File("out.wav"));
    unlink(input.c_str());
    d.OnCommand(IDC_START);
    EXPECT_EQ(messageBox.shown.back().caption, "ERROR");
    EXPECT_EQ(d.GetFocusId(), IDC_INPUT_FILE);
    EXPECT_FALSE(d.IsRunning());
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, OfflineRunSavesOnYesBitExactWithTheBatchToolAndDeletesOnNo)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    d.SetCheck(IDC_DITHER, 0);
    d.OnCommand(IDC_DITHER);
    const std::string input = Input("song.wav", 50000);
    const std::string output = dir.File("out.wav");
    Choose(input, output);
    messageBox.shown.clear();
    messageBox.answers = {IDYES};
    d.OnCommand(IDC_START);
    EXPECT_TRUE(d.IsRunning());
    EXPECT_FALSE(d.Control(IDC_START).enabled);
    EXPECT_FALSE(d.Control(IDC_INPUT_FILE).enabled);
    EXPECT_TRUE(d.Control(IDC_STOP).enabled);
    EXPECT_EQ(d.Control(IDC_START).image, IDB_START_RUNNING);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "Save Results?");
    EXPECT_EQ(messageBox.shown[0].text, SaveQuestion(output));
    EXPECT_EQ(messageBox.shown[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
    EXPECT_EQ(d.Control(IDC_START).image, IDB_START_IDLE);
    EXPECT_FALSE(d.Control(IDC_STOP).enabled);
    EXPECT_EQ(d.GetProgress(), 0);

    const std::string batchOutput = dir.File("batch.wav");
    const std::string command = std::string(EMBREL_BATCH) +
                                " -q --gain -1000 --tube on --mix 999 --character 1000 --dynamics -250 --tape on"
                                " --knee 0 --limiter -1000 --dither off '" + input + "' '" + batchOutput + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(wavtest::ReadFile(output), wavtest::ReadFile(batchOutput));

    const std::string second = dir.File("second.wav");
    fileDialog.answers = {second};
    d.OnCommand(IDC_BROWSE_OUTPUT);
    messageBox.answers = {IDNO};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    EXPECT_FALSE(Exists(second));
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, ListeningRunPlaysAndOffersTheResult)
{
    setenv("CALYRIX_WAVEOUT", ("virtual:2,speed=50,capture=" + dir.File("played.raw")).c_str(), 1);
    CMainDlg& d = Open();
    const std::string output = dir.File("out.wav");
    Choose(Input("song.wav", 40000), output);
    messageBox.answers = {IDYES};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(messageBox.Captions(), std::vector<std::string>{"Save Results?"});
    EXPECT_TRUE(Exists(output));
    EXPECT_GE(wavtest::ReadFile(dir.File("played.raw")).size(), 40000u * 4);
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, StoppingOffersThePartialResultAndNoDeletesIt)
{
    setenv("CALYRIX_WAVEOUT", "virtual:1,speed=1", 1);
    CMainDlg& d = Open();
    Choose(Input("long.wav", 441000), dir.File("out.wav"));
    d.OnCommand(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return d.GetProgress() > 0; }));
    d.OnCommand(IDC_STOP);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(messageBox.Captions(), std::vector<std::string>{"Save Results?"});
    EXPECT_FALSE(Exists(dir.File("out.wav")));
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
    EXPECT_LT(d.GetProgress(), 100);
}

TEST_F(RunControl, AFailedReplacementAsksAgainAndKeepsTheOldOutput)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    const std::string output = dir.File("taken");
    ASSERT_EQ(mkdir(output.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((output + "/inside").c_str(), 0755), 0);
    Choose(Input("song.wav", 1000), output);
    messageBox.shown.clear();
    messageBox.answers = {IDYES, IDYES, IDNO};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(messageBox.Captions(), (std::vector<std::string>{"Save Results?", "SAVE ERROR", "SAVE ERROR"}));
    EXPECT_EQ(messageBox.shown[1].text, "Cannot save the file, " + output + ".\n"
                                        "\nThe file is probably being used by another program.\n"
                                        "If you want to save the file, you must close the other program.\n"
                                        "\nDo you want to try saving again?\n");
    struct stat st;
    ASSERT_EQ(stat((output + "/inside").c_str(), &st), 0);
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, SavingReplacesAnExistingOutputAndKeepsItsMode)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    const std::string output = dir.File("out.wav");
    wavtest::WriteFile(output, wavtest::Bytes{'o', 'l', 'd'});
    ASSERT_EQ(chmod(output.c_str(), 0640), 0);
    Choose(Input("song.wav", 1000), output);
    messageBox.answers = {IDNO};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(wavtest::ReadFile(output), (wavtest::Bytes{'o', 'l', 'd'}));
    messageBox.answers = {IDYES};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    struct stat st;
    ASSERT_EQ(stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::size_t(st.st_size), 44u + 1000u * 4);
}

TEST_F(RunControl, TheTemporaryFileIsRefusedWhenHeldOrNotAPlainFileOfTheUser)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    Choose(Input("song.wav", 1000), dir.File("out.wav"));
    messageBox.shown.clear();

    const int held = open(d.GetTemporaryPath().c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    d.OnCommand(IDC_START);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_NE(messageBox.shown[0].text.find("another run is using it"), std::string::npos);
    EXPECT_FALSE(d.IsRunning());
    close(held);
    unlink(d.GetTemporaryPath().c_str());

    const std::string victim = dir.File("victim.txt");
    wavtest::WriteFile(victim, wavtest::Bytes{'k', 'e', 'e', 'p'});
    ASSERT_EQ(symlink(victim.c_str(), d.GetTemporaryPath().c_str()), 0);
    d.OnCommand(IDC_START);
    ASSERT_EQ(messageBox.shown.size(), 2u);
    EXPECT_NE(messageBox.shown[1].text.find("symbolic link"), std::string::npos);
    EXPECT_EQ(wavtest::ReadFile(victim), (wavtest::Bytes{'k', 'e', 'e', 'p'}));
    unlink(d.GetTemporaryPath().c_str());

    // A stale file of a killed run is taken over.
    wavtest::WriteFile(d.GetTemporaryPath(), wavtest::Bytes(100, 1));
    messageBox.answers = {IDYES};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(messageBox.shown.back().caption, "Save Results?");
    EXPECT_TRUE(Exists(dir.File("out.wav")));
}

TEST_F(RunControl, PreviewLoopsUntilStoppedAndPutsTheFlagsBack)
{
    setenv("CALYRIX_WAVEOUT", ("virtual:1,speed=100,capture=" + dir.File("played.raw")).c_str(), 1);
    CMainDlg& d = Open();
    Choose(Input("short.wav", 5000), dir.File("out.wav"));
    d.OnCommand(IDC_PREVIEW);
    EXPECT_EQ(d.GetPreviewFlag(), 1);
    EXPECT_EQ(d.GetWriteFlag(), 0);
    // Three times the file has been played: the preview restarted on its own.
    ASSERT_TRUE(PumpUntil([&] { return wavtest::ReadFile(dir.File("played.raw")).size() > 3 * 5000 * 4; }));
    ASSERT_TRUE(PumpUntil([&] { return d.IsRunning(); }));
    d.OnCommand(IDC_STOP);
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_EQ(d.GetPreviewFlag(), 0);
    EXPECT_EQ(d.GetListenFlag(), 1);
    EXPECT_EQ(d.GetWriteFlag(), 1);
    EXPECT_FALSE(Exists(dir.File("out.wav")));
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, TheRealTimeWarningComesOnceAndNotWhenSwitchedOff)
{
    setenv("CALYRIX_WAVEOUT", "virtual:1,speed=100000", 1);
    CMainDlg& d = Open();
    Choose(Input("long.wav", 400000), dir.File("out.wav"));
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    const std::string warning =
        "Your computer is too slow or you are running too\n"
        "many programs for real time processing.\n"
        "This is what is causing the clicks and pauses.\n"
        "These clicks and pauses will NOT be saved to the output file.\n"
        "\nYou may disable this message in the future by de-selecting\n"
        "Real Time Watch in the menu options.\n";
    ASSERT_EQ(messageBox.Captions(), (std::vector<std::string>{"Real Time Watch Warning", "Save Results?"}));
    EXPECT_EQ(messageBox.shown[0].text, warning);

    messageBox.shown.clear();
    d.OnCommand(ID_REAL_TIME_WATCH);
    EXPECT_EQ(d.GetRealTimeWatch(), 0);
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(messageBox.Captions(), std::vector<std::string>{"Save Results?"});
}

TEST_F(RunControl, ProgressIsTruncatedAndZeroForAnEmptyFile)
{
    setenv("CALYRIX_WAVEOUT", "none", 1);
    CMainDlg& d = Open();
    Choose(Input("three.wav", 3), dir.File("out.wav"));
    d.OnCommand(IDC_START);
    d.OnRunProgress(0, 1);  // before the worker's own message is handled
    EXPECT_EQ(d.GetProgress(), 33);
    ASSERT_TRUE(RunToEnd());

    Choose(Input("empty.wav", 0), dir.File("out2.wav"));
    d.OnCommand(IDC_START);
    d.OnRunProgress(0, 0);
    EXPECT_EQ(d.GetProgress(), 0);
    ASSERT_TRUE(RunToEnd());
}

TEST_F(RunControl, PauseHoldsTheRunInBothModes)
{
    for (const char* device : {"none", "virtual:1,speed=20"}) {
        SCOPED_TRACE(device);
        setenv("CALYRIX_WAVEOUT", device, 1);
        CMainDlg& d = Open();
        Choose(Input("long.wav", 441000), dir.File("out.wav"));
        d.OnCommand(IDC_START);
        ASSERT_TRUE(PumpUntil([&] { return d.GetProgress() > 0; }));
        d.OnCommand(IDC_PAUSE);
        EXPECT_EQ(d.GetPauseFlag(), 1);
        EXPECT_EQ(d.Control(IDC_PAUSE).image, IDI_RESUME);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        d.PumpMessages();
        const int held = d.GetProgress();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        d.PumpMessages();
        EXPECT_EQ(d.GetProgress(), held);
        EXPECT_TRUE(d.IsRunning());
        d.OnCommand(IDC_PAUSE);
        EXPECT_EQ(d.Control(IDC_PAUSE).image, IDI_PAUSE);
        messageBox.answers = {IDYES};
        ASSERT_TRUE(RunToEnd());
        EXPECT_EQ(messageBox.shown.back().caption, "Save Results?");
        EXPECT_TRUE(Exists(dir.File("out.wav")));
        unlink(dir.File("out.wav").c_str());
        dlg.reset();
        OutputDeviceList::Clear();
    }
}

TEST_F(RunControl, ClosingDuringARunStopsItFirst)
{
    setenv("CALYRIX_WAVEOUT", "virtual:1,speed=1", 1);
    CMainDlg& d = Open();
    Choose(Input("long.wav", 441000), dir.File("out.wav"));
    d.OnCommand(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return d.GetProgress() > 0; }));
    d.OnCommand(IDCANCEL_COMMAND);  // Escape: nothing saved, nothing asked
    EXPECT_EQ(host.ended, IDCANCEL);
    EXPECT_FALSE(d.IsRunning());
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
    EXPECT_FALSE(Exists(dir.File("out.wav")));
    dlg.reset();
    OutputDeviceList::Clear();

    CMainDlg& again = Open();  // Escape saved no settings: the files are chosen again
    Choose(dir.File("long.wav"), dir.File("out.wav"));
    again.OnCommand(IDC_START);
    ASSERT_TRUE(PumpUntil([&] { return again.GetProgress() > 0; }));
    messageBox.answers = {IDYES};
    again.OnCommand(IDC_CLOSE);  // the OK path offers the partial result
    EXPECT_EQ(host.ended, IDOK);
    EXPECT_EQ(messageBox.Captions(), std::vector<std::string>{"Save Results?"});
    EXPECT_TRUE(Exists(dir.File("out.wav")));
}

TEST_F(RunControl, SoundCardDialogTakesOverOnlyWhenConfirmed)
{
    CMainDlg& d = Open();
    int offeredListen = -1, offeredDevice = -1;
    host.soundCard = [&](int* listen, int* device) {
        offeredListen = *listen;
        offeredDevice = *device;
        *listen = 0;
        *device = 1;
        return false;
    };
    d.OnCommand(IDC_SOUNDCARD);
    EXPECT_EQ(offeredListen, 1);
    EXPECT_EQ(offeredDevice, 0);
    EXPECT_EQ(d.GetListenFlag(), 1);
    EXPECT_EQ(d.Player().GetDeviceId(), 0);
    host.soundCard = [](int* listen, int* device) {
        *listen = 0;
        *device = 1;
        return true;
    };
    d.OnCommand(IDC_SOUNDCARD);
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_EQ(d.Player().GetDeviceId(), 1);
    EXPECT_EQ(d.GetFocusId(), IDC_DEFAULT);
}

TEST_F(RunControl, SliderAndSwitchHandlersWaitForTheRunLock)
{
    CMainDlg& d = Open();
    std::promise<void> locked, release;
    std::thread holder([&] {
        EnterCriticalSection(d.RunLock());
        locked.set_value();
        release.get_future().wait();
        LeaveCriticalSection(d.RunLock());
    });
    locked.get_future().wait();
    auto scroll = std::async(std::launch::async, [&] {
        d.OnScroll(IDC_LIMITER, -500);
        d.SetCheck(IDC_TUBE, 0);
        d.OnCommand(IDC_TUBE);
    });
    EXPECT_EQ(scroll.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    EXPECT_EQ(d.Engine().GetLimiter(), SaturationEngine().GetLimiter());
    release.set_value();
    scroll.get();
    holder.join();
    EXPECT_EQ(d.Engine().GetLimiter(), -500);
    EXPECT_EQ(d.Engine().GetTube(), 0);
    EXPECT_EQ(d.Control(IDC_LIMITER_TEXT).text, SaturationEngine::LimiterLevelText(-500));
}

TEST_F(RunControl, AValueTheEngineRejectsIsReportedAndKept)
{
    CMainDlg& d = Open();
    d.OnScroll(IDC_KNEE, 9000);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].caption, "ERROR");
    EXPECT_EQ(messageBox.shown[0].text, d.Engine().GetErrorText());
    d.OnOK();
    dlg.reset();
    OutputDeviceList::Clear();
    EXPECT_EQ(Open().Slider(IDC_KNEE).pos, 9000);
}

}  // namespace

namespace {

TEST_F(RunControl, AnUnplayableDeviceRunsWithoutSoundOrEndsAPreview)
{
    CMainDlg& d = Open();
    d.Player().SetDeviceId(5);  // only devices 0 and 1 exist
    Choose(Input("song.wav", 1000), dir.File("out.wav"));
    messageBox.answers = {IDOK, IDYES};
    d.OnCommand(IDC_START);
    ASSERT_TRUE(RunToEnd());
    ASSERT_EQ(messageBox.Captions(), (std::vector<std::string>{"MCI Error", "Save Results?"}));
    const std::string& text = messageBox.shown[0].text;
    const std::string tail = "\nProgram will proceed without playing sound.";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_TRUE(Exists(dir.File("out.wav")));

    // A preview cannot go on without sound: it ends, and listening stays off afterwards.
    messageBox.shown.clear();
    d.OnCommand(IDC_PREVIEW);
    ASSERT_TRUE(PumpUntil([&] { return !d.GetPreviewFlag(); }));
    ASSERT_EQ(messageBox.Captions(), std::vector<std::string>{"MCI Error"});
    EXPECT_NE(messageBox.shown[0].text.find("\nProgram cannot run in preview mode."), std::string::npos);
    EXPECT_FALSE(d.IsRunning());
    EXPECT_EQ(d.GetListenFlag(), 0);
    EXPECT_EQ(d.GetWriteFlag(), 1);
    EXPECT_FALSE(Exists(d.GetTemporaryPath()));
}

TEST_F(RunControl, HelpTopicsOpensTheMainWindowsPage)
{
    CMainDlg& d = Open();
    const std::string help = dir.File("Embrel.hlp");
    ASSERT_EQ(mkdir(help.c_str(), 0755), 0);
    wavtest::WriteFile(help + "/20066.html", wavtest::Bytes{'<', 'p', '>'});
    std::vector<std::string> opened;
    const HelpOpener previous = SetHelpOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    d.SetHelpFile(help);
    d.OnCommand(ID_HELP_TOPICS);
    SetHelpOpener(previous);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "file://" + help + "/20066.html");
}

}  // namespace

namespace {

// The meters' side: the highest level since the window (or the run) began stays until
// the meter has read a slot once.
TEST_F(RunControl, LevelsHoldTheHighestUntilReadAndLightTheClipLamp)
{
    CMainDlg& d = Open();
    // The test reads the levels in the meters' place, from levels no meter has read yet.
    d.MeterDriver().End();
    d.Levels().Reset();
    SaturationEngine& engine = d.Engine();
    engine.SetFormat(16, 44100, 1);
    auto feed = [&](float amplitude) {
        std::vector<float> block(64, amplitude);
        engine.Process(block.data(), int(block.size()));
        d.OnRunProgress(0, 0);
    };
    int current = 0, held = 0, over = 0;
    feed(1.0f);
    const int loud = engine.GetInputPeakDb();
    feed(0.01f);
    ASSERT_LT(engine.GetInputPeakDb(), loud - 20);
    d.GetLevels(0, &current, &held, &over);
    EXPECT_EQ(held, loud);
    EXPECT_EQ(over, loud > d.GetClipThreshold() ? 1 : 0);

    // Read once: the next block's level is shown as it is.
    feed(0.01f);
    d.GetLevels(0, &current, &held, &over);
    EXPECT_EQ(current, engine.GetInputPeakDb());
    EXPECT_EQ(over, 0);
}

}  // namespace
