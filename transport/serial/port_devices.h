#pragma once
// Which device each of "Com1".."Com8" opens, and what to tell the user when it
// will not open. Linux names serial devices by the order they were found
// (/dev/ttyUSB0 today may be /dev/ttyUSB1 tomorrow), so a choice is best kept
// as its /dev/serial/by-id name, which follows the adapter.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace norvik {

inline constexpr uint8_t kComPortCount = 8;

// The dialog where each Com entry's device is chosen, as the advice names it.
inline constexpr const char* kPortDevicesCaption = "Port devices";
// UTF-8, as every text this part adds: device paths are file names, not 8-bit gateway texts.
inline constexpr const char* kPortDevicesMenuPath = "Communication > Port devices…";

// The user's saved choice for each Com entry, index 0 = "Com1"; "" = none.
using SavedPortDevices = std::array<std::string, kComPortCount>;

// Where the system's device and process trees are looked for. Tests put
// folders of their own in place.
struct DeviceRoots {
    std::string dev = "/dev";
    std::string proc = "/proc";
};

enum class DeviceSource : uint8_t {
    Environment,  // $NORVIK_COMn, which wins over everything
    Saved,        // the choice made in the "Port devices" dialog
    Default,      // /dev/ttyS0../dev/ttyS7
};

struct ComDevice {
    std::string path;
    DeviceSource source = DeviceSource::Default;
};

// The device "ComN" opens: $NORVIK_COMn when set and not empty, else the saved
// choice when not empty, else /dev/ttyS(N-1). An empty path for N outside 1..8.
ComDevice comDevice(uint8_t port, const SavedPortDevices& saved);

// Where the window keeps the "Port devices" choices: norvik/norvik.ini under
// $XDG_CONFIG_HOME, else under ~/.config. "" when neither can be found.
std::string savedPortDevicesFile();

// The choices as the window stored them ([PortDevices] Com1=... in an INI
// file); every entry empty when the file or the group is missing. Tools
// without a window read them here so that ComN opens the same device for both.
SavedPortDevices readSavedPortDevices(const std::string& iniPath);

// The name of the variable that overrides port N ("NORVIK_COM2").
std::string comVariableName(uint8_t port);

// A link under <dev>/serial/by-id and the device it leads to now.
struct StableDeviceName {
    std::string link;    // e.g. /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0
    std::string target;  // e.g. /dev/ttyUSB0
};

// Every by-id link whose device is present, sorted by link name.
std::vector<StableDeviceName> stableDeviceNames(const DeviceRoots& roots = {});

// The by-id link that leads to the same device as `path`, or "" when there is none.
std::string stableNameFor(const std::string& path, const DeviceRoots& roots = {});

// True when `path` names something that exists now (following links).
bool devicePresent(const std::string& path);

// Where a path leads now: nowhere, to itself, or (a link) to another device.
struct DeviceWhereabouts {
    bool present = false;
    // The device a link resolves to; empty when the path names the device itself.
    std::string resolved;
};
DeviceWhereabouts deviceWhereabouts(const std::string& path);

// One line for a tooltip: the path, the device a link leads to now
// ("(now /dev/ttyUSB0)"), or "(absent)" when nothing is there.
std::string describeDevice(const std::string& path);

// A process that has the device open.
struct DeviceHolder {
    pid_t pid = 0;
    std::string command;
};

// The processes whose open files include `path` (compared by the device it
// leads to). Processes of other users are usually not readable and are missed.
std::vector<DeviceHolder> deviceHolders(const std::string& path, const DeviceRoots& roots = {});

// The processes holding a lock on `path` (<proc>/locks), as another Norvik
// does on the port it has open. Unlike the open files this is readable for
// every user's processes.
std::vector<DeviceHolder> deviceLockers(const std::string& path, const DeviceRoots& roots = {});

// Who reads the advice: the window's user chooses a device under Port devices
// and presses Connect; norvik-cli's names it with --device and runs again.
enum class OpenAdviceFor : uint8_t { Window, CommandLine };

// The informative text of the open-error box: the device, the system's reason
// and what to do about it, for the error number `openPort` returned.
std::string openErrorAdvice(const std::string& path, int errnoValue, const DeviceRoots& roots = {},
                            OpenAdviceFor reader = OpenAdviceFor::Window);

}  // namespace norvik
