#include "devicefiles/FileMatching.h"

#include <algorithm>

namespace {

int Occurrences(std::span<const TRawHeader> list, const TRawHeader& header) {
  return static_cast<int>(std::count_if(list.begin(), list.end(), [&](const TRawHeader& other) {
    return SameDeviceFile(other, header);
  }));
}

}  // namespace

TDeleteRetryPlan PlanDeleteRetry(std::span<const TRawHeader> before, std::span<const int> selected,
                                 std::span<const TRawHeader> now) {
  TDeleteRetryPlan plan;
  const std::ptrdiff_t gone =
      static_cast<std::ptrdiff_t>(before.size()) - static_cast<std::ptrdiff_t>(now.size());
  if (gone >= 0 && gone <= static_cast<std::ptrdiff_t>(selected.size())) {
    const std::span<const int> kept = selected.first(selected.size() - gone);
    const std::span<const int> deleted = selected.last(gone);
    std::size_t at = 0;
    bool same = true;
    for (std::size_t i = 0; i < before.size() && same; ++i) {
      if (std::find(deleted.begin(), deleted.end(), static_cast<int>(i)) != deleted.end()) continue;
      same = at < now.size() && SameDeviceFile(before[i], now[at]);
      ++at;
    }
    if (same && at == now.size()) {
      plan.Remaining.assign(kept.begin(), kept.end());
      return plan;
    }
  }

  // Something else changed the area: only files recognised beyond doubt are deleted.
  plan.Consistent = false;
  for (const int index : selected) {
    if (const std::optional<int> found = FindAgain(before, index, now)) {
      plan.Remaining.push_back(*found);
    }
  }
  std::sort(plan.Remaining.begin(), plan.Remaining.end());
  return plan;
}

std::optional<int> FindAgain(std::span<const TRawHeader> before, int index,
                             std::span<const TRawHeader> now) {
  if (index < 0 || static_cast<std::size_t>(index) >= before.size()) return std::nullopt;
  const TRawHeader& header = before[static_cast<std::size_t>(index)];
  if (Occurrences(before, header) != 1 || Occurrences(now, header) != 1) return std::nullopt;
  const auto found = std::find_if(now.begin(), now.end(), [&](const TRawHeader& other) {
    return SameDeviceFile(other, header);
  });
  return static_cast<int>(found - now.begin());
}

bool UploadStored(std::size_t countBefore, const TRawHeader& sent,
                  std::span<const TRawHeader> now) {
  return now.size() == countBefore + 1 && SameDeviceFile(now.back(), sent);
}
