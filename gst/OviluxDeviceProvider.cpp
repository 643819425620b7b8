// OviluxDeviceProvider.cpp - the cameras a session enumerates, as devices whose element is an
// oviluxsrc on that camera. While monitoring, a session of the provider's own receives the
// library's device-change messages and the list is read again on each.
#include "OviluxDeviceProvider.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "FrameFormats.h"
#include "OviluxSdk.h"

namespace {

// How long the monitoring thread waits for one message: stopping waits no longer.
constexpr uint32_t kMessageSliceMs = 100;

struct ProviderState {
    OVILUX_HWND window = nullptr;
    uint32_t handle = 0;
    GThread* thread = nullptr;
    std::atomic<bool> running{false};
    std::vector<GstDevice*> listed;  // the devices added, a reference each; the monitoring thread's
};

// The names of the cameras a session finds now.
std::vector<std::string> CameraNames(uint32_t handle) {
    std::vector<char> names(OVILUX_ENUM_SLOTS * OVILUX_ENUM_NAME_CHARS);
    const int32_t count = Ovilux_EnumDevice(handle, names.data());
    std::vector<std::string> cameras;
    for (int32_t i = 0; i < count && i < OVILUX_ENUM_SLOTS; ++i) {
        cameras.emplace_back(&names[static_cast<size_t>(i) * OVILUX_ENUM_NAME_CHARS]);
    }
    while (Ovilux_GetLastError(handle) != 0) {
    }
    return cameras;
}

}  // namespace

struct _GstOviluxDevice {
    GstDevice parent;
    gchar* camera;
};

G_DEFINE_TYPE(GstOviluxDevice, gst_ovilux_device, GST_TYPE_DEVICE)

static GstElement* DeviceCreateElement(GstDevice* device, const gchar* name) {
    GstElement* element = gst_element_factory_make("oviluxsrc", name);
    if (element != nullptr) {
        g_object_set(element, "camera", GST_OVILUX_DEVICE(device)->camera, nullptr);
    }
    return element;
}

static gboolean DeviceReconfigureElement(GstDevice* device, GstElement* element) {
    g_object_set(element, "camera", GST_OVILUX_DEVICE(device)->camera, nullptr);
    return TRUE;
}

static void DeviceFinalize(GObject* object) {
    g_free(GST_OVILUX_DEVICE(object)->camera);
    G_OBJECT_CLASS(gst_ovilux_device_parent_class)->finalize(object);
}

static void gst_ovilux_device_class_init(GstOviluxDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = DeviceCreateElement;
    GST_DEVICE_CLASS(klass)->reconfigure_element = DeviceReconfigureElement;
    G_OBJECT_CLASS(klass)->finalize = DeviceFinalize;
}

static void gst_ovilux_device_init(GstOviluxDevice*) {}

static GstDevice* NewDevice(const std::string& camera) {
    GstCaps* caps = ovilux_gst::TemplateCaps();
    GstStructure* properties = gst_structure_new("ovilux-camera", "device.api", G_TYPE_STRING, "ovilux",
                                                 "ovilux.camera", G_TYPE_STRING, camera.c_str(), nullptr);
    GstDevice* device = GST_DEVICE(g_object_new(GST_TYPE_OVILUX_DEVICE, "display-name", camera.c_str(),
                                                "device-class", "Video/Source", "caps", caps, "properties",
                                                properties, nullptr));
    GST_OVILUX_DEVICE(device)->camera = g_strdup(camera.c_str());
    gst_caps_unref(caps);
    gst_structure_free(properties);
    return device;
}

struct _GstOviluxDeviceProvider {
    GstDeviceProvider parent;
    ProviderState* state;
};

G_DEFINE_TYPE(GstOviluxDeviceProvider, gst_ovilux_device_provider, GST_TYPE_DEVICE_PROVIDER)
GST_DEVICE_PROVIDER_REGISTER_DEFINE(oviluxdeviceprovider, "oviluxdeviceprovider", GST_RANK_PRIMARY,
                                    GST_TYPE_OVILUX_DEVICE_PROVIDER)

static GList* Probe(GstDeviceProvider*) {
    const uint32_t handle = Ovilux_Initialize(nullptr);
    if (handle == 0) {
        return nullptr;
    }
    GList* devices = nullptr;
    for (const std::string& camera : CameraNames(handle)) {
        devices = g_list_append(devices, NewDevice(camera));
    }
    Ovilux_Release(handle);
    return devices;
}

static const char* CameraOf(GstDevice* device) { return GST_OVILUX_DEVICE(device)->camera; }

// Adds the cameras that came and removes those that went since the list was last read.
static void Rescan(GstDeviceProvider* provider, ProviderState& state) {
    const std::vector<std::string> now = CameraNames(state.handle);
    for (auto item = state.listed.begin(); item != state.listed.end();) {
        if (std::find(now.begin(), now.end(), CameraOf(*item)) == now.end()) {
            gst_device_provider_device_remove(provider, *item);
            gst_object_unref(*item);
            item = state.listed.erase(item);
        } else {
            ++item;
        }
    }
    for (const std::string& camera : now) {
        const auto known = [&](GstDevice* device) { return camera == CameraOf(device); };
        if (std::find_if(state.listed.begin(), state.listed.end(), known) == state.listed.end()) {
            GstDevice* device = NewDevice(camera);
            state.listed.push_back(GST_DEVICE(gst_object_ref(device)));
            gst_device_provider_device_add(provider, device);
        }
    }
}

static gpointer Monitor(gpointer data) {
    GstDeviceProvider* provider = GST_DEVICE_PROVIDER(data);
    ProviderState& state = *GST_OVILUX_DEVICE_PROVIDER(provider)->state;
    while (state.running) {
        uint32_t message = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        if (OviluxWnd_GetMessage(state.window, kMessageSliceMs, &message, &wParam, &lParam) &&
            message == OVILUX_WM_DEVICECHANGE) {
            Rescan(provider, state);
        }
    }
    return nullptr;
}

static gboolean ProviderStart(GstDeviceProvider* provider) {
    ProviderState& state = *GST_OVILUX_DEVICE_PROVIDER(provider)->state;
    state.window = OviluxWnd_CreateMessageWindow();
    state.handle = state.window != nullptr ? Ovilux_Initialize(state.window) : 0;
    if (state.handle == 0) {
        if (state.window != nullptr) {
            OviluxWnd_DestroyWindow(state.window);
            state.window = nullptr;
        }
        return FALSE;
    }
    Rescan(provider, state);
    state.running = true;
    state.thread = g_thread_new("ovilux-devices", Monitor, provider);
    return TRUE;
}

static void ProviderStop(GstDeviceProvider* provider) {
    ProviderState& state = *GST_OVILUX_DEVICE_PROVIDER(provider)->state;
    state.running = false;
    if (state.thread != nullptr) {
        g_thread_join(state.thread);
        state.thread = nullptr;
    }
    for (GstDevice* device : state.listed) {
        gst_device_provider_device_remove(provider, device);
        gst_object_unref(device);
    }
    state.listed.clear();
    Ovilux_Release(state.handle);
    state.handle = 0;
    OviluxWnd_DestroyWindow(state.window);
    state.window = nullptr;
}

static void ProviderFinalize(GObject* object) {
    delete GST_OVILUX_DEVICE_PROVIDER(object)->state;
    G_OBJECT_CLASS(gst_ovilux_device_provider_parent_class)->finalize(object);
}

static void gst_ovilux_device_provider_class_init(GstOviluxDeviceProviderClass* klass) {
    GstDeviceProviderClass* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->probe = Probe;
    provider->start = ProviderStart;
    provider->stop = ProviderStop;
    G_OBJECT_CLASS(klass)->finalize = ProviderFinalize;
    gst_device_provider_class_set_static_metadata(provider, "Ovilux camera provider", "Source/Video",
                                                  "Lists the attached Ovilux USB 3.0 cameras", "Ovilux SDK developers");
}

static void gst_ovilux_device_provider_init(GstOviluxDeviceProvider* provider) { provider->state = new ProviderState(); }
