// TjsWizard: steps a stack of pages forwards and backwards by their names with Next, Back and
// Cancel buttons, asks its owner before every step, keeps the buttons' captions and the side
// picture in line with the page shown. Knows nothing of what the pages hold.
#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QStackedWidget>
#include <QStringList>
#include <functional>

class TjsWizard : public QObject {
  Q_OBJECT

 public:
  // `index` is the step being left and `title` its page's name; setting `canContinue` to false
  // keeps that page. It is true on entry.
  using TStepEvent =
      std::function<void(QObject* sender, int index, const QString& title, bool& canContinue)>;
  using TNotifyEvent = std::function<void(QObject* sender)>;

  explicit TjsWizard(QObject* parent = nullptr);

  // The stack whose pages are stepped through, found by their object names.
  QStackedWidget* Pages() const { return pages_; }
  void SetPages(QStackedWidget* pages) { pages_ = pages; }
  // Page names in step order.
  const QStringList& PageSteps() const { return pageSteps_; }
  void SetPageSteps(const QStringList& steps) { pageSteps_ = steps; }
  // Side pictures: the page named ImageSteps[k] shows Images[k]; every other page Images[0].
  const QList<QPixmap>& Images() const { return images_; }
  void SetImages(const QList<QPixmap>& images) { images_ = images; }
  const QStringList& ImageSteps() const { return imageSteps_; }
  void SetImageSteps(const QStringList& steps) { imageSteps_ = steps; }
  QLabel* SideImage() const { return sideImage_; }
  void SetSideImage(QLabel* label) { sideImage_ = label; }

  // A button given here is the wizard's: whatever its click did before is disconnected.
  QAbstractButton* NextButton() const { return next_; }
  void SetNextButton(QAbstractButton* button);
  QAbstractButton* BackButton() const { return back_; }
  void SetBackButton(QAbstractButton* button);
  QAbstractButton* CancelButton() const { return cancel_; }
  void SetCancelButton(QAbstractButton* button);

  TStepEvent OnNext;
  TStepEvent OnBack;
  TNotifyEvent OnCancel;
  TNotifyEvent OnFinish;  // Next on the last step

  // Once everything above is set: the first step is shown and the buttons brought in line.
  void Loaded();

  void Next();
  void Back();
  void Cancel();
  // Captions, Back's enabled state and the side picture for the page shown. Next's enabled state
  // is the owner's: the wizard cannot know what a page still needs before it may be left.
  void Update();

  // The step of the page shown; -1 when that page is not one of the steps.
  int ActiveIndex() const;
  // Shows the page with this object name; nothing when there is none.
  void ActivatePage(const QString& name);

 private:
  void TakeOver(QPointer<QAbstractButton>& slot, QAbstractButton* button,
                void (TjsWizard::*step)());

  QPointer<QStackedWidget> pages_;
  QStringList pageSteps_;
  QList<QPixmap> images_;
  QStringList imageSteps_;
  QPointer<QLabel> sideImage_;
  QPointer<QAbstractButton> next_;
  QPointer<QAbstractButton> back_;
  QPointer<QAbstractButton> cancel_;
};
