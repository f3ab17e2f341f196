#include "widgets/PageWidgets.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

#include "texts/LangStrings.h"

namespace {

constexpr int kValuePanelHeight = 21;

}  // namespace

int Scaled(int designPixels, double f) {
  return static_cast<int>(std::lround(designPixels * f));
}

void SetPageFont(QWidget* page) {
  QFont pageFont = page->font();
  pageFont.setFamilies({"Liberation Sans", "DejaVu Sans"});
  pageFont.setPointSize(8);
  page->setFont(pageFont);
}

QLabel* NewLabel(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  return label;
}

QLabel* NewTitleLabel(QWidget* parent, const char* name, int pointSize, bool bold) {
  QLabel* label = NewLabel(parent, name);
  QFont title = label->font();
  title.setPointSize(pointSize);
  if (bold) title.setBold(true);
  label->setFont(title);
  return label;
}

QLabel* NewPanel(QWidget* parent, const char* name, const QString& text) {
  auto* panel = new QLabel(text, parent);
  panel->setObjectName(name);
  panel->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  panel->setAlignment(Qt::AlignCenter);
  return panel;
}

QLabel* NewValuePanel(QWidget* parent, const char* name, double f) {
  QLabel* panel = NewPanel(parent, name, LangString(TFixedText::NoValue));
  panel->setFixedHeight(Scaled(kValuePanelHeight, f));
  return panel;
}

QPushButton* NewButton(QWidget* parent, const char* name, int designWidth, double f,
                       const QString& text) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setFixedWidth(Scaled(designWidth, f));
  return button;
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, int designWidth, double f) {
  auto* box = new QGroupBox(parent);
  box->setObjectName(name);
  box->setFixedWidth(Scaled(designWidth, f));
  return box;
}

QToolBar* NewToolBar(QWidget* parent, const char* name, double f) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(name);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setIconSize(QSize(Scaled(16, f), Scaled(16, f)));
  bar->setContentsMargins(0, 0, 0, 0);
  return bar;
}

void MakeRestingField(QLineEdit* field) {
  field->setEnabled(false);
  // The resting text stays selected, to be typed over once the field wakes, but a selection in
  // a field nobody can type into would only look like a fault: at rest it takes the field's
  // own colours. Waking gives the field the full palette back, so this is done on every rest.
  QPalette resting = field->palette();
  const QColor background = resting.color(QPalette::Window);
  resting.setColor(QPalette::Disabled, QPalette::Base, background);
  resting.setColor(QPalette::Disabled, QPalette::Highlight, background);
  resting.setColor(QPalette::Disabled, QPalette::HighlightedText,
                   resting.color(QPalette::Disabled, QPalette::Text));
  field->setPalette(resting);
  field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void WakeRestingField(QLineEdit* field, const QString& text, QPushButton* apply) {
  field->setEnabled(true);
  field->setReadOnly(false);
  field->setPalette(QPalette());
  field->setText(text);
  field->selectAll();
  apply->setEnabled(true);
  field->setFocus();
}

void RestField(QLineEdit* field, const QString& text, QPushButton* apply) {
  MakeRestingField(field);
  field->setReadOnly(true);
  field->setText(text);
  field->selectAll();
  apply->setEnabled(false);
}

namespace {

class TSelectAllOnClick : public QObject {
 public:
  TSelectAllOnClick(QLineEdit* field, std::function<void()> onClick)
      : QObject(field), field_(field), onClick_(std::move(onClick)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == field_ && event->type() == QEvent::MouseButtonRelease && field_->isEnabled()) {
      QTimer::singleShot(0, field_, [this] {
        field_->selectAll();
        if (onClick_) onClick_();
      });
    }
    return false;
  }

 private:
  QLineEdit* field_;
  std::function<void()> onClick_;
};

}  // namespace

void SelectAllOnClick(QLineEdit* field, std::function<void()> onClick) {
  field->installEventFilter(new TSelectAllOnClick(field, std::move(onClick)));
}

void SetSpokenHint(QWidget* control, const QString& hint) {
  control->setToolTip(hint);
  control->setAccessibleName(hint);
}

void ShowAsFactoryList(QWidget* list) {
  QPalette factory = list->palette();
  factory.setColor(QPalette::Base, factory.color(QPalette::Button));
  list->setPalette(factory);
}

void LayOutTransferPage(QWidget* page, QLabel* title, QWidget* fileSide, QWidget* writeButton,
                        QWidget* deviceSide, double f) {
  auto* groups = new QHBoxLayout;
  groups->setSpacing(Scaled(12, f));
  groups->addStretch(1);
  groups->addWidget(fileSide);
  groups->addWidget(writeButton, 0, Qt::AlignVCenter);
  groups->addWidget(deviceSide);
  groups->addStretch(1);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(Scaled(12, f), Scaled(10, f), Scaled(12, f), Scaled(12, f));
  layout->setSpacing(Scaled(10, f));
  layout->addWidget(title);
  layout->addLayout(groups, 1);
}

bool IsListMoveKeyRelease(const QEvent* event) {
  if (event->type() != QEvent::KeyRelease) return false;
  switch (static_cast<const QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Space:
      return true;
    default:
      return false;
  }
}
