// embrel-graph: runs a WAV file through a filter graph: WAV source -> the saturation
// filter from Embrel.ax -> WAV file renderer.

#include <csignal>
#include <cstdio>

#include "engine/FactoryPresets.h"
#include "tools/ToolVersion.h"
#include "tools/embrel-graph/GraphOptions.h"
#include "tools/embrel-graph/GraphRun.h"

namespace {

extern "C" void OnSignal(int)
{
    GraphRun::RequestStop();
}

} // namespace

int main(int argc, char** argv)
{
    GraphOptions options;
    switch (options.Parse(argc, argv)) {
    case GraphOptions::Action::Help:
        std::fputs(GraphOptions::UsageText(), stdout);
        return 0;
    case GraphOptions::Action::Version:
        std::fputs(VersionLine("embrel-graph").c_str(), stdout);
        return 0;
    case GraphOptions::Action::ListPresets:
        for (const FactoryPreset& preset : FactoryPresets::All())
            std::printf("%d %s\n", int(&preset - FactoryPresets::All().data()), preset.name);
        return 0;
    case GraphOptions::Action::UsageError:
        std::fprintf(stderr, "embrel-graph: %s\nTry 'embrel-graph --help'.\n", options.error.c_str());
        return 2;
    case GraphOptions::Action::Run:
        break;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A file-size limit is a write error like any other.
    signal(SIGXFSZ, SIG_IGN);
    return GraphRun(options, stdout, stderr).Run();
}
