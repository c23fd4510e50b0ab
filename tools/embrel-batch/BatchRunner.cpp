#include "tools/embrel-batch/BatchRunner.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>
#include <sndfile.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "tools/embrel-batch/EmbrelBatch.h"
#include "tools/embrel-batch/OutputFormats.h"
#include "tools/embrel-batch/ProgressBar.h"

namespace {

std::string BaseName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a memory stream collected; closes it.
std::string Collect(std::FILE* stream, char*& buffer, std::size_t& size)
{
    std::fclose(stream);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

}  // namespace

std::string BatchRunner::OutputFor(const BatchOptions& options, const std::string& input)
{
    std::string name = options.outputDirectory.empty() ? input : BaseName(input);
    const auto slash = name.rfind('/');
    auto dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        dot = name.size();
    const OutputFormat* format = OutputFormats::Find(options.format);
    std::string result = options.outputDirectory;
    if (!result.empty() && result.back() != '/') result += '/';
    result.append(name, 0, dot).append(options.suffix);
    if (format) result.append(".").append(format->name);
    else result.append(name, dot);
    return result;
}

int BatchRunner::CheckDirectory() const
{
    const std::string& dir = options.outputDirectory;
    if (dir.empty()) return 0;
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(err, "embrel-batch: cannot make the output directory %s: %s.\n", dir.c_str(), std::strerror(errno));
        return 2;
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(err, "embrel-batch: %s is not a directory (-o takes a directory).\n", dir.c_str());
        return 2;
    }
    return 0;
}

// The frames of every regular input libsndfile can size: the bar's whole.
long long BatchRunner::TotalFrames() const
{
    long long total = 0;
    for (const std::string& input : options.inputs) {
        struct stat st;
        if (stat(input.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        SF_INFO info{};
        if (SNDFILE* file = sf_open(input.c_str(), SFM_READ, &info)) {
            total += info.frames;
            sf_close(file);
        }
    }
    return total;
}

void BatchRunner::RunOne(std::size_t index)
{
    if (clashes[index]) {
        turns.release();
        std::lock_guard lock(mutex);
        finished.push_back({index, 1, {}, outputs[index] + " is another input's OUTPUT or input: nothing was written.\n"});
        return;
    }
    BatchOptions single = options;
    single.input = options.inputs[index];
    single.output = outputs[index];
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* outStream = open_memstream(&outText, &outSize);
    std::FILE* errStream = open_memstream(&errText, &errSize);
    Done done{index, 1, {}, {}};
    bool turnGiven = false;
    auto giveTurn = [&] {
        if (!std::exchange(turnGiven, true)) turns.release();
    };
    if (outStream && errStream) {
        EmbrelBatch batch(single, outStream, errStream);
        batch.SetProgressHook([this](long long frames) { framesDone += frames; });
        batch.SetDeliveryHook(giveTurn);
        done.status = batch.Run();
    } else {
        done.err = std::string("Cannot start: ") + std::strerror(errno) + ".\n";
    }
    giveTurn();
    if (outStream) done.out = Collect(outStream, outText, outSize);
    if (errStream) done.err += Collect(errStream, errText, errSize);
    std::lock_guard lock(mutex);
    finished.push_back(std::move(done));
    changed.notify_one();
}

// Each file takes a turn first and gives it back when its result is made (RunOne).
void BatchRunner::Work()
{
    while (!EmbrelBatch::StopRequested()) {
        turns.acquire();
        const std::size_t i = next++;
        if (i >= options.inputs.size() || EmbrelBatch::StopRequested()) {
            turns.release();
            break;
        }
        RunOne(i);
    }
    std::lock_guard lock(mutex);
    --running;
    changed.notify_one();
}

// Prints what a file's run said; returns its status.
int BatchRunner::Report(const Done& done)
{
    const std::string& input = options.inputs[done.index];
    if (done.err.rfind(input + " ", 0) == 0) std::fputs(done.err.c_str(), err);
    else if (!done.err.empty()) std::fprintf(err, "%s: %s", input.c_str(), done.err.c_str());
    std::fputs(done.out.c_str(), out);
    std::fflush(out);
    return done.status;
}

// Every output once, and none the input of another file of the batch (it may be read
// while it is replaced); a file that breaks this fails without being read.
void BatchRunner::FindClashes()
{
    const std::set<std::string> inputs(options.inputs.begin(), options.inputs.end());
    std::set<std::string> seen;
    clashes.assign(options.inputs.size(), 0);
    for (std::size_t i = 0; i < options.inputs.size(); ++i) {
        outputs.push_back(OutputFor(options, options.inputs[i]));
        clashes[i] = !seen.insert(outputs[i]).second || inputs.count(outputs[i]);
    }
}

int BatchRunner::Run() noexcept
{
    try {
        if (const int status = CheckDirectory()) return status;
        FindClashes();
        const bool bar = !options.quiet && isatty(fileno(err));
        ProgressBar progress(err, bar, bar ? TotalFrames() : 0);
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t jobs = std::min<std::size_t>(options.jobs > 0 ? unsigned(options.jobs) : cores,
                                                       options.inputs.size());
        const std::size_t threadCount = std::min(2 * jobs, options.inputs.size());
        running = threadCount;
        turns.release(std::ptrdiff_t(jobs));
        std::vector<std::thread> threads;
        for (std::size_t j = 0; j < threadCount; ++j) threads.emplace_back([this] { Work(); });
        std::size_t failed = 0, done = 0;
        long long shown = 0;
        for (bool last = false; !last;) {
            std::deque<Done> ended;
            {
                std::unique_lock lock(mutex);
                changed.wait_for(lock, std::chrono::milliseconds(200));
                last = running == 0;
                ended.swap(finished);
            }
            const long long now = framesDone;
            progress.Advance(now - shown);
            shown = now;
            for (const Done& d : ended) {
                progress.Clear();
                failed += Report(d) != 0;
                ++done;
            }
        }
        for (std::thread& t : threads) t.join();
        progress.Clear();
        if (!options.quiet) {
            std::fprintf(out, "%zu of %zu files embreled, %zu failed", done - failed, options.inputs.size(), failed);
            if (done < options.inputs.size()) std::fprintf(out, ", %zu not started", options.inputs.size() - done);
            std::fputs("\n", out);
        }
        return EmbrelBatch::StopRequested() ? 130 : failed ? 1 : 0;
    } catch (...) {
        std::fputs("Out of memory.\nClose some applications and try again.\n", err);
        return 1;
    }
}
