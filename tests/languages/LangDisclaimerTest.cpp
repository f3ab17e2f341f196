// The language disclaimer: which language's texts a file name brings up, Continue only after
// both statements are ticked, the window's size on two screens, and the ways out of it.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "languages/DisclaimerTexts.h"
#include "languages/LangDisclaimerForm.h"
#include "texts/LangStrings.h"

namespace {

QString Text(const char8_t* text) {
  return QString::fromUtf8(text);
}

QString Shown(QString text) {
  return text.replace("\r\n", "\n");
}

const TDisclaimerTexts* Table(const char* language) {
  for (const TDisclaimerLanguage& entry : DisclaimerLanguages()) {
    if (QString(entry.Language) == language) return &entry.Texts;
  }
  return nullptr;
}

TEST(LangDisclaimerTest, FirstKeyInTheNameChoosesTheLanguageAndGermanTheRest) {
  const struct {
    const char8_t* name;
    const char* language;  // nullptr: German
  } cases[] = {
      {u8"Dansk / Svenska", "Danish"},
      {u8"Svenska Dansk", "Danish"},
      {u8"Język Polski", "Polish"},
      {u8"Română", nullptr},  // the key is "Româna", with a plain final a
      {u8"Romana", nullptr},
      {u8"polski", nullptr},
      {u8"", nullptr},
      {u8"English", nullptr},
      {u8"Deutsch", nullptr},
      {u8"Español", nullptr},
      {u8"简体中文", "Simplified Chinese"},
      {u8"한국어", "Korean"},
      {u8"Русский язык", "Russian"},
      {u8"Polski", "Polish"},
      {u8"Dansk", "Danish"},
      {u8"Ελληνικά", "Greek"},
      {u8"Português", "Portuguese"},
      {u8"Româna", "Romanian"},
      {u8"Suomi", "Finnish"},
      {u8"Čeština", "Czech"},
      {u8"Svenska", "Swedish"},
      {u8"Türkçe", "Turkish"},
      {u8"Magyar", "Hungarian"},
      {u8"Hrvatski", "Croatian"},
  };
  const TDisclaimerTexts& english = EnglishDisclaimer();
  for (const auto& c : cases) {
    const QString name = Text(c.name);
    SCOPED_TRACE(name.toStdString());
    const TDisclaimerTexts* expected = c.language ? Table(c.language) : &GermanDisclaimer();
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(&DisclaimerTextsFor(name), expected);

    const TDisclaimerContent content = DisclaimerFor(name);
    EXPECT_EQ(content.Intro, Text(expected->Intro) + "\r\n\r\n" + Text(english.Intro));
    EXPECT_EQ(content.Confirm, Text(expected->Confirm) + "\r\n" + Text(english.Confirm));
    EXPECT_EQ(content.Effect, Text(expected->Effect) + "\r\n" + Text(english.Effect));
    EXPECT_EQ(content.Understand, Text(expected->Understand) + "\r\n" + Text(english.Understand));

    TLangDisclaimerForm form;
    form.SelectTexts(name);
    EXPECT_TRUE(form.Texts().Intro.startsWith(Text(expected->Intro)));
    EXPECT_TRUE(form.Texts().Intro.endsWith(Text(english.Intro)));
    EXPECT_EQ(form.mDisclaimer->toPlainText(), Shown(content.Intro));
    EXPECT_EQ(form.cbConfirm->text(), Shown(content.Confirm));
    EXPECT_EQ(form.lAffected->text(), Shown(content.Effect));
    EXPECT_EQ(form.cbUnderstand->text(), Shown(content.Understand));
  }
}

TEST(LangDisclaimerTest, EveryLanguageKeepsTheEnglishLayoutOfTheEffectText) {
  std::vector<const TDisclaimerTexts*> tables{&GermanDisclaimer(), &EnglishDisclaimer()};
  for (const TDisclaimerLanguage& entry : DisclaimerLanguages()) tables.push_back(&entry.Texts);
  EXPECT_EQ(tables.size(), 16u);
  for (const TDisclaimerTexts* texts : tables) {
    const QString effect = Text(texts->Effect);
    SCOPED_TRACE(effect.toStdString());
    const QStringList lines = effect.split("\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0].startsWith(' '));
    EXPECT_TRUE(lines[1].startsWith("  - "));
    EXPECT_TRUE(lines[2].startsWith("  - "));
    // The names stay as they are in every language.
    EXPECT_TRUE(Text(texts->Intro).contains("BRAVANTO"));
    EXPECT_TRUE(Text(texts->Intro).contains("Orvanel"));
    EXPECT_TRUE(lines[0].contains("Orvanel"));
    // One line each, for the window to wrap.
    for (const char8_t* text : {texts->Intro, texts->Confirm, texts->Understand})
      EXPECT_FALSE(Text(text).contains('\n'));
  }
}

TEST(LangDisclaimerTest, ContinueNeedsBothStatementsAndThenTakesTheFocus) {
  const struct {
    bool confirm;
    bool understand;
  } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.confirm << c.understand);
    TLangDisclaimerForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_FALSE(form.bOk->isEnabled());
    EXPECT_EQ(form.focusWidget(), form.bCancel);
    // A click anywhere on a statement's text ticks it.
    if (c.confirm)
      QTest::mouseClick(form.cbConfirm, Qt::LeftButton, {}, form.cbConfirm->rect().center());
    if (c.understand)
      QTest::mouseClick(form.cbUnderstand, Qt::LeftButton, {},
                        QPoint(form.cbUnderstand->width() - 20, form.cbUnderstand->height() - 3));
    EXPECT_EQ(form.cbConfirm->isChecked(), c.confirm);
    EXPECT_EQ(form.cbUnderstand->isChecked(), c.understand);
    EXPECT_EQ(form.bOk->isEnabled(), c.confirm && c.understand);
    EXPECT_EQ(form.focusWidget() == form.bOk, c.confirm && c.understand);
  }
  // Unticking one takes Continue away again.
  TLangDisclaimerForm form;
  form.cbConfirm->click();
  form.cbUnderstand->click();
  ASSERT_TRUE(form.bOk->isEnabled());
  form.cbConfirm->click();
  EXPECT_FALSE(form.bOk->isEnabled());
}

TEST(LangDisclaimerTest, WindowHasItsDesignSizeOnEveryScreen) {
  const struct {
    double dotsPerInch;
    QSize window;
    int affectedWidth;
    int affectedHeight;
    int buttonWidth;
  } cases[] = {{96, {715, 560}, 633, 65, 75}, {120, {894, 700}, 791, 81, 94}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dotsPerInch);
    TLangDisclaimerForm form(c.dotsPerInch / 96.0);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.size(), c.window);
    EXPECT_EQ(form.minimumSize(), c.window);
    EXPECT_EQ(form.maximumSize(), c.window);
    EXPECT_EQ(form.lAffected->width(), c.affectedWidth);
    EXPECT_GE(form.lAffected->height(), c.affectedHeight);
    EXPECT_EQ(form.bOk->width(), c.buttonWidth);
    EXPECT_EQ(form.windowTitle(), LangString(65200));
    EXPECT_EQ(form.lDisclaimer->text(), "Disclaimer");
    EXPECT_EQ(form.bCancel->text(), LangString(65163));
    EXPECT_EQ(form.bOk->text(), LangStrings::WizardContinueCaption());
    EXPECT_TRUE(form.mDisclaimer->isReadOnly());
    EXPECT_EQ(form.mDisclaimer->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // A fixed frame with the system menu, the minimise box and the close box.
    for (const Qt::WindowType hint :
         {Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint, Qt::WindowCloseButtonHint})
      EXPECT_TRUE(form.windowFlags().testFlag(hint)) << hint;
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  }
}

TEST(LangDisclaimerTest, NoLanguageIsCutOffAndTheControlsStayInOrder) {
  QStringList names{QString()};
  for (const TDisclaimerLanguage& entry : DisclaimerLanguages()) names << Text(entry.Key);
  for (const double f : {1.0, 1.25}) {
    for (const QString& name : names) {
      SCOPED_TRACE(testing::Message() << name.toStdString() << " at " << f);
      TLangDisclaimerForm form(f);
      form.SelectTexts(name);
      form.show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
      // The effect text keeps its design box where it fits and grows where it needs more.
      EXPECT_EQ(form.lAffected->height(),
                std::max(qRound(65 * f), form.lAffected->heightForWidth(form.lAffected->width())));
      for (QCheckBox* box : {form.cbConfirm, form.cbUnderstand})
        EXPECT_GE(box->height(), box->heightForWidth(box->width()));
      // Top to bottom, none over another, all inside the window.
      const QWidget* order[] = {form.lDisclaimer, form.mDisclaimer,  form.cbConfirm,
                                form.lAffected,   form.cbUnderstand, form.bOk};
      for (std::size_t i = 1; i < std::size(order); ++i)
        EXPECT_GE(order[i]->mapTo(&form, QPoint(0, 0)).y(),
                  order[i - 1]->mapTo(&form, QPoint(0, order[i - 1]->height())).y());
      EXPECT_LE(form.bOk->mapTo(&form, QPoint(0, form.bOk->height())).y(), form.height());
      EXPECT_GE(form.mDisclaimer->height(), qRound(100 * f));
    }
  }
}

TEST(LangDisclaimerTest, CancelAndTheTitleBarCloseRejectContinueAccepts) {
  const struct {
    const char* what;
    int result;
  } cases[] = {{"Cancel", QDialog::Rejected},
               {"close", QDialog::Rejected},
               {"Escape", QDialog::Rejected},
               {"Continue", QDialog::Accepted}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TLangDisclaimerForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QString what = c.what;
    if (what == "Cancel") {
      form.bCancel->click();
    } else if (what == "close") {
      form.close();
    } else if (what == "Escape") {
      QTest::keyClick(&form, Qt::Key_Escape);
    } else {
      form.cbConfirm->click();
      form.cbUnderstand->click();
      form.bOk->click();
    }
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), c.result);
  }
}

TEST(LangDisclaimerTest, StatementsAreCheckBoxesNamedByTheirWholeText) {
  TLangDisclaimerForm form;
  form.SelectTexts("Polski");
  for (QWidget* control :
       std::initializer_list<QWidget*>{form.mDisclaimer, form.cbConfirm, form.lAffected,
                                       form.cbUnderstand, form.bCancel, form.bOk}) {
    SCOPED_TRACE(control->objectName().toStdString());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty());
  }
  for (QCheckBox* box : {form.cbConfirm, form.cbUnderstand}) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
    EXPECT_EQ(accessible->role(), QAccessible::CheckBox);
    EXPECT_EQ(accessible->text(QAccessible::Name), box->text());
    EXPECT_TRUE(box->text().contains("\n"));  // both paragraphs
    EXPECT_EQ(box->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
  }
  // Continue is read out as the word, without its arrow.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(form.bOk)->text(QAccessible::Name),
            LangString(65166).remove('&'));
}

}  // namespace
