// embrel-lv2-ttl DIR: writes the Turtle files of the calyrix.lv2 bundle into DIR.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "filter/lv2/Lv2TurtleWriter.h"

namespace {

bool Write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    std::fprintf(stderr, "embrel-lv2-ttl: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: embrel-lv2-ttl DIR\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const bool ok = Write(dir + "manifest.ttl", Lv2TurtleWriter::Manifest()) &&
                    Write(dir + Lv2TurtleWriter::PluginsFile, Lv2TurtleWriter::Plugins()) &&
                    Write(dir + Lv2TurtleWriter::PresetsFile, Lv2TurtleWriter::Presets());
    return ok ? 0 : 1;
}
