// TextChannel.cpp - characters, lines and commands of the camera head's serial line.
#include "camera/sensors/TextChannel.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "platform/Clock.h"

namespace ovilux::camera {

namespace {

constexpr uint32_t kDataRegister = 0x0000;
constexpr const char* kDebugOn = "d -y 5820376\r\n";
constexpr const char* kDebugOff = "d -n\r\n";

// Once entered, the head stays in debug mode for the life of the process, whichever camera
// object entered it; atomic because several cameras may be driven from several threads.
std::atomic<int32_t> g_debugMode{0};

}  // namespace

CTextChannel::CTextChannel(CRegisterPath& path) : path_(path) {}

int32_t CTextChannel::SendText(const char* text, int32_t length) {
    if (text == nullptr || length <= 0) {
        return 0;
    }
    int32_t result = 0;
    for (int32_t i = 0; i < length && text[i] != '\0'; ++i) {
        result = path_.Write(kDataRegister, static_cast<uint8_t>(text[i]));
        platform::SleepMs(kCharacterPauseMs);
        if (!result) {
            return 0;
        }
    }
    return result;
}

int32_t CTextChannel::ReceiveText(char* buffer, int32_t length) {
    if (buffer == nullptr || length <= 0) {
        return 0;  // nothing is read, so the head's reply stays for a caller with a buffer
    }
    // A carriage return after the 255th character still needs its line feed and terminator.
    char line[kLineCapacity + 2] = {};
    int32_t count = 0;
    for (;;) {
        int32_t value = 0;
        if (!path_.Read(kDataRegister, &value)) {
            break;  // what arrived before the failure is the line
        }
        platform::SleepMs(kCharacterPauseMs);
        const char c = static_cast<char>(value);
        if (c == '\0' || c == '\n') {
            if (count == 0) {
                return 0;
            }
            line[count++] = c;
            break;
        }
        if (c == '\r') {
            if (count == 0) {
                return 0;
            }
            line[count++] = '\r';
            line[count++] = '\n';
            line[count] = '\0';
            break;
        }
        line[count++] = c;
        if (count == kLineCapacity) {
            return 0;  // no line end within the line's room
        }
    }
    std::memcpy(buffer, line, static_cast<size_t>(count < length ? count : length));
    return count;
}

int32_t CTextChannel::SendCommand(const char* command) {
    if (command == nullptr || command[0] == '\0') {
        return 0;
    }
    SendText(command, static_cast<int32_t>(std::strlen(command)));
    return 1;  // the head's reply is not awaited, so a lost character is not seen here
}

int32_t CTextChannel::SetDebugMode(int32_t on) {
    const int32_t wanted = on != 0 ? 1 : 0;
    if (g_debugMode.load() == wanted) {
        return 1;
    }
    SendCommand(wanted ? kDebugOn : kDebugOff);
    g_debugMode.store(wanted);
    return 1;
}

int32_t CTextChannel::WriteHeadFpga(uint32_t address, uint32_t value) {
    if (!SetDebugMode(1)) {
        return 0;
    }
    char command[32];
    std::snprintf(command, sizeof(command), "q -w x%02x x%02x\n", address & 0xFF, value & 0xFF);
    SendCommand(command);
    return 1;
}

int32_t CTextChannel::DebugMode() { return g_debugMode.load(); }

}  // namespace ovilux::camera
