// The 16-byte name a picture gets on the device, made from the name it has on the PC.
#pragma once

#include <QByteArray>

#include "devicefiles/FileHeader.h"

// Drops a trailing extension with its dot (a dot and one to four letters or digits), pads with
// zero bytes and keeps the first 16 bytes: "diver.bmp" gives "diver" and eleven zero bytes,
// "Turtle" stays "Turtle". A text with a 0x13 character loses the four characters before the
// first one and everything after. A text that would lose every character keeps its first 16
// bytes as they are; only an empty text gives sixteen zero bytes.
TFileHeader::TName DeviceName(const QByteArray& singleByteText);

// The header of a picture upload, named after `singleByteText` as DeviceName() makes it: size
// 2592, an added item of the picture area, version 1.0, no checksum.
void SetPictureUploadHeader(TFileHeader& header, const QByteArray& singleByteText);
