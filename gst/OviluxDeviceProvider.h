// OviluxDeviceProvider.h - lists the attached Ovilux cameras as Video/Source devices for
// GStreamer's device monitor, and tells of cameras plugged in and unplugged.
#pragma once

#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_OVILUX_DEVICE_PROVIDER (gst_ovilux_device_provider_get_type())
G_DECLARE_FINAL_TYPE(GstOviluxDeviceProvider, gst_ovilux_device_provider, GST, OVILUX_DEVICE_PROVIDER,
                     GstDeviceProvider)

#define GST_TYPE_OVILUX_DEVICE (gst_ovilux_device_get_type())
G_DECLARE_FINAL_TYPE(GstOviluxDevice, gst_ovilux_device, GST, OVILUX_DEVICE, GstDevice)

GST_DEVICE_PROVIDER_REGISTER_DECLARE(oviluxdeviceprovider);

G_END_DECLS
