// The import command of the Languages and Software pages: the file dialog, the file read whole
// into the import buffer, the type test and the two error boxes.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "devicefiles/PackageFile.h"

class QWidget;

struct TPackageImport {
  QString FileName;  // the chosen file's name, without its folder
  TPackageFields Fields;
  platform::Bytes Data;  // the file as it was read
};

enum class TPackageImportResult { Imported, Cancelled, Refused, Unreadable };

// Asks for a file of `type` (kTypeLanguage: "*.bin", kTypeFirmware: "*.enc") and reads it whole
// into import.Data. Imported: `import` holds what the page shows. Refused (wrong type, a size
// field past the end, or a file too large to be a package, which is not read: Data empty): the
// error box has been shown; the page resets its panels and disables its write command.
// Unreadable: the error box has been shown; the page keeps what it showed. Cancelled: nothing
// changed. Neither of these two touches `import`.
TPackageImportResult ImportPackage(std::uint8_t type, QWidget* parent, TPackageImport& import);
