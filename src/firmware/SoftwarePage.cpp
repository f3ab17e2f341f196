#include "firmware/SoftwarePage.h"

#include <QGroupBox>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "firmware/WizardForm.h"
#include "texts/LangStrings.h"
#include "transfer/TransferSession.h"
#include "widgets/PackagePanel.h"
#include "widgets/PageHost.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

// The imported firmware file: caption and value panel of each field, top down.
constexpr TPackagePanel::TRow kImportFields[] = {
    {TPackagePanel::TField::FileName, "lSelctSoft", TText::FirmwareFileLabel, "SWFilenamePanel"},
    {TPackagePanel::TField::Name, "lDecription", TText::DescriptionLabel, "SWDescrPanel"},
    {TPackagePanel::TField::Version, "lSWVersion", TText::VersionLabel, "SWVersionPanel"},
    {TPackagePanel::TField::Size, "lSWSize", TText::SizeLabel, "SWSizePanel"},
    {TPackagePanel::TField::Checksum, "lChecksum", TText::ChecksumLabel, "SWChksumPanel"},
};

void DrawStrap(QPainter& p, const QRectF& band, bool withHoles) {
  QLinearGradient shade(band.topLeft(), band.topRight());
  shade.setColorAt(0.0, QColor(0x1d, 0x24, 0x2c));
  shade.setColorAt(0.5, QColor(0x3a, 0x46, 0x54));
  shade.setColorAt(1.0, QColor(0x1d, 0x24, 0x2c));
  p.setPen(QPen(QColor(0x12, 0x16, 0x1b), 1.2));
  p.setBrush(shade);
  p.drawRoundedRect(band, 10, 10);
  // Ribs across the strap, as rubber straps have.
  p.setPen(QPen(QColor(0x55, 0x62, 0x70, 150), 1));
  for (qreal y = band.top() + 8; y < band.bottom() - 4; y += 9)
    p.drawLine(QPointF(band.left() + 6, y), QPointF(band.right() - 6, y));
  if (withHoles) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x0c, 0x0f, 0x12));
    for (qreal y = band.top() + 22; y < band.bottom() - 8; y += 14)
      p.drawEllipse(QPointF(band.center().x(), y), 3.2, 2.4);
  }
}

}  // namespace

QPixmap SoftwarePage::DrawProductPicture(QSize size) {
  QPixmap picture(size);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(size.width() / qreal(kPictureWidth), size.height() / qreal(kPictureHeight));

  DrawStrap(p, QRectF(52, 0, 76, 82), false);
  DrawStrap(p, QRectF(52, 198, 76, 82), true);

  // Push buttons on the flanks, drawn first so the case overlaps their inner ends.
  p.setPen(QPen(QColor(0x2c, 0x33, 0x3b), 1));
  p.setBrush(QColor(0x9a, 0xa4, 0xae));
  for (qreal y : {104.0, 160.0}) {
    p.drawRoundedRect(QRectF(4, y, 16, 16), 3, 3);
    p.drawRoundedRect(QRectF(160, y, 16, 16), 3, 3);
  }

  // The case: brushed metal with a dark bezel.
  const QRectF caseRect(14, 60, 152, 160);
  QLinearGradient metal(caseRect.topLeft(), caseRect.bottomRight());
  metal.setColorAt(0.0, QColor(0xe4, 0xe8, 0xec));
  metal.setColorAt(0.45, QColor(0x8c, 0x96, 0xa0));
  metal.setColorAt(1.0, QColor(0xcf, 0xd6, 0xdd));
  p.setPen(QPen(QColor(0x30, 0x36, 0x3e), 1.6));
  p.setBrush(metal);
  p.drawRoundedRect(caseRect, 44, 44);
  const QRectF bezel = caseRect.adjusted(10, 10, -10, -10);
  p.setPen(QPen(QColor(0x0e, 0x12, 0x17), 1));
  p.setBrush(QColor(0x1b, 0x22, 0x2b));
  p.drawRoundedRect(bezel, 36, 36);

  // The display in the device's own four grey levels, showing a dive in progress.
  const QColor level0(0x00, 0x00, 0x00), level1(0x40, 0x40, 0x40), level2(0xa0, 0xa0, 0xa4),
      level3(0xc0, 0xdc, 0xc0);
  const QRectF screen(38, 98, 104, 65);
  p.setPen(QPen(level1, 1.4));
  p.setBrush(level3);
  p.drawRoundedRect(screen, 3, 3);
  QFont digits;
  digits.setFamilies({"DejaVu Sans", "Liberation Sans"});
  digits.setBold(true);
  digits.setPixelSize(26);
  p.setFont(digits);
  p.setPen(level0);
  p.drawText(QRectF(screen.left() + 14, screen.top() + 4, 74, 30),
             Qt::AlignRight | Qt::AlignVCenter, "23.4");
  QFont small = digits;
  small.setPixelSize(10);
  p.setFont(small);
  p.drawText(QRectF(screen.left() + 89, screen.top() + 19, 14, 12), Qt::AlignLeft, "m");
  p.setPen(level1);
  p.drawText(QRectF(screen.left() + 14, screen.top() + 38, 40, 12), Qt::AlignLeft, "47'");
  p.drawText(QRectF(screen.left() + 50, screen.top() + 38, 50, 12), Qt::AlignRight, "18°C");
  // Tank-style gauge on the left edge.
  p.setPen(Qt::NoPen);
  for (int bar = 0; bar < 6; ++bar) {
    p.setBrush(bar < 4 ? level1 : level2);
    p.drawRect(QRectF(screen.left() + 4, screen.bottom() - 10 - bar * 8, 6, 6));
  }
  p.setPen(QPen(level2, 1));
  p.drawLine(QPointF(screen.left() + 14, screen.bottom() - 12),
             QPointF(screen.right() - 4, screen.bottom() - 12));

  QFont brand;
  brand.setFamilies({"DejaVu Sans", "Liberation Sans"});
  brand.setPixelSize(11);
  brand.setBold(true);
  brand.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
  p.setFont(brand);
  p.setPen(QColor(0xc8, 0xd0, 0xd8));
  p.drawText(QRectF(bezel.left(), 170, bezel.width(), 16), Qt::AlignCenter, "ORVANEL");
  p.setPen(QPen(QColor(0x4f, 0xb3, 0xd9), 1.6));
  p.drawLine(QPointF(70, 78), QPointF(110, 78));
  return picture;
}

SoftwarePage::SoftwarePage(double f, QWidget* parent) : QWidget(parent), scale_(f) {
  setObjectName("SoftwareTabSheet");
  SetPageFont(this);

  lSoftTitle = NewTitleLabel(this, "lSoftTitle", 12);

  gbSoftwareDrive = new TPackagePanel(this, "gbSoftwareDrive", kImportFields, "LoadSWFileButton",
                                      TText::ImportFirmwareButton, f);
  gbSoftwareDrive->Expose(
      {&lSelctSoft, &lDecription, &lSWVersion, &lSWSize, &lChecksum},
      {&SWFilenamePanel, &SWDescrPanel, &SWVersionPanel, &SWSizePanel, &SWChksumPanel});
  LoadSWFileButton = gbSoftwareDrive->ImportButton();

  WriteSWButton =
      NewButton(this, "WriteSWButton", kWriteButtonWidth, f, LangString(TFixedText::WriteArrow));
  WriteSWButton->setEnabled(false);  // nothing imported yet

  gbSoftwareOrvanel = NewGroupBox(this, "gbSoftwareOrvanel", kOrvanelWidth, f);
  const QSize pictureSize(Scaled(kPictureWidth, f), Scaled(kPictureHeight, f));
  OrvanelImage = new QLabel(gbSoftwareOrvanel);
  OrvanelImage->setObjectName("OrvanelImage");
  OrvanelImage->setPixmap(DrawProductPicture(pictureSize));
  OrvanelImage->hide();
  SWImage = new QLabel(gbSoftwareOrvanel);
  SWImage->setObjectName("SWImage");
  SWImage->setFixedSize(pictureSize);
  SWImage->setPixmap(OrvanelImage->pixmap());
  auto* device = new QVBoxLayout(gbSoftwareOrvanel);
  device->setContentsMargins(Scaled(8, f), Scaled(8, f), Scaled(8, f), Scaled(8, f));
  device->addStretch(1);
  device->addWidget(SWImage, 0, Qt::AlignCenter);
  device->addStretch(1);

  LayOutTransferPage(this, lSoftTitle, gbSoftwareDrive, WriteSWButton, gbSoftwareOrvanel, f);

  connect(LoadSWFileButton, &QPushButton::clicked, this, &SoftwarePage::LoadSWFileButtonClick);
  connect(WriteSWButton, &QPushButton::clicked, this, &SoftwarePage::WriteSWButtonClick);
}

void SoftwarePage::ApplyTexts() {
  setWindowTitle(LangString(TText::SoftwareTab));
  lSoftTitle->setText(LangString(TText::SoftwareTitle));
  gbSoftwareDrive->ApplyTexts();
  SetSpokenHint(WriteSWButton, LangString(TText::WriteFirmwareHint));
  gbSoftwareOrvanel->setTitle(LangString(TText::DeviceGroup));
}

void SoftwarePage::SoftwareTabSheetShow() {
  WriteSWButton->setEnabled(false);
  gbSoftwareDrive->Reset();
}

void SoftwarePage::LoadSWFileButtonClick() {
  if (host_) gbSoftwareDrive->Import(kTypeFirmware, WriteSWButton, package_);
}

void SoftwarePage::WriteSWButtonClick() {
  bool completed = false;
  {
    TWizardForm wizard(scale_, this);
    completed = Prompts().ExecModal(wizard) == QDialog::Accepted;
  }
  if (!completed || !host_) return;
  if (!host_->DeviceDetected()) {
    Prompts().Plain(LangString(TText::WizardNoDevice), this);
    return;
  }
  host_->StartAction({.Action = TAction::WriteFirmware, .Package = package_, .Results = this},
                     LangString(TText::WriteFirmwareStatus));
}

void SoftwarePage::FirmwareUpdateCompleted() {
  Prompts().Information(LangString(TText::FirmwareCompleted), TBeep::Notice, this);
}
