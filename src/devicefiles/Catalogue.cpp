#include "devicefiles/Catalogue.h"

#include <algorithm>

namespace {
constexpr std::size_t kLengthFieldSize = 4;
}

std::vector<TRawHeader> TCatalogue::ListedHeaders(std::span<const std::uint8_t> directoryReply) {
  // The length field is trusted only as far as the reply really reaches: a short or malformed
  // reply gives the whole headers it holds and nothing more.
  const std::size_t claimed = platform::ReadLE(directoryReply.data(), directoryReply.size(), 0, 4);
  const std::size_t usable = std::min(claimed, directoryReply.size());
  std::size_t count =
      usable < kLengthFieldSize ? 0 : (usable - kLengthFieldSize) / TFileHeader::kRawSize;
  count = std::min<std::size_t>(count, kMaxEntries);
  std::vector<TRawHeader> headers;
  headers.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    headers.push_back(RawHeaderOf(directoryReply.subspan(
        kLengthFieldSize + i * TFileHeader::kRawSize, TFileHeader::kRawSize)));
  }
  return headers;
}

TCatalogue::TLanguageNames TCatalogue::BuildCatalogue(std::span<const std::uint8_t> directoryReply,
                                                      std::uint8_t areaType) {
  const std::vector<TRawHeader> headers = ListedHeaders(directoryReply);
  entries_.clear();
  entries_.reserve(headers.size());

  TLanguageNames names;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    TFileHeader entry;
    entry.ParseRaw(headers[i]);
    // Every later command about the entry goes to the area whose directory listed it: a damaged
    // header's type byte must not send a file request or a delete into another area.
    entry.TypeCode = areaType;
    entry.ListedHeader = headers[i];
    entry.DirIndex = static_cast<std::uint8_t>(i);
    entry.Position = static_cast<std::uint8_t>(i + 1);
    if (areaType == kTypeLanguage) {
      (entry.AddedMark == 0 ? names.Factory : names.Added).append(entry.NameText());
    }
    entries_.push_back({std::move(entry), std::nullopt});
  }
  return names;
}

bool TCatalogue::MarkDefault(std::span<const std::uint8_t> areaReply, int fallbackIndex) {
  const int k = static_cast<int>(platform::ReadLE(areaReply.data(), areaReply.size(), 2, 2)) - 1;
  if (TFileHeader* entry = Entry(k)) {
    entry->DefaultFlag = 1;
    return true;
  }
  if (TFileHeader* fallback = Entry(fallbackIndex)) fallback->DefaultFlag = 1;
  return false;
}

std::array<std::uint8_t, 3> TCatalogue::FileRequestParam(int index) const {
  const TFileHeader* entry = Entry(index);
  if (!entry) return {0, 0, 0};
  return {0xFF, entry->TypeCode, entry->Position};
}

int TCatalogue::DefaultPosition() const {
  for (int i = CatalogueCount() - 1; i >= 0; --i) {
    if (entries_[i].Header.DefaultFlag == 1) return i + 1;
  }
  return 0;
}

int TCatalogue::MoveDefault(int selected, int noneMarked) {
  const int marked = DefaultPosition() - 1;
  for (TEntry& entry : entries_) entry.Header.DefaultFlag = 0;
  if (TFileHeader* entry = Entry(selected)) entry->DefaultFlag = 1;
  return marked >= 0 ? marked : noneMarked;
}

TFileHeader* TCatalogue::Entry(int index) {
  return index >= 0 && index < CatalogueCount() ? &entries_[index].Header : nullptr;
}

const TFileHeader* TCatalogue::Entry(int index) const {
  return index >= 0 && index < CatalogueCount() ? &entries_[index].Header : nullptr;
}

const platform::Bytes* TCatalogue::File(int index) const {
  if (index < 0 || index >= CatalogueCount() || !entries_[index].File) return nullptr;
  return &*entries_[index].File;
}

void TCatalogue::SetFile(int index, platform::Bytes file) {
  if (index >= 0 && index < CatalogueCount()) entries_[index].File = std::move(file);
}

void TCatalogue::ClearFiles() {
  for (TEntry& entry : entries_) entry.File.reset();
}

int TCatalogue::FileCount() const {
  return static_cast<int>(std::count_if(entries_.begin(), entries_.end(), [](const TEntry& entry) {
    return entry.File.has_value();
  }));
}

TFileHeader* TCatalogue::AppendEntry(TFileHeader header) {
  if (CatalogueCount() >= kMaxEntries) return nullptr;
  header.Position = static_cast<std::uint8_t>(CatalogueCount() + 1);
  entries_.push_back({std::move(header), std::nullopt});
  return &entries_.back().Header;
}

bool TCatalogue::RemoveEntry(int index) {
  if (!Entry(index)) return false;
  entries_.erase(entries_.begin() + index);
  for (int i = index; i < CatalogueCount(); ++i) {
    entries_[i].Header.Position = static_cast<std::uint8_t>(i + 1);
  }
  return true;
}
