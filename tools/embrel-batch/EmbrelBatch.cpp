#include "tools/embrel-batch/EmbrelBatch.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"
#include "engine/SaturationEngine.h"
#include "pcm/SampleConverter.h"
#include "platform/base/CCritSec.h"
#include "platform/base/Win32.h"
#include "program/audio/OutputDeviceList.h"
#include "program/audio/ProcessingWorker.h"
#include "program/audio/ResultFile.h"
#include "program/audio/WavReader.h"
#include "program/audio/WavWriter.h"
#include "program/audio/WaveOutPlayer.h"
#include "program/audio/WorkerContext.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

constexpr const char* TemporaryName = "~Embrel~.wav";
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

// The progress bar: percent of the total frames, truncated, redrawn when it changes.
class ProgressBar {
public:
    ProgressBar(std::FILE* err, bool shown, DWORD totalFrames)
        : err(err), shown(shown), total(totalFrames)
    {
    }
    void Advance(long long frames)
    {
        done += frames;
        if (!shown) return;
        int percent = total ? int(double(done) * 100.0 / double(total)) : 100;
        if (percent > 100) percent = 100;
        if (percent == last) return;
        last = percent;
        char bar[41];
        const int filled = percent * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : ' ';
        bar[40] = '\0';
        std::fprintf(err, "\r[%s] %3d%%", bar, percent);
        std::fflush(err);
    }
    void End()
    {
        if (shown && last >= 0) std::fprintf(err, "\n");
        last = -1;  // the bar starts on a fresh line when it is drawn again
    }
    long long Frames() const { return done; }

private:
    std::FILE* err;
    bool shown;
    DWORD total;
    long long done = 0;
    int last = -1;
};

// Holds the temporary file against a second run using the same one; removes it unless
// the result was moved away.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path(std::move(path)) {}
    ~TemporaryFile()
    {
        if (!keep && locked) unlink(path.c_str());
        if (fd >= 0) close(fd);
    }
    // 0, or why the file cannot be had (EWOULDBLOCK: another run holds it).
    int Lock()
    {
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) return errno;
        locked = flock(fd, LOCK_EX | LOCK_NB) == 0;
        return locked ? 0 : errno;
    }
    void Keep() { keep = true; }
    const std::string& Path() const { return path; }

private:
    std::string path;
    int fd = -1;
    bool locked = false;
    bool keep = false;
};

// Single keys from stdin while a run lasts, when stdin is a terminal: no echo, no line editing.
class TerminalKeys {
public:
    TerminalKeys()
    {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
        termios raw = saved;
        raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        active = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    }
    ~TerminalKeys()
    {
        if (active) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // The next key pressed, or -1.
    int Poll()
    {
        if (!active) return -1;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        unsigned char c = 0;
        if (poll(&p, 1, 0) == 1 && read(STDIN_FILENO, &c, 1) == 1) return c;
        return -1;
    }

private:
    termios saved{};
    bool active = false;
};

// Hands the wave-out device list back when the run ends.
struct DeviceListScope {
    DeviceListScope() { OutputDeviceList::Enumerate(); }
    ~DeviceListScope() { OutputDeviceList::Clear(); }
    DeviceListScope(const DeviceListScope&) = delete;
    DeviceListScope& operator=(const DeviceListScope&) = delete;
};

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
    DeviceListScope devices;
    for (int i = 0; i < OutputDeviceList::GetCount(); ++i)
        std::fprintf(out, "%d %s\n", i, OutputDeviceList::GetEntry(i)->deviceName);
    if (OutputDeviceList::GetCount() == 0) std::fputs("No wave-out device.\n", err);
}

int EmbrelBatch::Run() noexcept
{
    try {
        // Large objects on the heap: the buffers alone are 320 KB.
        auto reader = std::make_unique<WavReader>();
        auto writer = std::make_unique<WavWriter>();
        auto engine = std::make_unique<SaturationEngine>();
        SampleConverter converter;
        std::vector<unsigned char> byteBuffer(BlockBufferBytes);
        std::vector<float> floatBuffer(BlockBufferSamples);

        auto fail = [this](const char* text) {
            std::fputs(text, err);
            return 1;
        };

        reader->SetFileName(options.input.c_str());
        if (reader->GetErrorFlag()) return fail(reader->GetErrorText());
        reader->Open();
        if (reader->GetErrorFlag()) return fail(reader->GetErrorText());
        int blockSize = MonoBlock;
        reader->ReadHeader(blockSize);
        if (reader->GetErrorFlag()) return fail(reader->GetErrorText());
        const int channels = reader->GetChannels();
        if (channels != 1 && channels != 2)
            return fail("You have selected a wave file which is neither mono nor stereo.\n"
                        "At this time, you can only use mono or stereo wave files.\nSorry.\n");
        if (channels == 2) {
            blockSize = StereoBlock;
            reader->SetBufferSize(blockSize);
            if (reader->GetErrorFlag()) return fail(reader->GetErrorText());
        }
        const int bits = reader->GetBitsPerSample();
        const DWORD rate = reader->GetSampleRate();
        // With a placeholder data size the frames are those the file holds, and the read that
        // finds the end of the file (setting the reader's flag) ends the data as designed.
        const MMCKINFO dataChunk = reader->GetDataChunk();
        const bool sizeUnknown = DataSizeUnknown(dataChunk.cksize);
        long long framesInFile = -1;
        if (struct stat st; sizeUnknown && stat(options.input.c_str(), &st) == 0)
            framesInFile = std::max(0LL, (long long)st.st_size - dataChunk.dwDataOffset) / (channels * bits / 8);
        const DWORD totalFrames = sizeUnknown ? DWORD(std::max(0LL, framesInFile)) : reader->GetTotalFrames();

        const bool writing = !options.preview;
        bool listening = options.listen || options.preview;
        std::optional<DeviceListScope> devices;  // offline runs leave the sound service alone
        if (listening) devices.emplace();
        if (listening && OutputDeviceList::GetCount() == 0) {
            if (options.preview) return fail(NoPreview);
            std::fputs(NoSoundCard, err);
            listening = false;
        }
        if (listening && options.device >= OutputDeviceList::GetCount()) {
            std::fprintf(err, "There is no wave-out device %d (see --list-devices).\n", options.device);
            return 1;
        }

        std::optional<TemporaryFile> temporary;
        if (writing) {
            char tempDir[250];
            const DWORD length = GetTempPathA(sizeof tempDir, tempDir);
            if (length == 0 || length >= sizeof tempDir)
                return fail("The temporary directory's path is too long (TMPDIR).\n");
            temporary.emplace(std::string(tempDir) + TemporaryName);
            // Creating the temporary file truncates it: an input that is that file (a result
            // kept after a failed move) would be lost.
            struct stat inputStat, temporaryStat;
            if (stat(options.input.c_str(), &inputStat) == 0 &&
                stat(temporary->Path().c_str(), &temporaryStat) == 0 &&
                inputStat.st_dev == temporaryStat.st_dev && inputStat.st_ino == temporaryStat.st_ino) {
                std::fprintf(err, "Cannot use %s as input: the result is made in that file.\n"
                                  "Move it elsewhere first.\n", options.input.c_str());
                return 1;
            }
            if (const int error = temporary->Lock()) {
                std::fprintf(err, "Cannot use %s: %s.\n", temporary->Path().c_str(),
                             error == EWOULDBLOCK ? "another run is using it" : std::strerror(error));
                return 1;
            }

            writer->SetFileName(temporary->Path().c_str());
            writer->Create();
            if (writer->GetErrorFlag()) return fail(writer->GetErrorText());
            writer->BeginData(reader->GetRiffChunk(), reader->GetFormatChunk(), reader->GetDataChunk(),
                              reader->GetFormat(), blockSize);
            if (writer->GetErrorFlag()) return fail(writer->GetErrorText());
        }

        // The player's callback sets the block event for every message of the device.
        auto player = std::make_unique<WaveOutPlayer>();
        struct EventHandle {
            HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
            ~EventHandle() { if (handle) CloseHandle(handle); }
        } blockEvent;
        if (listening) {
            if (!blockEvent.handle) return fail("Cannot create the block event.\n");
            if (options.device >= 0) player->SetDeviceId(DWORD(options.device));
            player->QueryFormat(reader->GetFormat());
            std::string failure = player->GetErrorFlag() ? player->GetErrorText() : "";
            if (failure.empty()) {
                player->OpenDevice(reader->GetFormat(), reinterpret_cast<DWORD_PTR>(&WaveOutPlayer::PlayerCallback),
                                   reinterpret_cast<DWORD_PTR>(blockEvent.handle), CALLBACK_FUNCTION);
                if (player->GetErrorFlag()) {
                    std::fprintf(err, "%s\nYou are probably playing a wave file in another program.\n"
                                      "You may try again when the other program finishes.\n",
                                 player->GetErrorText());
                    return 1;
                }
                player->AllocateBuffers(DWORD(blockSize));
                if (player->GetErrorFlag()) {
                    failure = player->GetErrorText();
                    player->Close();
                }
            }
            // The format cannot be played or there is no buffer memory.
            if (!failure.empty()) {
                if (options.preview) {
                    std::fprintf(err, "%s\nProgram cannot run in preview mode.\n", failure.c_str());
                    return 1;
                }
                std::fprintf(err, "%s\nProgram will proceed without playing sound.\n", failure.c_str());
                listening = false;
            }
        }

        // A value outside the engine's range is reported and used, as the program does.
        // A getter clears the flag first: SetDynamics leaves it as it was, and would
        // otherwise report the previous parameter's error a second time.
        for (const ParameterInfo& p : ParameterTable::All) {
            (engine.get()->*p.get)();
            (engine.get()->*p.set)(options.settings[p.id]);
            if (engine->GetErrorFlag()) std::fputs(engine->GetErrorText(), err);
        }
        converter.SetFormats(bits, channels, bits, channels);
        engine->SetFormat(bits, int(rate), channels);

        int listen = listening ? 1 : 0, write = writing ? 1 : 0, running = 1, pause = 0, stop = 0;
        CRITICAL_SECTION runLock;
        InitializeCriticalSection(&runLock);
        bool finished = false;
        ProgressBar progress(err, !options.quiet && isatty(fileno(err)), totalFrames);
        int inputPeak = INT_MIN, outputPeak = INT_MIN;

        bool warned = !options.realtimeWatch;
        MessageWindow window([&](UINT message, WPARAM lateCount, LPARAM lParam) {
            if (message == WM_RUN_PROGRESS) {
                progress.Advance(lParam);
                if (listening && !warned && lateCount > LateLimit) {
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
        bool writeFailed = false;
        window.SetWakeUp([&](const MSG& msg) {
            if (msg.message != WM_RUN_PROGRESS) return;
            inputPeak = std::max(inputPeak, engine->GetInputPeakDb());
            outputPeak = std::max(outputPeak, engine->GetOutputPeakDb());
            if (writing && writer->GetErrorFlag()) writeFailed = true;
        });

        WorkerContext context;
        context.mainWindow = window.GetSafeHwnd();
        context.reader = reader.get();
        context.writer = writer.get();
        context.converter = &converter;
        context.engine = engine.get();
        context.listenFlag = &listen;
        context.writeFlag = &write;
        context.runningFlag = &running;
        context.pauseFlag = &pause;
        context.stopFlag = &stop;
        context.byteBuffer = byteBuffer.data();
        context.floatBuffer = floatBuffer.data();
        context.blockSize = &blockSize;
        context.runLock = &runLock;
        context.offlineBlockSleep = 0;  // no window to keep responsive
        context.player = player.get();
        context.blockEvent = blockEvent.handle;

        if (listening) {
            PrimePlayer(context);
            if (player->GetErrorFlag()) {
                const std::string text = player->GetErrorText();
                player->Close();
                DeleteCriticalSection(&runLock);
                return fail(text.c_str());
            }
            SetEvent(blockEvent.handle);
        }
        HANDLE thread = CreateThread(nullptr, 0, ProcessingWorker, &context, 0, nullptr);
        if (!thread) {
            if (listening) player->Close();
            DeleteCriticalSection(&runLock);
            return fail("Cannot start the processing thread.\n");
        }
        bool interrupted = false;
        {
            TerminalKeys keys;
            while (!finished) {
                const int key = keys.Poll();
                if ((stopRequested || key == 'q' || key == 'Q') && !interrupted) {
                    interrupted = true;
                    CAutoLock lock(&runLock);
                    stop = 1;
                    // A listening worker waits for the device: the reset hands every buffer
                    // back, and the event wakes it where none was left to come back.
                    if (listening) {
                        player->Stop();
                        SetEvent(blockEvent.handle);
                    }
                } else if (key == ' ' && !interrupted) {
                    CAutoLock lock(&runLock);
                    pause = !pause;
                    if (listening) {
                        if (pause) player->Pause();
                        else player->Resume();
                        if (player->GetErrorFlag()) std::fputs(player->GetErrorText(), err);
                    }
                    progress.End();
                    std::fputs(pause ? "Paused: space resumes, q stops.\n" : "Resumed.\n", err);
                }
                if (window.WaitMessage(50)) window.PumpMessages();
            }
        }
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        if (listening) player->Close();
        DeleteCriticalSection(&runLock);
        progress.End();

        // The worker does not look at the flags; the last block's read did set the reader's.
        const bool readFailed = reader->GetErrorFlag() != 0 && progress.Frames() != framesInFile;
        std::string readError = reader->GetErrorText(), writeError = writer->GetErrorText();
        reader->Close();
        if (readFailed) return fail(readError.c_str());
        if (!writing) {
            if (interrupted) {
                std::fputs("Stopped.\n", err);
                return 130;
            }
            std::fprintf(out, "%lld frames played; input peak %s, output peak %s\n", progress.Frames(),
                         Db(inputPeak).c_str(), Db(outputPeak).c_str());
            return 0;
        }
        writer->Finish();
        if (writeFailed) return fail(writeError.c_str());
        if (writer->GetErrorFlag()) {
            std::fprintf(err, "Cannot write to %s.\n", temporary->Path().c_str());
            return 1;
        }
        if (interrupted) {
            std::fprintf(err, "Stopped; %s was not changed.\n", options.output.c_str());
            return 130;
        }

        char moveError[8192];
        if (!MoveResultFile(temporary->Path().c_str(), options.output.c_str(), moveError, sizeof moveError)) {
            temporary->Keep();
            return fail(moveError);
        }
        temporary->Keep();  // moved: nothing left to remove
        std::fprintf(out, "%lld frames embreled into %s; input peak %s, output peak %s\n",
                     progress.Frames(), options.output.c_str(), Db(inputPeak).c_str(),
                     Db(outputPeak).c_str());
        return 0;
    } catch (...) {
        std::fputs("Out of memory.\nClose some applications and try again.\n", err);
        return 1;
    }
}
