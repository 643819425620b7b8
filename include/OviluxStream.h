/* OviluxStream.h - what the Ovilux SDK library knows of each frame it delivers and of the frames
 * it could not: the camera's number for a frame, when it arrived and the settings it was taken
 * with; per session, frames delivered and frames lost by reason.
 *
 * A frame is delivered when live view, Ovilux_SnapShot or a recording has taken it from the
 * camera and converted it: the image Ovilux_GetImage returns, the one copied into the callback
 * buffer and the one behind the 0x8002 message posted with it. Every frame the camera numbered
 * while the session streamed is, once the stream has stopped, either delivered or lost for one
 * of the reasons below, so delivered plus all lost counts the camera's frames from the first one
 * the session saw in each stream to the last. Every function may be called from any thread,
 * also from a callback window's thread during live view. */
#ifndef OVILUX_STREAM_H
#define OVILUX_STREAM_H

#include "OviluxSdk.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OviluxFrameMetadata {
    uint32_t frameNumber; /* the camera's count of the frame (the arrival count where the camera numbers none) */
    uint32_t lostBefore;  /* frames lost since the previous frame was delivered (0 for the first one) */
    uint64_t arrivalNs;   /* when its last byte arrived: monotonic clock, nanoseconds from an arbitrary
                             start (CLOCK_MONOTONIC on Linux, the performance counter on Windows) */
    int32_t exposureMicroseconds; /* the session's exposure when the frame was delivered */
    int32_t globalGain;           /* the session's gains then, in the units of Ovilux_SetGlobalGain */
    int32_t gainRed;              /* and Ovilux_SetColorGainRed and its siblings */
    int32_t gainGreen1;
    int32_t gainGreen2;
    int32_t gainBlue;
} OviluxFrameMetadata;

typedef struct OviluxStreamStatistics {
    uint64_t delivered;
    uint64_t lostHeaderTimeout;  /* numbered by the camera but never came: their headers timed out,
                                    or the camera dropped them before sending (its small queue
                                    overflows when its frames are not read in time) */
    uint64_t lostWrongSize;      /* their header announced another size than the capture window's */
    uint64_t lostIncomplete;     /* their payload came short, or a chunk of it failed */
    uint64_t lostSlow;           /* arrived, but newer frames came before the session was ready for
                                    them (slow conversion or callback), or the stream stopped first */
    uint64_t lostCameraLost;     /* arrived, and still waited when the camera was lost */
    uint64_t lostBufferTooSmall; /* taken, but the callback or snapshot buffer could not hold them */
} OviluxStreamStatistics;

/* Fills *metadata with the frame the session delivered last. Returns 1, or 0 for an unknown
 * handle, a null pointer or a session that has delivered no frame yet. A callback window that
 * reads it when the 0x8002 message comes gets that message's frame unless the session has
 * delivered a newer one since: read it before and after reading the buffer; the same frameNumber
 * both times means the buffer held that frame all along (the session writes a frame's pixels
 * and its number together, and this call waits while it does). */
OVILUX_API int32_t OviluxStream_GetLastFrame(uint32_t handle, OviluxFrameMetadata* metadata);
/* Fills *statistics with the counts since the session was made or the counts were reset. While a
 * stream runs, frames that have arrived but are not yet taken count nowhere. Returns 1, or 0 for
 * an unknown handle or a null pointer. */
OVILUX_API int32_t OviluxStream_GetStatistics(uint32_t handle, OviluxStreamStatistics* statistics);
/* Sets every count to 0 (the last frame's metadata stays). Returns 1, or 0 for an unknown handle. */
OVILUX_API int32_t OviluxStream_ResetStatistics(uint32_t handle);

#ifdef __cplusplus
}
#endif

#endif /* OVILUX_STREAM_H */
