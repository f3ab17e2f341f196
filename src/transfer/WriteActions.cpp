#include "transfer/WriteActions.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace {

// Every device file starts with its raw header.
constexpr std::size_t kHeaderBytes = TFileHeader::kRawSize;

// First byte of a block packet.
constexpr std::uint8_t kHeaderPacket = 0x00;
constexpr std::uint8_t kContentPacket = 0x01;
constexpr std::uint8_t kLastPacket = 0x02;

// Quiet identity polls keep the device's receiver in step during long uploads; firmware parts
// are large enough that the device tolerates longer runs between them.
constexpr int kFilePollInterval = 20;
constexpr int kFirmwarePollInterval = 100;

// Header offsets read here.
constexpr std::size_t kAddedMarkOffset = 5;
constexpr std::size_t kMinorOffset = 10;
constexpr std::size_t kMajorOffset = 11;
// The first header of a directory reply follows its 4-byte length.
constexpr std::size_t kDirectoryHeaderOffset = 4;

bool SendBlock(TRequestPrimitives& requests, std::uint8_t kind,
               std::span<const std::uint8_t> bytes) {
  platform::Bytes packet;
  packet.reserve(bytes.size() + 1);
  packet.push_back(kind);
  packet.insert(packet.end(), bytes.begin(), bytes.end());
  return requests.SendCommand(packet, CommandTable()[kBlockCommand]);
}

bool SendHeader(TRequestPrimitives& requests, const platform::Bytes& source, std::size_t offset) {
  return SendBlock(requests, kHeaderPacket, std::span(source).subspan(offset, kHeaderBytes));
}

// A package or upload that claims more bytes than it holds is refused before anything goes out:
// the device would otherwise store a file padded with whatever lay beyond the buffer.
void RefuseInvalidFile(TTransferHost& host) {
  host.Notify(TNoticeKind::Error, TText::InvalidFile);
  host.SetProgressPosition(0);
}

// The file size a header at `offset` claims, when the header and everything it claims lie
// inside `data`.
std::optional<std::size_t> HeldFileSize(const platform::Bytes& data, std::size_t offset) {
  if (offset > data.size() || data.size() - offset < kHeaderBytes) return std::nullopt;
  const std::size_t size = platform::ReadLE32(data, offset);
  if (size < kHeaderBytes || size > data.size() - offset) return std::nullopt;
  return size;
}

// The sizes of the firmware chain's parts, when every part the first header announces is held.
std::optional<std::vector<std::size_t>> FirmwarePartSizes(const platform::Bytes& package) {
  if (package.size() < kHeaderBytes) return std::nullopt;
  const std::size_t parts = package[kAddedMarkOffset] + 1u;
  std::vector<std::size_t> sizes;
  std::size_t offset = 0;
  for (std::size_t j = 0; j < parts; ++j) {
    const std::optional<std::size_t> size = HeldFileSize(package, offset);
    if (!size) return std::nullopt;
    sizes.push_back(*size);
    offset += *size;
  }
  return sizes;
}

TWriteOutcome SentOutcome(bool lastPacketSent) {
  return lastPacketSent ? TWriteOutcome::LastPacketSent : TWriteOutcome::Incomplete;
}

TWriteOutcome WriteLanguage(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  const std::optional<std::size_t> size = HeldFileSize(info.Package, 0);
  if (!size) {
    RefuseInvalidFile(host);
    return TWriteOutcome::Refused;
  }
  ReadArea(requests, info, kTypeLanguage);
  host.SetProgressMaximum(static_cast<int>(*size / kContentPacketBytes + 4));
  // The device lists an item as the user's own only by this mark; imported files carry the
  // factory value.
  info.Package[kAddedMarkOffset] = 0xFF;
  SendHeader(requests, info.Package, 0);
  const bool sent = SendContent(requests, *size - kHeaderBytes, kHeaderBytes + 1, kFilePollInterval,
                                info.Package);
  requests.WaitReady(info);
  return SentOutcome(sent);
}

TWriteOutcome WritePicture(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  const platform::Bytes& header = info.HeaderPacket;
  const std::size_t size = header.size() >= kHeaderBytes ? platform::ReadLE32(header, 0) : 0;
  if (size < kHeaderBytes || size - kHeaderBytes > info.PixelData.size()) {
    RefuseInvalidFile(host);
    return TWriteOutcome::Refused;
  }
  ReadArea(requests, info, kTypePicture);
  host.SetProgressMaximum(static_cast<int>(size / kContentPacketBytes + 2));
  SendHeader(requests, header, 0);
  const bool sent =
      SendContent(requests, size - kHeaderBytes, 1, kFilePollInterval, info.PixelData);
  // The last packets get no answer: only a ready answer after them shows that the link held to
  // the end. A loss found here is retried, and the retry finds out first whether the device
  // stored the picture.
  requests.WaitReady(info);
  return SentOutcome(sent);
}

// Older firmware than the device runs is refused, except for the pairs (file on device) that
// the maker allows as downgrades.
bool FirmwareAllowed(std::uint8_t fileMajor, std::uint8_t fileMinor, std::uint8_t deviceMajor,
                     std::uint8_t deviceMinor) {
  struct Pair {
    std::uint8_t fileMajor, fileMinor, deviceMajor, deviceMinor;
  };
  constexpr std::array<Pair, 3> kAlwaysAllowed = {{{1, 7, 5, 1}, {2, 1, 5, 1}, {2, 1, 6, 2}}};
  for (const Pair& p : kAlwaysAllowed) {
    if (p.fileMajor == fileMajor && p.fileMinor == fileMinor && p.deviceMajor == deviceMajor &&
        p.deviceMinor == deviceMinor) {
      return true;
    }
  }
  return !(fileMajor < deviceMajor || (fileMajor == deviceMajor && fileMinor < deviceMinor));
}

void EndFirmwareEarly(TTransferHost& host) {
  host.SetProgressPosition(0);
  host.RestoreCursor();
}

void WriteFirmware(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  // Checked before the version gate so that nothing at all is exchanged for a broken file, and
  // the gate's reads of the package's version bytes are inside the header.
  const std::optional<std::vector<std::size_t>> parts = FirmwarePartSizes(info.Package);
  if (!parts) {
    RefuseInvalidFile(host);
    host.RestoreCursor();
    return;
  }

  if (!ReadDirectory(requests, info, kTypeFirmware)) return;
  // A device without firmware lists no header; its version then reads as 0.0, which lets any
  // file through rather than locking the device out of its only repair.
  const std::uint8_t deviceMajor = static_cast<std::uint8_t>(platform::ReadLE(
      info.DirReply.data(), info.DirReply.size(), kDirectoryHeaderOffset + kMajorOffset, 1));
  const std::uint8_t deviceMinor = static_cast<std::uint8_t>(platform::ReadLE(
      info.DirReply.data(), info.DirReply.size(), kDirectoryHeaderOffset + kMinorOffset, 1));
  const std::uint8_t fileMajor = info.Package[kMajorOffset];
  const std::uint8_t fileMinor = info.Package[kMinorOffset];

  if (!FirmwareAllowed(fileMajor, fileMinor, deviceMajor, deviceMinor)) {
    host.Notify(TNoticeKind::Warning, TText::InvalidFile);
    EndFirmwareEarly(host);
    return;
  }
  if (fileMajor == deviceMajor && fileMinor == deviceMinor &&
      !host.AskYesNo(TText::SameFirmwareQuestion)) {
    EndFirmwareEarly(host);
    return;
  }

  if (!requests.ReadReply(std::span(&info.Battery, 1), 1, CommandTable()[kBatteryCommand])) {
    return;
  }
  if (info.Battery < kMinimumBattery) {
    host.RestoreCursor();
    host.Notify(TNoticeKind::Warning, TText::LowBattery);
    host.SetProgressPosition(0);
    return;
  }
  requests.WaitReady(info);

  std::size_t total = 0;
  for (std::size_t size : *parts) total += size;
  const int maximum = static_cast<int>(total / kContentPacketBytes + 10);
  host.SetProgressMaximum(maximum);

  std::size_t offset = 0;
  for (std::size_t j = 1; j <= parts->size(); ++j) {
    const std::size_t size = (*parts)[j - 1];
    SendHeader(requests, info.Package, offset);
    requests.WaitReady(info);
    SendContent(requests, size - kHeaderBytes, offset + kHeaderBytes + 1, kFirmwarePollInterval,
                info.Package);
    offset += size;
    // The flag tells the window the device is about to restart; a part that never went out
    // must not raise it.
    if (!requests.Active()) return;
    info.Identity = 0;
    if (j < parts->size()) requests.WaitReady(info);
    host.SetLastPartSent(j == parts->size());
  }
  // The steps taken depend on the part sizes and on how often the device reports busy, so they
  // seldom come to the maximum exactly; rather than stop short, the bar is full once all is out.
  host.SetProgressPosition(maximum);
}

void DeleteFiles(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  const std::vector<std::uint32_t> list = host.BuildDeleteList();
  host.SetProgressPosition(0);
  host.SetProgressMaximum(static_cast<int>(list.size()) + 1);
  // Highest position first: deleting a file moves every later one down by one.
  for (auto entry = list.rbegin(); entry != list.rend(); ++entry) {
    info.FileParam = *entry & 0x00FFFFFFu;
    std::array<std::uint8_t, 4> param{};
    platform::WriteLE(param.data(), 0, info.FileParam, 4);
    requests.SendCommand(param, CommandTable()[kDeleteCommand]);
  }
  requests.WaitReady(info);
}

void CleanUpMemory(TRequestPrimitives& requests, TDeviceInfo& info) {
  std::array<std::uint8_t, 4> param{};
  platform::WriteLE(param.data(), 0, info.FileParam, 4);
  requests.SendCommand(param, CommandTable()[kCleanUpCommand]);
  // The program ends after this, whatever the device answers: it tidies its memory on its own,
  // and a device that never reports ready must not hold the diver's exit for a minute.
  requests.WaitReady(info, kCleanUpReadyPolls);
  // The clean-up is the program's last act once a device has answered: a failed link here is
  // not worth keeping the program open for.
  requests.Host().RequestTerminate();
}

void SetDefault(TRequestPrimitives& requests, std::uint8_t type) {
  const std::array<std::uint8_t, 3> param = {
      0xFF, type, static_cast<std::uint8_t>(requests.Host().DefaultPosition())};
  requests.SendCommand(param, CommandTable()[kDefaultCommand]);
}

}  // namespace

bool SendContent(TRequestPrimitives& requests, std::size_t count, std::size_t start,
                 int pollInterval, const platform::Bytes& source) {
  if (start < 1 || start - 1 > source.size() || count > source.size() - (start - 1)) {
    return false;
  }
  const std::span<const std::uint8_t> bytes = std::span(source).subspan(start - 1, count);
  std::size_t at = 0;
  int sincePoll = 0;
  std::uint8_t scratch = 0;
  while (bytes.size() - at > kContentPacketBytes && requests.Active()) {
    SendBlock(requests, kContentPacket, bytes.subspan(at, kContentPacketBytes));
    if (sincePoll == pollInterval) {
      requests.PollReply(std::span(&scratch, 1), 1, CommandTable()[kIdentityCommand]);
      sincePoll = 0;
    } else {
      ++sincePoll;
    }
    at += kContentPacketBytes;
    requests.Host().ProcessEvents();
  }
  if (!requests.Active()) return false;
  return SendBlock(requests, kLastPacket, bytes.subspan(at));
}

TWriteOutcome RunWriteAction(TRequestPrimitives& requests, TDeviceInfo& info) {
  switch (requests.Host().CurrentAction()) {
    case TAction::WriteLanguage:
      return WriteLanguage(requests, info);
    case TAction::WritePicture:
      return WritePicture(requests, info);
    case TAction::WriteFirmware:
      WriteFirmware(requests, info);
      break;
    case TAction::DeleteFiles:
      DeleteFiles(requests, info);
      break;
    case TAction::CleanUpMemory:
      CleanUpMemory(requests, info);
      break;
    case TAction::SetStartupPicture:
      SetDefault(requests, kTypePicture);
      break;
    case TAction::SetDefaultLanguage:
      SetDefault(requests, kTypeLanguage);
      break;
    case TAction::ReadLanguages:
    case TAction::ReadPictureDir:
    case TAction::None:
      break;
    default:
      requests.Host().Notify(TNoticeKind::Notice, TText::UnsupportedAction);
      break;
  }
  return TWriteOutcome::NoFile;
}

TWriteOutcome RunWriteActions(TDynaIrDA& link, TDeviceInfo& info, TTransferHost& host) {
  TRequestPrimitives requests(link, host);
  if (!CheckIdentity(requests, info)) return TWriteOutcome::NoFile;
  return RunWriteAction(requests, info);
}
