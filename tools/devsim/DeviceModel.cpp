#include "DeviceModel.h"

#include <algorithm>
#include <utility>

namespace devsim {
namespace {

constexpr std::size_t kBlockContent = 54;
// A firmware chain is collected whole before it replaces the running firmware; bound what a
// broken or hostile tool can make the device hold.
constexpr std::size_t kMaxFirmwareChain = 4 * kMaxFileSize;

Frame Need(std::size_t have, std::size_t length) {
  return {have >= length ? FrameStatus::kComplete : FrameStatus::kIncomplete, length};
}

Reply Answer(Bytes bytes, bool lengthPrefixed = false) {
  Reply reply;
  reply.bytes = std::move(bytes);
  reply.lengthPrefixed = lengthPrefixed;
  return reply;
}

std::string Hex(std::uint8_t value) {
  return platform::ToHex(&value, 1);
}

}  // namespace

DeviceModel::DeviceModel(DeviceMemory memory, DeviceSettings settings)
    : memory_(std::move(memory)), settings_(settings) {}

void DeviceModel::BeginConnection() {
  busyLeft_ = 0;
  upload_.reset();
  firmwareParts_.clear();
  firmwarePartsExpected_ = 0;
}

std::string DeviceModel::EndConnection() {
  std::string note;
  if (upload_) {
    note = "link ended during an upload after " + std::to_string(upload_->file.size()) + " of " +
           std::to_string(upload_->size) + " bytes; discarded";
  } else if (!firmwareParts_.empty()) {
    note = "link ended after " + std::to_string(firmwareParts_.size()) + " of " +
           std::to_string(firmwarePartsExpected_) + " firmware parts; discarded";
  }
  BeginConnection();
  return note;
}

std::size_t DeviceModel::RemainingContent() const {
  if (!upload_ || upload_->file.size() >= upload_->size) return 0;
  return upload_->size - upload_->file.size();
}

Frame DeviceModel::FrameRequest(const std::uint8_t* data, std::size_t size) const {
  if (size == 0) return {FrameStatus::kIncomplete, 1};
  switch (data[0]) {
    case 0x10:
    case 0x00:
    case 0x14:
    case 0xE8:
    case 0xE1:
      return Need(size, 1);
    case 0xFF:
      break;
    default:
      return {FrameStatus::kInvalid, 1};
  }
  if (size < 2) return {FrameStatus::kIncomplete, 2};
  switch (data[1]) {
    case 0xF5:
    case 0xE8:
    case 0xE3:
      return Need(size, 2);
    case 0x37:
      return Need(size, 3);
    case 0xFA:
    case 0xC2:
    case 0x57:
      return Need(size, 5);
    case 0xD0:
    case 0xE9:
      return Need(size, 6);
    case 0xD2:
      break;
    default:
      return {FrameStatus::kInvalid, 2};
  }
  if (size < 3) return {FrameStatus::kIncomplete, 3};
  switch (data[2]) {
    case 0:
      return Need(size, 3 + kHeaderSize);
    case 1:
      return Need(size, 3 + kBlockContent);
    case 2:
      // Only the header packet tells how long the last packet is.
      if (!upload_) return {FrameStatus::kInvalid, 3};
      return Need(size, 3 + std::min(RemainingContent(), kBlockContent));
    default:
      return {FrameStatus::kInvalid, 3};
  }
}

Reply DeviceModel::Handle(const Bytes& request) {
  if (request.empty()) return {};
  switch (request[0]) {
    case 0x10:
      return HandleIdentity();
    case 0x00:
    case 0x14:
      return Answer({0});
    case 0xE8:
    case 0xE1:
      return {};
    default:
      break;
  }
  if (request.size() < 2) return {};
  auto param = [&request](std::size_t at) -> std::uint8_t {
    return at < request.size() ? request[at] : 0;
  };
  switch (request[1]) {
    case 0xF5:
      return Answer({settings_.battery});
    case 0x37:
      return HandleArea(param(2));
    case 0xFA:
      return HandleDirectory(param(3));
    case 0xC2:
      return HandleFile(param(3), param(4));
    case 0xD2:
      return HandleBlock(request);
    case 0x57:
      return HandleDefault(param(3), param(4));
    case 0xD0:
      return HandleDelete(param(3), param(4));
    case 0xE9:
      // Nothing stored changes; the device just takes a while to tidy its memory.
      busyLeft_ = settings_.busyPolls;
      return {};
    default:
      return {};
  }
}

Reply DeviceModel::HandleIdentity() {
  if (busyLeft_ > 0) {
    --busyLeft_;
    return Answer({0});
  }
  return Answer({settings_.identity});
}

Reply DeviceModel::HandleArea(std::uint8_t area) {
  Reply reply = Answer(Bytes(4, 0));
  const auto slot = AreaSlot(area);
  if (!slot) {
    reply.notes.push_back("area command for unknown area " + Hex(area));
    return reply;
  }
  const AreaContent& content = memory_[*slot];
  platform::WriteLE16(reply.bytes, 0, static_cast<std::uint16_t>(content.files.size()));
  platform::WriteLE16(reply.bytes, 2, content.defaultIndex);
  return reply;
}

Reply DeviceModel::HandleDirectory(std::uint8_t area) {
  Reply reply = Answer(Bytes(4, 0), true);
  if (const auto slot = AreaSlot(area)) {
    for (const Bytes& file : memory_[*slot].files) {
      reply.bytes.insert(reply.bytes.end(), file.begin(),
                         file.begin() + static_cast<std::ptrdiff_t>(kHeaderSize));
    }
  } else {
    reply.notes.push_back("directory of unknown area " + Hex(area));
  }
  platform::WriteLE32(reply.bytes, 0, static_cast<std::uint32_t>(reply.bytes.size()));
  return reply;
}

Reply DeviceModel::HandleFile(std::uint8_t area, std::uint8_t position) {
  const auto slot = AreaSlot(area);
  if (slot && position >= 1 && position <= memory_[*slot].files.size()) {
    return Answer(memory_[*slot].files[position - 1u], true);
  }
  // Nothing there: a reply that is only its own length.
  Reply reply = Answer({4, 0, 0, 0}, true);
  reply.notes.push_back("file " + std::to_string(position) + " of area " + Hex(area) +
                        " does not exist");
  return reply;
}

Reply DeviceModel::HandleBlock(const Bytes& request) {
  Reply reply;
  const std::uint8_t kind = request.size() > 2 ? request[2] : 0xFF;
  const Bytes data(request.begin() + std::min<std::ptrdiff_t>(3, std::ssize(request)),
                   request.end());
  if (kind == 0) {
    const std::uint32_t size = platform::ReadLE32(data, 0);
    const std::uint8_t type = data.size() > 6 ? data[6] : 0;
    if (size < kHeaderSize || size > kMaxFileSize || data.size() < kHeaderSize) {
      reply.notes.push_back("header packet claims FileSize " + std::to_string(size) + "; refused");
      reply.endConnection = true;
      return reply;
    }
    const auto slot = AreaSlot(type);
    if (!slot) {
      reply.notes.push_back("header packet for unknown area " + Hex(type) + "; refused");
      reply.endConnection = true;
      return reply;
    }
    if (upload_) reply.notes.push_back("new header packet; unfinished upload discarded");
    if (type != kFirmwareArea && !firmwareParts_.empty()) {
      reply.notes.push_back("firmware chain abandoned for another upload");
      firmwareParts_.clear();
    }
    Upload upload;
    upload.file = data;
    upload.size = size;
    if (type == kFirmwareArea) {
      if (firmwareParts_.empty()) firmwarePartsExpected_ = data[5] + 1u;
      std::size_t chain = size;
      for (const Bytes& part : firmwareParts_) chain += part.size();
      if (chain > kMaxFirmwareChain) {
        reply.notes.push_back("firmware chain grows past " + std::to_string(kMaxFirmwareChain) +
                              " bytes; refused");
        reply.endConnection = true;
        upload_.reset();
        firmwareParts_.clear();
        return reply;
      }
    } else {
      std::size_t used = size;
      for (const Bytes& file : memory_[*slot].files) used += file.size();
      upload.keep = memory_[*slot].files.size() < kMaxFilesPerArea && used <= kMaxAreaBytes;
    }
    upload_ = std::move(upload);
    return reply;
  }
  if (!upload_) {
    reply.notes.push_back("content packet without a header packet; ignored");
    return reply;
  }
  if (kind == 1 && data.size() > RemainingContent()) {
    reply.notes.push_back("content packet runs past FileSize " + std::to_string(upload_->size) +
                          "; upload discarded");
    upload_.reset();
    firmwareParts_.clear();
    return reply;
  }
  upload_->file.insert(upload_->file.end(), data.begin(), data.end());
  if (kind != 2) return reply;
  if (upload_->file.size() < upload_->size) {
    reply.notes.push_back("last packet leaves the file " +
                          std::to_string(upload_->size - upload_->file.size()) +
                          " bytes short; upload discarded");
    upload_.reset();
    firmwareParts_.clear();
    return reply;
  }
  CompleteUpload(reply);
  return reply;
}

void DeviceModel::CompleteUpload(Reply& reply) {
  Upload upload = std::move(*upload_);
  upload_.reset();
  busyLeft_ = settings_.busyPolls;
  const std::uint8_t type = upload.file[6];
  if (!upload.keep) {
    reply.notes.push_back("area " + Hex(type) + " is full; file not stored");
    return;
  }
  if (type != kFirmwareArea) {
    StoreFile(type, std::move(upload.file), reply);
    return;
  }
  firmwareParts_.push_back(std::move(upload.file));
  if (firmwareParts_.size() < firmwarePartsExpected_) return;
  AreaContent& firmware = memory_[*AreaSlot(kFirmwareArea)];
  firmware.files = std::move(firmwareParts_);
  firmware.defaultIndex = 1;
  firmwareParts_.clear();
  firmwarePartsExpected_ = 0;
  const auto [major, minor] = FirmwareVersion();
  reply.notes.push_back("firmware " + std::to_string(major) + "." + std::to_string(minor) +
                        " installed; restarting when the link ends");
  reply.changedAreas.push_back(kFirmwareArea);
  reply.restart = true;
}

void DeviceModel::StoreFile(std::uint8_t area, Bytes file, Reply& reply) {
  AreaContent& content = memory_[*AreaSlot(area)];
  if (file[5] != kFactoryMark) {
    content.files.push_back(std::move(file));
  } else {
    // Factory items stay in front of added ones, which is how every directory is read.
    const auto firstAdded = std::find_if(content.files.begin(), content.files.end(),
                                         [](const Bytes& f) { return f[5] != kFactoryMark; });
    const auto at = static_cast<std::size_t>(firstAdded - content.files.begin());
    content.files.insert(firstAdded, std::move(file));
    if (content.defaultIndex > at) ++content.defaultIndex;
    if (at + 1 < content.files.size()) {
      reply.notes.push_back("factory item stored at position " + std::to_string(at + 1));
    }
  }
  if (content.defaultIndex == 0) content.defaultIndex = 1;
  reply.changedAreas.push_back(area);
}

Reply DeviceModel::HandleDefault(std::uint8_t area, std::uint8_t index) {
  Reply reply;
  const auto slot = AreaSlot(area);
  if (!slot || index < 1 || index > memory_[*slot].files.size()) {
    reply.notes.push_back("default " + std::to_string(index) + " for area " + Hex(area) +
                          " refused: no such item");
    return reply;
  }
  // Choosing the default again changes nothing, so there is nothing to save.
  if (memory_[*slot].defaultIndex == index) return reply;
  memory_[*slot].defaultIndex = index;
  reply.changedAreas.push_back(area);
  return reply;
}

Reply DeviceModel::HandleDelete(std::uint8_t area, std::uint8_t position) {
  Reply reply;
  busyLeft_ = settings_.busyPolls;
  const auto slot = AreaSlot(area);
  if (!slot || area == kFirmwareArea) {
    reply.notes.push_back("delete in area " + Hex(area) + " refused");
    return reply;
  }
  AreaContent& content = memory_[*slot];
  if (position < 1 || position > content.files.size()) {
    reply.notes.push_back("delete of item " + std::to_string(position) + " in area " + Hex(area) +
                          " refused: no such item");
    return reply;
  }
  if (content.files[position - 1u][5] == kFactoryMark) {
    reply.notes.push_back("delete of item " + std::to_string(position) + " in area " + Hex(area) +
                          " refused: factory item");
    return reply;
  }
  content.files.erase(content.files.begin() + (position - 1));
  // The default stays on its file. When that file goes, the device lands where the tool's own
  // catalogue puts the mark, so that neither has to read the other back: the first language,
  // or the picture that was second before the delete (now still second, unless it was the one
  // deleted or it moved up into first place).
  if (content.defaultIndex == position) {
    const bool secondSurvivesAsSecond = area == kPictureArea && position > 2;
    content.defaultIndex = content.files.empty() ? 0 : secondSurvivesAsSecond ? 2 : 1;
  } else if (content.defaultIndex > position) {
    --content.defaultIndex;
  }
  reply.changedAreas.push_back(area);
  return reply;
}

std::pair<std::uint8_t, std::uint8_t> DeviceModel::FirmwareVersion() const {
  const AreaContent& firmware = memory_[*AreaSlot(kFirmwareArea)];
  if (firmware.files.empty()) return {0, 0};
  return {firmware.files.front()[11], firmware.files.front()[10]};
}

}  // namespace devsim
