// The 16-byte name a picture gets on the device, made from the name it has on the PC.
#pragma once

#include <QByteArray>

#include "devicefiles/FileHeader.h"

// Drops the extension with its dot (the last four characters before the first 0x13 character,
// or before the end) by zeroing from there on, pads with zero bytes and keeps the first 16 bytes:
// "diver.bmp" gives "diver" and eleven zero bytes, a text shorter than four characters sixteen.
TFileHeader::TName DeviceName(const QByteArray& singleByteText);

// The header of a picture upload, named after `singleByteText` as DeviceName() makes it: size
// 2592, an added item of the picture area, version 1.0, no checksum.
void SetPictureUploadHeader(TFileHeader& header, const QByteArray& singleByteText);
