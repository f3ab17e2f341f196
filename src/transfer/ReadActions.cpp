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
  // Whatever an earlier (failed) attempt brought in is not this attempt's; a request that did
  // nothing or failed stores nothing.
  host.ClearFiles();

  const int count = host.CatalogueCount();
  host.SetProgressMaximum(count + 2);
  ReadArea(requests, info, kTypePicture);
  for (int i = 0; i < count && requests.Active(); ++i) {
    const std::array<std::uint8_t, 3> param = host.FileRequestParam(i);
    info.FileParam = param[0] | (std::uint32_t{param[1]} << 8) | (std::uint32_t{param[2]} << 16);
    if (requests.RequestReply(LowThreeBytes(info.FileParam), CommandTable()[kFileCommand], 0,
                              info.FileReply)) {
      host.StoreFile(i, info.FileReply);
    }
    host.ProcessEvents();
  }
}

}  // namespace

void RunReadAction(TRequestPrimitives& requests, TDeviceInfo& info) {
  switch (requests.Host().CurrentAction()) {
    case TAction::ReadLanguages:
      ReadArea(requests, info, kTypeLanguage);
      ReadDirectory(requests, info, kTypeLanguage);
      break;
    case TAction::ReadPictureDir:
      ReadDirectory(requests, info, kTypePicture);
      break;
    case TAction::ReadAllPictures:
      ReadAllPictures(requests, info);
      break;
    case TAction::None:
      break;
    default:
      requests.Host().Notify(TNoticeKind::Notice, TText::UnsupportedAction);
      break;
  }
}

void RunReadActions(TDynaIrDA& link, TDeviceInfo& info, TTransferHost& host) {
  TRequestPrimitives requests(link, host);
  if (CheckIdentity(requests, info)) RunReadAction(requests, info);
}
