// RegCommand.cpp - ovilux reg: read or write one image-sensor or FPGA register.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CameraSession.h"
#include "Commands.h"
#include "OviluxSdk.h"

namespace ovilux_tool {

int RegCommand(Arguments& args, const GlobalOptions& global) {
    int32_t device = 0;
    std::vector<std::string> words;
    if (!TakeDeviceAndWords(args, &device, &words)) {
        return kExitUsage;
    }
    const bool sensor = !words.empty() && words[0] == "sensor";
    const bool fpga = !words.empty() && words[0] == "fpga";
    const bool read = words.size() == 3 && words[1] == "read";
    const bool write = words.size() == 4 && words[1] == "write";
    if ((!sensor && !fpga) || (!read && !write)) {
        Complain("reg needs sensor|fpga, then read ADDR or write ADDR VALUE");
        PrintCommandUsage("reg", stderr);
        return kExitUsage;
    }
    const auto address = ParseNumber(words[2], 0, 255, "the register address");
    const auto value = write ? ParseNumber(words[3], 0, sensor ? 0xFFFF : 0xFF, "the register value") : std::optional<int64_t>(0);
    if (!address || !value) {
        return kExitUsage;
    }

    CameraSession session;
    if (!session.OpenCamera(device, global.simulate)) {
        return kExitFailed;
    }
    const uint32_t handle = session.Handle();
    const auto reg = static_cast<uint8_t>(*address);
    const char* call = sensor ? (read ? "Ovilux_ReadRegister" : "Ovilux_WriteRegister")
                              : (read ? "Ovilux_Fpga_ReadRegister" : "Ovilux_Fpga_WriteRegister");
    if (write) {
        const auto word = static_cast<uint16_t>(*value);
        if (!(sensor ? Ovilux_WriteRegister(handle, reg, word) : Ovilux_Fpga_WriteRegister(handle, reg, word))) {
            session.Fail(call);
            return kExitFailed;
        }
        std::printf("%s register 0x%02X := 0x%04X\n", sensor ? "sensor" : "fpga", reg, word);
        return kExitOk;
    }
    int32_t ok = 0;
    const int32_t result = sensor ? Ovilux_ReadRegister(handle, reg, &ok) : Ovilux_Fpga_ReadRegister(handle, reg, &ok);
    if (!ok) {
        session.Fail(call);
        return kExitFailed;
    }
    std::printf("%s register 0x%02X = 0x%04X (%d)\n", sensor ? "sensor" : "fpga", reg, static_cast<unsigned>(result),
                static_cast<int>(result));
    return kExitOk;
}

}  // namespace ovilux_tool
