// AboutPage: the About tab of the main window: title, setup caption, title picture and the
// welcome text.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "widgets/PageHost.h"

class QLabel;
class QPlainTextEdit;

class AboutPage : public QWidget, public TWindowPage {
  Q_OBJECT

 public:
  // `f` is the screen's dots per inch / 96; design sizes are multiplied by it.
  explicit AboutPage(double f = 1.0, QWidget* parent = nullptr);

  // Title and setup caption from the text table; the page's tab caption goes into
  // windowTitle(). The table's welcome text is the main window's to add (AddWelcome).
  void ApplyTexts();
  // Appends `text` to the description.
  void AddWelcome(const QString& text);

  // Runs each time the page is shown: the title picture is shown with it.
  void AboutTabSheetShow();
  // TWindowPage.
  void Shown() override { AboutTabSheetShow(); }
  void Left() override;

  // The title banner, `size` in device pixels.
  static QPixmap DrawTitlePicture(QSize size);

  // Design sizes at 96 dots per inch.
  static constexpr int kTitleImageWidth = 640;
  static constexpr int kTitleImageHeight = 120;

 private:
  QLabel* lOrvanelSetup;
  QLabel* lTitle;
  QLabel* TitleImage2;
  QPlainTextEdit* mDescription;
};
