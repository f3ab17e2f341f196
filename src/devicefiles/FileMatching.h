// Recognising files on the device again after a transfer failed half way. Positions move with
// every delete, so a retry never trusts the positions it knew before; it reads the directory
// again and finds its files there by their headers.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "devicefiles/FileHeader.h"

struct TDeleteRetryPlan {
  // 0-based places in the directory read now of the selected files still to delete, ascending.
  std::vector<int> Remaining;
  // False when the device holds something else than the files known before, less some of the
  // selected ones: then only files recognised beyond doubt are planned, and what was known of
  // the area is out of date.
  bool Consistent = true;
};

// `before` lists the area as it was when the delete was first sent, `selected` the 0-based places
// in it of the files to delete (ascending), `now` the area's directory read on retry. Deletes go
// out from the highest position down, so the files already gone are the highest selected ones;
// the others have kept their places.
TDeleteRetryPlan PlanDeleteRetry(std::span<const TRawHeader> before, std::span<const int> selected,
                                 std::span<const TRawHeader> now);

// The place in `now` of the file at `index` in `before`, when its header names exactly one file
// in each: anything else could be a file the user did not choose.
std::optional<int> FindAgain(std::span<const TRawHeader> before, int index,
                             std::span<const TRawHeader> now);

// True when the directory read now shows the upload `sent` stored: one file more than the
// `countBefore` the area held, and that last file is the one sent. Uploads are added at the end.
bool UploadStored(std::size_t countBefore, const TRawHeader& sent, std::span<const TRawHeader> now);
