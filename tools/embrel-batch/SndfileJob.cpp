#include "tools/embrel-batch/SndfileJob.h"

#include <cstdint>
#include <memory>
#include <thread>
#include <sndfile.h>
#include <unistd.h>
#include <vector>

#include "engine/ParameterTable.h"
#include "engine/SaturationEngine.h"
#include "pcm/SampleConverter.h"
#include "platform/fs/TemporaryFile.h"
#include "tools/embrel-batch/BlockPipe.h"
#include "tools/embrel-batch/OutputFormats.h"

namespace {

constexpr int BlockFrames = 8192;
// Blocks written after which the disk is asked to take them (a few megabytes at most).
constexpr int WritebackBlocks = 32;

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// libsndfile's message for file, without its closing full stop.
std::string Reason(SNDFILE* file)
{
    std::string text = sf_strerror(file);
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    return text;
}

int Subtype(int format)
{
    return format & SF_FORMAT_SUBMASK;
}

int IntegerBits(int format)
{
    switch (Subtype(format)) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
    }
}

// A sample as an integer of bits, left-justified in 32 bits: scaled by 2^(bits-1),
// clamped and truncated as the designed converter does; 8 and 16 bits through it.
std::int32_t ToInt(float x, int bits)
{
    if (bits == 16) return std::int32_t(SampleConverter::ToPcm16(x)) << 16;
    if (bits == 8) return (std::int32_t(SampleConverter::ToPcm8(x)) - 128) << 24;
    const double top = double(std::int64_t(1) << (bits - 1));
    double v = double(x) * top;
    v = v == v ? v : 0.0;
    v = v < top - 1.0 ? v : top - 1.0;
    v = v > -top ? v : -top;
    return std::int32_t(static_cast<std::int64_t>(v) * (std::int64_t(1) << (32 - bits)));
}

void CopyMetadata(SNDFILE* in, SNDFILE* out)
{
    for (int id = SF_STR_FIRST; id <= SF_STR_LAST; ++id)
        if (const char* text = sf_get_string(in, id)) sf_set_string(out, id, text);
    SF_BROADCAST_INFO bext{};
    if (sf_command(in, SFC_GET_BROADCAST_INFO, &bext, sizeof bext) == SF_TRUE)
        sf_command(out, SFC_SET_BROADCAST_INFO, &bext, sizeof bext);
}

}  // namespace

int SndfileJob::OutputFormat(const BatchOptions& options, int inputFormat, const std::string& outputName)
{
    int major = inputFormat & SF_FORMAT_TYPEMASK;
    int subtype = Subtype(inputFormat);
    const ::OutputFormat* chosen = OutputFormats::Find(options.format);
    if (!chosen) chosen = OutputFormats::ForFileName(outputName);
    const bool sameFamily = chosen && chosen->major == SF_FORMAT_WAV && major == SF_FORMAT_WAVEX;
    if (chosen && chosen->major != major && !sameFamily) {
        major = chosen->major;
        if (chosen->wordLengthFixed) subtype = std::string(chosen->name) == "opus" ? SF_FORMAT_OPUS : SF_FORMAT_VORBIS;
    }
    if (options.bits) {
        static constexpr int IntegerSubtypes[] = {SF_FORMAT_PCM_S8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24,
                                                  SF_FORMAT_PCM_32};
        subtype = options.floatOutput ? (options.bits == 32 ? SF_FORMAT_FLOAT : SF_FORMAT_DOUBLE)
                                      : IntegerSubtypes[options.bits == 8 ? 0 : options.bits / 8 - 1];
        if (subtype == SF_FORMAT_PCM_S8 && (major == SF_FORMAT_WAV || major == SF_FORMAT_RF64 || major == SF_FORMAT_W64))
            subtype = SF_FORMAT_PCM_U8;
    } else if (chosen && !chosen->wordLengthFixed &&
               (Subtype(inputFormat) == SF_FORMAT_VORBIS || Subtype(inputFormat) == SF_FORMAT_OPUS)) {
        subtype = SF_FORMAT_PCM_16;  // from a lossy input to a lossless container
    }
    if (major == SF_FORMAT_FLAC && subtype == SF_FORMAT_PCM_U8) subtype = SF_FORMAT_PCM_S8;
    return major | subtype;
}

bool SndfileJob::CanRead(int fd)
{
    SF_INFO info{};
    lseek(fd, 0, SEEK_SET);  // libsndfile takes the offset as the start of the file
    SndfilePtr file(sf_open_fd(fd, SFM_READ, &info, SF_FALSE));
    lseek(fd, 0, SEEK_SET);
    return file != nullptr;
}

int SndfileJob::DitherBits(int format)
{
    return IntegerBits(format);
}

int SndfileJob::Run(int inputFd, const std::string& inputName, const TemporaryFile& output, const std::string& outputName,
                    const std::atomic<bool>& stop, FileSummary& summary)
{
    SF_INFO inInfo{};
    lseek(inputFd, 0, SEEK_SET);
    SndfilePtr in(sf_open_fd(inputFd, SFM_READ, &inInfo, SF_FALSE));
    if (!in) {
        std::fprintf(err, "Cannot read %s: %s.\n", inputName.c_str(), Reason(nullptr).c_str());
        return 1;
    }
    if (inInfo.channels != 1 && inInfo.channels != 2) {
        std::fprintf(err, "%s has %d channels: only mono and stereo can be embreled.\n", inputName.c_str(),
                     inInfo.channels);
        return 1;
    }
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    outInfo.format = OutputFormat(options, inInfo.format, outputName);
    if (!sf_format_check(&outInfo)) {
        std::fprintf(err, "Cannot write %s: its container does not hold this sample format (see --format, --bits).\n",
                     outputName.c_str());
        return 1;
    }
    SndfilePtr out(sf_open_fd(output.Descriptor(), SFM_WRITE, &outInfo, SF_FALSE));
    if (!out) {
        std::fprintf(err, "Cannot write %s: %s.\n", outputName.c_str(), Reason(nullptr).c_str());
        return 1;
    }
    CopyMetadata(in.get(), out.get());
    const int status = Process(in.get(), out.get(), output, inInfo.channels, outInfo.format, stop, summary);
    if (status != 0) return status;
    if (sf_close(out.release()) != 0) {
        std::fprintf(err, "Cannot write %s: the file could not be finished.\n", outputName.c_str());
        return 1;
    }
    return 0;
}

void SndfileJob::ApplySettings(SaturationEngine& engine, int format, int rate, int channels) const
{
    // Values outside the engine's range reach here only when allowed; it reports and uses them.
    for (const ParameterInfo& p : ParameterTable::All) {
        (engine.*p.get)();
        (engine.*p.set)(options.settings[p.id]);
        if (engine.GetErrorFlag()) std::fputs(engine.GetErrorText(), err);
    }
    const int bits = DitherBits(format);
    if (bits == 0) engine.SetDither(0);
    engine.SetFormat(bits ? bits : 24, rate, channels);
}

// The writer's side: writes each full block until the last; false when a write failed.
// A result that will replace a file (flushTo) is handed to the disk as it grows.
bool SndfileJob::WriteBlocks(SNDFILE* out, const TemporaryFile* flushTo, BlockPipe& pipe)
{
    for (int count = 1; BlockPipe::Block* b = pipe.TakeFull(); ++count) {
        const sf_count_t frames = b->frames;
        const sf_count_t written = b->words.empty() ? sf_writef_float(out, b->samples.data(), frames)
                                                    : sf_writef_int(out, b->words.data(), frames);
        pipe.PutEmpty(b);
        if (written != frames) {
            pipe.GiveUp();
            return false;
        }
        if (flushTo && count % WritebackBlocks == 0) flushTo->StartWriteback();
    }
    return true;
}

// Reads, embrels and converts on this thread while another writes.
int SndfileJob::Process(SNDFILE* in, SNDFILE* out, const TemporaryFile& output, int channels, int format,
                        const std::atomic<bool>& stop, FileSummary& summary)
{
    SF_INFO info{};
    sf_command(in, SFC_GET_CURRENT_SF_INFO, &info, sizeof info);
    auto engine = std::make_unique<SaturationEngine>();
    ApplySettings(*engine, format, info.samplerate, channels);
    const int bits = IntegerBits(format);
    BlockPipe pipe(4, std::size_t(BlockFrames) * channels, bits != 0);
    bool writeFailed = false;
    const TemporaryFile* flushTo = options.output == "-" ? nullptr : &output;  // stdout: copied, then removed
    std::thread writer([&] { writeFailed = !WriteBlocks(out, flushTo, pipe); });
    int status = 0;
    while (BlockPipe::Block* b = pipe.TakeEmpty()) {
        const sf_count_t frames = stop ? 0 : sf_readf_float(in, b->samples.data(), BlockFrames);
        if (frames <= 0) {
            pipe.PutEmpty(b);
            break;
        }
        engine->Process(b->samples.data(), int(frames));
        summary.Add(b->samples.data(), frames, channels);
        for (std::size_t i = 0; i < b->words.size() && i < std::size_t(frames * channels); ++i)
            b->words[i] = ToInt(b->samples[i], bits);
        b->frames = frames;
        pipe.PutFull(b);
        if (progress) progress(frames, info.frames);
    }
    pipe.Finish();
    writer.join();
    if (writeFailed) {
        std::fprintf(err, "Cannot write the result: %s.\n", Reason(out).c_str());
        status = 1;
    } else if (stop) {
        status = 130;
    } else if (sf_error(in) != SF_ERR_NO_ERROR) {
        std::fprintf(err, "Cannot read the input: %s.\n", Reason(in).c_str());
        status = 1;
    }
    return status;
}
