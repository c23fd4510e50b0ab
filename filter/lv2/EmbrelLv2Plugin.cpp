// The LV2 entry points: lv2_descriptor and the callbacks of both variants, plus the options
// interface through which a host changes the sample rate between activations.
#include <array>
#include <cstdint>
#include <cstring>
#include <new>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include "filter/lv2/Lv2EmbrelInstance.h"
#include "filter/lv2/Lv2Ports.h"

namespace {

// The URIDs the options interface needs; all 0 when the host offers no map.
struct Urids {
    LV2_URID sampleRate = 0;
    LV2_URID atomFloat = 0;
    LV2_URID atomDouble = 0;
    LV2_URID atomInt = 0;
    LV2_URID atomLong = 0;
};

struct Plugin {
    Plugin(int channels, int rate) noexcept : instance(channels, rate) {}

    Lv2EmbrelInstance instance;
    Urids urids;
    float reportedRate = 0.0f;  // what options get points at
};

Plugin* Of(LV2_Handle handle) noexcept
{
    return static_cast<Plugin*>(handle);
}

const Lv2Ports::Variant* VariantOf(const LV2_Descriptor* descriptor) noexcept
{
    for (const Lv2Ports::Variant& v : Lv2Ports::Variants)
        if (std::strcmp(v.uri, descriptor->URI) == 0) return &v;
    return nullptr;
}

Urids MapUrids(const LV2_Feature* const* features) noexcept
{
    Urids u;
    for (; features != nullptr && *features != nullptr; ++features) {
        if (std::strcmp((*features)->URI, LV2_URID__map) != 0 || (*features)->data == nullptr) continue;
        const auto* map = static_cast<const LV2_URID_Map*>((*features)->data);
        u.sampleRate = map->map(map->handle, LV2_PARAMETERS__sampleRate);
        u.atomFloat = map->map(map->handle, LV2_ATOM__Float);
        u.atomDouble = map->map(map->handle, LV2_ATOM__Double);
        u.atomInt = map->map(map->handle, LV2_ATOM__Int);
        u.atomLong = map->map(map->handle, LV2_ATOM__Long);
    }
    return u;
}

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*,
                       const LV2_Feature* const* features)
{
    const Lv2Ports::Variant* variant = VariantOf(descriptor);
    const int r = Lv2EmbrelInstance::RateFromHost(rate);
    if (variant == nullptr || r == 0) return nullptr;
    Plugin* plugin = new (std::nothrow) Plugin(variant->channels, r);
    if (plugin != nullptr) plugin->urids = MapUrids(features);
    return plugin;
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data)
{
    Of(handle)->instance.ConnectPort(port, data);
}

void Activate(LV2_Handle handle)
{
    Of(handle)->instance.Activate();
}

void Run(LV2_Handle handle, uint32_t frames)
{
    Of(handle)->instance.Run(frames);
}

void Cleanup(LV2_Handle handle)
{
    delete Of(handle);
}

// A number of any of the atom types a host may use for a rate; false for another type.
bool ReadNumber(const Urids& u, const LV2_Options_Option& o, double& value) noexcept
{
    if (o.value == nullptr) return false;
    if (o.type == u.atomFloat && o.size == sizeof(float)) value = *static_cast<const float*>(o.value);
    else if (o.type == u.atomDouble && o.size == sizeof(double)) value = *static_cast<const double*>(o.value);
    else if (o.type == u.atomInt && o.size == sizeof(int32_t)) value = *static_cast<const int32_t*>(o.value);
    else if (o.type == u.atomLong && o.size == sizeof(int64_t)) value = static_cast<double>(*static_cast<const int64_t*>(o.value));
    else return false;
    return true;
}

bool IsSampleRate(const Urids& u, const LV2_Options_Option& o) noexcept
{
    return u.sampleRate != 0 && o.context == LV2_OPTIONS_INSTANCE && o.key == u.sampleRate;
}

uint32_t GetOptions(LV2_Handle handle, LV2_Options_Option* options)
{
    Plugin* plugin = Of(handle);
    uint32_t status = LV2_OPTIONS_SUCCESS;
    for (LV2_Options_Option* o = options; o != nullptr && o->key != 0; ++o) {
        if (!IsSampleRate(plugin->urids, *o)) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        plugin->reportedRate = static_cast<float>(plugin->instance.GetSampleRate());
        o->size = sizeof(float);
        o->type = plugin->urids.atomFloat;
        o->value = &plugin->reportedRate;
    }
    return status;
}

uint32_t SetOptions(LV2_Handle handle, const LV2_Options_Option* options)
{
    Plugin* plugin = Of(handle);
    uint32_t status = LV2_OPTIONS_SUCCESS;
    for (const LV2_Options_Option* o = options; o != nullptr && o->key != 0; ++o) {
        double rate = 0.0;
        if (!IsSampleRate(plugin->urids, *o)) status |= LV2_OPTIONS_ERR_BAD_KEY;
        else if (!ReadNumber(plugin->urids, *o, rate) || !plugin->instance.SetSampleRate(rate))
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
    }
    return status;
}

const LV2_Options_Interface optionsInterface{GetOptions, SetOptions};

const void* ExtensionData(const char* uri)
{
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &optionsInterface;
    return nullptr;
}

constexpr LV2_Descriptor DescriptorOf(const Lv2Ports::Variant& v) noexcept
{
    return {v.uri, Instantiate, ConnectPort, Activate, Run, nullptr, Cleanup, ExtensionData};
}

const std::array<LV2_Descriptor, Lv2Ports::Variants.size()> descriptors{
    DescriptorOf(Lv2Ports::Variants[0]), DescriptorOf(Lv2Ports::Variants[1])};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index < descriptors.size() ? &descriptors[index] : nullptr;
}
