// The table of user-visible texts: every caption, hint, status text and message the program shows
// at run time, by name, in the program's edition of the table (Italian), plus the texts built
// from them and the few fixed texts that every edition shows alike.
#pragma once

#include <QChar>
#include <QString>

#include "texts/TextIds.h"

// The text of this name, unchanged (blanks and line breaks included).
QString LangString(TText text);
QString LangString(TNamedText text);
QString LangString(TFixedText text);

// The numbers the table spans; not every number in between is a text.
inline constexpr int kFirstLangString = static_cast<int>(kAllTexts[0]);
inline constexpr int kLastLangString = static_cast<int>(kAllTexts[kTextCount - 1]);

// By number, for what walks the whole table (its tests); the program names its texts. An empty
// text, and false, for a number that is not a text.
QString LangString(int id);
bool HasLangString(int id);

namespace LangStrings {

// The maker's web address, as the safety information gives it.
QString MakerWebAddress();
// The size of an imported package file.
QString ByteCountText(qsizetype bytes);

// ---- Texts the program puts together from table entries and fixed pieces
QString WizardBackCaption();                 // "< " + BackButton
QString WizardNextCaption();                 // NextButton + " >"
QString WizardContinueCaption();             // ContinueButton + " >"
QString DeleteLanguageQuestion();            // DeleteLanguageStatus + "?"
QString SelectedPicturesText(int count);     // count + SelectedPicturesPart
QString PictureCountText(int count);         // count + " " + PictureCountPart
QString CorruptCatalogueMessage(int index);  // CorruptCatalogueStart + index + CorruptCatalogueEnd
// ExportPicturesQuestionStart + mask (such as "*.BMP") + QuestionFolderPart + folder + "?"
QString ExportPicturesQuestion(const QString& mask, const QString& folder);
// SaveTextQuestionStart + file name with extension + QuestionFolderPart + folder + " ?"
QString SaveTextQuestion(const QString& fileName, const QString& folder);
// DriveNotReadyStart + " " + the upper-case drive letter + ":  " + DriveNotReadyEnd + "!"
QString DriveNotReadyMessage(QChar driveLetter);
// The same with `drive` (a mount point, say) in the letter's place, as it is.
QString DriveNotReadyMessage(const QString& drive);

}  // namespace LangStrings
