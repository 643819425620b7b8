// TextChannel.h - the serial line of a camera head, reached as register 0x0000 of the
// converter's two-wire register path: text sent and received one character at a time, the
// head's commands, and its debug mode.
#pragma once

#include <cstdint>

#include "camera/sensors/RegisterPath.h"

namespace ovilux::camera {

class CTextChannel {
public:
    // The path is not owned; it must carry 16-bit addresses with 8-bit values.
    explicit CTextChannel(CRegisterPath& path);

    // Sends up to length characters, stopping at a NUL or a failed write. The result is the
    // last write's: 0 when nothing was sent or a write failed.
    int32_t SendText(const char* text, int32_t length);
    // Reads one line: the number of its characters (a carriage return is delivered followed by
    // a line feed and counted with it); the first min(length, result) go to buffer. 0 for an
    // empty line, a line longer than kLineCapacity, a read failing at once, or no buffer.
    int32_t ReceiveText(char* buffer, int32_t length);
    // Sends a command without waiting for the reply; 1 whenever the command is not empty.
    int32_t SendCommand(const char* command);
    // Enters (or leaves) the head's debug mode unless the process already is in that state.
    int32_t SetDebugMode(int32_t on);
    // Writes a byte to a register of the head's FPGA; enters debug mode first.
    int32_t WriteHeadFpga(uint32_t address, uint32_t value);

    // The process-wide debug-mode state: every head of the process shares it.
    static int32_t DebugMode();

    static constexpr int32_t kLineCapacity = 256;
    static constexpr uint32_t kCharacterPauseMs = 10;

private:
    CRegisterPath& path_;
};

}  // namespace ovilux::camera
