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
#include <QPixmap>
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

#include "devicefiles/FileHeader.h"
#include "picture/ImageFile.h"
#include "pictures/FolderBrowser.h"
#include "pictures/PictureListWidget.h"
#include "pictures/TextImportPage.h"
#include "texts/LangStrings.h"
#include "transfer/TransferSession.h"
#include "widgets/FileTypeIcons.h"
#include "widgets/FolderListView.h"
#include "widgets/PageHost.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"
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
  box->addItem(LangString(TFixedText::BitmapFileType), "*.BMP");
  box->addItem(LangString(TFixedText::JpegFileType), "*.JPG");
  box->addItem(LangString(TFixedText::TiffFileType), "*.TIF");
  box->addItem(LangString(TFixedText::GifFileType), "*.GIF");
  box->setCurrentIndex(0);
}

void PicturesPage::Clear() {
  ReadOnlyListBox->clear();
  PicturesListBox->clear();
  ViewImage->setVisible(false);
  cbStartUpPic->setChecked(false);
  PicFilenameTntPanel->setText(LangString(TFixedText::NoValue));
  NmbOfPixPanel->setText(LangString(TFixedText::NoValue));
  SavePicFileButton->setEnabled(false);
  DeleteFileButton->setEnabled(false);
  EnableGreyControls(false);
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
  PicFilenameTntPanel->setText(LangString(TFixedText::NoValue));
  ViewImage->setVisible(false);
  DeleteFileButton->setEnabled(false);
  cbStartUpPic->setChecked(false);
  NmbOfPixPanel->setText(pictures == 0 ? LangString(TFixedText::NoValue)
                                       : LangStrings::PictureCountText(pictures));
  PicturesListBox->scrollToTop();
}

// The file system model's gatherer thread asks the icon provider for icons until the model is
// gone, and the provider is a member, destroyed before the children: the model goes first.
PicturesPage::~PicturesPage() {
  delete FileListModel;
}

PicturesPage::PicturesPage(double f, QWidget* parent, const QString& startFolder, TPageStart start)
    : QWidget(parent) {
  setObjectName("PicturesTabSheet");
  SetPageFont(this);

  pgImport = new TTabPages(this);
  pgImport->setObjectName("pgImport");
  pgImport->SetMinimumTabSize(Scaled(kImportTabWidth, f), 0);
  tsPictureImport = BuildPictureImportPage(f);
  tsTextImport = new TextImportPage(f, pgImport, TPageStart::Deferred);
  pgImport->addTab(tsPictureImport, QString());
  pgImport->addTab(tsTextImport, QString());
  pgImport->setCurrentWidget(tsPictureImport);

  auto* left = new QVBoxLayout;
  left->setSpacing(Scaled(6, f));
  left->addWidget(pgImport, 3);
  Panel3 = new TFolderBrowser(f, this, startFolder, TPageStart::Deferred);
  left->addWidget(Panel3, 2);
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

  // The file list shows the folder the browser shows.
  const auto showFolder = [this](const QString& folder) {
    FileListBox->setRootIndex(FileListModel->setRootPath(folder));
  };
  connect(Panel3, &TFolderBrowser::FolderChanged, this, showFolder);
  if (start == TPageStart::Complete) FinishStart();
  connect(Panel3, &TFolderBrowser::FolderDoubleClicked, TrueImage, &QWidget::hide);

  tsTextImport->SetHost(this);
  connect(pgImport, &QTabWidget::currentChanged, this, [this] {
    if (pgImport->currentWidget() == tsTextImport) {
      tsTextImport->tsTextImportShow();
    } else {
      tsPictureImportShow();
    }
  });
  connect(FileListBox, &QListView::clicked, this, &PicturesPage::FileListBoxClick);
  connect(FileListBox, &QListView::activated, this, &PicturesPage::FileListBoxClick);
  connect(ReadOnlyListBox, &QListWidget::itemClicked, this, &PicturesPage::ReadOnlyListBoxClick);
  connect(PicturesListBox, &QListWidget::itemClicked, this, &PicturesPage::PicturesListBoxClick);
  // The arrow keys move through the lists as the mouse clicks.
  ReadOnlyListBox->installEventFilter(this);
  PicturesListBox->installEventFilter(this);
  connect(cbStartUpPic, &QCheckBox::clicked, this, &PicturesPage::cbStartUpPicClick);
  connect(WrdPicButton, &QPushButton::clicked, this, &PicturesPage::WrdPicButtonClick);
  connect(SavePicFileButton, &QPushButton::clicked, this, &PicturesPage::SavePicFileButtonClick);
  connect(DeleteFileButton, &QPushButton::clicked, this, &PicturesPage::DeleteFileButtonClick);
  for (QSlider* slider : {slBlack, slGray, slWhite})
    connect(slider, &QSlider::valueChanged, this, &PicturesPage::GrayscaleSlideChange);
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
  FileListModel->setIconProvider(&fileIcons_);
  FileListModel->setNameFilterDisables(false);
  FileListModel->setNameFilters({FilterComboBox->currentData().toString()});
  // Reachable by a screen reader file by file: the model's top level is not the folder shown.
  FileListBox = new TFolderListView(page);
  FileListBox->setObjectName("FileListBox");
  FileListBox->setModel(FileListModel);
  // The root comes from the folder browser once it exists.
  FileListBox->setSelectionMode(QAbstractItemView::SingleSelection);
  FileListBox->setIconSize(QSize(Scaled(16, f), Scaled(16, f)));
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

QWidget* PicturesPage::BuildMiddleColumn(double f) {
  auto* column = new QWidget(this);

  WrdPicButton =
      NewButton(column, "WrdPicButton", kArrowButtonWidth, f, LangString(TFixedText::WriteArrow));
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
  SavePicFileButton = NewButton(column, "SavePicFileButton", kArrowButtonWidth, f,
                                LangString(TFixedText::SaveArrow));
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
  setWindowTitle(LangString(TText::PicturesTab));
  SetSpokenHint(WrdPicButton, LangString(TText::WritePictureHint));
  SetSpokenHint(SavePicFileButton, LangString(TText::SavePicturesHint));
  pgImport->setTabText(pgImport->indexOf(tsPictureImport), LangString(TText::PictureImportTab));
  pgImport->setTabText(pgImport->indexOf(tsTextImport), LangString(TText::TextImportTab));
  // The column keeps its design width unless the sub-page captions need more in the face this
  // machine has; cut to the design width they would lose both ends.
  const int tabs = pgImport->tabBar()->sizeHint().width() + 2 * pgImport->tabBar()->x();
  leftColumn_->setFixedWidth(std::max(leftColumnWidth_, tabs));
  lOriginPic->setText(LangString(TText::OriginalPicture));
  pNoPreview->setText(LangString(TText::NoPreview));
  lPicFiles->setText(LangString(TText::PictureFiles));
  Panel3->ApplyTexts();
  lGrayTitle->setText(LangString(TText::GreyLevelsTitle));
  // A screen reader names each slider after the caption beside it.
  lBlack->setBuddy(slBlack);
  lGrey->setBuddy(slGray);
  lWhite->setBuddy(slWhite);
  // Item views take no name from a buddy: they are named after their captions directly.
  FileListBox->setAccessibleName(LangString(TText::PictureFiles));
  FilterComboBox->setAccessibleName(LangString(TNamedText::FileTypeName));
  ReadOnlyListBox->setAccessibleName(LangString(TText::FactoryPictures));
  PicturesListBox->setAccessibleName(LangString(TText::DevicePictures));
  lBlack->setText(LangString(TText::BlackLevel));
  lGrey->setText(LangString(TText::GreyLevel));
  lWhite->setText(LangString(TText::WhiteLevel));
  lBright->setText(LangString(TText::LightBrightness));
  lDefault->setText(LangString(TText::DefaultBrightness));
  lDark->setText(LangString(TText::DarkBrightness));
  lGreyPreview->setText(LangString(TText::DevicePicturePreview));
  pGreyPreview->setText(LangString(TText::NoPreview));
  cbStartUpPic->setText(LangString(TText::StartupPictureBox));
  DeleteFileButton->setText(LangString(TText::DeleteButton));
  gbOrvanel->setTitle(LangString(TText::DeviceGroup));
  lFactorySetPic->setText(LangString(TText::FactoryPictures));
  lPictureListbox->setText(LangString(TText::DevicePictures));
  tsTextImport->ApplyTexts();
}

// ---- Handlers -----------------------------------------------------------------------------------

QString PicturesPage::SelectedPicturesText() const {
  return LangStrings::SelectedPicturesText(SelectedCount());
}

TGreyBoundaries PicturesPage::Boundaries() const {
  return {slBlack->value(), slGray->value(), slWhite->value()};
}

void PicturesPage::RedrawPreview() {
  ViewImage->setPixmap(QPixmap::fromImage(PreviewOf(workingPicture_, ViewImage->size())));
}

void PicturesPage::UpdateWriteButton() {
  const bool canWrite =
      host_ && host_->DeviceDetected() && !host_->TransferBusy() && !ViewImage->isHidden();
  WrdPicButton->setEnabled(canWrite);
}

void PicturesPage::FollowDeviceAndTransfers() {
  UpdateWriteButton();
  // A device picture that is not the startup picture may become it whenever it may be written.
  if (!cbStartUpPic->isChecked() && !PreviewFromPC)
    cbStartUpPic->setEnabled(WrdPicButton->isEnabledTo(this));
}

void PicturesPage::Left() {
  Clear();
  tsTextImport->bClearClick();
}

void PicturesPage::SetDevicePresent(bool present) {
  if (!present) {
    EnableGreyControls(false);
    DeleteFileButton->setEnabled(false);
  }
  FollowDeviceAndTransfers();
}

void PicturesPage::SetBusy(bool) {
  FollowDeviceAndTransfers();
}

void PicturesPage::PicturesTabSheetShow() {
  Panel3->SetCurrentFolder(Panel3->CurrentFolder());
  TrueImage->hide();
  ViewImage->hide();
  SavePicFileButton->setEnabled(false);
  DeleteFileButton->setEnabled(false);
  PicFilenameTntPanel->setText(LangString(TFixedText::NoValue));
  NmbOfPixPanel->setText(LangString(TFixedText::NoValue));
  tsTextImport->ResetFontAndSpacing();
  pgImport->setCurrentWidget(tsPictureImport);
  UpdateWriteButton();
}

void PicturesPage::tsPictureImportShow() {
  Panel3->DirectoryListBox->setFocus();
}

void PicturesPage::FileListBoxClick(const QModelIndex& index) {
  if (!host_ || !index.isValid() || FileListModel->isDir(index)) return;
  EnableGreyControls(false);
  PreviewMadeOnPC();

  const TImageRead read = ReadImageFile(FileListModel->filePath(index));
  if (read.Image.isNull()) {
    Prompts().Error(LangString(TText::UnknownPictureFormat), TBeep::Error, this);
    return;
  }
  ImportedPicture = read.Image;
  // The frame shows the whole file stretched into it, as the device will have it.
  QImage frame(TrueImage->size(), QImage::Format_RGB32);
  StretchInto(ImportedPicture, frame);
  TrueImage->setPixmap(QPixmap::fromImage(frame));
  RedrawWorkingPicture(ImportedPicture, workingPicture_, Boundaries());
  RedrawPreview();
  PicFilenameTntPanel->setText(FileListModel->fileName(index));
  TrueImage->show();
  ViewImage->show();
  DeleteFileButton->setEnabled(false);
  if (host_->DeviceDetected()) {
    PicturesListBox->clearSelection();
    host_->SetStatusText(2, QString());
    SavePicFileButton->setEnabled(false);
    EnableGreyControls(true);
  } else {
    EnableGreyControls(false);
  }
  UpdateWriteButton();
}

void PicturesPage::GrayscaleSlideChange() {
  if (!host_ || ImportedPicture.isNull() || !PreviewFromPC) return;
  RedrawWorkingPicture(ImportedPicture, workingPicture_, Boundaries());
  RedrawPreview();
}

void PicturesPage::ShowDevicePicture(bool added, int row) {
  AdditionalListClicked = added;
  PreviewFromPC = false;
  const int entry = row + (added ? ReadOnlyListBox->count() : 0);
  const TFileHeader* header = host_->Catalogue().Entry(entry);
  if (!header) {
    Prompts().Error(LangString(TText::CorruptPictureIndex), TBeep::Error, this);
    ViewImage->hide();
  } else if (header->Image.isNull()) {
    // A picture the device could not deliver: nothing to show, nothing to write.
    ViewImage->hide();
  } else {
    // The preview is drawn from the working picture, so that ">>" always writes what it shows,
    // a factory picture too.
    StretchInto(header->Image, workingPicture_);
    RedrawPreview();
    ViewImage->show();
  }
  PicFilenameTntPanel->setText(header ? header->NameText() : LangString(TFixedText::NoValue));
  cbStartUpPic->setChecked(header && header->DefaultFlag == 1);
  cbStartUpPic->setEnabled(host_->DeviceDetected() && !cbStartUpPic->isChecked());
  TrueImage->hide();
  EnableGreyControls(false);
  UpdateWriteButton();
}

void PicturesPage::ClickDeviceList(QListWidget* list, bool added) {
  if (!host_ || list->currentRow() < 0) return;
  pgImport->setCurrentWidget(tsPictureImport);
  ShowDevicePicture(added, list->currentRow());
  DeleteFileButton->setEnabled(added && host_->DeviceDetected());
  SavePicFileButton->setEnabled(true);
  host_->SetStatusText(2, SelectedPicturesText());
}

bool PicturesPage::eventFilter(QObject* watched, QEvent* event) {
  // Only the user's own keys count: focus moving into a list (when the page is disabled around a
  // transfer, say) changes its current item too, and must not replace the preview.
  if (IsListMoveKeyRelease(event)) {
    if (watched == ReadOnlyListBox) ReadOnlyListBoxClick();
    if (watched == PicturesListBox) PicturesListBoxClick();
  }
  return QWidget::eventFilter(watched, event);
}

void PicturesPage::ReadOnlyListBoxClick() {
  ClickDeviceList(ReadOnlyListBox, false);
}

void PicturesPage::PicturesListBoxClick() {
  ClickDeviceList(PicturesListBox, true);
}

void PicturesPage::cbStartUpPicClick(bool checked) {
  if (!host_ || !checked) return;
  QListWidget* list = AdditionalListClicked ? PicturesListBox : ReadOnlyListBox;
  const int selected = list->currentRow() + (AdditionalListClicked ? ReadOnlyListBox->count() : 0);
  // With no picture marked, the first one counts as the startup picture.
  const int previous = host_->MoveDefault(selected, 0);
  if (host_->DeviceDetected() && selected != previous) {
    const bool yes = Prompts().Ask(TMessageKind::Confirmation,
                                   LangString(TText::StartupPictureQuestion), TBeep::Notice, this);
    if (yes) {
      host_->StartAction({.Action = TAction::SetStartupPicture, .Results = this},
                         LangString(TText::SetStartupPictureStatus));
    } else {
      host_->MoveDefault(previous, 0);
      cbStartUpPic->setChecked(false);
    }
  }
  cbStartUpPic->setEnabled(!cbStartUpPic->isChecked());
}

void PicturesPage::WrdPicButtonClick() {
  if (!host_ || !host_->DeviceDetected()) return;
  host_->StartAction({.Action = TAction::WritePicture,
                      .Picture = workingPicture_,
                      .PictureName = PicFilenameTntPanel->text(),
                      .Results = this},
                     LangString(TText::WritePictureStatus));
}

void PicturesPage::DeleteFileButtonClick() {
  if (!host_) return;
  const bool yes = Prompts().Ask(TMessageKind::Warning, LangString(TText::DeletePicturesQuestion),
                                 TBeep::Notice, this);
  if (!yes || !host_->DeviceDetected() || host_->TransferBusy()) return;
  host_->DeleteStarted();
  host_->StartAction(
      {.Action = TAction::DeleteFiles, .Entries = SelectedAddedEntries(), .Results = this},
      LangString(TText::DeletePictureStatus));
}

void PicturesPage::SavePicFileButtonClick() {
  if (!host_) return;
  pgImport->setCurrentWidget(tsPictureImport);
  // Device pictures are saved as BMP or JPEG: TIFF becomes BMP, GIF becomes JPEG.
  if (FilterComboBox->currentIndex() == 2) FilterComboBox->setCurrentIndex(0);
  if (FilterComboBox->currentIndex() == 3) FilterComboBox->setCurrentIndex(1);
  const QString mask = FilterComboBox->currentData().toString();
  const QString folder = Panel3->CurrentFolder();
  if (!Prompts().Ask(TMessageKind::Confirmation,
                     LangStrings::ExportPicturesQuestion(mask, QDir::toNativeSeparators(folder)),
                     TBeep::Notice, this)) {
    return;
  }
  const bool jpeg = mask == "*.JPG";
  const QString extension = jpeg ? QStringLiteral(".JPG") : QStringLiteral(".bmp");
  QStringList used;  // names given in this save, so that no picture overwrites another
  const auto save = [&](QListWidget* list, int offset) {
    for (int row = 0; row < list->count(); ++row) {
      if (!list->item(row)->isSelected()) continue;
      const TFileHeader* entry = host_->Catalogue().Entry(offset + row);
      if (!entry || entry->Image.isNull()) continue;
      // The picture being saved is the one shown and the one ">>" would write; it becomes the
      // current item, so that the startup box and the arrow keys go on from it.
      ShowDevicePicture(list == PicturesListBox, row);
      list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
      ViewImage->repaint();
      const QString base = SafeFileName(entry->Name);
      QString name = base + extension;
      for (int copy = 2; used.contains(name, Qt::CaseInsensitive); ++copy)
        name = QString("%1 (%2)%3").arg(base).arg(copy).arg(extension);
      used << name;
      if (!SaveImageFile(PreviewPicture(), QDir(folder).filePath(name),
                         jpeg ? TImageFormat::Jpeg : TImageFormat::Bmp)) {
        Prompts().Error(LangString(TText::UnknownPictureFormat), TBeep::Error, this);
      }
    }
  };
  save(ReadOnlyListBox, 0);
  save(PicturesListBox, ReadOnlyListBox->count());
}

// ---- What the text editor asks of the page ------------------------------------------------------

void PicturesPage::PreviewMadeOnPC() {
  PreviewFromPC = true;
  cbStartUpPic->setChecked(false);
  cbStartUpPic->setEnabled(false);
}

void PicturesPage::ShowPreview(bool shown) {
  ViewImage->setVisible(shown);
  UpdateWriteButton();
}

void PicturesPage::ShowTextPicture(const QImage& textImage) {
  // The preview no longer shows the device pictures that "<<" would save.
  SavePicFileButton->setEnabled(false);
  if (!host_) return;
  RedrawWorkingPicture(textImage, workingPicture_, Boundaries());
  RedrawPreview();
}

void PicturesPage::SetPictureName(const QString& name) {
  PicFilenameTntPanel->setText(name);
}

void PicturesPage::FinishStart() {
  Panel3->FinishStart();
  tsTextImport->FinishStart();
}

QString PicturesPage::CurrentFolder() const {
  return Panel3->CurrentFolder();
}

QImage PicturesPage::PreviewPicture() const {
  return ViewImage->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
}

void PicturesPage::ClearSelectionCount() {
  if (host_ && host_->DeviceDetected()) host_->SetStatusText(2, QString());
}

void PicturesPage::UsePicture(const QImage& picture, const QString& name) {
  PreviewMadeOnPC();
  StretchInto(picture, workingPicture_);
  RedrawPreview();
  PicFilenameTntPanel->setText(name);
  ViewImage->show();
  UpdateWriteButton();
}

// ---- What the transfers report ----------------------------------------------------------------

void PicturesPage::PictureCountChanged(int count) {
  NmbOfPixPanel->setText(LangStrings::PictureCountText(count));
}

void PicturesPage::PictureWritten(const TFileHeader& upload) {
  AddDevicePicture(true, upload.NameSingleByteText(), upload.Image);
  PicturesListBox->scrollToBottom();
}

void PicturesPage::PictureRead(const TFileHeader& entry) {
  AddDevicePicture(entry.AddedMark != 0, entry.NameSingleByteText(), entry.Image);
}

void PicturesPage::EntriesDeleted(const std::vector<int>& indexes, bool) {
  ShowDeleted(indexes, host_ ? host_->Catalogue().CatalogueCount() : 0);
  if (host_) host_->SetStatusText(2, SelectedPicturesText());
}

bool PicturesPage::TextPageInFront() const {
  return pgImport->currentWidget() == tsTextImport;
}
