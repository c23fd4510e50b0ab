#include "platform/waveout/WaveOutConfig.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kMaxVirtualDevices = 64;

WaveOutConfig Invalid(const std::string& why)
{
    WaveOutConfig config;
    config.kind = WaveOutConfig::Kind::Invalid;
    config.error = why;
    return config;
}

}  // namespace

WaveOutConfig WaveOutConfig::Parse(const char* value)
{
    WaveOutConfig config;
    if (value == nullptr || *value == '\0') return config;
    if (std::strcmp(value, "none") == 0) {
        config.kind = Kind::None;
        return config;
    }
    constexpr const char* prefix = "virtual:";
    const std::size_t prefixLength = std::strlen(prefix);
    if (std::strncmp(value, prefix, prefixLength) != 0)
        return Invalid("expected \"none\" or \"virtual:N[,speed=F][,capture=PATH]\"");

    const char* p = value + prefixLength;
    if (*p < '0' || *p > '9') return Invalid("the device count N is missing");
    errno = 0;
    char* end = nullptr;
    const unsigned long count = std::strtoul(p, &end, 10);
    if (errno != 0 || count > kMaxVirtualDevices)
        return Invalid("the device count must be 0 to " + std::to_string(kMaxVirtualDevices));
    config.kind = Kind::Virtual;
    config.devices = static_cast<UINT>(count);
    p = end;

    bool speedSeen = false;
    while (*p != '\0') {
        if (*p != ',') return Invalid("options are separated by commas");
        ++p;
        if (std::strncmp(p, "speed=", 6) == 0 && !speedSeen) {
            p += 6;
            errno = 0;
            const double speed = std::strtod(p, &end);
            if (end == p || errno != 0 || !std::isfinite(speed) || speed < 1e-3 || speed > 1e6)
                return Invalid("speed must be a number from 0.001 to 1000000");
            config.speed = speed;
            speedSeen = true;
            p = end;
        } else if (std::strncmp(p, "capture=", 8) == 0) {
            p += 8;
            if (*p == '\0') return Invalid("the capture path is empty");
            config.capture = p;  // the path is the rest of the value, commas included
            break;
        } else {
            return Invalid("unknown option");
        }
    }
    return config;
}

WaveOutConfig WaveOutConfig::FromEnvironment()
{
    return Parse(std::getenv("CALYRIX_WAVEOUT"));
}
