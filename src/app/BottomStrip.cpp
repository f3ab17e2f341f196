// The window's bottom strip: the three lights, the progress bar and Exit above the status bar
// with its three panels.
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

#include "app/Main.h"
#include "texts/LangStrings.h"
#include "widgets/LED.h"
#include "widgets/PageWidgets.h"

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
  ProgressBar->setAccessibleName(QStringLiteral("Avanzamento del trasferimento"));

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
    } else if (i == 2) {
      // The selection count keeps its design width unless its text needs more in this face.
      const int text = panel->fontMetrics().horizontalAdvance(
          LangStrings::SelectedPicturesText(888) + QStringLiteral("  "));
      panel->setFixedWidth(std::max(Scaled(kStatusPanelWidths[i]), text));
    } else {
      panel->setFixedWidth(Scaled(kStatusPanelWidths[i]));
    }
    StatusBar->addWidget(panel, i == 1 ? 1 : 0);
    StatusPanels[i] = panel;
  }
}
