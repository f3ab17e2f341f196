// What a transfer does: the action codes by which the window starts every transfer, with their
// direction. The numbers are the ones the program has always used for them.
#pragma once

#include <cstdint>

enum class TAction : std::uint8_t {
  ReadLanguages = 1,        // the language area and directory
  ReadPictureDir = 2,       // the picture directory
  ReadAllPictures = 3,      // the picture area and every picture file
  WriteLanguage = 4,        // an imported language file
  WritePicture = 5,         // the picture the preview shows
  WriteFirmware = 6,        // an imported firmware file, part by part
  DeleteFiles = 8,          // the added files selected on the page shown
  CleanUpMemory = 9,        // the device's memory, before the program ends after a delete
  SetStartupPicture = 13,   // the picture marked default in the catalogue
  None = 14,                // before the first transfer; never started
  SetDefaultLanguage = 16,  // the language marked default in the catalogue
};

// Write actions change the device and light the write light; the others read.
constexpr bool IsWrite(TAction action) {
  switch (action) {
    case TAction::WriteLanguage:
    case TAction::WritePicture:
    case TAction::WriteFirmware:
    case TAction::DeleteFiles:
    case TAction::CleanUpMemory:
    case TAction::SetStartupPicture:
    case TAction::SetDefaultLanguage:
      return true;
    default:
      return false;
  }
}
