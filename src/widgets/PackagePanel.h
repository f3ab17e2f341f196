// PackagePanel: the PC side of the Languages and Software pages: a group box holding the fields
// of the imported package file, each caption above its value, and the import button at the foot.
#pragma once

#include <QGroupBox>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "platform/ByteOrder.h"
#include "texts/TextIds.h"

class QLabel;
class QPushButton;

class TPackagePanel : public QGroupBox {
  Q_OBJECT

 public:
  // What a value field shows of the imported file.
  enum class TField { FileName, Name, Version, Size, Checksum };
  // One field: its caption's object name and text, and its value panel's object name.
  struct TRow {
    TField Field;
    const char* CaptionName;
    TText Caption;
    const char* PanelName;
  };

  // Design sizes at 96 dots per inch.
  static constexpr int kDesignWidth = 250;
  static constexpr int kImportButtonWidth = 130;

  // The fields top down as `rows` lists them, each showing "---"; `f` is the screen's dots per
  // inch / 96.
  TPackagePanel(QWidget* parent, const char* name, std::span<const TRow> rows,
                const char* buttonName, TText buttonCaption, double f);

  // The group's title, the captions and the button's caption from the text table.
  void ApplyTexts();

  // For pages that keep pointers of their own to the group's controls: the captions and the
  // value panels, row by row.
  void Expose(std::initializer_list<QLabel**> captions,
              std::initializer_list<QLabel**> panels) const;
  QPushButton* ImportButton() const { return importButton_; }

  // Asks for a package file of `type` (the page the group is on owns the dialog and the boxes).
  // Imported: its fields are shown, `package` holds the file and `writeButton` is enabled.
  // Refused: nothing imported before may be written now: `package` emptied, every field back to
  // "---", `writeButton` disabled. Unreadable or cancelled: nothing changes.
  void Import(std::uint8_t type, QWidget* writeButton, platform::Bytes& package);
  // Every field back to "---".
  void Reset();

 private:
  struct TShownRow {
    TRow Row;
    QLabel* Caption;
    QLabel* Panel;
  };
  std::vector<TShownRow> rows_;
  TText buttonCaption_;
  QPushButton* importButton_;
};
