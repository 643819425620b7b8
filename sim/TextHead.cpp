// TextHead.cpp - the head's commands and replies.
#include "sim/TextHead.h"

#include <cstdio>

namespace ovilux::sim {

namespace {

constexpr const char* kIdentity = "OVILUX-S26-CL\r\n";
constexpr const char* kOk = "OK\r\n";
constexpr const char* kDebugAccess = "d -y 5820376";

}  // namespace

bool CTextHead::Write(const uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count < 2 || data[0] != 0 || data[1] != 0 || count > 3) {
        return false;  // the line is the only register
    }
    if (count == 3) {
        const char c = static_cast<char>(data[2]);
        if (c == '\n') {
            if (!line_.empty() && line_.back() == '\r') {
                line_.pop_back();
            }
            Answer(line_);
            line_.clear();
        } else {
            line_.push_back(c);
        }
    }
    return true;
}

bool CTextHead::Read(uint8_t* data, uint32_t count, SimClock::time_point /*now*/) {
    if (count != 1 || replies_.empty()) {
        return false;
    }
    data[0] = static_cast<uint8_t>(replies_.front());
    replies_.pop_front();
    return true;
}

void CTextHead::Answer(const std::string& command) {
    std::string reply;
    unsigned address = 0;
    unsigned value = 0;
    if (command == "n") {
        reply = kIdentity;
    } else if (command == "x -c" || command.rfind("i -v ", 0) == 0 || command.rfind("g -v ", 0) == 0) {
        reply = kOk;
    } else if (command == kDebugAccess) {
        debugMode_ = true;
        reply = "Welcome Debug Mode!\r\n";
    } else if (command == "d -n") {
        debugMode_ = false;
        reply = "Good Bye!\r\n";
    } else if (debugMode_ && std::sscanf(command.c_str(), "q -w x%x x%x", &address, &value) == 2) {
        char text[48];
        std::snprintf(text, sizeof(text), "Fpga Write   : 0x%02X : 0x%02X\r\n", address & 0xFF, value & 0xFF);
        reply = text;
    }
    replies_.insert(replies_.end(), reply.begin(), reply.end());
}

}  // namespace ovilux::sim
