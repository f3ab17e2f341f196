#include "firmware/WaitForm.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "widgets/PageWidgets.h"

TWaitForm::TWaitForm(QWidget* owner, double scale)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowStaysOnTopHint) {
  setObjectName("WaitForm");
  setModal(false);
  PanelWait = new QLabel(this);
  PanelWait->setObjectName("PanelWait");
  PanelWait->setAlignment(Qt::AlignCenter);
  PanelWait->setWordWrap(true);
  PanelWait->setFrameShape(QFrame::Panel);
  PanelWait->setFrameShadow(QFrame::Raised);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(PanelWait);
  setFixedSize(Scaled(kDesignWidth, scale), Scaled(kDesignHeight, scale));
}

void TWaitForm::SetMessage(const QString& text) {
  PanelWait->setText(text);
}

void TWaitForm::ShowNow() {
  if (QWidget* owner = parentWidget()) {
    const QRect area = owner->frameGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
  show();
  raise();
  repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
