#include "pictures/PicturesPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "pictures/PictureListWidget.h"
#include "pictures/TextImportPage.h"
#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"
#include "widgets/TabPages.h"

namespace {

constexpr int kMiddleButtonWidth = 75;
constexpr int kArrowButtonWidth = 50;
constexpr int kDeviceColumnWidth = 164;
constexpr int kLeftColumnWidth = 224;
constexpr int kThumbnailWidth = 128;
constexpr int kThumbnailHeight = 80;

QSlider* NewGreySlider(QWidget* parent, const char* name) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setRange(0, PicturesPage::kSliderMaximum);
  slider->setSingleStep(1);
  slider->setPageStep(10);
  slider->setValue(PicturesPage::kSliderMaximum / 2);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setTickInterval(PicturesPage::kSliderMaximum / 2);
  return slider;
}

QListWidget* NewDeviceList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  return list;
}

}  // namespace

void PicturesPage::FillPictureFileTypes(QComboBox* box) {
  box->clear();
  box->addItem("Bitmap (*.bmp)", "*.BMP");
  box->addItem("JPEG (*.jpg)", "*.JPG");
  box->addItem("TIF (*.tif)", "*.TIF");
  box->addItem("GIF (*.gif)", "*.GIF");
  box->setCurrentIndex(0);
}

void PicturesPage::Clear() {
  ReadOnlyListBox->clear();
  PicturesListBox->clear();
  ViewImage->setVisible(false);
  cbStartUpPic->setChecked(false);
  PicFilenameTntPanel->setText("---");
  NmbOfPixPanel->setText("---");
  SavePicFileButton->setEnabled(false);
  pgImport->setCurrentWidget(tsPictureImport);
}

void PicturesPage::EnableGreyControls(bool enabled) {
  // The sliders go back to the middle without reconverting the picture.
  for (QSlider* slider : {slBlack, slGray, slWhite}) {
    const QSignalBlocker quiet(slider);
    slider->setEnabled(enabled);
    slider->setValue(slider->maximum() / 2);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{lBlack, lGrey, lWhite, lBright, lDefault, lDark,
                                                    pGray, lGrayTitle}) {
    w->setEnabled(enabled);
  }
}

void PicturesPage::AddDevicePicture(bool added, const QString& name, const QImage& picture) {
  TPictureItemDelegate::AddItem(added ? PicturesListBox : ReadOnlyListBox, name, picture);
}

std::vector<int> PicturesPage::SelectedAddedEntries() const {
  std::vector<int> entries;
  for (int j = 0; j < PicturesListBox->count(); ++j) {
    if (PicturesListBox->item(j)->isSelected()) entries.push_back(ReadOnlyListBox->count() + j);
  }
  return entries;
}

int PicturesPage::SelectedCount() const {
  return static_cast<int>(ReadOnlyListBox->selectedItems().size() +
                          PicturesListBox->selectedItems().size());
}

void PicturesPage::ShowDeleted(const std::vector<int>& entries, int pictures) {
  for (const int entry : entries)
    delete PicturesListBox->takeItem(entry - ReadOnlyListBox->count());
  PicFilenameTntPanel->setText("---");
  ViewImage->setVisible(false);
  DeleteFileButton->setEnabled(false);
  cbStartUpPic->setChecked(false);
  NmbOfPixPanel->setText(pictures == 0 ? QStringLiteral("---")
                                       : LangStrings::PictureCountText(pictures));
  PicturesListBox->scrollToTop();
}

PicturesPage::PicturesPage(double f, QWidget* parent) : QWidget(parent) {
  setObjectName("PicturesTabSheet");
  SetPageFont(this);

  pgImport = new TTabPages(this);
  pgImport->setObjectName("pgImport");
  pgImport->SetMinimumTabSize(Scaled(kImportTabWidth, f), 0);
  tsPictureImport = BuildPictureImportPage(f);
  tsTextImport = new TextImportPage(f, pgImport);
  pgImport->addTab(tsPictureImport, QString());
  pgImport->addTab(tsTextImport, QString());
  pgImport->setCurrentWidget(tsPictureImport);

  auto* left = new QVBoxLayout;
  left->setSpacing(Scaled(6, f));
  left->addWidget(pgImport, 3);
  left->addWidget(BuildFolderBrowser(f), 2);
  leftColumn_ = new QWidget(this);
  auto* leftColumn = leftColumn_;
  leftColumn->setLayout(left);
  left->setContentsMargins(0, 0, 0, 0);
  leftColumnWidth_ = Scaled(kLeftColumnWidth, f);
  leftColumn->setFixedWidth(leftColumnWidth_);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(Scaled(4, f), Scaled(6, f), Scaled(4, f), Scaled(6, f));
  layout->setSpacing(Scaled(6, f));
  layout->addWidget(leftColumn);
  layout->addWidget(BuildMiddleColumn(f));
  layout->addWidget(BuildDeviceColumn(f));
}

QWidget* PicturesPage::BuildPictureImportPage(double f) {
  auto* page = new QWidget;
  page->setObjectName("tsPictureImport");

  lOriginPic = NewLabel(page, "lOriginPic");
  // The frame's caption shows through while no imported picture covers it.
  pNoPreview = NewPanel(page, "pNoPreview");
  pNoPreview->setWordWrap(true);
  TrueImage = new QLabel(pNoPreview);
  TrueImage->setObjectName("TrueImage");
  TrueImage->setScaledContents(true);
  const int trueWidth = Scaled(kTrueImageWidth, f);
  TrueImage->setFixedSize(trueWidth, trueWidth * kTrueImageHeight / kTrueImageWidth);
  TrueImage->hide();
  auto* frameLayout = new QVBoxLayout(pNoPreview);
  const int frame = pNoPreview->frameWidth();
  frameLayout->setContentsMargins(frame, frame, frame, frame);
  frameLayout->addWidget(TrueImage);
  pNoPreview->setFixedSize(TrueImage->width() + 2 * frame, TrueImage->height() + 2 * frame);

  FilterComboBox = new QComboBox(page);
  FilterComboBox->setObjectName("FilterComboBox");
  FillPictureFileTypes(FilterComboBox);

  lPicFiles = NewLabel(page, "lPicFiles");
  FileListModel = new QFileSystemModel(this);
  FileListModel->setObjectName("FileListModel");
  FileListModel->setFilter(QDir::Files);
  FileListModel->setNameFilterDisables(false);
  FileListModel->setNameFilters({FilterComboBox->currentData().toString()});
  FileListBox = new QListView(page);
  FileListBox->setObjectName("FileListBox");
  FileListBox->setModel(FileListModel);
  FileListBox->setRootIndex(FileListModel->setRootPath(QDir::currentPath()));
  FileListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  FileListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The type list belongs to the file list, as the folder tree's own drive and folder do: the
  // list shows only files of the chosen type.
  connect(FilterComboBox, &QComboBox::currentIndexChanged, FileListModel,
          [this] { FileListModel->setNameFilters({FilterComboBox->currentData().toString()}); });

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(Scaled(4, f), Scaled(4, f), Scaled(4, f), Scaled(4, f));
  layout->setSpacing(Scaled(3, f));
  layout->addWidget(lOriginPic);
  layout->addWidget(pNoPreview, 0, Qt::AlignHCenter);
  layout->addSpacing(Scaled(2, f));
  layout->addWidget(FilterComboBox);
  layout->addWidget(lPicFiles);
  layout->addWidget(FileListBox, 1);
  return page;
}

QWidget* PicturesPage::BuildFolderBrowser(double f) {
  Panel3 = new QFrame(this);
  Panel3->setObjectName("Panel3");
  Panel3->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);

  DriveComboBox = new QComboBox(Panel3);
  DriveComboBox->setObjectName("DriveComboBox");
  const QString currentRoot = QDir(QDir::currentPath()).rootPath();
  for (const QFileInfo& drive : QDir::drives()) {
    DriveComboBox->addItem(QDir::toNativeSeparators(drive.absoluteFilePath()),
                           drive.absoluteFilePath());
    if (QDir(drive.absoluteFilePath()) == QDir(currentRoot))
      DriveComboBox->setCurrentIndex(DriveComboBox->count() - 1);
  }

  DirectoryModel = new QFileSystemModel(this);
  DirectoryModel->setObjectName("DirectoryModel");
  DirectoryModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  DirectoryListBox = new QTreeView(Panel3);
  DirectoryListBox->setObjectName("DirectoryListBox");
  DirectoryListBox->setModel(DirectoryModel);
  DirectoryListBox->setRootIndex(DirectoryModel->setRootPath(currentRoot));
  for (int column = 1; column < DirectoryModel->columnCount(); ++column)
    DirectoryListBox->hideColumn(column);
  DirectoryListBox->setHeaderHidden(true);
  DirectoryListBox->setIndentation(Scaled(12, f));
  DirectoryListBox->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The tree opens at the program's current folder, the one the file list shows.
  const QModelIndex current = DirectoryModel->index(QDir::currentPath());
  for (QModelIndex up = current.parent(); up.isValid(); up = up.parent())
    DirectoryListBox->expand(up);
  DirectoryListBox->setCurrentIndex(current);

  tbNewFolder = NewToolBar(Panel3, "tbNewFolder", f);
  tbFolderPic = new QToolButton(tbNewFolder);
  tbFolderPic->setObjectName("tbFolderPic");
  tbFolderPic->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  tbNewFolder->addWidget(tbFolderPic);
  eFolderName = new QLineEdit(tbNewFolder);
  eFolderName->setObjectName("eFolderName");
  MakeRestingField(eFolderName);  // the folder tool wakes it up
  tbNewFolder->addWidget(eFolderName);
  bApply = NewButton(tbNewFolder, "bApply", 56, f);
  bApply->setEnabled(false);
  tbNewFolder->addWidget(bApply);

  auto* layout = new QVBoxLayout(Panel3);
  layout->setContentsMargins(Scaled(3, f), Scaled(3, f), Scaled(3, f), Scaled(3, f));
  layout->setSpacing(Scaled(3, f));
  layout->addWidget(DriveComboBox);
  layout->addWidget(DirectoryListBox, 1);
  layout->addWidget(tbNewFolder);
  return Panel3;
}

QWidget* PicturesPage::BuildMiddleColumn(double f) {
  auto* column = new QWidget(this);

  WrdPicButton = NewButton(column, "WrdPicButton", kArrowButtonWidth, f, ">>");
  WrdPicButton->setEnabled(false);  // needs a detected device and a preview

  lGrayTitle = NewLabel(column, "lGrayTitle");
  pGray = new QFrame(column);
  pGray->setObjectName("pGray");
  pGray->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  lBlack = NewLabel(pGray, "lBlack");
  lGrey = NewLabel(pGray, "lGrey");
  lWhite = NewLabel(pGray, "lWhite");
  slBlack = NewGreySlider(pGray, "slBlack");
  slGray = NewGreySlider(pGray, "slGray");
  slWhite = NewGreySlider(pGray, "slWhite");
  lBright = NewLabel(pGray, "lBright");
  lDefault = NewLabel(pGray, "lDefault");
  lDefault->setAlignment(Qt::AlignHCenter);
  lDark = NewLabel(pGray, "lDark");
  lDark->setAlignment(Qt::AlignRight);
  auto* scale = new QHBoxLayout;
  scale->setContentsMargins(0, 0, 0, 0);
  scale->addWidget(lBright, 1);
  scale->addWidget(lDefault, 1);
  scale->addWidget(lDark, 1);
  auto* grid = new QGridLayout(pGray);
  grid->setContentsMargins(Scaled(6, f), Scaled(3, f), Scaled(6, f), Scaled(2, f));
  grid->setHorizontalSpacing(Scaled(6, f));
  grid->setVerticalSpacing(0);
  grid->addWidget(lBlack, 0, 0);
  grid->addWidget(slBlack, 0, 1);
  grid->addWidget(lGrey, 1, 0);
  grid->addWidget(slGray, 1, 1);
  grid->addWidget(lWhite, 2, 0);
  grid->addWidget(slWhite, 2, 1);
  grid->addLayout(scale, 3, 1);
  grid->setColumnStretch(1, 1);
  // The grey controls wake up only for a freshly imported picture with a device in range.
  EnableGreyControls(false);

  lGreyPreview = NewLabel(column, "lGreyPreview");
  pGreyPreview = NewPanel(column, "pGreyPreview");
  pGreyPreview->setWordWrap(true);
  const int previewWidth = Scaled(kGreyPreviewWidth, f);
  pGreyPreview->setFixedSize(previewWidth, previewWidth * kGreyPreviewHeight / kGreyPreviewWidth);
  ViewImage = new QLabel(pGreyPreview);
  ViewImage->setObjectName("ViewImage");
  ViewImage->setAlignment(Qt::AlignCenter);
  const int viewWidth = Scaled(kViewWidth, f);
  ViewImage->setFixedSize(viewWidth, viewWidth * kViewHeight / kViewWidth);
  ViewImage->hide();
  auto* previewLayout = new QVBoxLayout(pGreyPreview);
  previewLayout->setContentsMargins(0, 0, 0, 0);
  previewLayout->addWidget(ViewImage, 0, Qt::AlignCenter);

  cbStartUpPic = new QCheckBox(column);
  cbStartUpPic->setObjectName("cbStartUpPic");
  cbStartUpPic->setEnabled(false);
  PicFilenameTntPanel = NewValuePanel(column, "PicFilenameTntPanel", f);

  DeleteFileButton = NewButton(column, "DeleteFileButton", kMiddleButtonWidth, f);
  DeleteFileButton->setEnabled(false);
  SavePicFileButton = NewButton(column, "SavePicFileButton", kArrowButtonWidth, f, "<<");
  SavePicFileButton->setEnabled(false);

  // Spare pictures the page draws from; they are never shown themselves.
  NoPreviewImage = new QLabel(column);
  NoPreviewImage->setObjectName("NoPreviewImage");
  DummyImage = new QLabel(column);
  DummyImage->setObjectName("DummyImage");
  const int thumbWidth = Scaled(kThumbnailWidth, f);
  for (QLabel* spare : {NoPreviewImage, DummyImage}) {
    spare->setFixedSize(thumbWidth, thumbWidth * kThumbnailHeight / kThumbnailWidth);
    spare->hide();
  }

  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(SavePicFileButton);
  buttons->addStretch(1);
  buttons->addWidget(DeleteFileButton);

  auto* layout = new QVBoxLayout(column);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(Scaled(3, f));
  layout->addWidget(WrdPicButton, 0, Qt::AlignRight);
  layout->addSpacing(Scaled(6, f));
  layout->addWidget(lGrayTitle);
  layout->addWidget(pGray);
  layout->addSpacing(Scaled(6, f));
  layout->addWidget(lGreyPreview);
  layout->addWidget(pGreyPreview);
  layout->addWidget(cbStartUpPic);
  layout->addWidget(PicFilenameTntPanel);
  layout->addSpacing(Scaled(8, f));
  layout->addLayout(buttons);
  layout->addStretch(1);
  layout->addWidget(NoPreviewImage);
  layout->addWidget(DummyImage);
  column->setFixedWidth(previewWidth);
  return column;
}

QWidget* PicturesPage::BuildDeviceColumn(double f) {
  gbOrvanel = NewGroupBox(this, "gbOrvanel", kDeviceColumnWidth, f);

  lFactorySetPic = NewLabel(gbOrvanel, "lFactorySetPic");
  ReadOnlyListBox = NewDeviceList(gbOrvanel, "ReadOnlyListBox");
  // Factory pictures can still be saved.
  ShowAsFactoryList(ReadOnlyListBox);
  lPictureListbox = NewLabel(gbOrvanel, "lPictureListbox");
  PicturesListBox = NewDeviceList(gbOrvanel, "PicturesListBox");
  TPictureItemDelegate::Install(ReadOnlyListBox);
  TPictureItemDelegate::Install(PicturesListBox);
  NmbOfPixPanel = NewValuePanel(gbOrvanel, "NmbOfPixPanel", f);

  auto* layout = new QVBoxLayout(gbOrvanel);
  layout->setContentsMargins(Scaled(4, f), Scaled(4, f), Scaled(4, f), Scaled(4, f));
  layout->setSpacing(Scaled(3, f));
  layout->addWidget(lFactorySetPic);
  layout->addWidget(ReadOnlyListBox, 1);
  layout->addSpacing(Scaled(4, f));
  layout->addWidget(lPictureListbox);
  layout->addWidget(PicturesListBox, 1);
  layout->addWidget(NmbOfPixPanel);
  return gbOrvanel;
}

void PicturesPage::ApplyTexts() {
  setWindowTitle(LangString(65252));
  WrdPicButton->setToolTip(LangString(65246));
  SavePicFileButton->setToolTip(LangString(65247));
  pgImport->setTabText(pgImport->indexOf(tsPictureImport), LangString(65254));
  pgImport->setTabText(pgImport->indexOf(tsTextImport), LangString(65255));
  // The column keeps its design width unless the sub-page captions need more in the face this
  // machine has; cut to the design width they would lose both ends.
  const int tabs = pgImport->tabBar()->sizeHint().width() + 2 * pgImport->tabBar()->x();
  leftColumn_->setFixedWidth(std::max(leftColumnWidth_, tabs));
  lOriginPic->setText(LangString(65262));
  pNoPreview->setText(LangString(65263));
  lPicFiles->setText(LangString(65232));
  eFolderName->setText(LangString(65260));
  bApply->setText(LangString(65261));
  lGrayTitle->setText(LangString(65233));
  // A screen reader names each slider after the caption beside it.
  lBlack->setBuddy(slBlack);
  lGrey->setBuddy(slGray);
  lWhite->setBuddy(slWhite);
  lPicFiles->setBuddy(FileListBox);
  lFactorySetPic->setBuddy(ReadOnlyListBox);
  lPictureListbox->setBuddy(PicturesListBox);
  tbFolderPic->setAccessibleName(LangString(65260));
  lBlack->setText(LangString(65234));
  lGrey->setText(LangString(65235));
  lWhite->setText(LangString(65236));
  lBright->setText(LangString(65237));
  lDefault->setText(LangString(65238));
  lDark->setText(LangString(65239));
  lGreyPreview->setText(LangString(65240));
  pGreyPreview->setText(LangString(65263));
  cbStartUpPic->setText(LangString(65241));
  DeleteFileButton->setText(LangString(65242));
  gbOrvanel->setTitle(LangString(65243));
  lFactorySetPic->setText(LangString(65244));
  lPictureListbox->setText(LangString(65245));
  tsTextImport->ApplyTexts();
}
