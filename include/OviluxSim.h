/* OviluxSim.h - control of the simulated M03 camera built into the Ovilux SDK library: plugging
 * cameras into a simulated USB bus, their speed and trigger, faults on demand, and a look at
 * their registers and configuration memory for tests.
 *
 * The simulation is off until OVILUX_SIMULATE is set (comma-separated hex product ids, e.g.
 * "3030,3030", attached when the library loads) or a camera is attached here; from then on the
 * library finds only simulated cameras. OVILUX_SIM_SPEED=fast delivers frames as fast as they
 * are read; "realtime" (the default) keeps the sensor's timing.
 *
 * Cameras are named by their port, 0 to OVILUX_SIM_PORT_COUNT - 1. Every function may be called
 * from any thread; functions returning int32_t return 1 for success and 0 for failure unless
 * said otherwise. */
#ifndef OVILUX_SIM_H
#define OVILUX_SIM_H

#include "OviluxSdk.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OVILUX_SIM_VENDOR_ID 0x04B4
#define OVILUX_SIM_PORT_COUNT 32
#define OVILUX_SIM_ANY_PORT (-1)
#define OVILUX_SIM_PATH_SIZE 260
#define OVILUX_SIM_SPEED_FAST 0
#define OVILUX_SIM_SPEED_REALTIME 1

typedef struct OviluxSimCamera {
    int32_t port;
    uint16_t vendorId;
    uint16_t productId;
    char path[OVILUX_SIM_PATH_SIZE]; /* the device interface path, NUL-terminated */
} OviluxSimCamera;

/* Plugs a camera of productId (a product of the family, e.g. 0x3030) into port, or into the
 * lowest free port with OVILUX_SIM_ANY_PORT. A camera keeps its interface path while it stays on
 * its port. Returns the port, or -1 for an id outside the family, a port out of range or taken,
 * or a full bus. */
OVILUX_API int32_t OviluxSim_Attach(uint32_t productId, int32_t port);
/* Unplugs the camera on port: later opens and every request in flight fail as on a lost device.
 * Plugging a camera in again (OviluxSim_Attach) gives a freshly powered camera. */
OVILUX_API int32_t OviluxSim_Detach(int32_t port);
/* Sessions made from now on (Ovilux_Initialize) ask for cameras of productId, any product of the
 * family, instead of the product the library is built for, so that one library drives every
 * product's simulated camera; 0 returns to the library's own product. Sessions already made keep
 * theirs. Returns 1, or 0 for an id above 0xFFFF. */
OVILUX_API int32_t OviluxSim_SetSessionProduct(uint32_t productId);
/* Fills up to capacity records (cameras may be null when capacity is 0) in port order and
 * returns how many cameras are attached; -1 for a negative capacity or null cameras. */
OVILUX_API int32_t OviluxSim_List(OviluxSimCamera* cameras, int32_t capacity);

/* Pulses the camera's trigger input. In trigger mode (FPGA register 36 set and the sensor in
 * snapshot mode) it starts one frame; returns 1 then, 0 otherwise (also while a triggered frame
 * is still being taken). */
OVILUX_API int32_t OviluxSim_Trigger(int32_t port);
/* OVILUX_SIM_SPEED_FAST or OVILUX_SIM_SPEED_REALTIME, for every camera. */
OVILUX_API int32_t OviluxSim_SetSpeed(int32_t speed);
OVILUX_API int32_t OviluxSim_GetSpeed(void);

/* Faults. The next count frame headers never come (their frames are lost whole). */
OVILUX_API int32_t OviluxSim_DropHeaders(int32_t port, uint32_t count);
/* The next frames announce (and send) deltaBytes more or fewer payload bytes than the frame has:
 * extra bytes are zeros, missing ones are cut from the end. */
OVILUX_API int32_t OviluxSim_MisreportPayload(int32_t port, int32_t deltaBytes, uint32_t frames);
/* The streaming endpoint sends nothing for the given milliseconds. */
OVILUX_API int32_t OviluxSim_Stall(int32_t port, uint32_t milliseconds);
/* The two-wire device at busAddress (8-bit form, either direction) stops answering, or answers
 * again; requests to it then fail. */
OVILUX_API int32_t OviluxSim_SilenceBusAddress(int32_t port, uint32_t busAddress, int32_t silent);
/* Data writes to the SROM fail (non-zero) or work again (0). */
OVILUX_API int32_t OviluxSim_FailSromWrites(int32_t port, int32_t fail);

/* The current contents of the image sensor's registers, the FPGA's registers and the SROM. */
OVILUX_API int32_t OviluxSim_PeekSensorRegister(int32_t port, uint32_t address, uint16_t* value);
OVILUX_API int32_t OviluxSim_PeekFpgaRegister(int32_t port, uint32_t address, uint8_t* value);
OVILUX_API int32_t OviluxSim_PeekSrom(int32_t port, uint32_t address, uint8_t* value);
/* The frames the camera has produced since it was plugged in, streamed or not: the sensor runs
 * before a stream starts and after it stops, and its small queue drops the oldest frame when the
 * host reads too slowly. */
OVILUX_API int32_t OviluxSim_GetFrameCount(int32_t port, uint32_t* count);
/* The frames the camera has sent to the host since it was plugged in: each frame whose header went
 * over the cable. Frames its queue pushed out before the host read them, and headers that
 * OviluxSim_DropHeaders lost, are not sent. Once a session's stream has stopped, each frame sent
 * during it is delivered or lost for a reason other than lostHeaderTimeout in the session's
 * statistics (OviluxStream.h); lostHeaderTimeout counts the frames the camera numbered between
 * them but did not send. */
OVILUX_API int32_t OviluxSim_GetFramesSent(int32_t port, uint32_t* count);

/* The CPU time, in nanoseconds, the camera's simulation has used since it was plugged in, on
 * whichever thread ran it: answering requests, rendering frames and copying them out (a copy a
 * real camera's controller does by DMA), its timer. A real camera spends this on its own
 * hardware; the rest of a process's CPU time is the host's. */
OVILUX_API int32_t OviluxSim_GetCpuTime(int32_t port, uint64_t* nanoseconds);

/* What the camera looks at. By default a chart: colour patches, a gray ramp, line gratings and
 * rings, with temporal noise, a chequered square that moves from frame to frame, and a few hot
 * and dead pixels, scaled by the exposure and gains. */
#define OVILUX_SIM_NO_NOISE 0x1u     /* no temporal noise */
#define OVILUX_SIM_NO_MOTION 0x2u    /* no moving square */
#define OVILUX_SIM_NO_DEFECTS 0x4u   /* no hot or dead pixels */
#define OVILUX_SIM_FIXED_LEVELS 0x8u /* samples are the scene's levels whatever the exposure and gains */
#define OVILUX_SIM_STILL (OVILUX_SIM_NO_NOISE | OVILUX_SIM_NO_MOTION) /* every frame alike */
/* Options as OVILUX_SIM_ flags above (0: all imperfections on); unknown flags fail. Frames the
 * camera produces from now on follow; they stay until the camera is unplugged. */
OVILUX_API int32_t OviluxSim_SetSceneOptions(int32_t port, uint32_t options);
/* Shows the camera a picture instead of the chart: width x height pixels, rows top first and
 * stride bytes apart, bitsPerPixel 8 (gray) or 24 (blue, green, red in memory). The picture's
 * top left pixel falls on the sensor's first active pixel (the window 0, 0), one picture pixel
 * per sensor pixel, seen through the sensor's Bayer filter; the sensor outside it sees black.
 * A value v becomes the 12-bit level round(v x 4095 / 255), so at the reference exposure and
 * gain (or with OVILUX_SIM_FIXED_LEVELS) 16-bit samples are that level and 8-bit samples are v.
 * The picture is copied. Null pixels show the chart again. */
OVILUX_API int32_t OviluxSim_ShowPicture(int32_t port, const void* pixels, int32_t width, int32_t height,
                                         int32_t stride, int32_t bitsPerPixel);
/* The same from a file: an uncompressed 8-bit (gray through its colour table) or 24-bit BMP, or
 * a PNG (colour pictures taken as 24-bit, gray ones as 8-bit). Fails for other files. */
OVILUX_API int32_t OviluxSim_ShowPictureFile(int32_t port, const char* path);

/* Recordings of the session given by handle finalise each file before it would pass bytes (1 up
 * to the usual limit of 2 GiB - 1) and go on in the next numbered file, so that splitting can
 * be tried without writing gigabytes. 0 for another size or an unknown handle. */
OVILUX_API int32_t OviluxSim_SetRecordFileLimit(uint32_t handle, uint64_t bytes);

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_SIM_H */
