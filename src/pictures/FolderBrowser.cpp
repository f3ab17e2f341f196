#include "pictures/FolderBrowser.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "texts/LangStrings.h"
#include "widgets/Application.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

// The file systems a user keeps files on: the root, devices and network shares; not the kernel's
// own (proc, sys, cgroups …), which only clutter the choice.
bool UserFileSystem(const QStorageInfo& volume) {
  static const QStringList kSystem = {"proc",    "sysfs",       "devtmpfs", "devpts", "cgroup",
                                      "cgroup2", "securityfs",  "pstore",   "bpf",    "tracefs",
                                      "debugfs", "configfs",    "fusectl",  "mqueue", "hugetlbfs",
                                      "autofs",  "binfmt_misc", "efivarfs", "nsfs",   "rpc_pipefs"};
  if (volume.rootPath() == QDir::rootPath()) return true;
  if (kSystem.contains(QString::fromLatin1(volume.fileSystemType()))) return false;
  if (volume.fileSystemType() == "tmpfs") return false;
  return volume.device().startsWith("/dev/") || volume.fileSystemType().startsWith("nfs") ||
         volume.fileSystemType() == "cifs" || volume.fileSystemType().startsWith("fuse");
}

QString StartFolder() {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  return !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
}

}  // namespace

// The file system model's gatherer thread asks the icon provider for icons until the model is
// gone, and the provider is a member, destroyed before the children: the model goes first.
TFolderBrowser::~TFolderBrowser() {
  delete DirectoryModel;
}

TFolderBrowser::TFolderBrowser(double f, QWidget* parent, const QString& startFolder,
                               TPageStart start)
    : QFrame(parent) {
  setObjectName("Panel3");
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  DriveComboBox = new QComboBox(this);
  DriveComboBox->setObjectName("DriveComboBox");

  DirectoryModel = new QFileSystemModel(this);
  DirectoryModel->setObjectName("DirectoryModel");
  DirectoryModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  DirectoryModel->setIconProvider(&folderIcons_);
  DirectoryListBox = new QTreeView(this);
  DirectoryListBox->setObjectName("DirectoryListBox");
  DirectoryListBox->setModel(DirectoryModel);
  for (int column = 1; column < DirectoryModel->columnCount(); ++column)
    DirectoryListBox->hideColumn(column);
  DirectoryListBox->setHeaderHidden(true);
  DirectoryListBox->setIndentation(Scaled(12, f));
  DirectoryListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);

  tbNewFolder = NewToolBar(this, "tbNewFolder", f);
  tbFolderPic = new QToolButton(tbNewFolder);
  tbFolderPic->setObjectName("tbFolderPic");
  tbNewFolder->addWidget(tbFolderPic);
  eFolderName = new QLineEdit(tbNewFolder);
  eFolderName->setObjectName("eFolderName");
  MakeRestingField(eFolderName);
  SelectAllOnClick(eFolderName);
  tbNewFolder->addWidget(eFolderName);
  bApply = NewButton(tbNewFolder, "bApply", 56, f);
  bApply->setEnabled(false);
  tbNewFolder->addWidget(bApply);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Scaled(3, f), Scaled(3, f), Scaled(3, f), Scaled(3, f));
  layout->setSpacing(Scaled(3, f));
  layout->addWidget(DriveComboBox);
  layout->addWidget(DirectoryListBox, 1);
  layout->addWidget(tbNewFolder);

  FillDrives();
  currentFolder_ = QDir(startFolder.isEmpty() ? StartFolder() : startFolder).absolutePath();
  if (start == TPageStart::Complete) FinishStart();

  connect(DriveComboBox, &QComboBox::activated, this, &TFolderBrowser::DriveComboBoxChange);
  connect(DirectoryListBox, &QTreeView::clicked, this, &TFolderBrowser::DirectoryListBoxClick);
  connect(DirectoryListBox, &QTreeView::activated, this, &TFolderBrowser::DirectoryListBoxClick);
  connect(DirectoryListBox, &QTreeView::doubleClicked, this, &TFolderBrowser::FolderDoubleClicked);
  connect(tbFolderPic, &QToolButton::clicked, this, &TFolderBrowser::DirButtonClick);
  connect(bApply, &QPushButton::clicked, this, &TFolderBrowser::bApplyClick);
  connect(eFolderName, &QLineEdit::returnPressed, this, &TFolderBrowser::bApplyClick);
}

void TFolderBrowser::ApplyTexts() {
  eFolderName->setText(LangString(TText::NewFolderField));
  bApply->setText(LangString(TText::ApplyButton));
  tbFolderPic->setAccessibleName(LangString(TText::NewFolderField));
  eFolderName->setAccessibleName(LangString(TText::NewFolderField));
  DriveComboBox->setAccessibleName(LangString(TText::MyComputer));
  DirectoryListBox->setAccessibleName(LangString(TText::MyComputer));
}

void TFolderBrowser::FillDrives() {
  const QSignalBlocker quiet(DriveComboBox);
  DriveComboBox->clear();
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !UserFileSystem(volume) || roots.contains(volume.rootPath())) continue;
    roots << volume.rootPath();
  }
  if (!roots.contains(QDir::rootPath())) roots << QDir::rootPath();
  roots.sort();
  for (const QString& root : roots) DriveComboBox->addItem(QDir::toNativeSeparators(root), root);
}

void TFolderBrowser::FinishStart() {
  if (started_) return;
  started_ = true;
  tbFolderPic->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  if (!listed_) SetCurrentFolder(currentFolder_);
}

void TFolderBrowser::SetCurrentFolder(const QString& folder) {
  listed_ = true;
  const QString absolute = QDir(folder).absolutePath();
  // The drive is the longest listed root that holds the folder.
  int drive = -1;
  for (int i = 0; i < DriveComboBox->count(); ++i) {
    const QString root = DriveComboBox->itemData(i).toString();
    const bool holds =
        absolute == root || absolute.startsWith(root.endsWith('/') ? root : root + '/');
    if (holds && (drive < 0 || root.size() > DriveComboBox->itemData(drive).toString().size()))
      drive = i;
  }
  if (drive >= 0) {
    const QSignalBlocker quiet(DriveComboBox);
    DriveComboBox->setCurrentIndex(drive);
    driveIndex_ = drive;
    ShowDrive(DriveComboBox->itemData(drive).toString());
  }
  const QModelIndex index = DirectoryModel->index(absolute);
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent())
    DirectoryListBox->expand(up);
  DirectoryListBox->setCurrentIndex(index);
  DirectoryListBox->scrollTo(index);
  currentFolder_ = absolute;
  emit FolderChanged(currentFolder_);
}

void TFolderBrowser::ShowDrive(const QString& root) {
  DirectoryListBox->setRootIndex(DirectoryModel->setRootPath(root));
}

void TFolderBrowser::DriveComboBoxChange(int index) {
  const QString root = DriveComboBox->itemData(index).toString();
  const QDir drive(root);
  // A drive without a medium, or one we may not read, keeps the tree where it was.
  if (!QStorageInfo(root).isReady() || !drive.exists() || !drive.isReadable()) {
    Prompts().Error(TApplication::DriveNotReadyText(DriveComboBox->itemText(index)), TBeep::Error,
                    this);
    const QSignalBlocker quiet(DriveComboBox);
    DriveComboBox->setCurrentIndex(driveIndex_);
    return;
  }
  driveIndex_ = index;
  listed_ = true;
  ShowDrive(root);
  DirectoryListBox->setCurrentIndex(DirectoryModel->index(root));
  currentFolder_ = drive.absolutePath();
  emit FolderChanged(currentFolder_);
}

void TFolderBrowser::DirectoryListBoxClick(const QModelIndex& index) {
  const QString folder = DirectoryModel->filePath(index);
  if (folder.isEmpty() || folder == currentFolder_) return;
  currentFolder_ = folder;
  emit FolderChanged(currentFolder_);
}

void TFolderBrowser::DirButtonClick() {
  WakeRestingField(eFolderName, LangString(TText::NewFolderField), bApply);
}

void TFolderBrowser::eFolderNameClick() {
  eFolderName->selectAll();
}

void TFolderBrowser::bApplyClick() {
  if (!bApply->isEnabled()) return;
  const QString name = eFolderName->text().trimmed();
  // Only a name inside the current folder: separators would create it elsewhere.
  const bool valid =
      !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\');
  if (!valid || !QDir(currentFolder_).mkdir(name)) {
    Prompts().Warning(LangString(TText::CannotCreateFolder), TBeep::Error, this);
  } else {
    const QModelIndex created = DirectoryModel->index(QDir(currentFolder_).filePath(name));
    DirectoryListBox->expand(created.parent());
  }
  RestNewFolderTools();
}

void TFolderBrowser::RestNewFolderTools() {
  RestField(eFolderName, LangString(TText::NewFolderField), bApply);
}
