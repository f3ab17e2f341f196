// Where the virtual IrDA bus lives on POSIX systems and how a device appears on it; shared by
// the bus backend of the socket layer and by the simulated dive computer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// ORVANEL_IRDA_BUS, else $XDG_RUNTIME_DIR/orvanel-irda, else /tmp/orvanel-irda-<uid>.
std::string BusDirectory();

// Creates `path` and its missing parents with mode 0700; true when it exists afterwards.
bool EnsureDirectory(const std::string& path);

// A device id as its bus directory name: 8 lower-case hexadecimal digits, byte 0 first.
std::string DeviceDirectoryName(const std::array<std::uint8_t, 4>& id);

// The id that an 8-hex-digit directory name stands for; nothing for any other name.
std::optional<std::array<std::uint8_t, 4>> ParseDeviceDirectoryName(const std::string& name);

}  // namespace platform
