// TFolderBrowser: the folder browser under the Pictures page's import sub-pages (its Panel3): the
// mounted file systems to choose from, the folder tree of the chosen one, and the tool bar that
// makes a new folder. The folder chosen is where pictures are imported from and saved to.
#pragma once

#include <QFrame>
#include <QString>

#include "widgets/FileTypeIcons.h"
#include "widgets/PageStart.h"

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeView;

class TFolderBrowser : public QFrame {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it. Opens at
  // `startFolder`, or in the user's pictures folder (else home) when it is empty; a deferred
  // start reads no folder before FinishStart().
  explicit TFolderBrowser(double f, QWidget* parent = nullptr, const QString& startFolder = {},
                          TPageStart start = TPageStart::Complete);
  ~TFolderBrowser() override;

  // Captions and the resting text of the new-folder field from the text table.
  void ApplyTexts();

  // The folder chosen in the tree: an absolute path (the start folder while it is not listed).
  QString CurrentFolder() const { return currentFolder_; }
  // Gives the new-folder tool its icon and shows the start folder in the tree, unless a folder
  // has been shown already. Once; the constructor calls it unless the start is deferred.
  void FinishStart();
  // Shows `folder` (an existing one) in the tree, on the drive that holds it.
  void SetCurrentFolder(const QString& folder);
  // Lists the mounted file systems afresh.
  void FillDrives();

  // Handlers.
  void DriveComboBoxChange(int index);
  void DirectoryListBoxClick(const QModelIndex& index);
  void DirButtonClick();
  void eFolderNameClick();
  void bApplyClick();

  QComboBox* DriveComboBox;
  QTreeView* DirectoryListBox;
  QFileSystemModel* DirectoryModel;
  QToolBar* tbNewFolder;
  QToolButton* tbFolderPic;
  QLineEdit* eFolderName;
  QPushButton* bApply;

 signals:
  // The chosen folder changed (the file list follows it).
  void FolderChanged(const QString& folder);
  // The tree was double-clicked.
  void FolderDoubleClicked();

 private:
  void ShowDrive(const QString& root);
  void RestNewFolderTools();

  TFileTypeIcons folderIcons_;
  QString currentFolder_;
  bool listed_ = false;
  bool started_ = false;
  int driveIndex_ = -1;  // the drive shown, restored when another cannot be read
};
