#include "app/BottomStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "texts/LangStrings.h"
#include "widgets/LED.h"
#include "widgets/PageWidgets.h"

TBottomStrip::TBottomStrip(double f, QWidget* parent) : QWidget(parent) {
  setObjectName("BottomStrip");
  const auto scaled = [f](int designSize) { return Scaled(designSize, f); };
  pIrDABottom = new QFrame(this);
  pIrDABottom->setObjectName("pIrDABottom");
  auto* strip = new QHBoxLayout(pIrDABottom);
  strip->setContentsMargins(scaled(8), scaled(4), scaled(8), scaled(4));
  strip->setSpacing(scaled(12));

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
  ProgressBar->setAccessibleName(LangString(TNamedText::TransferProgressName));

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
      panel->setMinimumWidth(scaled(kStatusPanelWidths[i]));
    } else if (i == 2) {
      // The selection count keeps its design width unless its text needs more in this face.
      const int text = panel->fontMetrics().horizontalAdvance(
          LangStrings::SelectedPicturesText(888) + QStringLiteral("  "));
      panel->setFixedWidth(std::max(scaled(kStatusPanelWidths[i]), text));
    } else {
      panel->setFixedWidth(scaled(kStatusPanelWidths[i]));
    }
    StatusBar->addWidget(panel, i == 1 ? 1 : 0);
    StatusPanels[i] = panel;
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(pIrDABottom);
  layout->addWidget(StatusBar);
}

void TBottomStrip::ApplyTexts() {
  LEDLabelIrDA->SetCaption(LangString(TText::PresenceLight));
  LEDLabelRead->SetCaption(LangString(TText::ReadLight));
  LEDLabelWrite->SetCaption(LangString(TText::WriteLight));
  ExitButton->setText(LangString(TText::ExitButton));
}

void TBottomStrip::SetStatusText(int panel, const QString& text) {
  StatusPanels.at(static_cast<std::size_t>(panel))->setText(text);
}

QString TBottomStrip::StatusText(int panel) const {
  return StatusPanels.at(static_cast<std::size_t>(panel))->text();
}

int TBottomStrip::StatusPanelWidth(int panel) const {
  return StatusPanels.at(static_cast<std::size_t>(panel))->width();
}

void TBottomStrip::LightTransfer(bool write) {
  TLEDLabel* light = write ? LEDLabelWrite : LEDLabelRead;
  light->SetColor(lcGreen);
  light->SetLit(true);
}

void TBottomStrip::EndTransferLights(bool gaveUp) {
  for (TLEDLabel* light : {LEDLabelRead, LEDLabelWrite}) {
    if (!gaveUp) {
      light->SetLit(false);
    } else if (light->Lit()) {
      light->SetColor(lcRed);
    }
  }
}

void TBottomStrip::SetProgressMaximum(int maximum) {
  ProgressBar->setMaximum(maximum);
}

void TBottomStrip::SetProgressPosition(int position) {
  ProgressBar->setValue(position);
}

void TBottomStrip::StepProgress() {
  if (ProgressBar->value() < ProgressBar->maximum())
    ProgressBar->setValue(ProgressBar->value() + 1);
}
