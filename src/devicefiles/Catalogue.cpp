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
                                                      std::uint8_t areaType,
                                                      std::vector<platform::Bytes>& rawFiles) {
  const std::vector<TRawHeader> headers = ListedHeaders(directoryReply);
  if (headers.size() != entries_.size()) rawFiles.clear();
  entries_.clear();
  entries_.reserve(headers.size());

  TLanguageNames names;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    auto entry = std::make_unique<TFileHeader>();
    entry->ParseRaw(headers[i]);
    // Every later command about the entry goes to the area whose directory listed it: a damaged
    // header's type byte must not send a file request or a delete into another area.
    entry->SetTypeCode(areaType);
    entry->SetListedHeader(headers[i]);
    entry->SetDirIndex(static_cast<std::uint8_t>(i));
    entry->SetPosition(static_cast<std::uint8_t>(i + 1));
    if (areaType == kTypeLanguage) {
      (entry->AddedMark() == 0 ? names.Factory : names.Added).append(entry->NameText());
    }
    entries_.push_back(std::move(entry));
  }
  return names;
}

bool TCatalogue::MarkDefault(std::span<const std::uint8_t> areaReply, int fallbackIndex) {
  const int k = static_cast<int>(platform::ReadLE(areaReply.data(), areaReply.size(), 2, 2)) - 1;
  if (TFileHeader* entry = Entry(k)) {
    entry->SetDefaultFlag(1);
    return true;
  }
  if (TFileHeader* fallback = Entry(fallbackIndex)) fallback->SetDefaultFlag(1);
  return false;
}

std::array<std::uint8_t, 3> TCatalogue::FileRequestParam(int index) const {
  const TFileHeader* entry = Entry(index);
  if (!entry) return {0, 0, 0};
  return {0xFF, entry->TypeCode(), entry->Position()};
}

int TCatalogue::DefaultPosition() const {
  for (int i = CatalogueCount() - 1; i >= 0; --i) {
    if (entries_[i]->DefaultFlag() == 1) return i + 1;
  }
  return 0;
}

TFileHeader* TCatalogue::Entry(int index) {
  return index >= 0 && index < CatalogueCount() ? entries_[index].get() : nullptr;
}

const TFileHeader* TCatalogue::Entry(int index) const {
  return index >= 0 && index < CatalogueCount() ? entries_[index].get() : nullptr;
}

TFileHeader* TCatalogue::AppendEntry() {
  if (CatalogueCount() >= kMaxEntries) return nullptr;
  auto entry = std::make_unique<TFileHeader>();
  entry->SetPosition(static_cast<std::uint8_t>(CatalogueCount() + 1));
  entries_.push_back(std::move(entry));
  return entries_.back().get();
}

bool TCatalogue::RemoveEntry(int index) {
  if (!Entry(index)) return false;
  entries_.erase(entries_.begin() + index);
  for (int i = index; i < CatalogueCount(); ++i) {
    entries_[i]->SetPosition(static_cast<std::uint8_t>(i + 1));
  }
  return true;
}
