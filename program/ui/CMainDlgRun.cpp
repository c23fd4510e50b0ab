// The run control of the main window: start, preview, pause, stop, progress, the end of a
// run and the saving of its result.
#include <sys/stat.h>

#include "platform/base/CCritSec.h"
#include "program/audio/OutputDeviceList.h"
#include "program/audio/ProcessingWorker.h"
#include "program/audio/RunTexts.h"
#include "platform/fs/ResultFile.h"
#include "platform/fs/TemporaryFile.h"
#include "program/ui/CMainDlg.h"

namespace {

// Alternates the resting and the lit icon of the active switches every fourth block.
int blinkCounter = 0;
int blinkPhase = 0;

const int RunDisabledControls[] = {IDC_INPUT_FILE, IDC_BROWSE_INPUT, IDC_OUTPUT_FILE, IDC_BROWSE_OUTPUT,
                                   IDC_PRESET,     IDC_ADD_PRESET,   IDC_DELETE_PRESET};

}  // namespace

void CMainDlg::Fail(const std::string& caption, const std::string& text, UINT type)
{
    messageBox.Show(caption, text, type);
}

void CMainDlg::CheckSoundCards()
{
    if (OutputDeviceList::Enumerate() && OutputDeviceList::GetCount() > 0) {
        soundCardAvailable = 1;
        return;
    }
    messageBox.Show("SoundCard Error", NoSoundCardsText, MB_OK);
    soundCardAvailable = 0;
    listenFlag = 0;
    controls[IDC_SOUNDCARD].enabled = false;
}

void CMainDlg::OnPreview()
{
    if (!soundCardAvailable) {
        messageBox.Show("Preview Warning",
                        NoPreviewText, MB_OK);
        return;
    }
    savedListen = listenFlag;
    savedWrite = writeFlag;
    previewFlag = 1;
    listenFlag = 1;
    writeFlag = 0;
    PostMessage(GetSafeHwnd(), WM_COMMAND, IDC_START, 0);
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::EndPreviewRequest()
{
    if (!previewFlag) return;
    previewFlag = 0;
    writeFlag = savedWrite;
    listenFlag = savedListen;
}

void CMainDlg::OnStart()
{
    if (reader.GetFileName()[0] == '\0') {
        EndPreviewRequest();
        messageBox.Show("Missing Source", "You need to enter an Input File Name.", MB_OK | MB_ICONEXCLAMATION);
        OnBrowseInput();
        return;
    }
    if (!writeFlag && !listenFlag) {
        messageBox.Show("Missing Destination", "You need to select an Output Destination.",
                        MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (writeFlag && writer.GetFileName()[0] == '\0') {
        messageBox.Show("Missing Destination", "You need to enter an Output File Name.", MB_OK | MB_ICONEXCLAMATION);
        OnBrowseOutput();
        return;
    }
    if (!OpenInput()) return EndPreviewRequest();
    if (writeFlag && !OpenOutput()) {
        reader.Close();
        return EndPreviewRequest();
    }
    if (listenFlag && !OpenListening()) return;
    pauseFlag = stopFlag = 0;
    running = 1;
    discardResult = false;
    converter.SetFormats(reader.GetBitsPerSample(), reader.GetChannels(), reader.GetBitsPerSample(),
                         reader.GetChannels());
    engine.SetFormat(reader.GetBitsPerSample(), int(reader.GetSampleRate()), reader.GetChannels());
    SetRunControls(true);
    FillContext();
    if (listenFlag) {
        PrimePlayer(context);
        if (player.GetErrorFlag()) {
            messageBox.Show("MCI ERROR", player.GetErrorText(), MB_OK);
            return AbandonStart();
        }
    }
    StartWorker();
}

bool CMainDlg::OpenInput()
{
    blockSize = MonoBlock;
    reader.Open();
    if (reader.GetErrorFlag()) {
        Fail("ERROR", reader.GetErrorText(), MB_OK | MB_ICONSTOP);
        SetFocus(IDC_INPUT_FILE);
        return false;
    }
    reader.ReadHeader(blockSize);
    if (!reader.GetErrorFlag() && reader.GetChannels() > 1) {
        blockSize = StereoBlock;
        reader.SetBufferSize(blockSize);
    }
    if (reader.GetErrorFlag()) {
        Fail("ERROR", reader.GetErrorText(), MB_OK | MB_ICONSTOP);
        reader.Close();
        return false;
    }
    framesDone = 0;
    totalFrames = reader.GetTotalFrames();
    return true;
}

bool CMainDlg::OpenOutput()
{
    if (!ClaimTemporaryFile()) {
        SetFocus(IDC_OUTPUT_FILE);
        return false;
    }
    writer.SetFileName(temporaryPath.c_str());
    writer.Create();
    if (writer.GetErrorFlag()) {
        Fail("ERROR", writer.GetErrorText(), MB_OK | MB_ICONSTOP);
        ReleaseTemporaryFile();
        SetFocus(IDC_OUTPUT_FILE);
        return false;
    }
    writer.BeginData(reader.GetRiffChunk(), reader.GetFormatChunk(), reader.GetDataChunk(), reader.GetFormat(),
                     blockSize);
    if (writer.GetErrorFlag()) {
        Fail("ERROR", writer.GetErrorText(), MB_OK | MB_ICONSTOP);
        writer.Finish();
        DiscardResult();
        return false;
    }
    return true;
}

// False when the run ends here: the device cannot be opened, or a preview cannot play.
bool CMainDlg::OpenListening()
{
    realTimeWarningGiven = realTimeWatch ? 0 : 1;
    player.QueryFormat(reader.GetFormat());
    if (!player.GetErrorFlag()) {
        player.OpenDevice(reader.GetFormat(), reinterpret_cast<DWORD_PTR>(&WaveOutPlayer::PlayerCallback),
                          reinterpret_cast<DWORD_PTR>(blockEvent), CALLBACK_FUNCTION);
        if (player.GetErrorFlag()) {
            Fail("MCI Error", std::string(player.GetErrorText()) +
                                  "\nYou are probably playing a wave file in another program.\n"
                                  "You may try again when the other program finishes.\n", MB_OK);
            EndListeningAtOnce();
            return false;
        }
        player.AllocateBuffers(DWORD(blockSize));
        if (!player.GetErrorFlag()) return true;
        const std::string failure = player.GetErrorText();
        player.Close();
        return ListeningFailed(failure);
    }
    return ListeningFailed(player.GetErrorText());
}

// The format cannot be played or there is no buffer memory: a preview ends, a processing
// run goes on without sound.
bool CMainDlg::ListeningFailed(const std::string& failure)
{
    if (previewFlag) {
        stopFlag = 1;
        savedListen = 0;
        running = 1;
        Fail("MCI Error", failure + "\nProgram cannot run in preview mode.", MB_OK);
        PostMessage(GetSafeHwnd(), WM_RUN_FINISHED, 0, 0);
        return false;
    }
    Fail("MCI Error", failure + "\nProgram will proceed without playing sound.", MB_OK);
    listenFlag = 0;
    return true;
}

// The device cannot be opened: the run ends through the end-of-run handling as a stopped
// preview, which puts the flags back. A result file already begun is thrown away.
void CMainDlg::EndListeningAtOnce()
{
    if (writeFlag) {
        writer.Finish();
        DiscardResult();
    }
    if (!previewFlag) {
        previewFlag = 1;
        savedWrite = writeFlag;
        writeFlag = 0;
        savedListen = listenFlag;
    }
    stopFlag = 1;
    running = 1;
    listenFlag = 1;
    PostMessage(GetSafeHwnd(), WM_RUN_FINISHED, 0, 0);
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::SetRunControls(bool runningState)
{
    for (int id : RunDisabledControls) controls[id].enabled = !runningState;
    controls[IDC_SOUNDCARD].enabled = !runningState && soundCardAvailable;
    controls[IDC_START].image = runningState ? IDB_START_RUNNING : IDB_START_IDLE;
    controls[IDC_START].enabled = !runningState;
    controls[IDC_PREVIEW].enabled = !runningState;
    controls[IDC_STOP].enabled = runningState;
    controls[IDC_PAUSE].enabled = runningState;
    controls[IDC_PAUSE].image = IDI_PAUSE;
    if (runningState) return;
    controls[IDC_TUBE].image = IDI_TUBE_OFF;
    controls[IDC_TAPE].image = IDI_TAPE_OFF;
    percentDone = 0;
}

void CMainDlg::FillContext()
{
    context.mainWindow = GetSafeHwnd();
    context.reader = &reader;
    context.writer = &writer;
    context.converter = &converter;
    context.engine = &engine;
    context.player = &player;
    context.listenFlag = &listenFlag;
    context.writeFlag = &writeFlag;
    context.runningFlag = &running;
    context.pauseFlag = &pauseFlag;
    context.stopFlag = &stopFlag;
    context.byteBuffer = byteBuffer.data();
    context.floatBuffer = floatBuffer.data();
    context.blockSize = &blockSize;
    context.runLock = runLock.Section();
    context.blockEvent = blockEvent;
    context.offlineBlockSleep = 1;
}

void CMainDlg::StartWorker()
{
    SetEvent(blockEvent);
    workerThread = CreateThread(nullptr, 0, ProcessingWorker, &context, 0, nullptr);
    if (workerThread) return;
    Fail("ERROR", "Cannot start the processing thread.", MB_OK | MB_ICONSTOP);
    AbandonStart();
}

// A run marked running whose worker never started: closed as at its end, nothing saved.
void CMainDlg::AbandonStart()
{
    discardResult = true;
    stopFlag = 1;
    OnRunFinished();
}

void CMainDlg::OnPause()
{
    {
        CAutoLock lock(&runLock);
        int image;
        if (pauseFlag) {
            pauseFlag = 0;
            image = IDI_PAUSE;
            if (listenFlag) player.Resume();
        } else {
            pauseFlag = 1;
            image = IDI_RESUME;
            if (listenFlag) player.Pause();
        }
        if (listenFlag && player.GetErrorFlag())
            messageBox.Show("MCI ERROR", player.GetErrorText(), MB_OK | MB_ICONSTOP);
        controls[IDC_PAUSE].image = image;
    }
    SetFocus(IDC_DEFAULT);
}

// A listening worker waiting for the device is woken at once by the block event.
void CMainDlg::OnStop()
{
    {
        CAutoLock lock(&runLock);
        stopFlag = 1;
        player.Stop();
    }
    SetEvent(blockEvent);
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::UpdateLevel(LevelSlot& slot, int level)
{
    if (slot.read != 1 && slot.held >= level) level = slot.held;
    slot.held = slot.current = level;
    slot.over = slot.held > clipThreshold ? 1 : 0;
}

void CMainDlg::Blink()
{
    if (++blinkCounter == 4) {
        blinkCounter = 0;
        blinkPhase ^= 1;
    }
    if (controls[IDC_TUBE].check) controls[IDC_TUBE].image = blinkPhase ? IDI_TUBE_ON : IDI_TUBE_OFF;
    if (controls[IDC_TAPE].check) controls[IDC_TAPE].image = blinkPhase ? IDI_TAPE_ON : IDI_TAPE_OFF;
}

void CMainDlg::OnRunProgress(WPARAM lateCount, LPARAM frames)
{
    CAutoLock lock(&runLock);
    UpdateLevel(levels.entries[0], engine.GetInputPeakDb());
    UpdateLevel(levels.entries[1], engine.GetOutputPeakDb());
    Blink();
    framesDone += static_cast<unsigned long long>(frames > 0 ? frames : 0);
    const double percent = totalFrames ? double(framesDone) * 100.0 / double(totalFrames) : 0.0;
    percentDone = percent > 100.0 ? 100 : int(percent);
    if (lateCount > LateLimit && !realTimeWarningGiven) {
        realTimeWarningGiven = 1;
        host.Refresh();
        messageBox.Show("Real Time Watch Warning", RealTimeWarningText, MB_OK);
    }
}

void CMainDlg::WaitForWorker()
{
    if (!workerThread) return;
    if (WaitForSingleObject(workerThread, 3000) == WAIT_TIMEOUT) {
        // Nothing a run owns may go away under the worker: it is told to stop and waited for.
        {
            CAutoLock lock(&runLock);
            stopFlag = 1;
        }
        SetEvent(blockEvent);
        WaitForSingleObject(workerThread, INFINITE);
    }
    CloseHandle(workerThread);
    workerThread = nullptr;
}

void CMainDlg::OnRunFinished(WPARAM, LPARAM)
{
    WaitForWorker();
    {
        CAutoLock lock(&runLock);
        if (!running) return;
        running = 0;
        if (!previewFlag) stopFlag = 0;
        pauseFlag = 0;
        if (listenFlag) player.Close();
    }
    reader.Close();
    if (writeFlag) {
        writer.Finish();
        if (discardResult) DiscardResult();
        else OfferResult();
    }
    ReleaseTemporaryFile();
    discardResult = false;
    SetRunControls(false);
    {
        CAutoLock lock(&runLock);
        levels.Reset();
    }
    if (!previewFlag) return;
    if (!stopFlag) {
        PostMessage(GetSafeHwnd(), WM_COMMAND, IDC_START, 0);
        return;
    }
    previewFlag = stopFlag = 0;
    listenFlag = savedListen;
    writeFlag = savedWrite;
}

void CMainDlg::OfferResult()
{
    host.Refresh();
    const std::string question = "Save output sound to " + outputName + "?";
    if (messageBox.Show("Save Results?", question, MB_YESNO | MB_ICONQUESTION) == IDYES) SaveResult();
    else DiscardResult();
}

// The result replaces a file of the output name in one step, so that file stays whole
// until the new one is complete; a failed replacement may be retried.
void CMainDlg::SaveResult()
{
    for (;;) {
        ResultFile result;
        if (result.Open(outputName) && result.Replace(*temporary)) break;
        if (!temporary->IsIntact()) {
            messageBox.Show("ERROR", result.ErrorText(), MB_OK | MB_ICONSTOP);
            temporary->Keep();
            break;
        }
        const std::string text = "Cannot save the file, " + outputName + ".\n" +
                                 "\nThe file is probably being used by another program.\n"
                                 "If you want to save the file, you must close the other program.\n"
                                 "\nDo you want to try saving again?\n";
        if (messageBox.Show("SAVE ERROR", text, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            DiscardResult();
            break;
        }
    }
    temporary.reset();
}

void CMainDlg::DiscardResult()
{
    if (temporary) temporary->Remove();
    temporary.reset();
}

// The run's temporary file, held for the run. The input may not be that file: claiming
// it empties it.
bool CMainDlg::ClaimTemporaryFile()
{
    struct stat input {}, held {};
    if (stat(reader.GetFileName(), &input) == 0 && stat(temporaryPath.c_str(), &held) == 0 &&
        input.st_dev == held.st_dev && input.st_ino == held.st_ino) {
        Fail("ERROR", "Cannot use " + temporaryPath + " as input: the result is made in that file.\n"
                      "Move it elsewhere first.", MB_OK | MB_ICONSTOP);
        return false;
    }
    temporary = std::make_unique<TemporaryFile>();
    if (temporary->Claim(temporaryPath)) return true;
    Fail("ERROR", temporary->ErrorText(), MB_OK | MB_ICONSTOP);
    temporary.reset();
    return false;
}

void CMainDlg::ReleaseTemporaryFile()
{
    temporary.reset();
}

void CMainDlg::OnSoundCardConfig()
{
    int listen = listenFlag;
    int device = player.GetDeviceId();
    if (host.RunSoundCardDialog(&listen, &device)) {
        listenFlag = listen;
        player.SetDeviceId(DWORD(device));
    }
    SetFocus(IDC_DEFAULT);
}

void CMainDlg::GetLevels(int slot, int* current, int* held, int* over)
{
    if (slot < 0 || slot > 1) return;
    CAutoLock lock(&runLock);
    LevelSlot& s = levels.entries[slot];
    *current = s.current;
    *held = s.held;
    *over = s.over;
    s.read = 1;
}
