// Plugin.cpp - the ovilux GStreamer plugin: the oviluxsrc element and the device provider that
// lists the cameras.
#include <gst/gst.h>

#include "OviluxDeviceProvider.h"
#include "OviluxSrc.h"

#ifndef PACKAGE
#define PACKAGE "ovilux"
#endif

static gboolean plugin_init(GstPlugin* plugin) {
    gboolean registered = GST_ELEMENT_REGISTER(oviluxsrc, plugin);
    registered |= GST_DEVICE_PROVIDER_REGISTER(oviluxdeviceprovider, plugin);
    return registered;
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, ovilux, "Ovilux USB 3.0 cameras", plugin_init,
                  OVILUX_GST_VERSION, "Proprietary", "Ovilux SDK", "https://ovilux.invalid/")
