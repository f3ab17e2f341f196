// The texts of the language disclaimer in the languages the device can be given: one table per
// language, the intro, the confirmation, the effect on the device and the understanding, each
// followed on screen by the English version.
#pragma once

#include <QString>
#include <span>

struct TDisclaimerTexts {
  const char8_t* Intro;
  const char8_t* Confirm;
  // Three lines: the lead-in and two "  - " items, separated by "\r\n".
  const char8_t* Effect;
  const char8_t* Understand;
};

struct TDisclaimerLanguage {
  // Occurs in the name the language file gives itself (exact Unicode, case and accents count).
  const char8_t* Key;
  const char* Language;  // English name, for messages and traces
  const TDisclaimerTexts& Texts;
};

// The languages in the order their keys are tested: the first key found in a name wins.
std::span<const TDisclaimerLanguage> DisclaimerLanguages();
// The texts of a language no key names.
const TDisclaimerTexts& GermanDisclaimer();
// The version that follows every language's own.
const TDisclaimerTexts& EnglishDisclaimer();

// What the disclaimer shows for a language file called `languageName`: its language's version
// (German when no key occurs in the name), the separator ("\r\n\r\n" after the intro, "\r\n"
// after the others) and the English version.
struct TDisclaimerContent {
  QString Intro;
  QString Confirm;
  QString Effect;
  QString Understand;
};
TDisclaimerContent DisclaimerFor(const QString& languageName);
// The table chosen for `languageName`.
const TDisclaimerTexts& DisclaimerTextsFor(const QString& languageName);
