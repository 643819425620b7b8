"""Several cameras streamed at once, each from a thread of its own, as a rig's program does it:
each camera's frames show its own picture, in the camera's order."""
import threading

import numpy as np

import ovilux


def test_cameras_streamed_from_threads_each_deliver_their_own_picture():
    levels = [40, 120, 200]
    ports = [ovilux.sim.attach(0x3030) for _ in levels]
    try:
        for port, level in zip(ports, levels):
            ovilux.sim.show_picture(port, np.full((1944, 2592), level, np.uint8))
        # Factory settings: what earlier tests stored for these cameras must not change the pictures.
        cameras = [ovilux.Camera(index, defaults=True) for index in range(len(ports))]
        seen = [[] for _ in cameras]
        errors = []

        def stream(camera, frames):
            try:
                camera.color_mode = 8
                camera.subsample = 2
                camera.reset_statistics()
                for frame in camera.stream(count=15):
                    frames.append((frame.number, int(frame.min()), int(frame.max())))
            except Exception as error:  # reported by the test's thread
                errors.append(error)

        threads = [threading.Thread(target=stream, args=(c, s)) for c, s in zip(cameras, seen)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        assert not errors
        shown = []
        for camera, frames in zip(cameras, seen):
            assert len(frames) == 15
            numbers = [number for number, _, _ in frames]
            assert numbers == sorted(set(numbers)), "each frame once, in the camera's order"
            # Every frame is the one picture of its own camera: one level throughout, always the same.
            assert len({(low, high) for _, low, high in frames}) == 1 and frames[0][1] == frames[0][2]
            shown.append(frames[0][1])
            assert camera.statistics()["delivered"] >= 15
            camera.close()
        assert sorted(shown) == levels, "each camera its own picture"
    finally:
        for port in ports:
            ovilux.sim.detach(port)
