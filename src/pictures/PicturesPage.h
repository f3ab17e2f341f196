// PicturesPage: the Pictures tab of the main window. Left: the PC side (image and text import,
// folder browser); middle: write button, grey-level controls and preview; right: the device's
// factory and added pictures.
#pragma once

#include <QImage>
#include <QModelIndex>
#include <QWidget>
#include <vector>

#include "picture/GreyLevels.h"
#include "picture/PictureCodec.h"
#include "pictures/FolderBrowser.h"
#include "pictures/TextImportPage.h"
#include "transfer/TransferSession.h"
#include "widgets/FileTypeIcons.h"
#include "widgets/PageHost.h"
#include "widgets/TabPages.h"

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;
class QSlider;
class QToolBar;
class QToolButton;
class QListWidgetItem;
class QTreeView;
class TFileHeader;
class TPageHost;

class PicturesPage : public QWidget,
                     public TTextPictureHost,
                     public TTransferResults,
                     public TWindowPage {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it. The folder browser
  // opens at `startFolder`, or in the user's pictures folder when it is empty. A deferred start
  // reads no folder and looks up no icon before FinishStart().
  explicit PicturesPage(double f = 1.0, QWidget* parent = nullptr, const QString& startFolder = {},
                        TPageStart start = TPageStart::Complete);
  ~PicturesPage() override;

  // The folder browser and the file list show the start folder (unless a folder is shown
  // already) and the tools get their icons. Once; the constructor calls it unless deferred.
  void FinishStart();

  // The window around the page; the page does nothing with the device without one.
  void SetHost(TPageHost* host) { host_ = host; }

  // Captions, hints and resting texts from the text table, on this page and its sub-pages.
  // The page's tab caption goes into windowTitle().
  void ApplyTexts();

  // The picture file types offered for import and export: shown text, mask (such as "*.BMP")
  // as item data, the first entry chosen.
  static void FillPictureFileTypes(QComboBox* box);

  // TWindowPage. Clear: no device pictures, no preview, no name, no count; leaving the page also
  // empties the text editor.
  void Shown() override { PicturesTabSheetShow(); }
  void Left() override;
  void Clear() override;
  void SetDevicePresent(bool present) override;
  void SetBusy(bool busy) override;
  // The grey-level sliders with their captions; the sliders go back to the middle.
  void EnableGreyControls(bool enabled);

  // The device's pictures. Catalogue entry i is factory item i, or added item i minus the number
  // of factory items.
  void AddDevicePicture(bool added, const QString& name, const QImage& picture);
  std::vector<int> SelectedAddedEntries() const;
  int SelectedCount() const;
  // After a delete: the added items of these catalogue entries (descending) go, nothing is
  // previewed or selected for writing, and the count shows the `pictures` left.
  void ShowDeleted(const std::vector<int>& entries, int pictures);
  // The status text for the pictures selected in the two device lists.
  QString SelectedPicturesText() const;
  // The write button follows the device, the transfers and the preview.
  void UpdateWriteButton();

  // Handlers.
  void PicturesTabSheetShow();
  void tsPictureImportShow();
  void FileListBoxClick(const QModelIndex& index);
  void ReadOnlyListBoxClick();
  void PicturesListBoxClick();
  void cbStartUpPicClick(bool checked);
  void WrdPicButtonClick();
  void SavePicFileButtonClick();
  void DeleteFileButtonClick();
  void GrayscaleSlideChange();

  // The picture ">>" writes, exactly the device's size: the preview shows it enlarged.
  const QImage& WorkingPicture() const { return workingPicture_; }
  // Shows `picture` in the preview as a picture made on the PC, to be written under `name`.
  void UsePicture(const QImage& picture, const QString& name);

  // TTransferResults.
  void PictureCountChanged(int count) override;
  void PictureWritten(const TFileHeader& upload) override;
  void PictureRead(const TFileHeader& entry) override;
  void EntriesDeleted(const std::vector<int>& indexes, bool defaultToFirst) override;

  // The import's own page state.
  // The device list clicked last is the list of added pictures.
  bool AdditionalListClicked = false;
  // The preview holds a picture made on the PC (imported or typed).
  bool PreviewFromPC = false;
  // The imported file's picture at its own size: the source of every slider step.
  QImage ImportedPicture;

  // TTextPictureHost.
  void ResetGreyControls() override { EnableGreyControls(false); }
  void PreviewMadeOnPC() override;
  void ShowPreview(bool shown) override;
  void ShowTextPicture(const QImage& textImage) override;
  void SetPictureName(const QString& name) override;
  QString CurrentFolder() const override;
  QImage PreviewPicture() const override;
  void ClearSelectionCount() override;
  bool TextPageInFront() const override;

  // Left column, top: the two import sub-pages.
  TTabPages* pgImport;
  QWidget* tsPictureImport;
  QLabel* lOriginPic;
  QLabel* pNoPreview;
  QLabel* TrueImage;
  QComboBox* FilterComboBox;
  QLabel* lPicFiles;
  QListView* FileListBox;
  QFileSystemModel* FileListModel;
  TextImportPage* tsTextImport;

  // Left column, bottom: the folder browser with its drive, tree and new-folder tools.
  TFolderBrowser* Panel3;

  // Middle column.
  QPushButton* WrdPicButton;
  QLabel* lGrayTitle;
  QFrame* pGray;
  QLabel* lBlack;
  QLabel* lGrey;
  QLabel* lWhite;
  QSlider* slBlack;
  QSlider* slGray;
  QSlider* slWhite;
  QLabel* lBright;
  QLabel* lDefault;
  QLabel* lDark;
  QLabel* lGreyPreview;
  QLabel* pGreyPreview;
  QLabel* ViewImage;
  QCheckBox* cbStartUpPic;
  QLabel* PicFilenameTntPanel;
  QPushButton* DeleteFileButton;
  QPushButton* SavePicFileButton;
  QLabel* NoPreviewImage;
  QLabel* DummyImage;

  // Right column: the device's pictures.
  QGroupBox* gbOrvanel;
  QLabel* lFactorySetPic;
  QListWidget* ReadOnlyListBox;
  QLabel* lPictureListbox;
  QListWidget* PicturesListBox;
  QLabel* NmbOfPixPanel;

  // Design sizes at 96 dots per inch.
  static constexpr int kViewWidth = 256;
  static constexpr int kViewHeight = 160;
  static constexpr int kGreyPreviewWidth = 260;
  static constexpr int kGreyPreviewHeight = 165;
  static constexpr int kTrueImageWidth = 175;
  static constexpr int kTrueImageHeight = 108;
  static constexpr int kSliderMaximum = 120;
  static constexpr int kImportTabWidth = 110;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildPictureImportPage(double f);
  QWidget* BuildMiddleColumn(double f);
  QWidget* BuildDeviceColumn(double f);

  // The device picture of `row` in the added or the factory list becomes the working picture
  // and the preview, under its name, with its startup flag; the import frame and the grey
  // controls go to rest.
  void ShowDevicePicture(bool added, int row);
  void ClickDeviceList(QListWidget* list, bool added);
  TGreyBoundaries Boundaries() const;
  // The working picture, enlarged into the preview.
  void RedrawPreview();
  // When the device or a transfer changes: the write button, and the startup box after it.
  void FollowDeviceAndTransfers();

  TPageHost* host_ = nullptr;
  QImage workingPicture_ = MakeWorkingPicture();
  TFileTypeIcons fileIcons_;
  QWidget* leftColumn_ = nullptr;
  int leftColumnWidth_ = 0;
};
