#include "program/audio/OutputDeviceList.h"

#include <cstring>
#include <new>

#include "platform/waveout/WaveOut.h"

std::vector<OutputDeviceInfo*>& OutputDeviceList::Entries() noexcept
{
    static std::vector<OutputDeviceInfo*> entries;
    return entries;
}

int OutputDeviceList::Enumerate() noexcept
{
    const UINT count = waveOutGetNumDevs();
    for (UINT id = 0; id < count; ++id) {
        auto* entry = new (std::nothrow) OutputDeviceInfo{};
        if (!entry) return 0;
        WAVEOUTCAPSA caps{};
        // A device whose record cannot be read keeps an empty entry, so indexes stay ids.
        if (waveOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR) {
            entry->manufacturerId = caps.wMid;
            entry->productId = caps.wPid;
            entry->driverVersion = caps.vDriverVersion;
            std::memcpy(entry->deviceName, caps.szPname, sizeof entry->deviceName);
            entry->deviceName[sizeof entry->deviceName - 1] = '\0';
            entry->formats = caps.dwFormats;
            entry->channels = caps.wChannels;
            entry->support = caps.dwSupport;
        }
        try {
            Entries().push_back(entry);
        } catch (const std::bad_alloc&) {
            delete entry;
            return 0;
        }
    }
    return 1;
}

int OutputDeviceList::GetCount() noexcept { return static_cast<int>(Entries().size()); }

const OutputDeviceInfo* OutputDeviceList::GetEntry(int index) noexcept
{
    if (index < 0 || index >= GetCount()) return nullptr;
    return Entries()[static_cast<std::size_t>(index)];
}

void OutputDeviceList::Clear() noexcept
{
    for (OutputDeviceInfo* entry : Entries()) delete entry;
    Entries().clear();
}
