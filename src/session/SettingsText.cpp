// SettingsText.cpp - writing and reading the settings text. Numbers go through to_chars and
// from_chars, so the text is the same whatever locale the application has set.
#include "session/SettingsText.h"

#include <charconv>
#include <cstdint>
#include <cstring>

#include "session/SettingsLayout.h"

namespace ovilux::session {

namespace {

using platform::SettingValue;

constexpr const char* kDwordPrefix = "dword:";
constexpr const char* kDoublePrefix = "double:";

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    const size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

std::string DoubleText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// The line of one stored value, or empty when it is not a setting of that key or not of its type.
std::string ValueLine(const std::string& subKey, const SettingValue& value) {
    const std::optional<ValueKind> kind = KindOf(subKey, value.name);
    if (kind == ValueKind::Dword && value.AsDword()) {
        return value.name + "=" + kDwordPrefix + std::to_string(static_cast<int32_t>(*value.AsDword())) + "\n";
    }
    if (kind == ValueKind::Double && value.type == platform::SettingType::Binary) {
        if (const std::optional<double> seconds = DoubleFromBytes(value.data)) {
            return value.name + "=" + kDoublePrefix + DoubleText(*seconds) + "\n";
        }
    }
    return "";
}

// "Camera_" and digits: the device number written in a section name.
bool IsCameraKeyName(const std::string& name) {
    if (name.size() < 9 || name.compare(0, 7, "Camera_") != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789", 7) == std::string::npos;
}

std::optional<uint32_t> ParseDword(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    int64_t value = 0;
    const auto result = std::from_chars(first, last, value, hex ? 16 : 10);
    if (result.ec != std::errc() || result.ptr != last || first == last || value < INT32_MIN || value > UINT32_MAX ||
        (hex && value < 0)) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

std::optional<double> ParseDouble(const std::string& text) {
    double value = 0.0;
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, value);
    if (result.ec != std::errc() || result.ptr != last || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// Reads one "Name=type:value" line of a key, its value within the range its setter takes;
// empty message when it is good.
std::string ReadValueLine(const std::string& line, const std::string& subKey, const CameraLimits& limits,
                          SettingValue* value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
        return "expected Name=dword:N, Name=double:X or [Section]";
    }
    const std::string name = Trim(line.substr(0, equals));
    const std::string typed = Trim(line.substr(equals + 1));
    const std::optional<ValueKind> kind = KindOf(subKey, name);
    if (!kind) {
        return "\"" + name + "\" is not a setting of this section";
    }
    const char* prefix = *kind == ValueKind::Dword ? kDwordPrefix : kDoublePrefix;
    if (typed.compare(0, std::strlen(prefix), prefix) != 0) {
        return "\"" + name + "\" must be written as " + prefix + "...";
    }
    const std::string number = Trim(typed.substr(std::strlen(prefix)));
    if (*kind == ValueKind::Dword) {
        const std::optional<uint32_t> dword = ParseDword(number);
        if (!dword) {
            return "\"" + number + "\" is not a 32-bit number";
        }
        const Bound bound = *RangeOf(subKey, name, limits);
        if (!IsInRange(static_cast<int32_t>(*dword), bound)) {
            return name + " = " + std::to_string(static_cast<int32_t>(*dword)) + " is outside the allowed range " +
                   RangeText(bound);
        }
        *value = SettingValue::Dword(name, *dword);
    } else {
        const std::optional<double> seconds = ParseDouble(number);
        if (!seconds) {
            return "\"" + number + "\" is not a number";
        }
        if (!IsSecondsInRange(*seconds, limits)) {
            return name + " = " + number + " s is outside the allowed range " +
                   (limits.exposureSeconds ? DoubleText(limits.exposureSeconds->first) + " to " +
                                                 DoubleText(limits.exposureSeconds->second) + " s"
                                           : std::string("of finite numbers"));
        }
        *value = SettingValue::Binary(name, DoubleBytes(*seconds));
    }
    return "";
}

}  // namespace

std::string SettingsToText(platform::SettingsStore& store, int32_t device) {
    std::string text = "; Ovilux settings of camera " + std::to_string(device) + ", from " +
                       platform::SettingsStore::Location() +
                       "\n; Each section is a key below the settings root; values are dword:N (32-bit) or "
                       "double:X (seconds).\n";
    std::vector<std::string> subKeys{""};
    for (const std::string& name : store.SubKeys(CameraKey(device))) {
        subKeys.push_back(name);
    }
    for (const std::string& subKey : subKeys) {
        const std::string path = subKey.empty() ? CameraKey(device) : CameraSubKey(device, subKey);
        const std::optional<std::vector<SettingValue>> values = store.ReadKey(path);
        if (!values || !IsSettingsKey(subKey)) {
            continue;
        }
        text += "[" + path + "]\n";
        for (const SettingValue& value : *values) {
            text += ValueLine(subKey, value);
        }
    }
    return text;
}

bool SettingsFromText(const std::string& text, int32_t device, const CameraLimits& limits, platform::StoreBatch* batch,
                      std::string* message) {
    platform::StoreBatch result{CameraKey(device), {}};
    std::string fileCamera;
    std::string subKey;
    size_t lineNumber = 0;
    const auto refuse = [&](const std::string& why) {
        *message = "line " + std::to_string(lineNumber) + ": " + why;
        *batch = {};
        return false;
    };
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                return refuse("a section name must end with ]");
            }
            const std::string path = line.substr(1, line.size() - 2);
            const size_t slash = path.find('\\');
            const std::string camera = path.substr(0, slash);
            subKey = slash == std::string::npos ? "" : path.substr(slash + 1);
            if (!IsCameraKeyName(camera) || !IsSettingsKey(subKey)) {
                return refuse("[" + path + "] is not a settings key (Camera_NN, Camera_NN\\Size_NN, \\Gain, "
                              "\\Filter or \\Gray)");
            }
            if (!fileCamera.empty() && camera != fileCamera) {
                return refuse("[" + path + "] belongs to another camera than " + fileCamera);
            }
            fileCamera = camera;
            result.writes.push_back({subKey.empty() ? CameraKey(device) : CameraSubKey(device, subKey), {}});
            continue;
        }
        if (result.writes.empty()) {
            return refuse("a value before the first [section]");
        }
        SettingValue value;
        if (const std::string why = ReadValueLine(line, subKey, limits, &value); !why.empty()) {
            return refuse(why);
        }
        result.writes.back().values.push_back(std::move(value));
    }
    if (result.writes.empty()) {
        return refuse("no [Camera_NN] section, so nothing to import");
    }
    *batch = std::move(result);
    message->clear();
    return true;
}

}  // namespace ovilux::session
