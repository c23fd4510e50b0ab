#include "tools/embrel-batch/EmbrelBatch.h"

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"
#include "platform/base/CCritSec.h"
#include "platform/base/MessageWindow.h"
#include "program/audio/RunTexts.h"
#include "tools/embrel-batch/BatchSession.h"
#include "tools/embrel-batch/FileKind.h"
#include "tools/embrel-batch/OutputFormats.h"
#include "tools/embrel-batch/ProgressBar.h"
#include "tools/embrel-batch/SndfileJob.h"
#include "tools/embrel-batch/StreamCopy.h"
#include "tools/embrel-batch/TerminalKeys.h"

namespace {

// Set by the signal handler on whichever thread takes the signal, read by the others.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Written frames after which the disk is asked to take them (about a megabyte).
constexpr long long WritebackFrames = 1 << 18;

constexpr const char* NoSoundCardIntro =
    "embrel-batch: there is no wave-out device, so nothing is played; the result is still\n"
    "written, to be played with any player (--list-devices shows the devices).\n";
constexpr const char* RealTimeWarningIntro =
    "embrel-batch: the device asked for sound faster than it was made; the output file is\n"
    "complete all the same (--no-realtime-watch turns this warning off).\n";

// Writers that stream to a pipe cannot go back to fill in the data size and leave a
// placeholder there (ffmpeg 0xFFFFFFFF, sox 0x7FFFF000): such a data chunk ends with the file.
bool DataSizeUnknown(DWORD size)
{
    return size == 0xFFFFFFFFu || size == 0x7FFFF000u;
}


// text with its closing ".\n" turned into ": <reason>.\n" when the system said why.
std::string WithReason(std::string text, int error)
{
    if (error != 0 && text.size() >= 2 && text.compare(text.size() - 2, 2, ".\n") == 0)
        text.replace(text.size() - 2, 2, std::string(": ") + std::strerror(error) + ".\n");
    return text;
}

// How the user named the input: "stdin" for "-".
std::string ShownName(const BatchSession& s)
{
    return s.inputName == "-" ? "stdin" : s.inputName;
}

// A reader's message names the file it read: for a pipe or FIFO, the copy made of it.
std::string AsNamed(const BatchSession& s, std::string text)
{
    if (s.inputPath == s.inputName) return text;
    const std::string shown = ShownName(s);
    for (std::size_t at = 0; (at = text.find(s.inputPath, at)) != std::string::npos; at += shown.size())
        text.replace(at, s.inputPath.size(), shown);
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
    context.runLock = s.runLock.Section();
    context.offlineBlockSleep = 0;  // no window to keep responsive
    context.player = s.player.get();
    context.blockEvent = s.blockEvent.handle;
    return context;
}

}  // namespace

void EmbrelBatch::RequestStop() noexcept
{
    stopRequested = true;
}

bool EmbrelBatch::StopRequested() noexcept
{
    return stopRequested;
}

void EmbrelBatch::ListPresets() const noexcept
{
    std::fprintf(out, "%-3s %-18s", "N", "Name");
    for (const ParameterInfo& p : ParameterTable::All) std::fprintf(out, " %9s", p.name);
    std::fprintf(out, "\n");
    for (const FactoryPreset& preset : FactoryPresets::All()) {
        std::fprintf(out, "%-3d %-18s", int(&preset - FactoryPresets::All().data()), preset.name);
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
        int status = ResolveFiles(s);
        if (status == 0) status = OpenSource(s);
        if (status == 0) status = ChooseReader(s);
        if (status != 0) return status < 0 ? 0 : status;
        if (s.useSndfile) return RunSndfile(s);
        status = OpenInput(s);
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

// -1 when --no-clobber leaves an existing OUTPUT alone.
int EmbrelBatch::ResolveFiles(BatchSession& s) const
{
    s.inputName = options.input;
    s.outputName = options.preview ? std::string() : options.output;
    s.toStdout = !options.preview && options.output == "-";
    struct stat st;
    if (!options.preview && !s.toStdout && options.noClobber && stat(options.output.c_str(), &st) == 0) {
        if (!options.quiet) std::fprintf(err, "%s exists: left alone (--no-clobber).\n", options.output.c_str());
        return -1;
    }
    return 0;
}

// A stop while the input was still coming: nothing was written.
int EmbrelBatch::Stopped(const BatchSession& s) const
{
    if (s.toStdout) std::fputs("Stopped; nothing was written to stdout.\n", err);
    else if (s.outputName.empty()) std::fputs("Stopped.\n", err);
    else std::fprintf(err, "Stopped; %s was not changed.\n", s.outputName.c_str());
    return 130;
}

// Opens the input; stdin, a FIFO or a socket is first copied into a temporary file.
int EmbrelBatch::OpenSource(BatchSession& s) const
{
    int source = STDIN_FILENO;
    struct stat st;
    // A FIFO is opened once, blocking until its writer comes: a probe that closed it
    // again could lose what the writer had already put in.
    const bool fifo = s.inputName != "-" && stat(s.inputName.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
    if (s.inputName != "-") {
        const int problem = fifo ? 0 : InputProblem(s.inputName);
        if (problem == 0) s.input.fd = open(s.inputName.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
        if (s.input.fd < 0 && errno == EINTR && stopRequested) return Stopped(s);
        if (problem != 0 || s.input.fd < 0 || fstat(s.input.fd, &st) != 0) {
            std::fprintf(err, "Cannot find or open input file %s: %s.\n", s.inputName.c_str(),
                         std::strerror(problem ? problem : errno));
            return 1;
        }
        s.inputPath = s.inputName;
        if (!S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode)) return 0;
        source = s.input.fd;
    }
    if (!s.spool.CreateUnique(StreamCopy::TemporaryDirectory())) return Fail(s.spool.ErrorText().c_str());
    if (!StreamCopy::Spool(source, s.spool, stopRequested)) {
        if (errno == EINTR && stopRequested) return Stopped(s);
        std::fprintf(err, "Cannot read %s: %s.\n", ShownName(s).c_str(), std::strerror(errno));
        return 1;
    }
    if (s.input.fd >= 0) close(s.input.fd);
    s.inputPath = s.spool.Path();
    s.input.fd = open(s.inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (s.input.fd < 0) {
        std::fprintf(err, "Cannot read %s: %s.\n", s.inputPath.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}

// The designed path takes 8- and 16-bit PCM WAV written as WAV; libsndfile the rest.
int EmbrelBatch::ChooseReader(BatchSession& s) const
{
    FileKind::Kind kind = FileKind::Sniff(s.input.fd, FileKind::HasWavExtension(s.inputName));
    // A WAV libsndfile cannot read either gets the designed reader's message.
    if (kind == FileKind::OtherWav && !SndfileJob::CanRead(s.input.fd)) kind = FileKind::DesignedWav;
    if (kind == FileKind::FlacNamedWav) {
        std::fprintf(err, "%s is FLAC data, not WAV: name it .flac to embrel it as FLAC.\n", s.inputName.c_str());
        return 1;
    }
    if (kind == FileKind::Mp3) {
        std::fprintf(err, "%s is MP3 data, not WAV: decode it to WAV or FLAC first (ffmpeg -i IN.mp3 OUT.wav).\n",
                     s.inputName.c_str());
        return 1;
    }
    const OutputFormat* named = s.toStdout ? nullptr : OutputFormats::ForFileName(s.outputName);
    const bool formatChange = !options.format.empty() || options.bits != 0 || (named && std::string(named->name) != "wav");
    s.useSndfile = kind == FileKind::Sndfile || kind == FileKind::OtherWav || (formatChange && !options.preview);
    if (s.useSndfile && (options.listen || options.preview)) {
        std::fprintf(err, "%s: --listen and --preview play 8- and 16-bit PCM WAV files only.\n", s.inputName.c_str());
        return 1;
    }
    return 0;
}

int EmbrelBatch::RunSndfile(BatchSession& s) const
{
    if (const int status = PrepareTemporary(s)) return status;
    std::optional<ProgressBar> progress;
    std::optional<TerminalKeys> keys;
    if (!progressHook) keys.emplace();  // a batch's files share the terminal: no keys
    SndfileJob job(options, err, [&](long long frames, long long total) {
        if (progressHook) return progressHook(frames);
        if (!progress) progress.emplace(err, !options.quiet && isatty(fileno(err)), total);
        progress->Advance(frames);
        AnswerKeys(*keys, *progress);
    });
    const int status =
        job.Run(s.input.fd, ShownName(s), s.temporary, s.outputName, stopRequested, s.summary);
    if (progress) progress->End();
    if (status == 130) std::fprintf(err, "Stopped; %s was not changed.\n", s.outputName.c_str());
    return status != 0 ? status : Deliver(s);
}

// Between blocks of a libsndfile run: q stops it, space pauses it here until space again.
void EmbrelBatch::AnswerKeys(TerminalKeys& keys, ProgressBar& progress) const
{
    for (bool paused = false;;) {
        const int key = keys.Poll();
        if (key == 'q' || key == 'Q') RequestStop();
        if (key == ' ' && !stopRequested) {
            paused = !paused;
            progress.End();
            std::fputs(paused ? "Paused: space resumes, q stops.\n" : "Resumed.\n", err);
        }
        if (!paused || stopRequested) return;
        usleep(50000);
    }
}

// The temporary file the result is made in: beside OUTPUT, or for stdout in TMPDIR.
int EmbrelBatch::PrepareTemporary(BatchSession& s) const
{
    if (s.toStdout) {
        if (!s.temporary.CreateUnique(StreamCopy::TemporaryDirectory()))
            return Fail(s.temporary.ErrorText().c_str());
        return 0;
    }
    if (!s.result.Open(options.output)) return Fail(s.result.ErrorText().c_str());
    if (s.result.IsFile(s.inputPath)) {
        std::fprintf(err, "Cannot write the result to %s: it is the input file.\n", options.output.c_str());
        return 1;
    }
    if (!s.temporary.CreateUnique(s.result.Directory())) return Fail(s.temporary.ErrorText().c_str());
    return 0;
}

// Puts the finished result in place (or copies it to stdout) and prints its summary.
int EmbrelBatch::Deliver(BatchSession& s) const
{
    if (deliveryHook) deliveryHook();
    if (s.toStdout) {
        if (!StreamCopy::CopyOut(s.temporary.Descriptor(), STDOUT_FILENO, stopRequested)) {
            if (errno == EINTR && stopRequested) {
                std::fputs("Stopped while writing to stdout: what it got is incomplete.\n", err);
                return 130;
            }
            std::fprintf(err, "Cannot write to stdout: %s.\n", std::strerror(errno));
            return 1;
        }
    } else if (!s.result.Replace(s.temporary)) {
        return Fail(s.result.ErrorText().c_str());
    }
    if (!options.quiet)
        std::fprintf(s.toStdout ? err : out, "%s: %s\n", s.toStdout ? "stdout" : s.outputName.c_str(),
                     s.summary.Text().c_str());
    return 0;
}

int EmbrelBatch::OpenInput(BatchSession& s) const
{
    WavReader& reader = *s.reader;
    reader.SetFileName(s.inputPath.c_str());
    if (reader.GetErrorFlag()) return Fail(AsNamed(s, reader.GetErrorText()).c_str());
    reader.Open();
    if (reader.GetErrorFlag()) return Fail(AsNamed(s, WithReason(reader.GetErrorText(), reader.GetSystemError())).c_str());
    s.blockSize = MonoBlock;
    reader.ReadHeader(s.blockSize);
    if (reader.GetErrorFlag()) return Fail(AsNamed(s, reader.GetErrorText()).c_str());
    s.channels = reader.GetChannels();
    if (s.channels != 1 && s.channels != 2)
        return Fail("You have selected a wave file which is neither mono nor stereo.\n"
                    "At this time, you can only use mono or stereo wave files.\nSorry.\n");
    if (s.channels == 2) {
        s.blockSize = StereoBlock;
        reader.SetBufferSize(s.blockSize);
        if (reader.GetErrorFlag()) return Fail(AsNamed(s, reader.GetErrorText()).c_str());
    }
    s.bits = reader.GetBitsPerSample();
    s.rate = reader.GetSampleRate();
    // With a placeholder data size the frames are those the file holds, and the read that
    // finds the end of the file (setting the reader's flag) ends the data as designed.
    const MMCKINFO dataChunk = reader.GetDataChunk();
    const bool sizeUnknown = DataSizeUnknown(dataChunk.cksize);
    if (struct stat st; sizeUnknown && stat(s.inputPath.c_str(), &st) == 0)
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
        if (options.preview) return Fail((std::string(NoPreviewText) + "\n").c_str());
        std::fprintf(err, "%s%s\n", NoSoundCardIntro, NoSoundCardsText);
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
    if (const int status = PrepareTemporary(s)) return status;
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
    ProgressBar progress(err, !options.quiet && !progressHook && isatty(fileno(err)), s.totalFrames);
    bool finished = false;
    bool warned = !options.realtimeWatch;
    MessageWindow window([&](UINT message, WPARAM lateCount, LPARAM lParam) {
        if (message == WM_RUN_PROGRESS) {
            progress.Advance(lParam);
            if (progressHook) progressHook(lParam);
            if (s.listening && !warned && lateCount > LateLimit) {
                warned = true;
                progress.End();
                std::fprintf(err, "%s%s", RealTimeWarningIntro, RealTimeWarningText);
            }
        } else if (message == WM_RUN_FINISHED) {
            finished = true;
        }
    });
    // Runs on the worker's thread inside its block, under the run lock, right after
    // the engine processed and the writer wrote the block being reported: the float
    // buffer holds that block's output. (When the message is pumped it could hold a
    // later block.) Each write clears the writer's flag, so a failed write is
    // caught here, before a later block that succeeds hides it.
    window.SetWakeUp([&s](const MSG& msg) {
        if (msg.message == WM_RUN_FINISHED) SetEvent(s.finishedEvent.handle);
        if (msg.message != WM_RUN_PROGRESS) return;
        s.summary.Add(s.floatBuffer.data(), msg.lParam, s.channels);
        if (s.writing && s.writer->GetErrorFlag()) s.writeFailed = true;
        // The request only queues the pages for writing: brief even under the post's lock.
        if (s.writing && !s.toStdout && (s.unflushedFrames += msg.lParam) >= WritebackFrames) {
            s.temporary.StartWriteback();
            s.unflushedFrames = 0;
        }
    });

    if (!s.finishedEvent.handle) return Fail("Cannot create the finish event.\n");
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
    std::optional<TerminalKeys> keys;
    if (!progressHook) keys.emplace();  // a batch's files share the terminal: no keys
    while (!finished) {
        const int key = keys ? keys->Poll() : -1;
        if ((stopRequested || key == 'q' || key == 'Q') && !s.interrupted) {
            s.interrupted = true;
            CAutoLock lock(&s.runLock);
            s.stop = 1;
            // A listening worker waits for the device: the reset hands every buffer
            // back, and the event wakes it where none was left to come back.
            if (s.listening) {
                s.player->Stop();
                SetEvent(s.blockEvent.handle);
            }
        } else if (key == ' ' && !s.interrupted) {
            CAutoLock lock(&s.runLock);
            s.pause = !s.pause;
            if (s.listening) {
                if (s.pause) s.player->Pause();
                else s.player->Resume();
                if (s.player->GetErrorFlag()) std::fputs(s.player->GetErrorText(), err);
            }
            progress.End();
            std::fputs(s.pause ? "Paused: space resumes, q stops.\n" : "Resumed.\n", err);
        }
        // Progress is pumped every 50 ms, not woken for on every block.
        WaitForSingleObject(s.finishedEvent.handle, 50);
        window.PumpMessages();
    }
}

int EmbrelBatch::Report(BatchSession& s, long long frames) const
{
    // The worker does not look at the flags; the last block's read did set the reader's.
    const bool readFailed = s.reader->GetErrorFlag() != 0 && frames != s.framesInFile;
    const std::string readError = AsNamed(s, WithReason(s.reader->GetErrorText(), s.reader->GetSystemError()));
    const std::string writeError = WithReason(s.writer->GetErrorText(), s.writer->GetSystemError());
    s.reader->Close();
    if (readFailed) return Fail(readError.c_str());
    if (!s.writing) {
        if (s.interrupted) {
            std::fputs("Stopped.\n", err);
            return 130;
        }
        if (!options.quiet) std::fprintf(out, "played: %s\n", s.summary.Text().c_str());
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
        std::fprintf(err, "Stopped; %s was not changed.\n", s.outputName.c_str());
        return 130;
    }
    return Deliver(s);
}
