#include <gst/gst.h>

#include "filter/gstreamer/GstEmbrel.h"

namespace {

gboolean PluginInit(GstPlugin* plugin)
{
    return gst_embrel_register(plugin);
}

} // namespace

#define PACKAGE "calyrix"

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, embrel,
                  "Calyrix tube and tape saturation", PluginInit, "1.0", "Proprietary", "Calyrix",
                  "https://calyrix.invalid/")
