// StreamExports.cpp - OviluxStream_: the metadata of the frame delivered last and the counts of
// frames delivered and lost.
#include "OviluxStream.h"
#include "api/Dispatch.h"

namespace api = ovilux::api;
namespace session = ovilux::session;

extern "C" int32_t OviluxStream_GetLastFrame(uint32_t handle, OviluxFrameMetadata* metadata) {
    return api::Dispatch(handle, api::kFailure, [metadata](session::COvilux& s) {
        const std::optional<session::DeliveredFrame> frame = s.LastFrame();
        if (metadata == nullptr || !frame) {
            return 0;
        }
        *metadata = OviluxFrameMetadata{frame->number,       frame->lostBefore, frame->arrivalNs,
                                        frame->exposureMicroseconds, frame->globalGain, frame->gainRed,
                                        frame->gainGreen1,   frame->gainGreen2, frame->gainBlue};
        return 1;
    });
}

extern "C" int32_t OviluxStream_GetStatistics(uint32_t handle, OviluxStreamStatistics* statistics) {
    return api::Dispatch(handle, api::kFailure, [statistics](session::COvilux& s) {
        if (statistics == nullptr) {
            return 0;
        }
        const session::StreamStatistics counts = s.Statistics();
        *statistics = OviluxStreamStatistics{counts.delivered,          counts.losses.missing,
                                             counts.losses.wrongSize,   counts.losses.incomplete,
                                             counts.losses.notTaken,    counts.losses.cameraLost,
                                             counts.bufferTooSmall};
        return 1;
    });
}

extern "C" int32_t OviluxStream_ResetStatistics(uint32_t handle) {
    return api::Dispatch(handle, api::kFailure, [](session::COvilux& s) {
        s.ResetStatistics();
        return 1;
    });
}
