// The firmware update wizard on its own: the stepping component, the four steps a diver passes
// (the code, the confirmation, the buttons on every step), Cancel and the window's close.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <functional>

#include "firmware/JsWizard.h"
#include "firmware/WizardForm.h"
#include "support/ScriptedPrompts.h"
#include "texts/LangStrings.h"

namespace {

TEST(JsWizardTest, AsksBeforeEachStepTakesTheButtonsOverAndPicksEachPagesPicture) {
  QStackedWidget stack;
  for (const char* name : {"a", "b", "c"}) {
    stack.addWidget(new QWidget(&stack));
    stack.widget(stack.count() - 1)->setObjectName(name);
  }
  QPushButton next, back;
  int earlierClicks = 0;
  QObject::connect(&next, &QPushButton::clicked, [&] { ++earlierClicks; });
  QLabel side;
  QPixmap red(2, 2), green(2, 2);
  red.fill(Qt::red);
  green.fill(Qt::green);
  TjsWizard wizard;
  wizard.SetPages(&stack);
  wizard.SetPageSteps({"c", "a", "b"});
  wizard.SetImages({red, green});
  wizard.SetImageSteps({"x", "a", "b"});  // "b" points past the pictures, "c" is not listed
  wizard.SetSideImage(&side);
  wizard.SetNextButton(&next);
  wizard.SetBackButton(&back);
  QStringList asked;
  bool allow = false;
  wizard.OnNext = [&](QObject*, int index, const QString& title, bool& canContinue) {
    asked << QString::number(index) + title;
    canContinue = allow;
  };
  wizard.Loaded();
  const auto shown = [&] {
    return stack.currentWidget()->objectName() +
           (side.pixmap().toImage().pixel(0, 0) == red.toImage().pixel(0, 0) ? "/red" : "/green");
  };
  EXPECT_EQ(shown(), "c/red");
  next.click();  // refused by the owner
  EXPECT_EQ(shown(), "c/red");
  allow = true;
  next.click();
  EXPECT_EQ(shown(), "a/green");
  next.click();
  EXPECT_EQ(shown(), "b/red");
  back.click();
  EXPECT_EQ(shown(), "a/green");
  EXPECT_EQ(asked, (QStringList{"0c", "0c", "1a"}));
  EXPECT_EQ(earlierClicks, 0);
  EXPECT_EQ(next.accessibleName(), "Avanti");  // spoken without the arrow
}

class WizardFormTest : public testing::Test {
 protected:
  TScriptedPrompts prompts;
  TWizardForm form;
};

TEST_F(WizardFormTest, NextAndBackFollowTheStepRules) {
  using Act = std::function<void(TWizardForm&)>;
  const Act next = [](TWizardForm& f) { f.NextButton->click(); };
  const Act back = [](TWizardForm& f) { f.BackButton->click(); };
  const Act tick = [](TWizardForm& f) { f.cbConfirm->click(); };
  const QString mask = "XXXXXXXXXX";
  const struct {
    const char* what;
    Act act;
    int page;
    bool next, back, confirm;
    QString code;
  } cases[] = {
      {"opened", [](TWizardForm&) {}, 0, false, false, false, ""},
      {"code applied", [](TWizardForm& f) { f.eSecurity->setText("694"), f.ApplyButton->click(); },
       0, true, false, false, mask},
      {"next from the code", next, 1, false, true, false, mask},
      {"ticked", tick, 1, true, true, true, mask},
      {"unticked", tick, 1, false, true, false, mask},
      {"ticked again", tick, 1, true, true, true, mask},
      {"next from the safety info", next, 2, true, true, false, mask},
      {"next from preparing", next, 3, true, true, false, mask},
      {"back from the start", back, 2, true, true, false, mask},
      {"back from preparing", back, 1, false, true, false, mask},
      {"back from the safety info", back, 0, false, false, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.act(form);
    EXPECT_EQ(form.Notebook1->currentIndex(), c.page);
    EXPECT_EQ(form.NextButton->isEnabled(), c.next);
    EXPECT_EQ(form.BackButton->isEnabled(), c.back);
    EXPECT_EQ(form.cbConfirm->isChecked(), c.confirm);
    EXPECT_EQ(form.eSecurity->text(), c.code);
    EXPECT_EQ(form.NextButton->text(), c.page == 3 ? "&Continua >" : "&Avanti >");
    EXPECT_EQ(form.BackButton->text(), "< &Indietro");
    EXPECT_EQ(form.CancelButton->text(), "&Annulla");
  }
  for (int step = 0; step < 3; ++step) form.Wizard1->Next();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  form.NextButton->click();  // "Continua"
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_TRUE(prompts.Records().empty());
}

TEST_F(WizardFormTest, OnlyTheExactCodeOpensTheNextStep) {
  for (const char* typed : {"", "69", "6944", " 694", "694 ", "649", "XXXXXXXXXX", "694"}) {
    SCOPED_TRACE(typed);
    form.eSecurity->setText(typed);
    form.ApplyButton->click();
    EXPECT_EQ(form.NextButton->isEnabled(), QString(typed) == "694");
    EXPECT_EQ(form.eSecurity->text(), QString(typed) == "694" ? "XXXXXXXXXX" : "");
  }
  form.ApplyButton->click();  // the mask is no code: emptied, the step stays open
  EXPECT_TRUE(form.eSecurity->text().isEmpty());
  EXPECT_TRUE(form.NextButton->isEnabled());
  EXPECT_TRUE(prompts.Records().empty());
}

TEST(WizardFormCloseTest, CancelSaysGoodbyeOnEveryStepTheCloseButtonDoesNot) {
  for (int step = 0; step <= 4; ++step) {
    SCOPED_TRACE(step);
    TScriptedPrompts prompts;
    TWizardForm form;
    form.show();
    for (int i = 0; i < std::min(step, 3); ++i) form.Wizard1->Next();
    step < 4 ? form.CancelButton->click() : static_cast<void>(form.close());
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_FALSE(form.isVisible());
    ASSERT_EQ(prompts.Records().size(), step < 4 ? 1u : 0u);
    if (step < 4) {
      EXPECT_EQ(prompts.Last().Kind, TMessageKind::Plain);
      EXPECT_EQ(prompts.Last().Text, LangString(65162));
    }
  }
}

TEST(WizardFormLayoutTest, ProportionsTextsAndSpokenNames) {
  for (double f : {1.0, 1.25, 1.5}) {
    SCOPED_TRACE(f);
    TWizardForm form(f);
    form.show();
    EXPECT_EQ(form.size(), QSize(qRound(487 * f), qRound(487 * f) * 340 / 487));
    EXPECT_EQ(form.lRead->size(), QSize(qRound(302 * f), qRound(65 * f)));
    EXPECT_LE(form.lRead->heightForWidth(form.lRead->width()), form.lRead->height());
    // Cancel, Back, Next along the bottom right.
    EXPECT_LT(form.CancelButton->geometry().right(), form.BackButton->geometry().left());
    EXPECT_LE(form.BackButton->geometry().right(), form.NextButton->geometry().left());
    EXPECT_GT(form.NextButton->geometry().right(), form.width() - 20 * f);
    EXPECT_GT(form.NextButton->geometry().top(), form.Notebook1->geometry().bottom());
    EXPECT_EQ(form.Image1->pixmap().deviceIndependentSize().toSize(), form.Image1->size());
  }
  TWizardForm form;
  EXPECT_EQ(form.windowTitle(), "Aggiornamento firmware");
  EXPECT_EQ(form.ApplyButton->text(), "Applica");
  EXPECT_EQ(form.cbConfirm->text(), LangString(65159));
  QStringList pages;
  for (int i = 0; i < form.Notebook1->count(); ++i)
    pages << form.Notebook1->widget(i)->objectName();
  EXPECT_EQ(pages, (QStringList{"Security code", "Safety Info", "Prepare update", "Start update"}));
  // Everything a diver can reach with the keyboard, and the picture, has a name to be spoken.
  for (QWidget* control : form.findChildren<QWidget*>()) {
    if (control->focusPolicy() == Qt::NoFocus && control != form.Image1) continue;
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
        << control->objectName().toStdString();
  }
}

}  // namespace
