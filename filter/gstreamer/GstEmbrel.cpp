#include "filter/gstreamer/GstEmbrel.h"

#include <array>
#include <new>
#include <string>

#include "engine/FactoryPresets.h"
#include "engine/ParameterTable.h"
#include "filter/gstreamer/CGstFilterChain.h"
#include "filter/gstreamer/GstEmbrelPreset.h"

GST_DEBUG_CATEGORY_STATIC(embrelDebug);
#define GST_CAT_DEFAULT embrelDebug

G_DEFINE_TYPE_WITH_CODE(GstEmbrel, gst_embrel, GST_TYPE_AUDIO_FILTER,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_PRESET, gst_embrel_preset_init))

namespace {

constexpr const char* capsText =
    "audio/x-raw, format = (string) { U8, S16LE, F32LE }, rate = (int) [ 1, MAX ], "
    "channels = (int) [ 1, 2 ], layout = (string) interleaved";

constexpr guint PropertyId(ParameterId id) noexcept
{
    return static_cast<guint>(id) + 1;
}

const ParameterInfo* ParameterOf(guint propertyId) noexcept
{
    if (propertyId < 1 || propertyId > ParameterTable::Count)
        return nullptr;
    return &ParameterTable::All[propertyId - 1];
}

void SetProperty(GObject* object, guint propertyId, const GValue* value, GParamSpec* pspec)
{
    const ParameterInfo* info = ParameterOf(propertyId);
    if (info == nullptr) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, propertyId, pspec);
        return;
    }
    CFilterSettings& settings = GST_EMBREL(object)->chain->Filter().Settings();
    CAutoLock guard(settings.Lock());
    SaturationSettings values{};
    settings.GetSettings(&values);
    const int wanted = g_value_get_int(value);
    if (values[info->id] == wanted)
        return;
    values[info->id] = wanted;
    // The filter hands the change to its engine at the next buffer.
    settings.PutSettings(&values);
}

void GetProperty(GObject* object, guint propertyId, GValue* value, GParamSpec* pspec)
{
    const ParameterInfo* info = ParameterOf(propertyId);
    if (info == nullptr) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, propertyId, pspec);
        return;
    }
    SaturationSettings values{};
    GST_EMBREL(object)->chain->Filter().Settings().GetSettings(&values);
    g_value_set_int(value, values[info->id]);
}

bool WaveFormatOf(const GstAudioInfo* info, WAVEFORMATEX& format) noexcept
{
    format = WAVEFORMATEX{};
    switch (GST_AUDIO_INFO_FORMAT(info)) {
    case GST_AUDIO_FORMAT_U8:
    case GST_AUDIO_FORMAT_S16LE:
        format.wFormatTag = WAVE_FORMAT_PCM;
        break;
    case GST_AUDIO_FORMAT_F32LE:
        format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
        break;
    default:
        return false;
    }
    if (GST_AUDIO_INFO_LAYOUT(info) != GST_AUDIO_LAYOUT_INTERLEAVED)
        return false;
    format.nChannels = static_cast<WORD>(GST_AUDIO_INFO_CHANNELS(info));
    format.nSamplesPerSec = static_cast<DWORD>(GST_AUDIO_INFO_RATE(info));
    format.wBitsPerSample = static_cast<WORD>(GST_AUDIO_INFO_WIDTH(info));
    SetDerivedWaveFields(format);
    return format.nChannels == 1 || format.nChannels == 2;
}

gboolean Setup(GstAudioFilter* audioFilter, const GstAudioInfo* info)
{
    GstEmbrel* self = GST_EMBREL(audioFilter);
    WAVEFORMATEX format;
    if (!WaveFormatOf(info, format)) {
        GST_WARNING_OBJECT(self, "format %s with %d channels is not handled",
                           GST_AUDIO_INFO_NAME(info), GST_AUDIO_INFO_CHANNELS(info));
        return FALSE;
    }
    const HRESULT hr = self->chain->Start(format);
    if (FAILED(hr)) {
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("The saturation filter refused the format."),
                          ("connecting the filter failed with 0x%08X", static_cast<unsigned>(hr)));
        return FALSE;
    }
    GST_DEBUG_OBJECT(self, "streaming %s, %d Hz, %d channels", GST_AUDIO_INFO_NAME(info),
                     GST_AUDIO_INFO_RATE(info), GST_AUDIO_INFO_CHANNELS(info));
    return TRUE;
}

gboolean Stop(GstBaseTransform* transform)
{
    GST_EMBREL(transform)->chain->Stop();
    return TRUE;
}

// Controlled properties take their values for the time of the buffer about to pass.
void BeforeTransform(GstBaseTransform* transform, GstBuffer* buffer)
{
    const GstClockTime time =
        gst_segment_to_stream_time(&transform->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    if (GST_CLOCK_TIME_IS_VALID(time))
        gst_object_sync_values(GST_OBJECT(transform), time);
}

GstFlowReturn TransformInPlace(GstBaseTransform* transform, GstBuffer* buffer)
{
    GstEmbrel* self = GST_EMBREL(transform);
    if (!self->chain->IsStreaming())
        return GST_FLOW_NOT_NEGOTIATED;
    // A gap holds silence that nobody needs to hear coloured.
    if (GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP))
        return GST_FLOW_OK;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
        GST_ELEMENT_ERROR(self, RESOURCE, FAILED, ("Cannot write to an audio buffer."), (nullptr));
        return GST_FLOW_ERROR;
    }
    const HRESULT hr = self->chain->Process(map.data, map.size, GST_BUFFER_IS_DISCONT(buffer));
    gst_buffer_unmap(buffer, &map);
    if (FAILED(hr)) {
        GST_ELEMENT_ERROR(self, STREAM, FAILED, ("The saturation filter failed on a buffer."),
                          ("Receive returned 0x%08X", static_cast<unsigned>(hr)));
        return GST_FLOW_ERROR;
    }
    return GST_FLOW_OK;
}

void Finalize(GObject* object)
{
    GstEmbrel* self = GST_EMBREL(object);
    delete self->chain;
    self->chain = nullptr;
    G_OBJECT_CLASS(gst_embrel_parent_class)->finalize(object);
}

void InstallProperties(GObjectClass* objectClass)
{
    const SaturationSettings& defaults = FactoryPresets::Get(0)->settings;
    const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | GST_PARAM_CONTROLLABLE | G_PARAM_STATIC_STRINGS);
    for (const ParameterInfo& info : ParameterTable::All)
        g_object_class_install_property(
            objectClass, PropertyId(info.id),
            g_param_spec_int(gst_embrel_property_name(info.id), info.name,
                             info.description, info.low, info.high,
                             defaults[info.id], flags));
}

} // namespace

const char* gst_embrel_property_name(ParameterId id)
{
    static const auto names = [] {
        std::array<std::string, ParameterTable::Count> lower;
        for (const ParameterInfo& info : ParameterTable::All) {
            std::string& name = lower[static_cast<std::size_t>(info.id)];
            for (const char* c = info.name; *c != '\0'; ++c)
                name += g_ascii_tolower(*c);
        }
        return lower;
    }();
    return names[static_cast<std::size_t>(id)].c_str();
}

static void gst_embrel_class_init(GstEmbrelClass* klass)
{
    GST_DEBUG_CATEGORY_INIT(embrelDebug, "embrel", 0, "Calyrix saturation element");
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = SetProperty;
    objectClass->get_property = GetProperty;
    objectClass->finalize = Finalize;
    InstallProperties(objectClass);

    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        elementClass, "Calyrix saturation", "Filter/Effect/Audio",
        "Gives 8-bit, 16-bit and float audio the colour of tube and tape saturation (embreling)",
        "Quorel");
    GstCaps* caps = gst_caps_from_string(capsText);
    gst_audio_filter_class_add_pad_templates(GST_AUDIO_FILTER_CLASS(klass), caps);
    gst_caps_unref(caps);

    GstBaseTransformClass* transformClass = GST_BASE_TRANSFORM_CLASS(klass);
    transformClass->stop = Stop;
    transformClass->before_transform = BeforeTransform;
    transformClass->transform_ip = TransformInPlace;
    GST_AUDIO_FILTER_CLASS(klass)->setup = Setup;
}

static void gst_embrel_init(GstEmbrel* self)
{
    self->chain = new (std::nothrow) CGstFilterChain();
    if (self->chain == nullptr || !self->chain->IsValid())
        g_error("embrel: out of memory creating the saturation filter");
    GstBaseTransform* transform = GST_BASE_TRANSFORM(self);
    gst_base_transform_set_in_place(transform, TRUE);
    gst_base_transform_set_gap_aware(transform, TRUE);
    gst_base_transform_set_qos_enabled(transform, FALSE);
}

gboolean gst_embrel_register(GstPlugin* plugin)
{
    return gst_element_register(plugin, "embrel", GST_RANK_NONE, GST_TYPE_EMBREL);
}
