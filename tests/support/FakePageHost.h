// A window stand-in for the pages tested on their own: it records the transfers a page starts
// and the status texts it shows, and holds the catalogue the page reads.
#pragma once

#include <QString>
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/ByteOrder.h"
#include "transfer/TransferSession.h"
#include "widgets/PageHost.h"

namespace testsupport {

class FakePageHost : public TPageHost {
 public:
  bool detected = true;
  bool busy = false;
  struct TStart {
    TTransferRequest request;
    QString status;
  };
  std::vector<TStart> starts;
  QString statusPanels[3];
  bool deleteStarted = false;
  // What the transfers would keep: tests fill it from directory replies.
  TCatalogue catalogue;

  bool DeviceDetected() const override { return detected; }
  const TCatalogue& Catalogue() const override { return catalogue; }
  int MoveDefault(int selected, int noneMarked) override {
    return catalogue.MoveDefault(selected, noneMarked);
  }
  bool TransferBusy() const override { return busy; }
  bool StartAction(TTransferRequest request, const QString& status) override {
    starts.push_back({std::move(request), status});
    return true;
  }
  void SetStatusText(int panel, const QString& text) override { statusPanels[panel] = text; }
  void DeleteStarted() override { deleteStarted = true; }
};

// A directory reply naming `names` (factory first, then added) as the device sends it: files of
// `fileBytes` bytes of type `type`.
inline platform::Bytes DirectoryReply(const std::vector<std::pair<std::string, bool>>& names,
                                      std::uint32_t fileBytes, std::uint8_t type) {
  platform::Bytes reply;
  platform::AppendLE(reply, static_cast<std::uint32_t>(4 + 32 * names.size()), 4);
  for (const auto& [name, added] : names) {
    platform::Bytes header(32, 0);
    platform::WriteLE32(header, 0, fileBytes);
    header[5] = added ? 0xFF : 0;
    header[6] = type;
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), 16), header.begin() + 12);
    reply.insert(reply.end(), header.begin(), header.end());
  }
  return reply;
}

}  // namespace testsupport
