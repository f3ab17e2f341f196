#include "app/Main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/AboutPage.h"
#include "devicefiles/DeviceName.h"
#include "firmware/SoftwarePage.h"
#include "firmware/WaitForm.h"
#include "irda/CheckDevListThread.h"
#include "languages/LanguagesPage.h"
#include "pictures/PictureCodec.h"
#include "pictures/PictureListWidget.h"
#include "pictures/PicturesPage.h"
#include "platform/ErrorMode.h"
#include "texts/LangStrings.h"
#include "transfer/ReadActions.h"
#include "transfer/WriteActions.h"
#include "widgets/LED.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

double ScreenDotsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

TMainForm::TMainForm(Options options)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      DynaIrDA1(options.SocketApi),
      scale_(ScaleFactorFor(options.DotsPerInch.value_or(ScreenDotsPerInch()))),
      socketApi_(options.SocketApi) {
  setObjectName("MainForm");
  setAttribute(Qt::WA_DeleteOnClose, false);

  TabPageControl = new QTabWidget(this);
  TabPageControl->setObjectName("TabPageControl");
  TabPageControl->setTabPosition(QTabWidget::East);
  AboutTabSheet = new AboutPage(scale_);
  PicturesTabSheet = new PicturesPage(scale_);
  LanguagesTabSheet = new LanguagesPage(scale_);
  SoftwareTabSheet = new SoftwarePage(scale_);
  AboutTabSheet->setObjectName("AboutTabSheet");
  PicturesTabSheet->setObjectName("PicturesTabSheet");
  LanguagesTabSheet->setObjectName("LanguagesTabSheet");
  SoftwareTabSheet->setObjectName("SoftwareTabSheet");
  TPictureItemDelegate::Install(PicturesTabSheet->ReadOnlyListBox);
  TPictureItemDelegate::Install(PicturesTabSheet->PicturesListBox);
  for (QWidget* page :
       {static_cast<QWidget*>(AboutTabSheet), static_cast<QWidget*>(PicturesTabSheet),
        static_cast<QWidget*>(LanguagesTabSheet), static_cast<QWidget*>(SoftwareTabSheet)}) {
    TabPageControl->addTab(page, QString());
  }

  BuildBottomStrip();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TabPageControl, 1);
  layout->addWidget(pIrDABottom);
  layout->addWidget(StatusBar);

  // Wired before the watcher starts, so no presence change can come before its handler.
  connect(TabPageControl, &QTabWidget::currentChanged, this, &TMainForm::TabPageControlChange);
  connect(ExitButton, &QPushButton::clicked, this, &TMainForm::ExitButtonClick);
  connect(PicturesTabSheet->DeleteFileButton, &QPushButton::clicked, this,
          &TMainForm::DeleteFileButtonClick);
  connect(LEDLabelIrDA, &TLED::OnChangeState, this, &TMainForm::LEDLabelIrDAChangeState);

  FormCreate();
}

TMainForm::~TMainForm() {
  FormDestroy();
}

int TMainForm::Scaled(int designSize) const {
  return ::Scaled(designSize, scale_);
}

void TMainForm::BuildBottomStrip() {
  pIrDABottom = new QFrame(this);
  pIrDABottom->setObjectName("pIrDABottom");
  auto* strip = new QHBoxLayout(pIrDABottom);
  strip->setContentsMargins(Scaled(8), Scaled(4), Scaled(8), Scaled(4));
  strip->setSpacing(Scaled(12));

  auto makeLight = [&](const char* name) {
    auto* light = new TLEDLabel(pIrDABottom);
    light->setObjectName(name);
    light->SetColor(lcGreen);
    light->SetAlignment(caRight);
    return light;
  };
  LEDLabelIrDA = makeLight("LEDLabelIrDA");
  pIrDA = new QFrame(pIrDABottom);
  pIrDA->setObjectName("pIrDA");
  pIrDA->setFrameShape(QFrame::VLine);
  pIrDA->setFrameShadow(QFrame::Sunken);
  LEDLabelRead = makeLight("LEDLabelRead");
  LEDLabelWrite = makeLight("LEDLabelWrite");

  ProgressBar = new QProgressBar(pIrDABottom);
  ProgressBar->setObjectName("ProgressBar");
  ProgressBar->setRange(0, kProgressMaximum);
  ProgressBar->setValue(0);
  ProgressBar->setTextVisible(false);

  ExitButton = new QPushButton(pIrDABottom);
  ExitButton->setObjectName("ExitButton");

  strip->addWidget(LEDLabelIrDA);
  strip->addWidget(pIrDA);
  strip->addWidget(LEDLabelRead);
  strip->addWidget(LEDLabelWrite);
  strip->addWidget(ProgressBar, 1);
  strip->addWidget(ExitButton);

  StatusBar = new QStatusBar(this);
  StatusBar->setObjectName("StatusBar");
  StatusBar->setSizeGripEnabled(false);
  for (std::size_t i = 0; i < StatusPanels.size(); ++i) {
    auto* panel = new QLabel(StatusBar);
    panel->setObjectName(QString("StatusPanel%1").arg(i));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    // The action panel takes what the strip has left, so its longer texts stay readable.
    if (i == 1) {
      panel->setMinimumWidth(Scaled(kStatusPanelWidths[i]));
    } else {
      panel->setFixedWidth(Scaled(kStatusPanelWidths[i]));
    }
    StatusBar->addWidget(panel, i == 1 ? 1 : 0);
    StatusPanels[i] = panel;
  }
}

void TMainForm::FormCreate() {
  // No system dialog for a drive that is not ready; the exception handler reports it.
  savedErrorMode_ = platform::SuppressCriticalErrorDialogs();

  // The socket layer, then the watcher that enumerates on it.
  DynaIrDA1.LinkOk = true;
  DynaIrDA1.StartWinsock();
  if (!DynaIrDA1.LinkOk) {
    Prompts().Plain(LangString(65198), this);
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  }

  Watcher = std::make_unique<TCheckDevListThread>(DynaIrDA1, this, [this] { UpdatePresence(); });
  Watcher->start();
  RawFileList.clear();

  // The progress bar is there from the start; no device is known yet.
  ProgressBar->setVisible(true);
  LEDLabelIrDA->SetLit(false);

  PicturesTabSheet->NoPreviewImage->setVisible(false);
  PicturesTabSheet->DummyImage->setVisible(false);

  // The window's design size is given at 120 dots per inch; it opens in the top left corner.
  const double designToScreen = scale_ * 96.0 / kDesignDotsPerInch;
  setFixedSize(::Scaled(kDesignClientWidth, designToScreen),
               ::Scaled(kDesignClientHeight, designToScreen));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().topLeft());
  }
  tabWidth_ = Scaled(kTabWidth);
  tabHeight_ = Scaled(kTabHeight);
  // Tabs stand on the right-hand side: their width runs along the bar.
  TabPageControl->tabBar()->setStyleSheet(
      QString("QTabBar::tab { min-height: %1px; max-height: %1px; min-width: %2px; }")
          .arg(tabWidth_)
          .arg(tabHeight_));

  ActionCode = 14;
  ListsStale = true;
  DeleteHappened = false;

  // The About page first, and the status bar says the device is off.
  TabPageControl->setCurrentIndex(0);
  SetStatusText(1, LangString(65191));
  SetStatusText(2, QString());

  // The pages' start states.
  EnableGreyControls(false);
  PicturesTabSheet->SavePicFileButton->setEnabled(false);
  PicturesTabSheet->pgImport->setCurrentWidget(PicturesTabSheet->tsPictureImport);
  ClearLanguageLists();

  // The working picture is exactly the device's size, whatever the screen.
  ReadImage = MakeWorkingPicture();

  ApplyTexts();
  AboutTabSheetShow();
}

void TMainForm::ApplyTexts() {
  setWindowTitle(LangString(65248));
  LEDLabelIrDA->SetCaption(LangString(65177));
  LEDLabelRead->SetCaption(LangString(65178));
  LEDLabelWrite->SetCaption(LangString(65179));
  ExitButton->setText(LangString(65185));
  AboutTabSheet->ApplyTexts();
  AboutTabSheet->mDescription->appendPlainText(LangString(65251));
  PicturesTabSheet->ApplyTexts();
  LanguagesTabSheet->ApplyTexts();
  SoftwareTabSheet->ApplyTexts();
  TabPageControl->setTabText(0, LangString(65249));
  TabPageControl->setTabText(1, LangString(65252));
  TabPageControl->setTabText(2, LangString(65225));
  TabPageControl->setTabText(3, LangString(65207));
}

void TMainForm::SetStatusText(int panel, const QString& text) {
  StatusPanels.at(static_cast<std::size_t>(panel))->setText(text);
}

QString TMainForm::StatusText(int panel) const {
  return StatusPanels.at(static_cast<std::size_t>(panel))->text();
}

void TMainForm::AboutTabSheetShow() {
  AboutTabSheet->TitleImage2->setVisible(true);
}

void TMainForm::TabPageControlChange(int index) {
  QWidget* page = TabPageControl->widget(index);
  if (page == AboutTabSheet) {
    AboutTabSheetShow();
  } else {
    AboutTabSheet->TitleImage2->setVisible(false);
  }
  if (page != PicturesTabSheet) {
    ClearPicturesPage();
    SetStatusText(2, QString());
  }
  if (page != LanguagesTabSheet) {
    ClearLanguageLists();
    SetStatusText(2, QString());
  }
  if (page == PicturesTabSheet || page == LanguagesTabSheet) LEDLabelIrDAChangeState();
}

void TMainForm::ClearPicturesPage() {
  Catalogue.ClearCatalogue();
  PictureCatalogueLoaded = false;
  RawFileList.clear();
  PicturesTabSheet->ReadOnlyListBox->clear();
  PicturesTabSheet->PicturesListBox->clear();
  PicturesTabSheet->ViewImage->setVisible(false);
  PicturesTabSheet->cbStartUpPic->setChecked(false);
  PicturesTabSheet->PicFilenameTntPanel->setText("---");
  PicturesTabSheet->NmbOfPixPanel->setText("---");
  SetStatusText(2, QString());
  PicturesTabSheet->SavePicFileButton->setEnabled(false);
  PicturesTabSheet->pgImport->setCurrentWidget(PicturesTabSheet->tsPictureImport);
}

void TMainForm::ClearLanguageLists() {
  LanguagesTabSheet->LangReadOnlyTntListBox->clear();
  LanguagesTabSheet->LanguageTntListBox->clear();
}

void TMainForm::EnableGreyControls(bool enabled) {
  PicturesPage& page = *PicturesTabSheet;
  // The sliders go back to the middle without reconverting the picture.
  for (QSlider* slider : {page.slBlack, page.slGray, page.slWhite}) {
    const QSignalBlocker quiet(slider);
    slider->setEnabled(enabled);
    slider->setValue(slider->maximum() / 2);
  }
  for (QWidget* w :
       std::initializer_list<QWidget*>{page.lBlack, page.lGrey, page.lWhite, page.lBright,
                                       page.lDefault, page.lDark, page.pGray, page.lGrayTitle}) {
    w->setEnabled(enabled);
  }
}

void TMainForm::UpdatePresence() {
  if (closing_) return;
  PicturesPage& page = *PicturesTabSheet;
  if (DynaIrDA1.ListedDeviceCount() > 0) {
    DeviceId = DynaIrDA1.FirstDeviceId();
    page.WrdPicButton->setEnabled(!page.ViewImage->isHidden());
    LEDLabelIrDA->SetLit(true);
  } else {
    page.WrdPicButton->setEnabled(false);
    LEDLabelIrDA->SetLit(false);
  }
  if (!page.cbStartUpPic->isChecked() && !PreviewFromPC) {
    // The button's own state: the page control may be disabled around it during a transfer.
    page.cbStartUpPic->setEnabled(page.WrdPicButton->isEnabledTo(&page));
  }
}

void TMainForm::LEDLabelIrDAChangeState() {
  const bool present = LEDLabelIrDA->Lit();
  SetStatusText(1, LangString(present ? 65190 : 65191));

  QWidget* page = TabPageControl->currentWidget();
  if (present && page == PicturesTabSheet) {
    if (ListsStale) ClearPicturesPage();
    ListsStale = false;
    StartPictureRead();
  } else {
    EnableGreyControls(false);
    PicturesTabSheet->DeleteFileButton->setEnabled(false);
    LanguagesTabSheet->DeleteLangButton->setEnabled(false);
    LanguagesTabSheet->cbDefaultLang->setEnabled(false);
    ListsStale = true;
  }
  if (present && page == LanguagesTabSheet) StartLanguageRead();
}

// The automatic reads of the two device pages: the picture directory first, every picture once
// it is known; the language directory.
void TMainForm::StartPictureRead() {
  if (PictureCatalogueLoaded) {
    StartAction(3, false, LangString(65193));
  } else {
    StartAction(2, false, LangString(65192));
  }
}

void TMainForm::StartLanguageRead() {
  StartAction(1, false);
  ClearLanguageLists();
}

void TMainForm::ExitButtonClick() {
  ImportBuffer.clear();
  // Exit stays clickable during a transfer; a second worker must never start beside the first,
  // so the window just closes once the running transfer has stopped.
  if (DeleteHappened && LEDLabelIrDA->Lit() && !transferActive_) {
    // The device tidies its memory first; the clean-up ends the program once it is ready.
    StartAction(9, true, LangString(65186));
    return;
  }
  close();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (transferActive_) {
    // The worker may be waiting for a call into this window: stop it first, close when it ends.
    stopRequested_ = true;
    if (worker_) worker_->requestInterruption();
    closePending_ = true;
    event->ignore();
    return;
  }
  FormDestroy();
  event->accept();
}

void TMainForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  closing_ = true;
  StopTransferAndWait();

  platform::RestoreErrorMode(savedErrorMode_);
  if (!Watcher) return;

  TWaitForm wait(this, scale_);
  wait.setWindowTitle(LangString(65248));
  wait.SetMessage(LangString(65199));
  wait.ShowNow();
  const bool finished = Watcher->StopAndWait();
  wait.hide();
  if (finished) {
    Watcher.reset();
  } else {
    // A watcher stuck in a platform call cannot be joined within the bound. Leave it to the
    // process's end instead of destroying a running thread; the socket layer stays up for it.
    static_cast<void>(Watcher.release());
    return;
  }
  DynaIrDA1.StopWinsock();

  ClearPicturesPage();
  ClearLanguageLists();
}

// ---- Transfers ------------------------------------------------------------------------------

void TMainForm::StartAction(std::uint8_t actionCode, bool writeDirection,
                            const QString& statusText) {
  RetryCount = 0;
  TLEDLabel* light = writeDirection ? LEDLabelWrite : LEDLabelRead;
  light->SetColor(lcGreen);
  light->SetLit(true);
  ActionCode = actionCode;
  if (!statusText.isEmpty()) SetStatusText(1, statusText);
  StartTransfer(writeDirection);
}

void TMainForm::StartTransfer(bool writeDirection) {
  if (closing_) return;
  Watcher->PauseWatch();
  SetControlsEnabled(false, false);
  auto* worker = new TIrDAThread(*this, this, socketApi_);
  worker->DeviceId = DeviceId;
  worker->WriteDirection = writeDirection;
  Watcher->WaitPaused();
  worker_ = worker;
  transferActive_ = true;
  worker->start();
}

void TMainForm::SetBusyCursor(bool busy) {
  if (busy == busyCursor_) return;
  busyCursor_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void TMainForm::SetControlsEnabled(bool enabled, bool aborted) {
  if (ActionCode == 6) {
    TabPageControl->setEnabled(enabled);
    if (aborted) {
      SetBusyCursor(false);
      ProgressBar->setValue(0);
      LastPartSent = false;
    } else if (!enabled) {
      SetBusyCursor(true);
    }
    return;
  }
  PicturesPage& page = *PicturesTabSheet;
  ProgressBar->setValue(0);
  const bool canWrite = enabled && !page.ViewImage->isHidden();
  page.WrdPicButton->setEnabled(canWrite);
  if (!page.cbStartUpPic->isChecked() && !PreviewFromPC) page.cbStartUpPic->setEnabled(canWrite);
  TabPageControl->setEnabled(enabled);
  SetBusyCursor(!enabled);
}

void TMainForm::PrepareUpload(bool writeDirection, TDeviceInfo& info) {
  uploadEntry_ = -1;
  uploadRawFile_ = false;
  if (!writeDirection) return;
  switch (ActionCode) {
    case 4: {
      const int index = Catalogue.CatalogueCount();
      if (TFileHeader* entry = Catalogue.AppendEntry()) {
        entry->ParseRaw(ImportBuffer);
        entry->CopyFrom(*entry, index);
        uploadEntry_ = index;
      }
      info.Package = ImportBuffer;
      break;
    }
    case 5: {
      UploadHeader = std::make_unique<TFileHeader>();
      ImportBuffer = EncodePicture(ReadImage);
      info.PixelData = ImportBuffer;
      TFileHeader& header = *UploadHeader;
      header.SetFileSize(static_cast<std::int32_t>(kPictureFileSize));
      header.SetDefaultFlag(0);
      header.SetAddedMark(0xFF);
      header.SetPosition(255);
      header.SetTypeCode(kTypePicture);
      header.SetAuxByte(0xFF);
      header.SetAuxWord(0xFF00);
      header.SetVersion(0x0100);
      header.SetName(DeviceName(PicturesTabSheet->PicFilenameTntPanel->text().toLatin1()));
      header.SetChecksum(0);
      header.SetImage(ReadImage.copy());
      info.HeaderPacket = header.BuildRaw();

      const int index = Catalogue.CatalogueCount();
      platform::Bytes file = info.HeaderPacket;
      file.insert(file.end(), info.PixelData.begin(), info.PixelData.end());
      // The raw file list stays aligned with the catalogue: it gets the file only if the
      // catalogue gets the entry.
      if (TFileHeader* entry = Catalogue.AppendEntry()) {
        entry->CopyFrom(header, index);
        uploadEntry_ = index;
        if (RawFileList.size() == static_cast<std::size_t>(index)) {
          RawFileList.push_back(std::move(file));
          uploadRawFile_ = true;
        }
      }
      break;
    }
    case 6:
      info.Package = ImportBuffer;
      break;
    default:
      break;
  }
}

void TMainForm::DropFailedUpload() {
  if (uploadEntry_ < 0) return;
  if (uploadRawFile_ && RawFileList.size() == static_cast<std::size_t>(uploadEntry_) + 1) {
    RawFileList.pop_back();
  }
  Catalogue.RemoveEntry(uploadEntry_);
  uploadEntry_ = -1;
  uploadRawFile_ = false;
}

void TMainForm::RunActions(bool writeDirection, TDynaIrDA& link, TDeviceInfo& info) {
  if (writeDirection) {
    RunWriteActions(link, info, *this);
  } else {
    RunReadActions(link, info, *this);
  }
}

void TMainForm::ProcessResults(bool writeDirection, TDeviceInfo& info) {
  AfterTransferUpdate(writeDirection, info);
  if (!writeDirection) ProcessReadResults(info);
}

void TMainForm::FinishTransfer(bool failed, bool stopRequested, bool writeDirection) {
  transferActive_ = false;
  if (failed) {
    DropFailedUpload();
    if (RetryCount < 3) {
      ++RetryCount;
      // A program that is ending (a foreign device, the window closing) tries no more.
      if (!stopRequested && !StopRequested()) StartTransfer(writeDirection);
    } else {
      for (TLEDLabel* light : {LEDLabelRead, LEDLabelWrite}) {
        if (light->Lit()) light->SetColor(lcRed);
      }
      SetControlsEnabled(true, true);
      Watcher->ResumeWatch();
      Prompts().Warning(LangString(65176), TBeep::Notice, this);
      SetStatusText(1, QString());
    }
  } else {
    LEDLabelRead->SetLit(false);
    LEDLabelWrite->SetLit(false);
    SetControlsEnabled(true, false);
    Watcher->ResumeWatch();
    if (ActionCode == 2) LEDLabelIrDAChangeState();
  }
  if (closePending_ && !transferActive_) QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::StopTransferAndWait() {
  stopRequested_ = true;
  if (worker_) worker_->requestInterruption();
  // Let the worker's remaining synchronised calls through until its finish step has run; that
  // step always comes as a call, so waiting for events cannot miss it.
  while (transferActive_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (worker_) worker_->wait();
}

void TMainForm::SetProgressMaximum(int maximum) {
  ProgressBar->setMaximum(maximum);
}

void TMainForm::SetProgressPosition(int position) {
  ProgressBar->setValue(position);
}

void TMainForm::StepProgress() {
  if (ProgressBar->value() < ProgressBar->maximum())
    ProgressBar->setValue(ProgressBar->value() + 1);
}

void TMainForm::ProcessEvents() {
  QCoreApplication::processEvents();
}

void TMainForm::Notify(TNoticeKind kind, int textId) {
  switch (kind) {
    case TNoticeKind::Error:
      Prompts().Error(LangString(textId), TBeep::Error, this);
      break;
    case TNoticeKind::Notice:
      Prompts().Error(LangString(textId), TBeep::Notice, this);
      break;
    case TNoticeKind::Warning:
      Prompts().Warning(LangString(textId), TBeep::Notice, this);
      break;
  }
}

bool TMainForm::AskYesNo(int textId) {
  return Prompts().Ask(TMessageKind::Warning, LangString(textId), TBeep::Notice, this);
}

void TMainForm::RequestTerminate() {
  TerminateRequested = true;
  stopRequested_ = true;
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void TMainForm::AfterTransferUpdate(bool writeDirection, const TDeviceInfo& info) {
  const std::uint8_t code = ActionCode;
  PicturesPage& pictures = *PicturesTabSheet;
  if (code == 3 || code == 5) {
    if (Catalogue.CatalogueCount() > 0) {
      pictures.NmbOfPixPanel->setText(LangStrings::PictureCountText(Catalogue.CatalogueCount()));
    }
    if (writeDirection && UploadHeader) {
      TPictureItemDelegate::AddItem(pictures.PicturesListBox, UploadHeader->NameSingleByteText(),
                                    UploadHeader->Image());
    }
    if (!Catalogue.MarkDefault(info.AreaReply, 1)) {
      Prompts().Error(LangString(65221), TBeep::Error, this);
    }
    if (writeDirection) pictures.PicturesListBox->scrollToBottom();
  } else if (code == 4) {
    LanguagesTabSheet->LanguageTntListBox->addItem(LanguagesTabSheet->LangDescrTntPanel->text());
  } else if (code == 6) {
    if (FirmwareWriteMarker) {
      SetBusyCursor(false);
      ProgressBar->setValue(0);
      FirmwareWriteMarker = false;
      LastPartSent = false;
    }
  } else if (code == 8) {
    RemoveDeletedEntries();
  }
  uploadEntry_ = -1;  // the upload is the device's now: a later failure keeps it
  SetStatusText(1, QString());
}

QString TMainForm::SelectedPicturesText() const {
  const int count = static_cast<int>(PicturesTabSheet->ReadOnlyListBox->selectedItems().size() +
                                     PicturesTabSheet->PicturesListBox->selectedItems().size());
  return LangStrings::SelectedPicturesText(count);
}

void TMainForm::RemoveDeletedEntries() {
  QWidget* page = TabPageControl->currentWidget();
  if (page == PicturesTabSheet) {
    PicturesPage& pictures = *PicturesTabSheet;
    const int factory = pictures.ReadOnlyListBox->count();
    for (int j = pictures.PicturesListBox->count() - 1; j >= 0; --j) {
      if (!pictures.PicturesListBox->item(j)->isSelected()) continue;
      const int e = factory + j;
      if (const TFileHeader* entry = Catalogue.Entry(e); entry && entry->DefaultFlag() == 1) {
        // The device's default moves to the second entry; never onto the one going away.
        if (TFileHeader* second = Catalogue.Entry(1); second && e != 1) second->SetDefaultFlag(1);
      }
      Catalogue.RemoveEntry(e);
      if (static_cast<std::size_t>(e) < RawFileList.size()) {
        RawFileList.erase(RawFileList.begin() + e);
      }
      delete pictures.PicturesListBox->takeItem(j);
    }
    pictures.PicFilenameTntPanel->setText("---");
    SetStatusText(2, SelectedPicturesText());
    pictures.ViewImage->setVisible(false);
    pictures.DeleteFileButton->setEnabled(false);
    pictures.cbStartUpPic->setChecked(false);
    pictures.NmbOfPixPanel->setText(
        Catalogue.CatalogueCount() == 0
            ? QStringLiteral("---")
            : LangStrings::PictureCountText(Catalogue.CatalogueCount()));
    pictures.PicturesListBox->scrollToTop();
  } else if (page == LanguagesTabSheet) {
    LanguagesPage& languages = *LanguagesTabSheet;
    const int j = languages.LanguageTntListBox->currentRow();
    if (j >= 0) {
      const int e = languages.LangReadOnlyTntListBox->count() + j;
      if (const TFileHeader* entry = Catalogue.Entry(e); entry && entry->DefaultFlag() == 1) {
        if (TFileHeader* first = Catalogue.Entry(0); first && e != 0) first->SetDefaultFlag(1);
        languages.cbDefaultLang->setChecked(false);
        languages.cbDefaultLang->setEnabled(true);
      }
      Catalogue.RemoveEntry(e);
      delete languages.LanguageTntListBox->takeItem(j);
    }
    SetStatusText(2, QString());
    languages.DeleteLangButton->setEnabled(false);
  }
}

void TMainForm::DeleteFileButtonClick() {
  const bool yes = Prompts().Ask(TMessageKind::Warning, LangString(65218), TBeep::Notice, this);
  if (!yes || !LEDLabelIrDA->Lit()) return;
  DeleteHappened = true;
  StartAction(8, true, LangString(65194));
}

void TMainForm::ProcessReadResults(const TDeviceInfo& info) {
  switch (ActionCode) {
    case 1: {
      const TCatalogue::TLanguageNames names =
          Catalogue.BuildCatalogue(info.DirReply, 3, RawFileList);
      LanguagesTabSheet->LangReadOnlyTntListBox->addItems(names.Factory);
      LanguagesTabSheet->LanguageTntListBox->addItems(names.Added);
      if (!Catalogue.MarkDefault(info.AreaReply, 0)) {
        Prompts().Error(LangString(65221), TBeep::Error, this);
      }
      LanguagesTabSheet->ImportLangButton->setEnabled(true);
      break;
    }
    case 2:
      Catalogue.BuildCatalogue(info.DirReply, 4, RawFileList);
      PictureCatalogueLoaded = true;
      break;
    case 3:
      StoreDownloadedPictures();
      break;
    default:
      break;
  }
}

void TMainForm::StoreDownloadedPictures() {
  const int count = Catalogue.CatalogueCount();
  for (int i = 0; i < count; ++i) {
    TFileHeader* entry = Catalogue.Entry(i);
    if (!entry->Image().isNull()) continue;  // uploaded in this visit, already listed
    // A file the read did not deliver stays unlisted rather than showing another's picture.
    if (static_cast<std::size_t>(i) >= RawFileList.size()) break;
    DecodePicture(RawFileList[static_cast<std::size_t>(i)], ReadImage);
    entry->SetImage(ReadImage.copy());
    QListWidget* list = entry->AddedMark() == 0 ? PicturesTabSheet->ReadOnlyListBox
                                                : PicturesTabSheet->PicturesListBox;
    TPictureItemDelegate::AddItem(list, entry->NameSingleByteText(), entry->Image());
  }
}

std::vector<std::uint32_t> TMainForm::BuildDeleteList() {
  std::vector<std::uint32_t> list;
  QListWidget* added = nullptr;
  int factoryCount = 0;
  if (TabPageControl->currentWidget() == PicturesTabSheet) {
    added = PicturesTabSheet->PicturesListBox;
    factoryCount = PicturesTabSheet->ReadOnlyListBox->count();
  } else if (TabPageControl->currentWidget() == LanguagesTabSheet) {
    added = LanguagesTabSheet->LanguageTntListBox;
    factoryCount = LanguagesTabSheet->LangReadOnlyTntListBox->count();
  } else {
    return list;
  }
  for (int j = 0; j < added->count(); ++j) {
    if (!added->item(j)->isSelected()) continue;
    TFileHeader* entry = Catalogue.Entry(factoryCount + j);
    if (!entry) continue;  // a list item without its entry is never sent for deletion
    entry->SetAddedMark(0xFF);
    list.push_back(0xFFu | std::uint32_t{entry->TypeCode()} << 8 |
                   std::uint32_t{entry->Position()} << 16);
  }
  return list;
}
