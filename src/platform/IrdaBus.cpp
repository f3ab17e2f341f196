#include "platform/IrdaBus.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/HexDigit.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

std::string BusDirectory() {
  if (const char* bus = std::getenv("ORVANEL_IRDA_BUS"); bus && *bus) return bus;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/orvanel-irda";
  }
#ifdef _WIN32
  return (std::filesystem::temp_directory_path() / "orvanel-irda").string();
#else
  return "/tmp/orvanel-irda-" + std::to_string(static_cast<unsigned long>(getuid()));
#endif
}

bool EnsureDirectory(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(path, error)) return true;
#ifdef _WIN32
  fs::create_directories(path, error);
#else
  // Create each missing level with mode 0700 ourselves: create_directories would use 0777.
  fs::path partial;
  for (const auto& part : fs::path(path)) {
    partial /= part;
    if (partial.empty() || fs::is_directory(partial, error)) continue;
    if (::mkdir(partial.c_str(), 0700) != 0 && !fs::is_directory(partial, error)) return false;
  }
#endif
  return fs::is_directory(path, error);
}

std::string DeviceDirectoryName(const std::array<std::uint8_t, 4>& id) {
  char name[9];
  std::snprintf(name, sizeof name, "%02x%02x%02x%02x", id[0], id[1], id[2], id[3]);
  return name;
}

std::optional<std::array<std::uint8_t, 4>> ParseDeviceDirectoryName(const std::string& name) {
  if (name.size() != 8) return std::nullopt;
  std::array<std::uint8_t, 4> id{};
  for (std::size_t i = 0; i < 8; ++i) {
    const std::optional<int> digit = HexDigitValue(name[i]);
    if (!digit) return std::nullopt;
    id[i / 2] = static_cast<std::uint8_t>((id[i / 2] << 4) | *digit);
  }
  return id;
}

}  // namespace platform
