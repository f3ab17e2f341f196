// TWaitForm: the small stay-on-top window that asks the user to wait while the infrared link is
// shut down at exit.
#pragma once

#include <QDialog>

class QLabel;

class TWaitForm : public QDialog {
  Q_OBJECT

 public:
  // `scale` is the screen's dots per inch / 96; the window scales its own size by it.
  TWaitForm(QWidget* owner, double scale);

  void SetMessage(const QString& text);
  // Shows the window centred on its owner and paints it at once, before the caller blocks.
  void ShowNow();

  QLabel* PanelWait;

  static constexpr int kDesignWidth = 360;
  static constexpr int kDesignHeight = 90;
};
