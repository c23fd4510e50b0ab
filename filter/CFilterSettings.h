#pragma once

#include "engine/SaturationEngine.h"
#include "engine/SaturationSettings.h"
#include "filter/ISaturationSettings.h"
#include "filter/framework/MediaInterfaces.h"
#include "platform/base/CCritSec.h"

// The filter's normalised wave format as GetWaveFormat reports it: 18 bytes and 2 spare.
struct FilterWaveFormat {
    WAVEFORMATEX format;
    BYTE spare[2];
};
static_assert(sizeof(FilterWaveFormat) == 20);

// The nine settings under one lock, the record of changes the streaming thread picks up
// at the next sample, the format-change notifications, persistence, and the filter's
// engine. Its IUnknown is the filter's.
class CFilterSettings final : public ISaturationSettings {
public:
    static constexpr int AllChanged = 0x7FFFFFFF;
    static constexpr int RecordSize = 56;

    explicit CFilterSettings(IUnknown* owner) noexcept;
    ~CFilterSettings();
    CFilterSettings(const CFilterSettings&) = delete;
    CFilterSettings& operator=(const CFilterSettings&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppv) override { return owner->QueryInterface(riid, ppv); }
    ULONG AddRef() override { return owner->AddRef(); }
    ULONG Release() override { return owner->Release(); }

    HRESULT get_Streaming(int* out) override;
    HRESULT GetSettings(SaturationSettings* out) override;
    HRESULT PutSettings(const SaturationSettings* in) override;
    HRESULT GetWaveFormat(BYTE* out) override;
    HRESULT SetNotifyWindow(HWND window, int commandId) override;
    HRESULT get_Gain(int* out) override { return Get(ParameterId::Gain, out); }
    HRESULT put_Gain(int value) override { return Put(ParameterId::Gain, value); }
    HRESULT get_Tube(int* out) override { return Get(ParameterId::Tube, out); }
    HRESULT put_Tube(int value) override { return Put(ParameterId::Tube, value); }
    HRESULT get_Mix(int* out) override { return Get(ParameterId::Mix, out); }
    HRESULT put_Mix(int value) override { return Put(ParameterId::Mix, value); }
    HRESULT get_Character(int* out) override { return Get(ParameterId::Character, out); }
    HRESULT put_Character(int value) override { return Put(ParameterId::Character, value); }
    HRESULT get_Dynamics(int* out) override { return Get(ParameterId::Dynamics, out); }
    HRESULT put_Dynamics(int value) override { return Put(ParameterId::Dynamics, value); }
    HRESULT get_Tape(int* out) override { return Get(ParameterId::Tape, out); }
    HRESULT put_Tape(int value) override { return Put(ParameterId::Tape, value); }
    HRESULT get_Knee(int* out) override { return Get(ParameterId::Knee, out); }
    HRESULT put_Knee(int value) override { return Put(ParameterId::Knee, value); }
    HRESULT get_Limiter(int* out) override { return Get(ParameterId::Limiter, out); }
    HRESULT put_Limiter(int value) override { return Put(ParameterId::Limiter, value); }
    HRESULT get_Dither(int* out) override { return Get(ParameterId::Dither, out); }
    HRESULT put_Dither(int value) override { return Put(ParameterId::Dither, value); }

    // The bit of a setting in the change record (gain 2 ... dither 512).
    static constexpr int ChangeBit(ParameterId id) noexcept { return 2 << static_cast<int>(id); }

    // Stream start: engine format (32 bits as 24), all nine settings, streaming on.
    HRESULT OnFormat(const FilterWaveFormat* format);
    // Each sample on the streaming thread: pending changes, then the engine.
    HRESULT ProcessBlock(int continuity, float* buffer, int frames);
    // Posts WM_COMMAND (command id, pin direction) to the registered windows.
    HRESULT Notify(int pinDirection);
    void StopStreaming();
    // The filter writes its wave format under this lock.
    CCritSec* Lock() noexcept { return &lock; }
    void SetWaveFormat(const FilterWaveFormat* format);

    // Persistence of the 56-byte record.
    HRESULT IsDirty();
    HRESULT Load(IStream* stream);
    HRESULT Save(IStream* stream, BOOL clearDirty);

    // For tests of the hand-over: the last change record taken.
    int TakenRecord() const noexcept { return takenRecord; }
    SaturationEngine& Engine() noexcept { return engine; }

private:
    struct NotifySlot {
        HWND window;
        int commandId;
    };

    HRESULT Get(ParameterId id, int* out);
    HRESULT Put(ParameterId id, int value);
    int TakeSnapshot(SaturationSettings* snapshot);
    HRESULT ApplyToEngine(const SaturationSettings& snapshot, int continuity);

    IUnknown* owner;
    CCritSec lock;
    SaturationSettings settings{};
    int changed = 1;
    int changeRecord = 0;
    int streaming = 0;
    int dirty = 1;
    NotifySlot notifySlots[2]{};
    const FilterWaveFormat* waveFormat = nullptr;
    int applied = 0;
    int takenRecord = AllChanged;
    SaturationEngine engine;
};
