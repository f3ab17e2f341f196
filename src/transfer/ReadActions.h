// The read direction of a transfer: the identity check and then the read of the current action
// code (language directory, picture directory, every picture). Runs on the GUI thread inside the
// worker's synchronised call; talks to the window only through TTransferHost.
#pragma once

#include <cstdint>

#include "devicefiles/FileHeader.h"
#include "irda/DynaIrDA.h"
#include "transfer/DeviceInfo.h"
#include "transfer/RequestPrimitives.h"
#include "transfer/TransferHost.h"

// What the worker calls for a read transfer once connected: the identity check, then the read
// step of host.CurrentAction() if the check passed. A failure shows in link.LinkOk.
void RunReadActions(TDynaIrDA& link, TDeviceInfo& info, TTransferHost& host);

// The read step alone, for an identity that has been checked. Codes the read direction does not
// handle get the unsupported-action notice.
void RunReadAction(TRequestPrimitives& requests, TDeviceInfo& info);

// The area and directory reads, shared by both directions (`type` is one of the file-area type
// codes kTypeLanguage, kTypePicture, kTypeFirmware): the area reply of `type` into
// info.AreaReply; the directory of `type` into info.DirReply, its parameter kept in info.DirParam.
// True when the reply was taken.
bool ReadArea(TRequestPrimitives& requests, TDeviceInfo& info, std::uint8_t type);
bool ReadDirectory(TRequestPrimitives& requests, TDeviceInfo& info, std::uint8_t type);

// The write direction's entry point, RunWriteActions(link, info, host), follows the same shape:
// CheckIdentity, then the write step of the action code.
