#include "widgets/PackageImport.h"

#include <QFileInfo>

#include "devicefiles/FileHeader.h"
#include "texts/LangStrings.h"
#include "widgets/Prompts.h"

TPackageImportResult ImportPackage(std::uint8_t type, QWidget* parent, TPackageImport& import) {
  const bool language = type == kTypeLanguage;
  TFileDialogRequest request;
  request.Title =
      LangString(language ? TText::ImportLanguageDialogTitle : TText::ImportFirmwareDialogTitle);
  request.Filter = language ? LangString(TFixedText::LanguageFileFilter)
                            : LangString(TFixedText::FirmwareFileFilter);
  request.Parent = parent;
  const QString path = Prompts().OpenFileName(request);
  if (path.isEmpty()) return TPackageImportResult::Cancelled;

  platform::Bytes data;
  const auto refuse = [&] {
    Prompts().Error(LangString(TText::InvalidFile), TBeep::Error, parent);
    return TPackageImportResult::Refused;
  };
  switch (ReadPackageFile(path, data)) {
    case TPackageReadStatus::Read:
      break;
    case TPackageReadStatus::TooLarge:
      // Not a package at all, however it is named: refused like a file of another type. It is
      // open nowhere, so telling the diver to close it would be wrong.
      import.Data.clear();
      return refuse();
    case TPackageReadStatus::CannotOpen:
      Prompts().Error(LangString(TText::FileAlreadyOpen), TBeep::Error, parent);
      return TPackageImportResult::Unreadable;
  }
  import.Data = data;
  const std::optional<TPackageFields> fields = DescribePackage(data, type);
  if (!fields) return refuse();
  import.FileName = QFileInfo(path).fileName();
  import.Fields = *fields;
  return TPackageImportResult::Imported;
}
