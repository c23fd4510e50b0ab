// Writes a short piece of music as a PCM WAV file: a four-chord progression of plucked
// voices over a bass line, with kick and hi-hat, so that the saturation has something
// to colour. Deterministic: the same arguments give the same bytes.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/ToolVersion.h"

namespace {

constexpr double Pi = 3.14159265358979323846;

void Usage(std::FILE* out)
{
    std::fputs("Usage: embrel-demo-sound OUTPUT.wav [--seconds S] [--rate HZ] [--bits 8|16] "
               "[--channels 1|2]\n"
               "       embrel-demo-sound --version\n"
               "Writes S seconds (default 6) of music, 44100 Hz 16-bit stereo by default.\n",
               out);
}

// One period of a voice with decaying harmonics, read with linear interpolation.
class Wavetable {
public:
    explicit Wavetable(int harmonics)
    {
        for (int i = 0; i < Size; ++i) {
            double v = 0;
            for (int k = 1; k <= harmonics; ++k) v += std::sin(2 * Pi * k * i / Size) / (k * k * 0.5 + 0.5);
            table[i] = float(v * 0.6);
        }
        table[Size] = table[0];
    }
    double At(double phase) const  // phase in cycles
    {
        const double p = (phase - std::floor(phase)) * Size;
        const int i = int(p);
        const double f = p - i;
        return table[i] + (table[i + 1] - table[i]) * f;
    }

private:
    static constexpr int Size = 2048;
    float table[Size + 1];
};

double Midi(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

struct Writer {
    std::FILE* f;
    bool ok = true;
    void Bytes(const void* p, std::size_t n) { ok = ok && std::fwrite(p, 1, n, f) == n; }
    void U16(unsigned v)
    {
        unsigned char b[2] = {(unsigned char)v, (unsigned char)(v >> 8)};
        Bytes(b, 2);
    }
    void U32(std::uint32_t v)
    {
        unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                              (unsigned char)(v >> 24)};
        Bytes(b, 4);
    }
};

struct Options {
    const char* output = nullptr;
    double seconds = 6;
    long rate = 44100, bits = 16, channels = 2;
};

// Returns -1 to go on, else the exit code (usage printed).
int ParseArguments(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto number = [&](double& v) {
            if (i + 1 >= argc) return false;
            char* end = nullptr;
            v = std::strtod(argv[++i], &end);
            return *end == '\0';
        };
        double v = 0;
        if (a == "--seconds" && number(v) && v > 0 && v <= 3600) o.seconds = v;
        else if (a == "--rate" && number(v) && v >= 8000 && v <= 192000) o.rate = long(v);
        else if (a == "--bits" && number(v) && (v == 8 || v == 16)) o.bits = long(v);
        else if (a == "--channels" && number(v) && (v == 1 || v == 2)) o.channels = long(v);
        else if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        } else if (!o.output && a[0] != '-') o.output = argv[i];
        else {
            Usage(stderr);
            return 2;
        }
    }
    if (!o.output) {
        Usage(stderr);
        return 2;
    }
    return -1;
}

void WriteHeader(Writer& w, const Options& o, std::uint64_t dataBytes)
{
    const unsigned align = unsigned(o.channels * o.bits / 8);
    w.Bytes("RIFF", 4);
    w.U32(std::uint32_t(36 + dataBytes + (dataBytes & 1)));
    w.Bytes("WAVEfmt ", 8);
    w.U32(16);
    w.U16(1);
    w.U16(unsigned(o.channels));
    w.U32(std::uint32_t(o.rate));
    w.U32(std::uint32_t(o.rate) * align);
    w.U16(align);
    w.U16(unsigned(o.bits));
    w.Bytes("data", 4);
    w.U32(std::uint32_t(dataBytes));
}

// C - Am - F - G, two beats each at 100 beats per minute: plucked chords, bass, kick on
// beats one and three, a hi-hat on every half beat.
class Music {
public:
    void Frame(double t, double& left, double& right)
    {
        const long beatIndex = long(t / beat);
        const double inBeat = t - double(beatIndex) * beat;
        const int chord = int((beatIndex / 2) % 4);

        left = 0;
        right = 0;
        const double pluck = std::exp(-3.5 * inBeat);
        for (int v = 0; v < 3; ++v) {
            const double s = voice.At(Midi(chords[chord][v]) * t) * pluck * 0.22;
            left += s * (1.0 - 0.3 * v);
            right += s * (0.4 + 0.3 * v);
        }
        const double b = bass.At(Midi(roots[chord]) * t) * std::exp(-1.5 * inBeat) * 0.35;
        left += b;
        right += b;
        if (beatIndex % 2 == 0) {
            const double phase = 2 * Pi * (50.0 * inBeat + 70.0 * (1 - std::exp(-25 * inBeat)) / 25.0);
            const double k = std::sin(phase) * std::exp(-9.0 * inBeat) * 0.5;
            left += k;
            right += k;
        }
        noise = noise * 1664525u + 1013904223u;
        const double white = double(int32_t(noise)) / 2147483648.0;
        const double hatLevel = std::exp(-60.0 * std::fmod(inBeat, beat / 2)) * 0.08;
        left += white * hatLevel * 0.7;
        right += white * hatLevel;
    }

private:
    static constexpr int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    static constexpr int roots[4] = {36, 33, 41, 43};
    static constexpr double beat = 0.6;
    const Wavetable voice{8}, bass{3};
    std::uint32_t noise = 0x12345678u;
};

void AppendSample(std::vector<unsigned char>& block, double x, long bits)
{
    if (x > 0.999) x = 0.999;
    if (x < -0.999) x = -0.999;
    if (bits == 8) {
        block.push_back((unsigned char)(int(std::lround(x * 127.0)) + 128));
    } else {
        const int s = int(std::lround(x * 32767.0));
        block.push_back((unsigned char)(s & 0xFF));
        block.push_back((unsigned char)((s >> 8) & 0xFF));
    }
}

void WriteMusic(Writer& w, const Options& o, std::uint64_t frames)
{
    Music music;
    std::vector<unsigned char> block;
    block.reserve(65536);
    for (std::uint64_t n = 0; n < frames; ++n) {
        double left = 0, right = 0;
        music.Frame(double(n) / double(o.rate), left, right);
        const double mono = (left + right) * 0.5;
        for (long c = 0; c < o.channels; ++c)
            AppendSample(block, o.channels == 1 ? mono : (c == 0 ? left : right), o.bits);
        if (block.size() >= 65000) {
            w.Bytes(block.data(), block.size());
            block.clear();
        }
    }
    w.Bytes(block.data(), block.size());
}

}  // namespace

int main(int argc, char** argv)
{
    if (PrintVersionIfAsked("embrel-demo-sound", argc, argv)) return 0;
    Options o;
    if (const int code = ParseArguments(argc, argv, o); code >= 0)
        return code;
    const std::uint64_t frames = std::uint64_t(o.seconds * double(o.rate));
    const std::uint64_t dataBytes = frames * std::uint64_t(o.channels * o.bits / 8);
    if (dataBytes > 0xFFFFFFF0u) {
        std::fputs("embrel-demo-sound: too long for a WAV file\n", stderr);
        return 2;
    }
    std::FILE* f = std::fopen(o.output, "wb");
    if (!f) {
        std::perror(o.output);
        return 1;
    }
    Writer w{f};
    WriteHeader(w, o, dataBytes);
    WriteMusic(w, o, frames);
    if (dataBytes & 1) w.Bytes("", 1);
    if (std::fclose(f) != 0 || !w.ok) {
        std::fprintf(stderr, "embrel-demo-sound: cannot write %s\n", o.output);
        return 1;
    }
    return 0;
}
