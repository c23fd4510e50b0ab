#include "filter/gstreamer/GstEmbrelPreset.h"

#include <cstring>
#include <string>

#include "engine/FactoryPresets.h"
#include "filter/gstreamer/CGstFilterChain.h"
#include "filter/gstreamer/GstEmbrel.h"

namespace {

// The library's own file-based implementation, which keeps the user presets.
GstPresetInterface files;

const FactoryPreset* FactoryPresetNamed(const gchar* name) noexcept
{
    return name != nullptr ? FactoryPresets::Find(name) : nullptr;
}

bool IsFactoryName(const gchar* name) noexcept
{
    if (FactoryPresetNamed(name) == nullptr)
        return false;
    GST_WARNING("the factory preset \"%s\" cannot be changed", name);
    return true;
}

gchar** GetPresetNames(GstPreset* preset)
{
    GPtrArray* names = g_ptr_array_new();
    for (const FactoryPreset& factory : FactoryPresets::All())
        g_ptr_array_add(names, g_strndup(factory.name, sizeof factory.name));
    gchar** user = files.get_preset_names(preset);
    for (gchar** name = user; name != nullptr && *name != nullptr; ++name)
        if (FactoryPresetNamed(*name) == nullptr)
            g_ptr_array_add(names, g_strdup(*name));
    g_strfreev(user);
    g_ptr_array_add(names, nullptr);
    return reinterpret_cast<gchar**>(g_ptr_array_free(names, FALSE));
}

gchar** GetPropertyNames(GstPreset*)
{
    gchar** names = g_new0(gchar*, ParameterTable::Count + 1);
    for (const ParameterInfo& info : ParameterTable::All)
        names[static_cast<std::size_t>(info.id)] = g_strdup(gst_embrel_property_name(info.id));
    return names;
}

// A name in double quotes, as a pipeline description may hand it over, without them.
std::string Unquoted(const gchar* name)
{
    const std::size_t length = name != nullptr ? std::strlen(name) : 0;
    if (length >= 2 && name[0] == '"' && name[length - 1] == '"')
        return std::string(name + 1, length - 2);
    return name != nullptr ? name : "";
}

gboolean LoadPreset(GstPreset* preset, const gchar* quotedName)
{
    const std::string unquoted = Unquoted(quotedName);
    const gchar* name = quotedName != nullptr ? unquoted.c_str() : nullptr;
    GObject* object = G_OBJECT(preset);
    CFilterSettings& settings = GST_EMBREL(preset)->chain->Filter().Settings();
    const FactoryPreset* factory = FactoryPresetNamed(name);
    gboolean loaded = TRUE;
    // Notifications wait until the lock is released; under it, a buffer sees the whole
    // preset or none of it.
    g_object_freeze_notify(object);
    {
        CAutoLock guard(settings.Lock());
        if (factory != nullptr) {
            settings.PutSettings(&factory->settings);
            for (const ParameterInfo& info : ParameterTable::All)
                g_object_notify(object, gst_embrel_property_name(info.id));
        } else {
            loaded = files.load_preset(preset, name);
        }
    }
    g_object_thaw_notify(object);
    return loaded;
}

gboolean SavePreset(GstPreset* preset, const gchar* name)
{
    return !IsFactoryName(name) && files.save_preset(preset, name);
}

gboolean RenamePreset(GstPreset* preset, const gchar* oldName, const gchar* newName)
{
    return !IsFactoryName(oldName) && !IsFactoryName(newName) && files.rename_preset(preset, oldName, newName);
}

gboolean DeletePreset(GstPreset* preset, const gchar* name)
{
    return !IsFactoryName(name) && files.delete_preset(preset, name);
}

gboolean SetMeta(GstPreset* preset, const gchar* name, const gchar* tag, const gchar* value)
{
    return !IsFactoryName(name) && files.set_meta(preset, name, tag, value);
}

gboolean GetMeta(GstPreset* preset, const gchar* name, const gchar* tag, gchar** value)
{
    if (FactoryPresetNamed(name) != nullptr) {
        *value = nullptr;
        return FALSE;
    }
    return files.get_meta(preset, name, tag, value);
}

} // namespace

void gst_embrel_preset_init(gpointer iface, gpointer)
{
    auto* preset = static_cast<GstPresetInterface*>(iface);
    files = *preset;
    preset->get_preset_names = GetPresetNames;
    preset->get_property_names = GetPropertyNames;
    preset->load_preset = LoadPreset;
    preset->save_preset = SavePreset;
    preset->rename_preset = RenamePreset;
    preset->delete_preset = DeletePreset;
    preset->set_meta = SetMeta;
    preset->get_meta = GetMeta;
}
