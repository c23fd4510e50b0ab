#pragma once

#include <gst/gst.h>

// GstPreset for the element: the ten factory presets by name, read-only, ahead of the
// user's presets, which are kept the GStreamer way in the user's preset file.
void gst_embrel_preset_init(gpointer iface, gpointer data);
