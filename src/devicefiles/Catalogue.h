// TCatalogue: what one area of the device stores, built from a directory reply, factory items
// first, then added items. The source of the parameters of every later command about a file.
#pragma once

#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devicefiles/FileHeader.h"
#include "platform/ByteOrder.h"

class TCatalogue {
 public:
  // The file command carries a file's position in one byte and Position and DirIndex are bytes,
  // so no more than this many entries can be addressed; entries beyond it are never kept.
  static constexpr int kMaxEntries = 255;

  // Names of a language directory for the page's two lists.
  struct TLanguageNames {
    QStringList Factory;  // AddedMark 0
    QStringList Added;
  };

  // Replaces the catalogue by the headers of `directoryReply` (bytes 0-3: the reply's length,
  // then one 32-byte header per entry). Only whole headers that the reply really holds are used,
  // and at most kMaxEntries of them; every entry belongs to `areaType`, whatever type byte its
  // header carries. No entry holds its file yet. For the language area the names are returned
  // for the lists; for other areas both lists are empty.
  TLanguageNames BuildCatalogue(std::span<const std::uint8_t> directoryReply,
                                std::uint8_t areaType);

  // The headers a directory reply lists, by the same rules as BuildCatalogue.
  static std::vector<TRawHeader> ListedHeaders(std::span<const std::uint8_t> directoryReply);

  // Marks the entry that the area reply names (bytes 2-3, 1-based) as default; other marks stay.
  // Returns false when no such entry exists, so the caller can report it; the fallback entry is
  // marked instead, if it exists.
  bool MarkDefault(std::span<const std::uint8_t> areaReply, int fallbackIndex);

  int CatalogueCount() const { return static_cast<int>(entries_.size()); }
  // 0xFF, the type code and the position of entry `index`; all zero for a missing entry.
  std::array<std::uint8_t, 3> FileRequestParam(int index) const;
  // The 1-based index of the last entry marked default, or 0 if none is.
  int DefaultPosition() const;
  // Makes `selected` the one entry marked default and returns the entry that was (the last one
  // marked), or `noneMarked` when none was. MoveDefault(previous, ...) undoes it.
  int MoveDefault(int selected, int noneMarked);
  void ClearCatalogue() { entries_.clear(); }

  // Entry `index`, or nullptr when there is none.
  TFileHeader* Entry(int index);
  const TFileHeader* Entry(int index) const;

  // The whole device file (header and content) of entry `index`, once read or uploaded; nullptr
  // before, and for a missing entry.
  const platform::Bytes* File(int index) const;
  // Gives entry `index` its file; does nothing for a missing entry.
  void SetFile(int index, platform::Bytes file);
  // Forgets every entry's file (the entries stay).
  void ClearFiles();
  // How many entries hold their file.
  int FileCount() const;

  // Adds `header` at the end, its Position set to its 1-based place; nullptr when the catalogue
  // is full.
  TFileHeader* AppendEntry(TFileHeader header = {});
  // Destroys entry `index` with its file; later entries move down one place and are renumbered.
  // DirIndex keeps naming the place in the directory reply. False when there is no such entry.
  bool RemoveEntry(int index);

 private:
  struct TEntry {
    TFileHeader Header;
    std::optional<platform::Bytes> File;
  };
  std::vector<TEntry> entries_;
};
