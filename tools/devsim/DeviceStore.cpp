#include "DeviceStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "DemoContent.h"
#include "platform/IrdaBus.h"

namespace devsim {
namespace {

// Layout of an area file: magic, format, area, 0, default index, file count, then each file as
// a 32-bit length and its bytes, and a hash of everything before it.
constexpr char kMagic[8] = {'O', 'V', 'D', 'S', 'A', 'R', 'E', 'A'};
constexpr std::uint16_t kFormat = 1;
constexpr std::size_t kPreamble = 16;
constexpr std::uintmax_t kMaxAreaFile = 4 * kMaxAreaBytes;

std::uint32_t Fnv1a(const Bytes& data, std::size_t size) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

const char* AreaFileName(std::uint8_t area) {
  switch (area) {
    case kLanguageArea:
      return "languages.area";
    case kPictureArea:
      return "pictures.area";
    default:
      return "firmware.area";
  }
}

AreaContent FactoryContent(std::uint8_t area, std::uint8_t major, std::uint8_t minor) {
  AreaContent content;
  content.defaultIndex = 1;
  if (area == kLanguageArea) content.files = DemoLanguages();
  if (area == kPictureArea) content.files = DemoPictures();
  if (area == kFirmwareArea) content.files = DemoFirmware(major, minor);
  return content;
}

bool ReadWhole(const std::string& path, Bytes& data, std::string& error) {
  std::error_code code;
  const std::uintmax_t size = std::filesystem::file_size(path, code);
  if (code || size > kMaxAreaFile) {
    error = path + ": " + (code ? code.message() : std::string("too large to be a state file"));
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  data.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(data.size())) {
    error = path + ": cannot read";
    return false;
  }
  return true;
}

}  // namespace

DeviceStore::DeviceStore(std::string directory) : directory_(std::move(directory)) {}

std::string DeviceStore::AreaPath(std::uint8_t area) const {
  return (std::filesystem::path(directory_) / AreaFileName(area)).string();
}

Bytes DeviceStore::Serialize(std::uint8_t area, const AreaContent& content) {
  Bytes data(kMagic, kMagic + sizeof kMagic);
  platform::AppendLE(data, kFormat, 2);
  data.push_back(area);
  data.push_back(0);
  platform::AppendLE(data, content.defaultIndex, 2);
  platform::AppendLE(data, static_cast<std::uint32_t>(content.files.size()), 2);
  for (const Bytes& file : content.files) {
    platform::AppendLE(data, static_cast<std::uint32_t>(file.size()), 4);
    data.insert(data.end(), file.begin(), file.end());
  }
  platform::AppendLE(data, Fnv1a(data, data.size()), 4);
  return data;
}

bool DeviceStore::Parse(std::uint8_t area, const Bytes& data, AreaContent& content,
                        std::string& error) {
  if (data.size() < kPreamble + 4 || !std::equal(kMagic, kMagic + sizeof kMagic, data.begin())) {
    error = "not a device state file";
    return false;
  }
  const std::size_t end = data.size() - 4;
  if (platform::ReadLE32(data, end) != Fnv1a(data, end)) {
    error = "damaged (hash mismatch)";
    return false;
  }
  if (platform::ReadLE16(data, 8) != kFormat || data[10] != area) {
    error = "unknown format or wrong area";
    return false;
  }
  AreaContent loaded;
  loaded.defaultIndex = platform::ReadLE16(data, 12);
  const std::size_t count = platform::ReadLE16(data, 14);
  const std::size_t maxCount = area == kFirmwareArea ? kMaxFirmwareParts : kMaxFilesPerArea;
  if (count > maxCount || loaded.defaultIndex > count) {
    error = "implausible file count or default index";
    return false;
  }
  std::size_t at = kPreamble;
  for (std::size_t i = 0; i < count; ++i) {
    if (end - at < 4) {
      error = "file " + std::to_string(i + 1) + " cut short";
      return false;
    }
    const std::uint32_t length = platform::ReadLE32(data, at);
    at += 4;
    if (length < kHeaderSize || length > kMaxFileSize || length > end - at) {
      error = "file " + std::to_string(i + 1) + " has an impossible length";
      return false;
    }
    Bytes file(data.begin() + static_cast<std::ptrdiff_t>(at),
               data.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
    if (platform::ReadLE32(file, 0) != length || file[6] != area) {
      error = "file " + std::to_string(i + 1) + " has a header that does not match it";
      return false;
    }
    loaded.files.push_back(std::move(file));
  }
  if (at != end) {
    error = "trailing bytes";
    return false;
  }
  content = std::move(loaded);
  return true;
}

bool DeviceStore::Load(DeviceMemory& memory, std::uint8_t firmwareMajor, std::uint8_t firmwareMinor,
                       std::string& error) {
  if (!platform::EnsureDirectory(directory_)) {
    error = "cannot create state folder " + directory_;
    return false;
  }
  DeviceMemory loaded;
  std::vector<std::uint8_t> fresh;
  for (const std::uint8_t area : kAreas) {
    const std::string path = AreaPath(area);
    std::error_code code;
    if (!std::filesystem::exists(path, code)) {
      loaded[*AreaSlot(area)] = FactoryContent(area, firmwareMajor, firmwareMinor);
      fresh.push_back(area);
      continue;
    }
    Bytes data;
    std::string why;
    if (!ReadWhole(path, data, error)) return false;
    if (!Parse(area, data, loaded[*AreaSlot(area)], why)) {
      error = path + ": " + why;
      return false;
    }
  }
  for (const std::uint8_t area : fresh) {
    if (!Save(area, loaded[*AreaSlot(area)], error)) return false;
  }
  memory = std::move(loaded);
  return true;
}

bool DeviceStore::Save(std::uint8_t area, const AreaContent& content, std::string& error) const {
  const std::string path = AreaPath(area);
  const std::string temporary = path + ".tmp";
  const Bytes data = Serialize(area, content);
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = temporary + ": " + std::strerror(errno);
    return false;
  }
  std::size_t written = 0;
  while (written < data.size()) {
    const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  const bool synced = written == data.size() && ::fsync(fd) == 0;
  const int savedErrno = errno;
  ::close(fd);
  if (!synced || ::rename(temporary.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(synced ? errno : savedErrno);
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace devsim
