// Usage.cpp - the tool's help texts.
#include <cstdio>
#include <map>
#include <string>

#include "Commands.h"

namespace ovilux_tool {

namespace {

const std::map<std::string, const char*>& CommandUsages() {
    static const std::map<std::string, const char*> usages = {
        {"list", "usage: ovilux [--simulate[=IDS]] list\n"
                 "  Lists the cameras found, with their index and name.\n"},
        {"info", "usage: ovilux [--simulate[=IDS]] info [-d N]\n"
                 "  Shows camera N's sizes, gain and exposure ranges with the current values, the\n"
                 "  library version and the colour modes, and every kept setting that changes a\n"
                 "  picture, marked * with the factory value where it differs.\n"},
        {"snap", "usage: ovilux [--simulate[=IDS]] snap [-d N] -o FILE [options]\n"
                 "  Takes snapshots and saves them.\n"
                 "  --format bmp|raw|jpeg|jpeg70|jpeg20|png|tiff   (default: from FILE's extension)\n"
                 "  --bits 8|16|24|32|48|64     colour mode in bits per pixel (default 24)\n"
                 "  --window WxH[+X+Y]          capture window on the 2592 x 1944 sensor\n"
                 "  --subsample 0|1|2           full size, one half, one quarter\n"
                 "  --exposure-us N             exposure time in microseconds\n"
                 "  --gain N                    global gain (see: ovilux info)\n"
                 "  --mirror-h, --mirror-v      mirror the image\n"
                 "  --count N                   N snapshots, saved as FILE with _001, _002, ... added\n"},
        {"live", "usage: ovilux [--simulate[=IDS]] live [-d N | -d N,N,... | --all] [options]\n"
                 "  Runs live view with a copy of every frame delivered to the tool, showing the\n"
                 "  frames, the frame rate, the time and the frames delivered and lost each second;\n"
                 "  a summary at the end with the frames lost by reason.\n"
                 "  -d N,N,...                  several cameras at once (e.g. -d 0,1,2,3), each in a\n"
                 "                              session of its own: each camera's frame rate and\n"
                 "                              losses each second and in the summary\n"
                 "  --all                       every camera found (see: ovilux list), at once\n"
                 "  --seconds S                 length, and at least up to the first frame (default 5;\n"
                 "                              0: up to the first frame, as record)\n"
                 "  --bits 8|16|24|32|48|64     colour mode in bits per pixel (default 24)\n"
                 "  --window WxH[+X+Y]          capture window on the 2592 x 1944 sensor\n"
                 "  --subsample 0|1|2           full size, one half, one quarter\n"
                 "  --exposure-us N             exposure time in microseconds\n"
                 "  --gain N                    global gain (see: ovilux info)\n"
                 "  --preview                   also show the picture in the library's window, scaled\n"
                 "                              to fit a screen (on Linux: on DISPLAY); one camera only\n"
                 "  --json                      the summary as one JSON object (with several cameras:\n"
                 "                              the totals and a \"cameras\" list of each one's)\n"
                 "  Ctrl-C (or SIGTERM) stops it early, still with the summary.\n"},
        {"record", "usage: ovilux [--simulate[=IDS]] record [-d N] -o FILE.avi [options]\n"
                   "  Records live view into an uncompressed AVI file, showing the time, the bytes\n"
                   "  written and the frames delivered and lost; a summary of the files, frames and rate and of the frames delivered and\n"
                   "  lost by reason at the end. Files that would pass 2 GiB continue in FILE_001.avi,\n"
                   "  FILE_002.avi, ... Exit status 1 when the recording failed or ended early.\n"
                   "  --seconds S                 length from the first frame (default 5; 0: the first\n"
                   "                              frame and the next)\n"
                   "  --bits 8|16|24|32|48|64     colour mode in bits per pixel (default 24)\n"
                   "  --window WxH[+X+Y]          capture window on the 2592 x 1944 sensor\n"
                   "  --subsample 0|1|2           full size, one half, one quarter\n"
                   "  --exposure-us N             exposure time in microseconds\n"
                   "  --gain N                    global gain (see: ovilux info)\n"
                   "  --file-limit BYTES          split at this size instead (simulated cameras)\n"},
        {"reg", "usage: ovilux [--simulate[=IDS]] reg sensor|fpga read ADDR [-d N]\n"
                "       ovilux [--simulate[=IDS]] reg sensor|fpga write ADDR VALUE [-d N]\n"
                "  Reads or writes an image-sensor register (8-bit address, 16-bit value) or an\n"
                "  FPGA register (8-bit address and value). Numbers may be decimal or 0x hex.\n"},
        {"settings", "usage: ovilux settings show|reset [-d N]\n"
                     "       ovilux settings reset --all\n"
                     "       ovilux settings export|import FILE [-d N]\n"
                     "  Shows camera N's stored settings, puts them (or every camera's) back to the\n"
                     "  defaults, or writes them to / replaces them from a text file ([Key] sections,\n"
                     "  Name=dword:N lines). An import checks every line and every value against its\n"
                     "  range first and changes nothing when one is wrong.\n"},
        {"doctor", "usage: ovilux doctor\n"
                   "  Checks what reaching cameras needs: the cameras on USB, whether this user may\n"
                   "  open and claim each (with the udev rules that would allow it, or what holds\n"
                   "  it: another process, a kernel driver), usbfs's memory limit against what the\n"
                   "  attached cameras keep in flight, the library's build and transports, and where\n"
                   "  the settings are kept. Exit status 1 when a camera cannot be opened and\n"
                   "  claimed or the memory limit is too low.\n"},
    };
    return usages;
}

}  // namespace

void PrintToolUsage(FILE* to) {
    std::fputs("usage: ovilux [--simulate[=IDS]] [--defaults] COMMAND [options]\n"
               "       ovilux -h | --help | --version | COMMAND --help | help COMMAND\n"
               "\n"
               "Commands:\n"
               "  list    the cameras found\n"
               "  info    a camera's sizes, ranges and colour modes\n"
               "  snap    take snapshots and save them as image files\n"
               "  live    live view with per-frame delivery and the frame rate\n"
               "  record  record live view into AVI files\n"
               "  reg     read or write a sensor or FPGA register\n"
               "  settings  show, reset, export or import a camera's stored settings\n"
               "  doctor  what reaching cameras needs, checked on this machine\n"
               "\n"
               "--simulate[=IDS] uses the simulated camera built into the library instead of real\n"
               "hardware (IDS: hex USB product ids separated by commas, default 3030); so does the\n"
               "environment variable OVILUX_SIMULATE=IDS.\n"
               "--defaults runs on the factory settings and leaves the stored ones untouched; so\n"
               "does the environment variable OVILUX_SETTINGS=defaults.\n",
               to);
}

bool PrintCommandUsage(const std::string& command, FILE* to) {
    const auto it = CommandUsages().find(command);
    if (it == CommandUsages().end()) {
        return false;
    }
    std::fputs(it->second, to);
    return true;
}

}  // namespace ovilux_tool
