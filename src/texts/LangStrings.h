// The table of user-visible texts (Italian edition): every caption, hint, status text and
// message the program shows at run time, looked up by number, plus the texts built from them.
#pragma once

#include <QChar>
#include <QString>

// The numbers the table spans; not every number in between is a text (65167 is not).
inline constexpr int kFirstLangString = 65152;
inline constexpr int kLastLangString = 65263;

// The text with this number, unchanged (blanks and line breaks included); an empty text for a
// number that is not in the table.
QString LangString(int id);
bool HasLangString(int id);

namespace LangStrings {

// Caption of boxes without an icon, and the application's title.
QString ApplicationTitle();
QString MakerWebAddress();

// Captions and buttons of the message boxes.
QString WarningCaption();
QString ErrorCaption();
QString InformationCaption();
QString ConfirmationCaption();
QString YesButton();
QString NoButton();
QString OkButton();

// Texts the program puts together from table entries and fixed pieces.
QString WizardBackCaption();                 // "< " + 65164
QString WizardNextCaption();                 // 65165 + " >"
QString WizardContinueCaption();             // 65166 + " >"
QString DeleteLanguageQuestion();            // 65195 + "?"
QString SelectedPicturesText(int count);     // count + 65222
QString PictureCountText(int count);         // count + " " + 65253
QString CorruptCatalogueMessage(int index);  // 65169 + index + 65170
// 65216 + mask (such as "*.BMP") + 65217 + folder + "?"
QString ExportPicturesQuestion(const QString& mask, const QString& folder);
// 65219 + file name with extension + 65217 + folder + " ?"
QString SaveTextQuestion(const QString& fileName, const QString& folder);
// 65223 + " " + the upper-case drive letter + ":  " + 65224 + "!"
QString DriveNotReadyMessage(QChar driveLetter);
// The same with `drive` (a mount point, say) in the letter's place, as it is.
QString DriveNotReadyMessage(const QString& drive);

}  // namespace LangStrings
