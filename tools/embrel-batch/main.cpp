#include <csignal>
#include <cstdio>

#include "tools/embrel-batch/BatchOptions.h"
#include "tools/embrel-batch/BatchRunner.h"
#include "tools/embrel-batch/EmbrelBatch.h"

namespace {

extern "C" void OnSignal(int)
{
    EmbrelBatch::RequestStop();
}

}  // namespace

int main(int argc, char** argv)
{
    BatchOptions options;
    EmbrelBatch batch(options, stdout, stderr);
    switch (options.Parse(argc, argv)) {
    case BatchOptions::Action::Help:
        std::fputs(BatchOptions::UsageText().c_str(), stdout);
        return 0;
    case BatchOptions::Action::Version:
        std::fputs(BatchOptions::VersionText().c_str(), stdout);
        return 0;
    case BatchOptions::Action::ListPresets:
        batch.ListPresets();
        return 0;
    case BatchOptions::Action::ListDevices:
        batch.ListDevices();
        return 0;
    case BatchOptions::Action::UsageError:
        std::fprintf(stderr, "embrel-batch: %s\nTry 'embrel-batch --help'.\n", options.error.c_str());
        return 2;
    case BatchOptions::Action::Run:
        break;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A file-size limit is a write error like any other, reported with its reason.
    signal(SIGXFSZ, SIG_IGN);
    // A reader of stdout that goes away is a write error too.
    signal(SIGPIPE, SIG_IGN);
    if (options.IsBatch()) return BatchRunner(options, stdout, stderr).Run();
    return batch.Run();
}
