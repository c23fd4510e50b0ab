#pragma once

#include <gst/audio/gstaudiofilter.h>

#include "engine/ParameterTable.h"

class CGstFilterChain;

G_BEGIN_DECLS

// The element "embrel": an in-place audio filter that runs every buffer through the
// saturation filter's chain.
struct GstEmbrel {
    GstAudioFilter parent;
    CGstFilterChain* chain;
};

struct GstEmbrelClass {
    GstAudioFilterClass parent;
};

GType gst_embrel_get_type(void);
#define GST_TYPE_EMBREL (gst_embrel_get_type())
#define GST_EMBREL(obj) (G_TYPE_CHECK_INSTANCE_CAST((obj), GST_TYPE_EMBREL, GstEmbrel))

// Registers the element with a plugin (or, with a null plugin, statically).
gboolean gst_embrel_register(GstPlugin* plugin);

G_END_DECLS

// The property of a setting: its table name in lower case ("gain", "tube", ...).
const char* gst_embrel_property_name(ParameterId id);
