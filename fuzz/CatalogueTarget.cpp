// The directory reply into the catalogue, and a delete retry that compares the directory read
// before with the one read now.
//
// Input: area type (1 byte), fallback index (1 byte, signed), area reply (4 bytes), selection
// mask (8 bytes: place i is selected when bit i % 64 is set), split (2 bytes), then the replies:
// the bytes before the split are the directory read before, the rest the one read now.
#include <algorithm>
#include <set>

#include "FuzzChecks.h"
#include "devicefiles/Catalogue.h"
#include "devicefiles/FileMatching.h"

namespace {

constexpr std::size_t kLengthField = 4;

// What a reply must give, computed apart from the catalogue: the whole headers inside both the
// reply and its length field, at most kMaxEntries.
std::size_t ExpectedCount(std::span<const std::uint8_t> reply) {
  if (reply.size() < kLengthField) return 0;
  const std::uint64_t claimed =
      reply[0] | reply[1] << 8 | reply[2] << 16 | std::uint64_t{reply[3]} << 24;
  const std::uint64_t usable = std::min<std::uint64_t>(claimed, reply.size());
  if (usable < kLengthField) return 0;
  return std::min<std::uint64_t>((usable - kLengthField) / TFileHeader::kRawSize,
                                 TCatalogue::kMaxEntries);
}

// Builds `catalogue`, which may hold an earlier directory, from `reply`.
void CheckCatalogue(TCatalogue& catalogue, std::span<const std::uint8_t> reply,
                    std::uint8_t areaType, std::span<const std::uint8_t> areaReply, int fallback) {
  const std::vector<TRawHeader> headers = TCatalogue::ListedHeaders(reply);
  FUZZ_CHECK(headers.size() == ExpectedCount(reply));
  for (std::size_t i = 0; i < headers.size(); ++i) {
    FUZZ_CHECK(std::equal(headers[i].begin(), headers[i].end(),
                          reply.begin() + kLengthField + i * TFileHeader::kRawSize));
  }

  // The files of an earlier directory go with its entries.
  if (catalogue.CatalogueCount() > 0) catalogue.SetFile(0, platform::Bytes(1, 0));
  const TCatalogue::TLanguageNames names = catalogue.BuildCatalogue(reply, areaType);
  const int count = catalogue.CatalogueCount();
  FUZZ_CHECK(count == static_cast<int>(headers.size()));
  FUZZ_CHECK(catalogue.FileCount() == 0);
  const qsizetype listed = names.Factory.size() + names.Added.size();
  FUZZ_CHECK(listed == (areaType == kTypeLanguage ? count : 0));
  for (int i = 0; i < count; ++i) {
    const TFileHeader* entry = catalogue.Entry(i);
    FUZZ_CHECK(entry && entry->Position == i + 1 && entry->DirIndex == i);
    FUZZ_CHECK(entry->ListedHeader == headers[static_cast<std::size_t>(i)]);
    const auto param = catalogue.FileRequestParam(i);
    FUZZ_CHECK(param[0] == 0xFF && param[1] == entry->TypeCode && param[2] == i + 1);
  }
  FUZZ_CHECK(catalogue.Entry(count) == nullptr && catalogue.Entry(-1) == nullptr);

  const int named = static_cast<int>(platform::ReadLE(areaReply.data(), areaReply.size(), 2, 2));
  const bool marked = catalogue.MarkDefault(areaReply, fallback);
  FUZZ_CHECK(marked == (named >= 1 && named <= count));
  const int position = catalogue.DefaultPosition();
  if (marked) FUZZ_CHECK(position == named);
  if (!marked) FUZZ_CHECK(position == (fallback >= 0 && fallback < count ? fallback + 1 : 0));
}

// Entries removed and added keep their places numbered 1, 2, ... and the catalogue within its
// limit.
void CheckEditing(TCatalogue& catalogue) {
  const int count = catalogue.CatalogueCount();
  FUZZ_CHECK(catalogue.RemoveEntry(count / 2) == (count > 0));
  FUZZ_CHECK(!catalogue.RemoveEntry(count));
  const TFileHeader* added = catalogue.AppendEntry();
  const int now = catalogue.CatalogueCount();
  FUZZ_CHECK(now <= TCatalogue::kMaxEntries);
  if (added) FUZZ_CHECK(added->Position == now && catalogue.Entry(now - 1) == added);
  for (int i = 0; i < now; ++i) FUZZ_CHECK(catalogue.Entry(i)->Position == i + 1);
}

void CheckDeleteRetry(std::span<const TRawHeader> before, std::uint64_t mask,
                      std::span<const TRawHeader> now) {
  std::vector<int> selected;
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (mask >> (i % 64) & 1) selected.push_back(static_cast<int>(i));
  }
  const TDeleteRetryPlan plan = PlanDeleteRetry(before, selected, now);
  FUZZ_CHECK(std::is_sorted(plan.Remaining.begin(), plan.Remaining.end()));
  FUZZ_CHECK(std::set<int>(plan.Remaining.begin(), plan.Remaining.end()).size() ==
             plan.Remaining.size());
  FUZZ_CHECK(plan.Remaining.size() <= selected.size());
  for (const int place : plan.Remaining) {
    FUZZ_CHECK(place >= 0 && static_cast<std::size_t>(place) < now.size());
  }
  if (plan.Consistent) {
    // The highest selected files are gone, the others kept their places.
    const std::size_t gone = before.size() - now.size();
    FUZZ_CHECK(before.size() >= now.size() && gone <= selected.size());
    FUZZ_CHECK(std::equal(plan.Remaining.begin(), plan.Remaining.end(), selected.begin()));
    FUZZ_CHECK(plan.Remaining.size() == selected.size() - gone);
  } else {
    // Every file planned is one of the selected ones, found by its header.
    for (const int place : plan.Remaining) {
      const TRawHeader& file = now[static_cast<std::size_t>(place)];
      FUZZ_CHECK(std::any_of(selected.begin(), selected.end(), [&](int index) {
        return SameDeviceFile(before[static_cast<std::size_t>(index)], file);
      }));
    }
  }

  // An upload is recognised only as the last of one file more.
  if (!now.empty()) {
    FUZZ_CHECK(UploadStored(now.size() - 1, now.back(), now));
    FUZZ_CHECK(!UploadStored(now.size(), now.back(), now));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::TInput input(data, size);
  const std::uint8_t areaType = input.Byte();
  const int fallback = static_cast<std::int8_t>(input.Byte());
  const std::span<const std::uint8_t> areaReply = input.Take(4);
  const std::uint64_t mask = input.Quad();
  const std::size_t split = std::min<std::size_t>(input.Word(), input.Rest().size());
  const std::span<const std::uint8_t> before = input.Rest().first(split);
  const std::span<const std::uint8_t> now = input.Rest().subspan(split);

  TCatalogue catalogue;
  CheckCatalogue(catalogue, before, areaType, areaReply, fallback);
  CheckCatalogue(catalogue, now, areaType, areaReply, fallback);
  CheckEditing(catalogue);
  CheckDeleteRetry(TCatalogue::ListedHeaders(before), mask, TCatalogue::ListedHeaders(now));
  return 0;
}
