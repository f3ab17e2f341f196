#include "transfer/ReadActions.h"

#include <array>
#include <span>
#include <vector>

bool ReadArea(TRequestPrimitives& requests, TDeviceInfo& info, std::uint8_t type) {
  const std::array<std::uint8_t, 1> param = {type};
  return requests.RequestReply(param, CommandTable()[kAreaCommand], info.AreaReply.size(),
                               std::span(info.AreaReply));
}

bool ReadDirectory(TRequestPrimitives& requests, TDeviceInfo& info, std::uint8_t type) {
  info.DirParam = 0xFFu | (std::uint32_t{type} << 8) | (0xFFu << 16);
  return requests.RequestReply(LowThreeBytes(info.DirParam), CommandTable()[kDirectoryCommand], 0,
                               info.DirReply);
}

namespace {

void ReadAllPictures(TRequestPrimitives& requests, TDeviceInfo& info) {
  TTransferHost& host = requests.Host();
  std::vector<platform::Bytes>& rawFiles = host.RawFiles();
  // String i of the raw file list must be the file of catalogue entry i. Whatever an earlier
  // (failed) attempt left there belongs to no entry of this one, and a request that did nothing
  // or failed adds nothing; after a failure the list is short, never shifted.
  rawFiles.clear();

  const int count = host.CatalogueCount();
  host.SetProgressMaximum(count + 2);
  ReadArea(requests, info, kTypePicture);
  for (int i = 0; i < count && requests.Active(); ++i) {
    const std::array<std::uint8_t, 3> param = host.FileRequestParam(i);
    info.FileParam = param[0] | (std::uint32_t{param[1]} << 8) | (std::uint32_t{param[2]} << 16);
    if (requests.RequestReply(LowThreeBytes(info.FileParam), CommandTable()[kFileCommand], 0,
                              info.FileReply)) {
      rawFiles.push_back(info.FileReply);
    }
    host.ProcessEvents();
  }
}

}  // namespace

void RunReadAction(TRequestPrimitives& requests, TDeviceInfo& info) {
  switch (requests.Host().CurrentActionCode()) {
    case kReadLanguagesAction:
      ReadArea(requests, info, kTypeLanguage);
      ReadDirectory(requests, info, kTypeLanguage);
      break;
    case kReadPictureDirAction:
      ReadDirectory(requests, info, kTypePicture);
      break;
    case kReadAllPicturesAction:
      ReadAllPictures(requests, info);
      break;
    case kNoAction:
      break;
    default:
      requests.Host().Notify(TNoticeKind::Notice, kUnsupportedActionText);
      break;
  }
}

void RunReadActions(TDynaIrDA& link, TDeviceInfo& info, TTransferHost& host) {
  TRequestPrimitives requests(link, host);
  if (CheckIdentity(requests, info)) RunReadAction(requests, info);
}
