// OviluxSrc.cpp - oviluxsrc: live view of one camera as a live push source. Negotiation picks
// the library's colour mode; each buffer is one delivered frame, its presentation time the
// frame's arrival, its offset the camera's number for it. A gap in the numbers marks the next
// buffer as a discontinuity and posts an "ovilux-frames-lost" element message with the reasons;
// a lost camera ends the stream with an error naming it.
#include "OviluxSrc.h"

#include <gst/video/video.h>
#include <time.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <new>
#include <string>

#include "CameraStream.h"
#include "FrameFormats.h"
#include "FrameLosses.h"
#include "SourceSettings.h"

GST_DEBUG_CATEGORY_STATIC(ovilux_src_debug);
#define GST_CAT_DEFAULT ovilux_src_debug

namespace {

// How long one wait for a frame message lasts: a flush or a stop waits no longer than this.
constexpr uint32_t kFrameSliceMs = 50;
// Frames read at the start of a stream to learn the camera's frame rate.
constexpr int kRateFrames = 5;

using ovilux_gst::CameraStream;
using ovilux_gst::FrameWait;
using ovilux_gst::LossCounts;

struct SourceState {
    std::mutex lock;  // the settings, and the camera while it opens, closes or takes a setting
    ovilux_gst::SourceSettings settings;
    CameraStream stream;
    std::atomic<bool> flushing{false};
    std::atomic<bool> reshape{false};  // a window, sub-sampling or mirror change waits for the streaming thread

    // The streaming thread's.
    int32_t bitsPerPixel = 0;
    ovilux_gst::FrameSize size;
    std::atomic<GstClockTime> period{GST_CLOCK_TIME_NONE};  // also read by latency queries

    std::mutex countsLock;  // the counts, read by the stats property from any thread
    ovilux_gst::FrameLosses losses;
};

enum {
    PROP_0,
    PROP_CAMERA,
    PROP_FACTORY_SETTINGS,
    PROP_EXPOSURE,
    PROP_GAIN,
    PROP_WINDOW,
    PROP_SUBSAMPLE,
    PROP_MIRROR_H,
    PROP_MIRROR_V,
    PROP_STATS,
};

uint64_t MonotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

}  // namespace

struct _GstOviluxSrc {
    GstPushSrc parent;
    SourceState* state;
};

G_DEFINE_TYPE(GstOviluxSrc, gst_ovilux_src, GST_TYPE_PUSH_SRC)
GST_ELEMENT_REGISTER_DEFINE(oviluxsrc, "oviluxsrc", GST_RANK_NONE, GST_TYPE_OVILUX_SRC)

namespace {

SourceState& StateOf(gpointer object) { return *GST_OVILUX_SRC(object)->state; }

GstStructure* Statistics(SourceState& state) {
    std::lock_guard<std::mutex> hold(state.countsLock);
    const LossCounts& lost = state.losses.Total();
    return gst_structure_new("ovilux-stats", "delivered", G_TYPE_UINT64, state.losses.Delivered(), "lost",
                             G_TYPE_UINT64, lost.Total(), "lost-header-timeout", G_TYPE_UINT64, lost.headerTimeout,
                             "lost-wrong-size", G_TYPE_UINT64, lost.wrongSize, "lost-incomplete", G_TYPE_UINT64,
                             lost.incomplete, "lost-slow", G_TYPE_UINT64, lost.slow, "lost-camera-lost",
                             G_TYPE_UINT64, lost.cameraLost, "lost-buffer-too-small", G_TYPE_UINT64,
                             lost.bufferTooSmall, nullptr);
}

// A setting given while the camera streams: exposure and gain go to the camera at once (the
// library applies them from the next frame); the frames' shape changes between two frames.
void ApplyWhilePlaying(GstOviluxSrc* src, guint property) {
    SourceState& state = *src->state;
    if (!state.stream.IsOpen()) {
        return;
    }
    std::string error;
    bool taken = true;
    if (property == PROP_EXPOSURE && state.settings.exposureUs) {
        taken = state.stream.SetExposure(*state.settings.exposureUs, &error);
    } else if (property == PROP_GAIN && state.settings.gain) {
        taken = state.stream.SetGain(*state.settings.gain, &error);
    } else if (property == PROP_WINDOW || property == PROP_SUBSAMPLE || property == PROP_MIRROR_H ||
               property == PROP_MIRROR_V) {
        state.reshape = true;
    }
    if (!taken) {
        GST_ELEMENT_WARNING(src, RESOURCE, SETTINGS, ("The camera refused a setting."), ("%s", error.c_str()));
    }
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    GstOviluxSrc* src = GST_OVILUX_SRC(object);
    SourceState& state = *src->state;
    std::lock_guard<std::mutex> hold(state.lock);
    ovilux_gst::SourceSettings& s = state.settings;
    const auto given = [&](std::optional<int32_t>& field) {
        const int32_t number = g_value_get_int(value);
        field = number < 0 ? std::nullopt : std::optional<int32_t>(number);
    };
    switch (id) {
    case PROP_CAMERA:
        s.camera = g_value_get_string(value) != nullptr ? g_value_get_string(value) : "0";
        return;
    case PROP_FACTORY_SETTINGS:
        s.factorySettings = g_value_get_boolean(value);
        return;
    case PROP_EXPOSURE:
        given(s.exposureUs);
        break;
    case PROP_GAIN:
        given(s.gain);
        break;
    case PROP_SUBSAMPLE:
        given(s.subsample);
        break;
    case PROP_WINDOW: {
        const char* text = g_value_get_string(value);
        s.windowText = text != nullptr ? text : "";
        s.window = s.windowText.empty() ? std::nullopt : ovilux_gst::ParseCaptureWindow(s.windowText);
        if (!s.windowText.empty() && !s.window) {
            GST_ELEMENT_WARNING(src, RESOURCE, SETTINGS, ("The window \"%s\" is not WIDTHxHEIGHT[+X+Y].", text),
                                (nullptr));
            s.windowText.clear();
            return;
        }
        break;
    }
    case PROP_MIRROR_H:
        s.mirrorH = g_value_get_boolean(value) != FALSE;
        break;
    case PROP_MIRROR_V:
        s.mirrorV = g_value_get_boolean(value) != FALSE;
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        return;
    }
    ApplyWhilePlaying(src, id);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    SourceState& state = StateOf(object);
    if (id == PROP_STATS) {
        g_value_take_boxed(value, Statistics(state));
        return;
    }
    std::lock_guard<std::mutex> hold(state.lock);
    const ovilux_gst::SourceSettings& s = state.settings;
    switch (id) {
    case PROP_CAMERA:
        g_value_set_string(value, s.camera.c_str());
        break;
    case PROP_FACTORY_SETTINGS:
        g_value_set_boolean(value, s.factorySettings);
        break;
    case PROP_EXPOSURE:
        g_value_set_int(value, s.exposureUs.value_or(-1));
        break;
    case PROP_GAIN:
        g_value_set_int(value, s.gain.value_or(-1));
        break;
    case PROP_SUBSAMPLE:
        g_value_set_int(value, s.subsample.value_or(-1));
        break;
    case PROP_WINDOW:
        g_value_set_string(value, s.windowText.c_str());
        break;
    case PROP_MIRROR_H:
        g_value_set_boolean(value, s.mirrorH.value_or(false));
        break;
    case PROP_MIRROR_V:
        g_value_set_boolean(value, s.mirrorV.value_or(false));
        break;
    default:
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
        break;
    }
}

gboolean Start(GstBaseSrc* base) {
    GstOviluxSrc* src = GST_OVILUX_SRC(base);
    SourceState& state = *src->state;
    std::lock_guard<std::mutex> hold(state.lock);
    std::string error;
    if (!state.stream.Open(state.settings.camera, state.settings.factorySettings, &error)) {
        GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("Could not open camera \"%s\".", state.settings.camera.c_str()),
                          ("%s", error.c_str()));
        return FALSE;
    }
    if (!ovilux_gst::ApplyAll(state.stream, state.settings, &error)) {
        GST_ELEMENT_ERROR(src, RESOURCE, SETTINGS, ("The camera %s refused a setting.", state.stream.Name().c_str()),
                          ("%s", error.c_str()));
        state.stream.Close();
        return FALSE;
    }
    state.stream.ResetStatistics();
    std::lock_guard<std::mutex> counts(state.countsLock);
    state.losses = ovilux_gst::FrameLosses();
    state.losses.Restart(state.stream.Statistics());
    state.bitsPerPixel = 0;
    state.period = GST_CLOCK_TIME_NONE;
    return TRUE;
}

gboolean Stop(GstBaseSrc* base) {
    SourceState& state = StateOf(base);
    std::lock_guard<std::mutex> hold(state.lock);
    state.stream.Close();
    return TRUE;
}

GstCaps* GetCaps(GstBaseSrc* base, GstCaps* filter) {
    SourceState& state = StateOf(base);
    GstCaps* caps = nullptr;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (state.stream.IsOpen()) {
            const ovilux_gst::FrameSize size = state.stream.Size();
            caps = ovilux_gst::OfferedCaps(size.width, size.height, state.stream.BayerPhase(), 0, 1);
        }
    }
    if (caps == nullptr) {
        caps = gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(base));
    }
    if (filter != nullptr) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

// The camera's frame period over the first frames of live view (the very first may come late,
// after the camera's start).
bool MeasurePeriod(SourceState& state, GstClockTime* period) {
    OviluxFrameMetadata first{}, last{}, frame{};
    for (int taken = 0; taken < kRateFrames && !state.flushing;) {
        int32_t code = 0;
        const FrameWait wait = state.stream.Next(kFrameSliceMs, nullptr, 0, &frame, &code);
        if (wait == FrameWait::Failed) {
            return false;
        }
        // Messages queued while the newest frame was read bring that frame again: count each once.
        if (wait != FrameWait::Frame || (taken > 0 && frame.frameNumber <= last.frameNumber)) {
            continue;
        }
        last = frame;
        if (++taken == 2) {
            first = frame;
        }
    }
    if (state.flushing || last.frameNumber <= first.frameNumber || last.arrivalNs <= first.arrivalNs) {
        return false;
    }
    *period = (last.arrivalNs - first.arrivalNs) / (last.frameNumber - first.frameNumber);
    return *period > 0;
}

gboolean Negotiate(GstBaseSrc* base) {
    GstOviluxSrc* src = GST_OVILUX_SRC(base);
    SourceState& state = *src->state;
    GstCaps* offered = GetCaps(base, nullptr);
    // Our order of preference first: downstream may list its own first.
    GstCaps* peer = gst_pad_peer_query_caps(GST_BASE_SRC_PAD(base), offered);
    GstCaps* wanted = gst_caps_intersect_full(offered, peer, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(peer);
    gst_caps_unref(offered);
    if (gst_caps_is_empty(wanted)) {
        gst_caps_unref(wanted);
        GST_DEBUG_OBJECT(src, "downstream takes none of the camera's formats");
        return FALSE;
    }
    GstCaps* caps = gst_caps_fixate(wanted);
    const int32_t bits = ovilux_gst::ColourModeOf(caps);
    std::string error;
    bool started = false;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.size = state.stream.Size();
        started = bits != 0 && state.stream.Start(bits, &error);
    }
    GstClockTime period = GST_CLOCK_TIME_NONE;
    if (!started || !MeasurePeriod(state, &period)) {
        gst_caps_unref(caps);
        if (!state.flushing) {
            GST_ELEMENT_ERROR(src, RESOURCE, READ, ("Live view of camera %s did not start.", state.stream.Name().c_str()),
                              ("%s", error.empty() ? "no frames came" : error.c_str()));
        }
        return FALSE;
    }
    gint num = 0, den = 1;
    // Frames per second to a thousandth: what the camera keeps, in a fraction people can read.
    gst_util_double_to_fraction(std::round(1e12 / static_cast<double>(period)) / 1000.0, &num, &den);
    gst_caps_set_simple(caps, "framerate", GST_TYPE_FRACTION, num, den, nullptr);
    state.bitsPerPixel = bits;
    state.period = period;
    GST_INFO_OBJECT(src, "camera %s streams %" GST_PTR_FORMAT, state.stream.Name().c_str(), caps);
    const gboolean set = gst_base_src_set_caps(base, caps);
    gst_caps_unref(caps);
    if (set) {
        gst_element_post_message(GST_ELEMENT(src), gst_message_new_latency(GST_OBJECT(src)));
    }
    return set;
}

// A window, sub-sampling or mirror change: live view stops, the camera takes the new shape and
// the caps follow it.
bool Reshape(GstOviluxSrc* src) {
    SourceState& state = *src->state;
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.stream.Stop();
        std::string error;
        if (!ovilux_gst::ApplyShape(state.stream, state.settings, &error)) {
            GST_ELEMENT_WARNING(src, RESOURCE, SETTINGS, ("The camera refused a window or mirror setting."),
                                ("%s", error.c_str()));
        }
    }
    {
        std::lock_guard<std::mutex> counts(state.countsLock);
        state.losses.Restart(state.stream.Statistics());
    }
    return gst_base_src_negotiate(GST_BASE_SRC(src)) != FALSE;
}

GstClockTime PresentationTime(GstElement* element, uint64_t arrivalNs) {
    GstClock* clock = gst_element_get_clock(element);
    if (clock == nullptr) {
        return GST_CLOCK_TIME_NONE;
    }
    // The frame's age on the monotonic clock, taken back from the pipeline clock's now.
    const GstClockTime now = gst_clock_get_time(clock);
    gst_object_unref(clock);
    const uint64_t monotonic = MonotonicNs();
    const GstClockTime age = monotonic > arrivalNs ? monotonic - arrivalNs : 0;
    const GstClockTime base = gst_element_get_base_time(element);
    return now > base + age ? now - base - age : 0;
}

void TellLosses(GstOviluxSrc* src, uint32_t number, const LossCounts& lost) {
    GST_INFO_OBJECT(src, "%" G_GUINT64_FORMAT " frames lost before frame %u", lost.Total(), number);
    GstStructure* s = gst_structure_new(
        "ovilux-frames-lost", "frame", G_TYPE_UINT, number, "lost", G_TYPE_UINT64, lost.Total(), "reason",
        G_TYPE_STRING, lost.MainReason(), "header-timeout", G_TYPE_UINT64, lost.headerTimeout, "wrong-size",
        G_TYPE_UINT64, lost.wrongSize, "incomplete", G_TYPE_UINT64, lost.incomplete, "slow", G_TYPE_UINT64, lost.slow,
        "camera-lost", G_TYPE_UINT64, lost.cameraLost, "buffer-too-small", G_TYPE_UINT64, lost.bufferTooSmall, nullptr);
    gst_element_post_message(GST_ELEMENT(src), gst_message_new_element(GST_OBJECT(src), s));
}

GstFlowReturn Fail(GstOviluxSrc* src, int32_t code) {
    SourceState& state = *src->state;
    if (code == OVILUX_CODE_CAMERA_LOST) {
        GST_ELEMENT_ERROR(src, RESOURCE, NOT_FOUND, ("The camera %s was lost.", state.stream.Name().c_str()),
                          ("live view ended with code %d", static_cast<int>(code)));
    } else {
        GST_ELEMENT_ERROR(src, RESOURCE, READ, ("Camera %s gave no frame.", state.stream.Name().c_str()),
                          ("live view failed with code %d", static_cast<int>(code)));
    }
    return GST_FLOW_ERROR;
}

GstFlowReturn Create(GstPushSrc* push, GstBuffer** out) {
    GstOviluxSrc* src = GST_OVILUX_SRC(push);
    SourceState& state = *src->state;
    if (state.reshape.exchange(false) && !Reshape(src)) {
        return state.flushing ? GST_FLOW_FLUSHING : GST_FLOW_NOT_NEGOTIATED;
    }
    const size_t bytes = ovilux_gst::FrameBytes(state.size.width, state.size.height, state.bitsPerPixel);
    GstBuffer* buffer = nullptr;
    const GstFlowReturn allocated =
        GST_BASE_SRC_CLASS(gst_ovilux_src_parent_class)->alloc(GST_BASE_SRC(src), GST_BUFFER_OFFSET_NONE, bytes, &buffer);
    if (allocated != GST_FLOW_OK) {
        return allocated;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        gst_buffer_unref(buffer);
        return GST_FLOW_ERROR;
    }
    OviluxFrameMetadata frame{};
    FrameWait wait = FrameWait::Nothing;
    int32_t code = 0;
    while (!state.flushing) {
        wait = state.stream.Next(kFrameSliceMs, map.data, bytes, &frame, &code);
        // A message of a frame already sent with a newer frame's picture is passed over.
        if (wait == FrameWait::Failed || (wait == FrameWait::Frame && state.losses.IsNewer(frame.frameNumber))) {
            break;
        }
    }
    gst_buffer_unmap(buffer, &map);
    if (state.flushing || wait != FrameWait::Frame) {
        gst_buffer_unref(buffer);
        return state.flushing ? GST_FLOW_FLUSHING : Fail(src, code);
    }
    LossCounts lost;
    {
        std::lock_guard<std::mutex> counts(state.countsLock);
        lost = state.losses.Next(frame.frameNumber, state.stream.Statistics());
    }
    if (lost.Total() > 0) {
        GST_BUFFER_FLAG_SET(buffer, GST_BUFFER_FLAG_DISCONT);
        TellLosses(src, frame.frameNumber, lost);
    }
    GST_BUFFER_PTS(buffer) = PresentationTime(GST_ELEMENT(src), frame.arrivalNs);
    GST_BUFFER_DTS(buffer) = GST_BUFFER_PTS(buffer);
    GST_BUFFER_DURATION(buffer) = state.period;
    GST_BUFFER_OFFSET(buffer) = frame.frameNumber;
    GST_BUFFER_OFFSET_END(buffer) = static_cast<guint64>(frame.frameNumber) + 1;
    *out = buffer;
    return GST_FLOW_OK;
}

// Buffers of a frame's size from a pool when downstream offers none: a fresh multi-megabyte
// allocation a frame costs its page faults on every frame.
gboolean DecideAllocation(GstBaseSrc* base, GstQuery* query) {
    SourceState& state = StateOf(base);
    if (gst_query_get_n_allocation_pools(query) == 0 && state.bitsPerPixel != 0) {
        const size_t bytes = ovilux_gst::FrameBytes(state.size.width, state.size.height, state.bitsPerPixel);
        gst_query_add_allocation_pool(query, nullptr, static_cast<guint>(bytes), 2, 0);
    }
    return GST_BASE_SRC_CLASS(gst_ovilux_src_parent_class)->decide_allocation(base, query);
}

gboolean Unlock(GstBaseSrc* base) {
    StateOf(base).flushing = true;
    return TRUE;
}

gboolean UnlockStop(GstBaseSrc* base) {
    StateOf(base).flushing = false;
    return TRUE;
}

gboolean Query(GstBaseSrc* base, GstQuery* query) {
    SourceState& state = StateOf(base);
    const GstClockTime period = state.period;
    if (GST_QUERY_TYPE(query) == GST_QUERY_LATENCY && GST_CLOCK_TIME_IS_VALID(period)) {
        // A frame is stamped when its last byte arrived and pushed after its conversion, within
        // a frame period; the library's ring holds the camera's next few.
        gst_query_set_latency(query, TRUE, period, period * 4);
        return TRUE;
    }
    return GST_BASE_SRC_CLASS(gst_ovilux_src_parent_class)->query(base, query);
}

void Finalize(GObject* object) {
    delete GST_OVILUX_SRC(object)->state;
    G_OBJECT_CLASS(gst_ovilux_src_parent_class)->finalize(object);
}

GParamFlags Playing() {
    return static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
}

GParamFlags Ready() {
    return static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY);
}

}  // namespace

static void gst_ovilux_src_class_init(GstOviluxSrcClass* klass) {
    GObjectClass* object = G_OBJECT_CLASS(klass);
    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    GST_DEBUG_CATEGORY_INIT(ovilux_src_debug, "oviluxsrc", 0, "Ovilux camera source");
    object->set_property = SetProperty;
    object->get_property = GetProperty;
    object->finalize = Finalize;

    g_object_class_install_property(
        object, PROP_CAMERA,
        g_param_spec_string("camera", "Camera", "The camera: its index (0, 1, ...) or its name (Ovilux-M03-UX_00)",
                            "0", Ready()));
    g_object_class_install_property(
        object, PROP_FACTORY_SETTINGS,
        g_param_spec_boolean("factory-settings", "Factory settings",
                             "Start from the factory settings; the stored ones are neither read nor changed", FALSE,
                             Ready()));
    g_object_class_install_property(
        object, PROP_EXPOSURE,
        g_param_spec_int("exposure", "Exposure", "Exposure in microseconds (-1: as the library keeps it)", -1, G_MAXINT,
                         -1, Playing()));
    g_object_class_install_property(
        object, PROP_GAIN,
        g_param_spec_int("gain", "Gain", "Global gain (-1: as the library keeps it)", -1, G_MAXINT, -1, Playing()));
    g_object_class_install_property(
        object, PROP_WINDOW,
        g_param_spec_string("window", "Window",
                            "Capture window WIDTHxHEIGHT or WIDTHxHEIGHT+X+Y on the sensor (empty: as kept)", "",
                            Playing()));
    g_object_class_install_property(
        object, PROP_SUBSAMPLE,
        g_param_spec_int("subsample", "Sub-sampling", "0 full size, 1 half, 2 quarter (-1: as kept)", -1, 2, -1,
                         Playing()));
    g_object_class_install_property(
        object, PROP_MIRROR_H,
        g_param_spec_boolean("mirror-h", "Mirror left-right", "Mirror left to right (unset: as kept)", FALSE, Playing()));
    g_object_class_install_property(
        object, PROP_MIRROR_V,
        g_param_spec_boolean("mirror-v", "Mirror upside down", "Mirror upside down (unset: as kept)", FALSE, Playing()));
    g_object_class_install_property(
        object, PROP_STATS,
        g_param_spec_boxed("stats", "Statistics",
                           "Frames delivered and lost by reason since the stream started: delivered, lost, "
                           "lost-header-timeout, lost-wrong-size, lost-incomplete, lost-slow, lost-camera-lost, "
                           "lost-buffer-too-small",
                           GST_TYPE_STRUCTURE, static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_set_static_metadata(
        element, "Ovilux camera source", "Source/Video",
        "Live frames of an Ovilux USB 3.0 camera: raw Bayer, 8 or 16-bit (12 significant bits) gray, BGR or BGRx",
        "Ovilux SDK developers");
    GstCaps* caps = ovilux_gst::TemplateCaps();
    gst_element_class_add_pad_template(element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);

    base->start = Start;
    base->stop = Stop;
    base->get_caps = GetCaps;
    base->negotiate = Negotiate;
    base->unlock = Unlock;
    base->unlock_stop = UnlockStop;
    base->query = Query;
    base->decide_allocation = DecideAllocation;
    GST_PUSH_SRC_CLASS(klass)->create = Create;
}

static void gst_ovilux_src_init(GstOviluxSrc* src) {
    src->state = new SourceState();
    gst_base_src_set_live(GST_BASE_SRC(src), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(src), GST_FORMAT_TIME);
}
