// A persisted fader record made of the input, loaded through IPersistStreamInit from a
// memory stream into a fader of the module: S_OK with the record's extent and mask, which
// Save writes back, or an error with the saved record and the dirty state unchanged.

#include <cstring>
#include <dlfcn.h>

#include "platform/com/ComApi.h"
#include "slider/TarvelTypeLib.h"
#include "tests/fuzz/FuzzInputFile.h"

namespace {

IPersistStreamInit* NewFader()
{
    static const PFN_DllGetClassObject getClassObject = [] {
        void* module = dlopen(TARVEL_MODULE, RTLD_NOW | RTLD_LOCAL);
        FUZZ_CHECK(module != nullptr);
        auto get = reinterpret_cast<PFN_DllGetClassObject>(dlsym(module, "DllGetClassObject"));
        FUZZ_CHECK(get != nullptr);
        return get;
    }();
    IClassFactory* factory = nullptr;
    FUZZ_CHECK(getClassObject(CLSID_Tarvel, IID_IClassFactory, reinterpret_cast<void**>(&factory)) == S_OK);
    void* fader = nullptr;
    FUZZ_CHECK(factory->CreateInstance(nullptr, IID_IPersistStreamInit, &fader) == S_OK);
    factory->Release();
    return static_cast<IPersistStreamInit*>(fader);
}

// The record Save writes, 16 bytes.
void SavedRecord(IPersistStreamInit* fader, BYTE* record)
{
    IStream* stream = nullptr;
    FUZZ_CHECK(CreateStreamOnMemory(nullptr, 0, &stream) == S_OK);
    FUZZ_CHECK(fader->Save(stream, FALSE) == S_OK);
    LARGE_INTEGER start{};
    FUZZ_CHECK(stream->Seek(start, STREAM_SEEK_SET, nullptr) == S_OK);
    ULONG read = 0;
    FUZZ_CHECK(stream->Read(record, 16, &read) == S_OK && read == 16);
    stream->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    IPersistStreamInit* fader = NewFader();
    BYTE before[16], after[16];
    SavedRecord(fader, before);
    const HRESULT dirty = fader->IsDirty();

    IStream* stream = nullptr;
    FUZZ_CHECK(CreateStreamOnMemory(data, static_cast<ULONG>(size), &stream) == S_OK);
    const HRESULT hr = fader->Load(stream);
    stream->Release();
    SavedRecord(fader, after);
    if (FAILED(hr)) {
        FUZZ_CHECK(std::memcmp(before, after, 16) == 0);
        FUZZ_CHECK(fader->IsDirty() == dirty);
    } else {
        FUZZ_CHECK(hr == S_OK && size >= 16);
        FUZZ_CHECK(std::memcmp(after, before, 4) == 0 && std::memcmp(after + 4, data + 4, 12) == 0);
    }
    fader->Release();
    return 0;
}
