// OviluxSrc.h - oviluxsrc, a live GStreamer source of an Ovilux camera's frames.
#pragma once

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

G_BEGIN_DECLS

#define GST_TYPE_OVILUX_SRC (gst_ovilux_src_get_type())
G_DECLARE_FINAL_TYPE(GstOviluxSrc, gst_ovilux_src, GST, OVILUX_SRC, GstPushSrc)

GST_ELEMENT_REGISTER_DECLARE(oviluxsrc);

G_END_DECLS
