#include "firmware/JsWizard.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStackedWidget>

#include "texts/LangStrings.h"

namespace {

// The arrows around Back and Next are pictures of direction; a screen reader would read them out
// as symbols, so the buttons' spoken names are the bare words.
QString SpokenName(TText text) {
  return LangString(text).remove('&');
}

}  // namespace

TjsWizard::TjsWizard(QObject* parent) : QObject(parent) {}

void TjsWizard::TakeOver(QPointer<QAbstractButton>& slot, QAbstractButton* button,
                         void (TjsWizard::*step)()) {
  if (slot) disconnect(slot, &QAbstractButton::clicked, this, nullptr);
  slot = button;
  if (!button) return;
  // One click, one step: a handler left from elsewhere would act on the same click.
  disconnect(button, &QAbstractButton::clicked, nullptr, nullptr);
  connect(button, &QAbstractButton::clicked, this, step);
}

void TjsWizard::SetNextButton(QAbstractButton* button) {
  TakeOver(next_, button, &TjsWizard::Next);
}

void TjsWizard::SetBackButton(QAbstractButton* button) {
  TakeOver(back_, button, &TjsWizard::Back);
}

void TjsWizard::SetCancelButton(QAbstractButton* button) {
  TakeOver(cancel_, button, &TjsWizard::Cancel);
}

void TjsWizard::Loaded() {
  if (!pageSteps_.isEmpty()) ActivatePage(pageSteps_.first());
  Update();
}

int TjsWizard::ActiveIndex() const {
  if (!pages_ || !pages_->currentWidget()) return -1;
  return static_cast<int>(pageSteps_.indexOf(pages_->currentWidget()->objectName()));
}

void TjsWizard::ActivatePage(const QString& name) {
  if (!pages_) return;
  for (int i = 0; i < pages_->count(); ++i) {
    if (pages_->widget(i)->objectName() == name) {
      pages_->setCurrentIndex(i);
      return;
    }
  }
}

void TjsWizard::Next() {
  const int i = ActiveIndex();
  if (i < static_cast<int>(pageSteps_.size()) - 1) {
    bool canContinue = true;
    if (OnNext) OnNext(this, i, i >= 0 ? pageSteps_[i] : QString(), canContinue);
    if (canContinue) ActivatePage(pageSteps_[i + 1]);
  } else if (OnFinish) {
    OnFinish(this);
  }
  Update();
}

void TjsWizard::Back() {
  const int i = ActiveIndex();
  if (i > 0) {
    bool canContinue = true;
    if (OnBack) OnBack(this, i, pageSteps_[i], canContinue);
    if (canContinue) ActivatePage(pageSteps_[i - 1]);
  }
  Update();
}

void TjsWizard::Cancel() {
  if (OnCancel) OnCancel(this);
}

void TjsWizard::Update() {
  const int i = ActiveIndex();
  if (cancel_) cancel_->setText(LangString(TText::CancelButton));
  if (back_) {
    back_->setEnabled(i > 0);
    back_->setText(LangStrings::WizardBackCaption());
    back_->setAccessibleName(SpokenName(TText::BackButton));
  }
  if (next_) {
    const bool last = !pageSteps_.isEmpty() && i == static_cast<int>(pageSteps_.size()) - 1;
    next_->setText(last ? LangStrings::WizardContinueCaption() : LangStrings::WizardNextCaption());
    next_->setAccessibleName(SpokenName(last ? TText::ContinueButton : TText::NextButton));
  }
  if (sideImage_ && !images_.isEmpty()) {
    const QString page =
        pages_ && pages_->currentWidget() ? pages_->currentWidget()->objectName() : QString();
    const qsizetype k = imageSteps_.indexOf(page);
    sideImage_->setPixmap(images_.value(k >= 0 && k < images_.size() ? k : 0));
  }
}
