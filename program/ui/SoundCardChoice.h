#pragma once

#include <string>
#include <vector>

// What the sound-card dialog lets the user choose, without the toolkit: the device box
// (sorted by name, each item carrying its device id), the listen tick, and the device id
// that a confirmation hands back.
class SoundCardChoice {
public:
    struct Item {
        std::string name;
        int deviceId;
    };

    // Starts a choice: the tick shows listen, and deviceIndex is kept until another device
    // is chosen, also when no item carries it.
    void Begin(int listen, int deviceIndex);
    // Adds a name at its sorted place (case ignored, after equal names) with its device id
    // and selects it when it carries the kept device id. Returns its index.
    int AddItem(const std::string& name, int deviceId);
    // Adds every entry of the process-wide OutputDeviceList, in device id order.
    void AddDeviceList();
    // The user chose the item at index: its device id is kept and listening is ticked.
    // An index outside the box changes nothing.
    void ChooseItem(int index);
    void SetListen(bool on) { listen = on ? 1 : 0; }

    int Listen() const { return listen; }
    int DeviceIndex() const { return deviceIndex; }
    // Index of the selected item, -1 when none is.
    int Selection() const { return selection; }
    const std::vector<Item>& Items() const { return items; }

private:
    std::vector<Item> items;
    int selection = -1;
    int listen = 0;
    int deviceIndex = 0;
};
