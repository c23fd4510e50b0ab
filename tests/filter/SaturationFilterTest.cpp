#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "filter/framework/CMemAllocator.h"
#include "platform/base/Memory.h"
#include "platform/com/ComApi.h"
#include "tests/filter/FilterTestSupport.h"

namespace {

std::vector<int> Wave16(int count)
{
    std::vector<int> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] = static_cast<int>(20000.0 * std::sin(i * 0.05) + (i % 7) * 300);
    return samples;
}

// Connects the fixture and starts streaming by hand, so samples can be transformed directly.
struct DirectFilter {
    FilterGraphFixture g;
    CMemAllocator* allocator = CMemAllocator::CreateInstance();

    DirectFilter(WORD tag, WORD bits, WORD channels, long sampleBytes = 64)
        : g(MakeWav(tag, bits, channels, 44100, std::vector<BYTE>(64)), false)
    {
        EXPECT_EQ(g.Connect(), S_OK);
        ALLOCATOR_PROPERTIES request{2, sampleBytes, 4, 0}, actual{};
        allocator->SetProperties(&request, &actual);
        allocator->Commit();
    }
    ~DirectFilter()
    {
        allocator->Decommit();
        allocator->Release();
    }
    IMediaSample* Sample(const std::vector<BYTE>& bytes, bool discontinuity = false)
    {
        IMediaSample* sample = nullptr;
        allocator->GetBuffer(&sample, nullptr, nullptr, 0);
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::memcpy(data, bytes.data(), bytes.size());
        sample->SetActualDataLength(static_cast<long>(bytes.size()));
        sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
        return sample;
    }
    std::vector<BYTE> Data(IMediaSample* sample)
    {
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        return {data, data + sample->GetActualDataLength()};
    }
    void AllStagesOff()
    {
        const SaturationSettings off{-1000, 0, 5000, 5000, -1, 0, 5000, -250, 0};
        g.Settings()->PutSettings(&off);
    }
};

} // namespace

TEST(SaturationFilterTypes, AcceptsPcm8Pcm16AndFloat32MonoOrStereoOnly)
{
    FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, {}), false);
    CSaturationFilter* f = g.filter;
    CMediaType t = AudioType(WAVE_FORMAT_PCM, 8, 1);
    EXPECT_EQ(f->CheckInputType(&t), S_OK);
    t = AudioType(WAVE_FORMAT_PCM, 16, 2);
    EXPECT_EQ(f->CheckInputType(&t), S_OK);
    t = AudioType(WAVE_FORMAT_IEEE_FLOAT, 32, 2);
    EXPECT_EQ(f->CheckInputType(&t), S_OK);
    t = AudioType(WAVE_FORMAT_PCM, 16, 1, 44100, 16);
    EXPECT_EQ(f->CheckInputType(&t), S_OK);

    for (CMediaType refused : {AudioType(WAVE_FORMAT_PCM, 24, 2), AudioType(WAVE_FORMAT_PCM, 32, 2),
                               AudioType(WAVE_FORMAT_IEEE_FLOAT, 64, 2), AudioType(WAVE_FORMAT_PCM, 16, 3),
                               AudioType(WAVE_FORMAT_PCM, 16, 0), AudioType(WAVE_FORMAT_PCM, 16, 2, 44100, 14)})
        EXPECT_EQ(f->CheckInputType(&refused), E_INVALIDARG);
    t = AudioType(WAVE_FORMAT_PCM, 16, 2);
    t.majortype = MEDIATYPE_Video;
    EXPECT_EQ(f->CheckInputType(&t), E_INVALIDARG);
    t = AudioType(WAVE_FORMAT_PCM, 16, 2);
    t.bTemporalCompression = TRUE;
    EXPECT_EQ(f->CheckInputType(&t), E_INVALIDARG);
    CMediaType empty(MEDIATYPE_Audio);
    EXPECT_EQ(f->CheckInputType(&empty), E_INVALIDARG);

    // A refused type never connects.
    FilterGraphFixture bad(MakeWav(WAVE_FORMAT_PCM, 24, 2, 44100, {}), false);
    EXPECT_EQ(bad.Connect(), E_INVALIDARG);
    EXPECT_FALSE(static_cast<CBasePin*>(PinOf(bad.filter, 0))->IsConnected());
}

TEST(SaturationFilterTypes, ConnectionRecordsTheNormalisedFormat)
{
    WavClip wav = MakeWav(WAVE_FORMAT_PCM, 16, 2, 22050, Pcm16(Wave16(64)));
    wav.format.nBlockAlign = 99;
    wav.format.nAvgBytesPerSec = 1;
    FilterGraphFixture g(wav, false);
    ASSERT_EQ(g.Connect(), S_OK);
    FilterWaveFormat got{};
    ASSERT_EQ(g.Settings()->GetWaveFormat(reinterpret_cast<BYTE*>(&got)), S_OK);
    EXPECT_EQ(got.format.nBlockAlign, 4);
    EXPECT_EQ(got.format.nAvgBytesPerSec, 88200u);
    EXPECT_EQ(got.format.cbSize, 0);
    EXPECT_EQ(got.format.nSamplesPerSec, 22050u);
}

TEST(SaturationFilterTransform, PcmConversionEdges)
{
    {
        DirectFilter d(WAVE_FORMAT_PCM, 8, 1);
        d.AllStagesOff();
        ASSERT_EQ(d.g.filter->StartStreaming(), S_OK);
        IMediaSample* s = d.Sample(std::vector<BYTE>(64, 0x80));
        EXPECT_EQ(d.g.filter->Transform(s), S_OK);
        EXPECT_EQ(d.Data(s), std::vector<BYTE>(64, 0x80));
        s->Release();
        d.g.filter->StopStreaming();
    }
    {
        DirectFilter d(WAVE_FORMAT_PCM, 16, 1);
        d.AllStagesOff();
        ASSERT_EQ(d.g.filter->StartStreaming(), S_OK);
        std::vector<BYTE> bytes = Pcm16({-32768, 0, 0, 0});
        bytes.push_back(0xAB); // odd byte count: the last byte stays as it is
        IMediaSample* s = d.Sample(bytes);
        EXPECT_EQ(d.g.filter->Transform(s), S_OK);
        const std::vector<BYTE> out = d.Data(s);
        ASSERT_EQ(out.size(), 9u);
        std::int16_t first = 0;
        std::memcpy(&first, out.data(), 2);
        EXPECT_EQ(first, -32768);
        EXPECT_EQ(out[8], 0xAB);
        s->Release();
        d.g.filter->StopStreaming();
    }
}

TEST(SaturationFilterTransform, BufferPerRunAndOversizedSamples)
{
    DirectFilter d(WAVE_FORMAT_PCM, 16, 2, 256);
    ASSERT_EQ(d.g.filter->StartStreaming(), S_OK);
    FailAllocationForTesting(1);
    IMediaSample* s = d.Sample(Pcm16(Wave16(16)));
    EXPECT_EQ(d.g.filter->Transform(s), E_OUTOFMEMORY);
    FailAllocationForTesting(0);
    s->SetActualDataLength(64);
    s->SetActualDataLength(32);
    // The run's buffer is sized from this 256-byte sample ...
    EXPECT_EQ(d.g.filter->Transform(s), S_OK);
    s->Release();
    d.g.filter->StopStreaming();

    // ... and a new run sizes it again from its own first sample.
    ASSERT_EQ(d.g.filter->StartStreaming(), S_OK);
    s = d.Sample(Pcm16(Wave16(128)));
    EXPECT_EQ(d.g.filter->Transform(s), S_OK);
    s->Release();
    d.g.filter->StopStreaming();
}

TEST(SaturationFilterTransform, SampleLargerThanTheFirstIsRefusedUntouched)
{
    FilterGraphFixture g(MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, std::vector<BYTE>(64)), false);
    ASSERT_EQ(g.Connect(), S_OK);
    CMemAllocator* small = CMemAllocator::CreateInstance();
    CMemAllocator* large = CMemAllocator::CreateInstance();
    ALLOCATOR_PROPERTIES a{1, 16, 1, 0}, b{1, 64, 1, 0}, actual{};
    small->SetProperties(&a, &actual);
    large->SetProperties(&b, &actual);
    small->Commit();
    large->Commit();
    ASSERT_EQ(g.filter->StartStreaming(), S_OK);
    IMediaSample* first = nullptr;
    IMediaSample* second = nullptr;
    small->GetBuffer(&first, nullptr, nullptr, 0);
    large->GetBuffer(&second, nullptr, nullptr, 0);
    EXPECT_EQ(g.filter->Transform(first), S_OK);
    BYTE* data = nullptr;
    second->GetPointer(&data);
    std::memset(data, 0x5A, 64);
    EXPECT_EQ(g.filter->Transform(second), E_OUTOFMEMORY);
    EXPECT_EQ(std::vector<BYTE>(data, data + 64), std::vector<BYTE>(64, 0x5A));
    g.filter->StopStreaming();
    // The next run sizes its buffer from its own first sample.
    ASSERT_EQ(g.filter->StartStreaming(), S_OK);
    EXPECT_EQ(g.filter->Transform(second), S_OK);
    EXPECT_EQ(g.filter->Transform(first), S_OK);
    first->Release();
    second->Release();
    g.filter->StopStreaming();
    small->Decommit();
    large->Decommit();
    small->Release();
    large->Release();
}

TEST(SaturationFilterTransform, ChangesReachTheEngineAtTheNextSample)
{
    DirectFilter d(WAVE_FORMAT_PCM, 16, 2);
    CFilterSettings& settings = d.g.filter->Settings();
    ASSERT_EQ(d.g.filter->StartStreaming(), S_OK);
    SaturationEngine& engine = settings.Engine();
    const std::vector<BYTE> block = Pcm16(Wave16(16));

    // The engine drifts from the settings behind the filter's back; only what is handed
    // over is visible in it.
    engine.SetMix(3000);
    settings.put_Gain(-1500);
    IMediaSample* s = d.Sample(block);
    d.g.filter->Transform(s);
    s->Release();
    EXPECT_EQ(settings.TakenRecord(), CFilterSettings::ChangeBit(ParameterId::Gain));
    EXPECT_EQ(engine.GetGain(), -1500);
    EXPECT_EQ(engine.GetMix(), 3000);

    // Two changes between two samples both arrive.
    settings.put_Knee(2000);
    settings.put_Limiter(-500);
    s = d.Sample(block);
    d.g.filter->Transform(s);
    s->Release();
    EXPECT_EQ(engine.GetKnee(), 2000);
    EXPECT_EQ(engine.GetLimiter(), -500);
    EXPECT_EQ(engine.GetMix(), 3000);

    // A discontinuity after a change hands over all nine.
    settings.put_Gain(-1400);
    s = d.Sample(block, true);
    d.g.filter->Transform(s);
    s->Release();
    EXPECT_EQ(engine.GetGain(), -1400);
    EXPECT_EQ(engine.GetMix(), 999);

    // Nothing changed (a put of the stored value changes nothing): nothing is handed over,
    // even at a discontinuity.
    engine.SetMix(3000);
    settings.put_Gain(-1400);
    s = d.Sample(block, true);
    d.g.filter->Transform(s);
    s->Release();
    EXPECT_EQ(engine.GetMix(), 3000);

    // PutSettings marks all nine, even with the stored values; a continuous sample hands them over.
    SaturationSettings same{};
    settings.GetSettings(&same);
    settings.PutSettings(&same);
    s = d.Sample(block);
    d.g.filter->Transform(s);
    s->Release();
    EXPECT_EQ(settings.TakenRecord(), CFilterSettings::AllChanged);
    EXPECT_EQ(engine.GetMix(), 999);
    d.g.filter->StopStreaming();
}

TEST(SaturationFilterGraph, PcmOutputEqualsTheEngineAndRunsRepeat)
{
    for (WORD bits : {WORD(8), WORD(16)}) {
        std::vector<BYTE> data;
        if (bits == 16) {
            data = Pcm16(Wave16(6000));
        } else {
            for (int i = 0; i < 6000; ++i)
                data.push_back(static_cast<BYTE>(128 + 100 * std::sin(i * 0.03)));
        }
        const WavClip wav = MakeWav(WAVE_FORMAT_PCM, bits, 2, 44100, data);
        CWavSource::Options options;
        options.bufferBytes = 1000;
        FilterGraphFixture g(wav, false, options);
        ASSERT_EQ(g.Connect(), S_OK);
        g.Settings()->put_Dither(0);
        g.Settings()->put_Gain(-1600);
        SaturationSettings settings{};
        g.Settings()->GetSettings(&settings);
        ASSERT_EQ(g.RunToEnd(), S_OK);
        const std::vector<BYTE> expected = ReferencePcm(wav, settings, options.bufferBytes);
        EXPECT_EQ(g.renderer->Bytes(), expected) << bits << "-bit";
        const std::vector<bool> flags = g.renderer->Discontinuities();
        ASSERT_FALSE(flags.empty());
        EXPECT_TRUE(flags.front());
        EXPECT_EQ(std::count(flags.begin(), flags.end(), true), 1);
        EXPECT_EQ(g.renderer->EndOfStreamCount(), 1);

        // A second run starts from a fresh engine state and gives the same bytes.
        ASSERT_EQ(g.RunToEnd(), S_OK);
        std::vector<BYTE> twice = expected;
        twice.insert(twice.end(), expected.begin(), expected.end());
        EXPECT_EQ(g.renderer->Bytes(), twice) << bits << "-bit";
    }
}

TEST(SaturationFilterGraph, FloatStreamsUseDitherScaledFor24Bits)
{
    std::vector<float> samples(4000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.4f * std::sin(static_cast<float>(i) * 0.02f);
    const WavClip wav = MakeWav(WAVE_FORMAT_IEEE_FLOAT, 32, 1, 48000, Floats(samples));
    CWavSource::Options options;
    options.bufferBytes = 4000;
    FilterGraphFixture g(wav, false, options);
    ASSERT_EQ(g.Connect(), S_OK);
    SaturationSettings settings{};
    g.Settings()->GetSettings(&settings);
    ASSERT_EQ(settings.dither, 1);
    ASSERT_EQ(g.RunToEnd(), S_OK);
    const std::vector<BYTE> got = g.renderer->Bytes();

    // The dither's random state is per thread; a fresh thread starts as the streaming one did.
    const auto reference = [&](int bits) {
        std::vector<BYTE> result;
        std::thread([&] {
            SaturationEngine engine;
            engine.SetFormat(bits, 48000, 1);
            settings.ApplyTo(engine);
            std::vector<float> x = samples;
            for (std::size_t pos = 0; pos < x.size(); pos += 1000)
                engine.Process(&x[pos], static_cast<int>(std::min<std::size_t>(1000, x.size() - pos)));
            result = Floats(x);
        }).join();
        return result;
    };
    EXPECT_EQ(got, reference(24));
    EXPECT_NE(got, reference(16));
}

TEST(SaturationFilterGraph, SettingsChangeSafelyWhileSamplesStream)
{
    const WavClip wav = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(Wave16(200000)));
    CWavSource::Options options;
    options.bufferBytes = 512;
    FilterGraphFixture g(wav, false, options);
    ASSERT_EQ(g.Connect(), S_OK);
    std::atomic<bool> done{false};
    void* found = nullptr;
    ASSERT_EQ(g.filter->NonDelegatingQueryInterface(IID_IPersistStream, &found), S_OK);
    auto* persist = static_cast<IPersistStream*>(found);
    std::thread user([&] {
        int i = 0;
        while (!done.load()) {
            g.Settings()->put_Gain(-(i % 2000));
            g.Settings()->put_Tube(i & 1);
            int streaming = 0;
            g.Settings()->get_Streaming(&streaming);
            SaturationSettings s{};
            g.Settings()->GetSettings(&s);
            // Saving and loading the record race with the streaming thread's snapshots.
            IStream* record = nullptr;
            if (SUCCEEDED(CreateStreamOnMemory(nullptr, 0, &record))) {
                persist->Save(record, FALSE);
                record->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
                persist->Load(record);
                record->Release();
            }
            ++i;
        }
    });
    ASSERT_EQ(g.graph->Run(), S_OK);
    // Stop in mid-stream, then run again to the end.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(g.graph->Stop(), S_OK);
    EXPECT_EQ(g.RunToEnd(), S_OK);
    done = true;
    user.join();
    persist->Release();
    EXPECT_GE(g.renderer->Bytes().size(), wav.data.size());
    // The first run may have reached its end before the stop.
    EXPECT_GE(g.renderer->EndOfStreamCount(), 1);
    EXPECT_LE(g.renderer->EndOfStreamCount(), 2);
}

TEST(SaturationFilterGraph, ASeekMarksTheNextSampleAsADiscontinuity)
{
    // Long enough (10 million frames) that the stream is still running when the seek comes.
    const WavClip wav = MakeWav(WAVE_FORMAT_PCM, 16, 2, 44100, Pcm16(Wave16(20000000)));
    CWavSource::Options options;
    options.bufferBytes = 4096;
    FilterGraphFixture g(wav, false, options);
    ASSERT_EQ(g.Connect(), S_OK);
    ASSERT_EQ(g.graph->Run(), S_OK);
    while (g.renderer->Discontinuities().empty())
        std::this_thread::yield();
    // Jump to the last 1000 frames: the rest of the file is skipped.
    g.source->Seek(9999000);
    HRESULT result = E_FAIL;
    ASSERT_EQ(g.graph->WaitForCompletion(20000, &result), S_OK);
    g.graph->Stop();
    EXPECT_EQ(result, S_OK);
    const std::vector<bool> flags = g.renderer->Discontinuities();
    EXPECT_EQ(std::count(flags.begin(), flags.end(), true), 2);
    EXPECT_LT(g.renderer->Bytes().size(), wav.data.size());
}
