#include "program/ui/SoundCardChoice.h"

#include <algorithm>
#include <cctype>

#include "program/audio/OutputDeviceList.h"

namespace {

// Case-insensitive order of the names, as a sorted box compares them.
bool NameLess(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

void SoundCardChoice::Begin(int listenFlag, int device)
{
    items.clear();
    selection = -1;
    listen = listenFlag != 0 ? 1 : 0;
    deviceIndex = device;
}

int SoundCardChoice::AddItem(const std::string& name, int deviceId)
{
    const auto place = std::upper_bound(items.begin(), items.end(), name,
                                        [](const std::string& n, const Item& item) { return NameLess(n, item.name); });
    const int index = static_cast<int>(place - items.begin());
    items.insert(place, Item{name, deviceId});
    if (deviceId == deviceIndex)
        selection = index;
    else if (selection >= index)
        ++selection;
    return index;
}

void SoundCardChoice::AddDeviceList()
{
    for (int id = 0; id < OutputDeviceList::GetCount(); ++id) {
        const OutputDeviceInfo* entry = OutputDeviceList::GetEntry(id);
        AddItem(entry != nullptr ? entry->deviceName : "", id);
    }
}

void SoundCardChoice::ChooseItem(int index)
{
    if (index < 0 || index >= static_cast<int>(items.size())) return;
    selection = index;
    deviceIndex = items[static_cast<size_t>(index)].deviceId;
    listen = 1;
}
