#include "tools/embrel-batch/EmbrelBatch.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"
#include "platform/base/MessageWindow.h"
#include "tools/embrel-batch/BatchSession.h"
#include "tools/embrel-batch/ProgressBar.h"
#include "tools/embrel-batch/TerminalKeys.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

constexpr int MonoBlock = 16384;
constexpr int StereoBlock = 65536;

constexpr const char* NoSoundCard =
    "Cannot find any Sound cards that support MCI.\n"
    "Thus, you will not be able to listen to the sound.\n"
    "However, the algorithm will still embrel the files,\n"
    "and you can listen to them elswhere.\n";
constexpr const char* NoPreview = "Sorry, no sound cards are available,so you cannot preview the sound.\n";
constexpr const char* RealTimeWarning =
    "Your computer is too slow or you are running too\n"
    "many programs for real time processing.\n"
    "This is what is causing the clicks and pauses.\n"
    "These clicks and pauses will NOT be saved to the output file.\n"
    "\nYou may disable this message in the future by de-selecting\n"
    "Real Time Watch in the menu options.\n";
// More late device buffers than this in a run bring the real-time warning.
constexpr WPARAM LateLimit = 6;

// Writers that stream to a pipe cannot go back to fill in the data size and leave a
// placeholder there (ffmpeg 0xFFFFFFFF, sox 0x7FFFF000): such a data chunk ends with the file.
bool DataSizeUnknown(DWORD size)
{
    return size == 0xFFFFFFFFu || size == 0x7FFFF000u;
}

std::string Db(int db)
{
    return db == INT_MIN ? std::string("-inf dB") : std::to_string(db) + " dB";
}

// text with its closing ".\n" turned into ": <reason>.\n" when the system said why.
std::string WithReason(std::string text, int error)
{
    if (error != 0 && text.size() >= 2 && text.compare(text.size() - 2, 2, ".\n") == 0)
        text.replace(text.size() - 2, 2, std::string(": ") + std::strerror(error) + ".\n");
    return text;
}

// 0, or why path cannot be read as a file (a directory, a link loop, no permission).
int InputProblem(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st;
    const int problem = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    close(fd);
    return problem;
}

WorkerContext MakeContext(BatchSession& s, HWND window)
{
    WorkerContext context;
    context.mainWindow = window;
    context.reader = s.reader.get();
    context.writer = s.writer.get();
    context.converter = &s.converter;
    context.engine = s.engine.get();
    context.listenFlag = &s.listen;
    context.writeFlag = &s.write;
    context.runningFlag = &s.running;
    context.pauseFlag = &s.pause;
    context.stopFlag = &s.stop;
    context.byteBuffer = s.byteBuffer.data();
    context.floatBuffer = s.floatBuffer.data();
    context.blockSize = &s.blockSize;
    context.runLock = &s.runLock.section;
    context.offlineBlockSleep = 0;  // no window to keep responsive
    context.player = s.player.get();
    context.blockEvent = s.blockEvent.handle;
    return context;
}

}  // namespace

void EmbrelBatch::RequestStop() noexcept
{
    stopRequested = 1;
}

void EmbrelBatch::ListPresets() const noexcept
{
    std::fprintf(out, "%-18s", "Name");
    for (const ParameterInfo& p : ParameterTable::All) std::fprintf(out, " %9s", p.name);
    std::fprintf(out, "\n");
    for (const FactoryPreset& preset : FactoryPresets::All()) {
        std::fprintf(out, "%-18s", preset.name);
        for (const ParameterInfo& p : ParameterTable::All) std::fprintf(out, " %9d", preset.settings[p.id]);
        std::fprintf(out, "\n");
    }
}

void EmbrelBatch::ListDevices() const noexcept
{
    BatchSession::DeviceListScope devices;
    for (int i = 0; i < OutputDeviceList::GetCount(); ++i)
        std::fprintf(out, "%d %s\n", i, OutputDeviceList::GetEntry(i)->deviceName);
    if (OutputDeviceList::GetCount() == 0) std::fputs("No wave-out device.\n", err);
}

int EmbrelBatch::Fail(const char* text) const
{
    std::fputs(text, err);
    return 1;
}

int EmbrelBatch::Run() noexcept
{
    try {
        BatchSession s;
        int status = OpenInput(s);
        if (status == 0) status = OpenDevice(s);
        if (status == 0) status = PrepareOutput(s);
        if (status == 0) status = OpenPlayer(s);
        if (status != 0) return status;
        ApplySettings(s);
        return Process(s);
    } catch (...) {
        std::fputs("Out of memory.\nClose some applications and try again.\n", err);
        return 1;
    }
}

int EmbrelBatch::OpenInput(BatchSession& s) const
{
    WavReader& reader = *s.reader;
    if (const int problem = InputProblem(options.input)) {
        std::fprintf(err, "Cannot find or open input file %s: %s.\n", options.input.c_str(), std::strerror(problem));
        return 1;
    }
    reader.SetFileName(options.input.c_str());
    if (reader.GetErrorFlag()) return Fail(reader.GetErrorText());
    reader.Open();
    if (reader.GetErrorFlag()) return Fail(reader.GetErrorText());
    s.blockSize = MonoBlock;
    reader.ReadHeader(s.blockSize);
    if (reader.GetErrorFlag()) return Fail(reader.GetErrorText());
    s.channels = reader.GetChannels();
    if (s.channels != 1 && s.channels != 2)
        return Fail("You have selected a wave file which is neither mono nor stereo.\n"
                    "At this time, you can only use mono or stereo wave files.\nSorry.\n");
    if (s.channels == 2) {
        s.blockSize = StereoBlock;
        reader.SetBufferSize(s.blockSize);
        if (reader.GetErrorFlag()) return Fail(reader.GetErrorText());
    }
    s.bits = reader.GetBitsPerSample();
    s.rate = reader.GetSampleRate();
    // With a placeholder data size the frames are those the file holds, and the read that
    // finds the end of the file (setting the reader's flag) ends the data as designed.
    const MMCKINFO dataChunk = reader.GetDataChunk();
    const bool sizeUnknown = DataSizeUnknown(dataChunk.cksize);
    if (struct stat st; sizeUnknown && stat(options.input.c_str(), &st) == 0)
        s.framesInFile = std::max(0LL, (long long)st.st_size - dataChunk.dwDataOffset) / (s.channels * s.bits / 8);
    s.totalFrames = sizeUnknown ? DWORD(std::max(0LL, s.framesInFile)) : reader.GetTotalFrames();
    return 0;
}

int EmbrelBatch::OpenDevice(BatchSession& s) const
{
    s.writing = !options.preview;
    s.listening = options.listen || options.preview;
    if (s.listening) s.devices.emplace();
    if (s.listening && OutputDeviceList::GetCount() == 0) {
        if (options.preview) return Fail(NoPreview);
        std::fputs(NoSoundCard, err);
        s.listening = false;
    }
    if (s.listening && options.device >= OutputDeviceList::GetCount()) {
        std::fprintf(err, "There is no wave-out device %d (see --list-devices).\n", options.device);
        return 1;
    }
    return 0;
}

int EmbrelBatch::PrepareOutput(BatchSession& s) const
{
    if (!s.writing) return 0;
    if (!s.result.Open(options.output)) return Fail(s.result.ErrorText().c_str());
    if (s.result.IsFile(options.input)) {
        std::fprintf(err, "Cannot write the result to %s: it is the input file.\n", options.output.c_str());
        return 1;
    }
    if (!s.temporary.CreateUnique(s.result.Directory())) return Fail(s.temporary.ErrorText().c_str());
    WavWriter& writer = *s.writer;
    writer.SetFileName(s.temporary.Path().c_str());
    writer.Create();
    if (writer.GetErrorFlag()) return Fail(WithReason(writer.GetErrorText(), writer.GetSystemError()).c_str());
    writer.BeginData(s.reader->GetRiffChunk(), s.reader->GetFormatChunk(), s.reader->GetDataChunk(),
                     s.reader->GetFormat(), s.blockSize);
    if (writer.GetErrorFlag()) return Fail(WithReason(writer.GetErrorText(), writer.GetSystemError()).c_str());
    return 0;
}

int EmbrelBatch::OpenPlayer(BatchSession& s) const
{
    if (!s.listening) return 0;
    WaveOutPlayer& player = *s.player;
    if (!s.blockEvent.handle) return Fail("Cannot create the block event.\n");
    if (options.device >= 0) player.SetDeviceId(DWORD(options.device));
    player.QueryFormat(s.reader->GetFormat());
    std::string failure = player.GetErrorFlag() ? player.GetErrorText() : "";
    if (failure.empty()) {
        // The player's callback sets the block event for every message of the device.
        player.OpenDevice(s.reader->GetFormat(), reinterpret_cast<DWORD_PTR>(&WaveOutPlayer::PlayerCallback),
                          reinterpret_cast<DWORD_PTR>(s.blockEvent.handle), CALLBACK_FUNCTION);
        if (player.GetErrorFlag()) {
            std::fprintf(err, "%s\nYou are probably playing a wave file in another program.\n"
                              "You may try again when the other program finishes.\n",
                         player.GetErrorText());
            return 1;
        }
        player.AllocateBuffers(DWORD(s.blockSize));
        if (player.GetErrorFlag()) {
            failure = player.GetErrorText();
            player.Close();
        }
    }
    // The format cannot be played or there is no buffer memory.
    if (failure.empty()) return 0;
    if (options.preview) {
        std::fprintf(err, "%s\nProgram cannot run in preview mode.\n", failure.c_str());
        return 1;
    }
    std::fprintf(err, "%s\nProgram will proceed without playing sound.\n", failure.c_str());
    s.listening = false;
    return 0;
}

void EmbrelBatch::ApplySettings(BatchSession& s) const
{
    // A value outside the engine's range is reported and used, as the program does.
    // A getter clears the flag first: SetDynamics leaves it as it was, and would
    // otherwise report the previous parameter's error a second time.
    SaturationEngine* engine = s.engine.get();
    for (const ParameterInfo& p : ParameterTable::All) {
        (engine->*p.get)();
        (engine->*p.set)(options.settings[p.id]);
        if (engine->GetErrorFlag()) std::fputs(engine->GetErrorText(), err);
    }
    s.converter.SetFormats(s.bits, s.channels, s.bits, s.channels);
    engine->SetFormat(s.bits, int(s.rate), s.channels);
    s.listen = s.listening ? 1 : 0;
    s.write = s.writing ? 1 : 0;
}

int EmbrelBatch::Process(BatchSession& s) const
{
    ProgressBar progress(err, !options.quiet && isatty(fileno(err)), s.totalFrames);
    bool finished = false;
    bool warned = !options.realtimeWatch;
    MessageWindow window([&](UINT message, WPARAM lateCount, LPARAM lParam) {
        if (message == WM_RUN_PROGRESS) {
            progress.Advance(lParam);
            if (s.listening && !warned && lateCount > LateLimit) {
                warned = true;
                progress.End();
                std::fputs(RealTimeWarning, err);
            }
        } else if (message == WM_RUN_FINISHED) {
            finished = true;
        }
    });
    // Runs on the worker's thread inside its block, under the run lock, right after
    // the engine processed and the writer wrote the block being reported: the peaks
    // read here are that block's. (Read when the message is pumped they could belong
    // to a later block.) Each write clears the writer's flag, so a failed write is
    // caught here, before a later block that succeeds hides it.
    window.SetWakeUp([&s](const MSG& msg) {
        if (msg.message != WM_RUN_PROGRESS) return;
        s.inputPeak = std::max(s.inputPeak, s.engine->GetInputPeakDb());
        s.outputPeak = std::max(s.outputPeak, s.engine->GetOutputPeakDb());
        if (s.writing && s.writer->GetErrorFlag()) s.writeFailed = true;
    });

    WorkerContext context = MakeContext(s, window.GetSafeHwnd());
    if (s.listening) {
        PrimePlayer(context);
        if (s.player->GetErrorFlag()) {
            const std::string text = s.player->GetErrorText();
            s.player->Close();
            return Fail(text.c_str());
        }
        SetEvent(s.blockEvent.handle);
    }
    HANDLE thread = CreateThread(nullptr, 0, ProcessingWorker, &context, 0, nullptr);
    if (!thread) {
        if (s.listening) s.player->Close();
        return Fail("Cannot start the processing thread.\n");
    }
    WaitForWorker(s, window, progress, finished);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    if (s.listening) s.player->Close();
    progress.End();
    return Report(s, progress.Frames());
}

// Pumps the worker's messages and answers keys (space pauses, q stops) and signals until
// the worker has finished.
void EmbrelBatch::WaitForWorker(BatchSession& s, MessageWindow& window, ProgressBar& progress,
                                const bool& finished) const
{
    TerminalKeys keys;
    while (!finished) {
        const int key = keys.Poll();
        if ((stopRequested || key == 'q' || key == 'Q') && !s.interrupted) {
            s.interrupted = true;
            CriticalSectionLock lock(&s.runLock.section);
            s.stop = 1;
            // A listening worker waits for the device: the reset hands every buffer
            // back, and the event wakes it where none was left to come back.
            if (s.listening) {
                s.player->Stop();
                SetEvent(s.blockEvent.handle);
            }
        } else if (key == ' ' && !s.interrupted) {
            CriticalSectionLock lock(&s.runLock.section);
            s.pause = !s.pause;
            if (s.listening) {
                if (s.pause) s.player->Pause();
                else s.player->Resume();
                if (s.player->GetErrorFlag()) std::fputs(s.player->GetErrorText(), err);
            }
            progress.End();
            std::fputs(s.pause ? "Paused: space resumes, q stops.\n" : "Resumed.\n", err);
        }
        if (window.WaitMessage(50)) window.PumpMessages();
    }
}

int EmbrelBatch::Report(BatchSession& s, long long frames) const
{
    // The worker does not look at the flags; the last block's read did set the reader's.
    const bool readFailed = s.reader->GetErrorFlag() != 0 && frames != s.framesInFile;
    const std::string readError = WithReason(s.reader->GetErrorText(), s.reader->GetSystemError());
    const std::string writeError = WithReason(s.writer->GetErrorText(), s.writer->GetSystemError());
    s.reader->Close();
    if (readFailed) return Fail(readError.c_str());
    if (!s.writing) {
        if (s.interrupted) {
            std::fputs("Stopped.\n", err);
            return 130;
        }
        std::fprintf(out, "%lld frames played; input peak %s, output peak %s\n", frames, Db(s.inputPeak).c_str(),
                     Db(s.outputPeak).c_str());
        return 0;
    }
    s.writer->Finish();
    const int finishError = errno;
    if (s.writeFailed) return Fail(writeError.c_str());
    if (s.writer->GetErrorFlag()) {
        std::fprintf(err, "Cannot write to %s: %s.\n", s.temporary.Path().c_str(), std::strerror(finishError));
        return 1;
    }
    if (s.interrupted) {
        std::fprintf(err, "Stopped; %s was not changed.\n", options.output.c_str());
        return 130;
    }
    if (!s.result.Replace(s.temporary)) return Fail(s.result.ErrorText().c_str());
    std::fprintf(out, "%lld frames embreled into %s; input peak %s, output peak %s\n", frames,
                 options.output.c_str(), Db(s.inputPeak).c_str(), Db(s.outputPeak).c_str());
    return 0;
}
