// TextIds: the names of the texts the program shows, after where they are shown: the numbered
// texts of the table (every edition keeps the numbers), the texts of an edition that have no
// number, and the few that every edition shows alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

// One line a text: its name and its number, in ascending order. Written once, as a list, so that
// the enum and the list of all texts below cannot drift apart.
#define ORVANEL_TEXT_IDS(TEXT)             \
  /* The update wizard */                  \
  TEXT(WizardCaption, 65152)               \
  TEXT(WizardWelcome, 65153)               \
  TEXT(WizardSecurityCodeHelp, 65154)      \
  TEXT(WizardSecurityCodeLabel, 65155)     \
  TEXT(WizardSafetyTitle, 65156)           \
  TEXT(WizardSafetyInformation, 65157)     \
  TEXT(WizardSafetyStatement, 65158)       \
  TEXT(WizardSafetyAgreement, 65159)       \
  TEXT(WizardPreparation, 65160)           \
  TEXT(WizardClosing, 65161)               \
  TEXT(WizardCancelled, 65162)             \
  TEXT(CancelButton, 65163)                \
  TEXT(BackButton, 65164)                  \
  TEXT(NextButton, 65165)                  \
  TEXT(ContinueButton, 65166)              \
  /* Messages */                           \
  TEXT(InvalidFile, 65168)                 \
  TEXT(CorruptCatalogueStart, 65169)       \
  TEXT(CorruptCatalogueEnd, 65170)         \
  TEXT(CorruptPictureIndex, 65171)         \
  TEXT(FileAlreadyOpen, 65172)             \
  TEXT(UnknownPictureFormat, 65173)        \
  TEXT(CannotCreateFolder, 65174)          \
  TEXT(FolderNotEmpty, 65175)              \
  TEXT(TransferGaveUp, 65176)              \
  /* The lights */                         \
  TEXT(PresenceLight, 65177)               \
  TEXT(ReadLight, 65178)                   \
  TEXT(WriteLight, 65179)                  \
  /* Messages, the Exit button */          \
  TEXT(WizardNoDevice, 65180)              \
  TEXT(FirmwareCompleted, 65181)           \
  TEXT(WrongDevice, 65182)                 \
  TEXT(UnsupportedAction, 65183)           \
  TEXT(SameFirmwareQuestion, 65184)        \
  TEXT(ExitButton, 65185)                  \
  /* The status bar */                     \
  TEXT(CleanUpMemoryStatus, 65186)         \
  TEXT(WriteFirmwareStatus, 65187)         \
  TEXT(WritePictureStatus, 65188)          \
  TEXT(WriteLanguageStatus, 65189)         \
  TEXT(DeviceOnStatus, 65190)              \
  TEXT(DeviceOffStatus, 65191)             \
  TEXT(ReadPictureDirStatus, 65192)        \
  TEXT(ReadAllPicturesStatus, 65193)       \
  TEXT(DeletePictureStatus, 65194)         \
  TEXT(DeleteLanguageStatus, 65195)        \
  TEXT(SetStartupPictureStatus, 65196)     \
  TEXT(SetDefaultLanguageStatus, 65197)    \
  /* Start and end */                      \
  TEXT(SocketsFailed, 65198)               \
  TEXT(ClosingWait, 65199)                 \
  /* The Languages page */                 \
  TEXT(ImportLanguage, 65200)              \
  TEXT(ImportLanguageDialogTitle, 65201)   \
  TEXT(FactoryLanguages, 65202)            \
  TEXT(AddedLanguages, 65203)              \
  TEXT(WriteLanguageHint, 65204)           \
  TEXT(DefaultLanguageBox, 65205)          \
  TEXT(DefaultLanguageQuestion, 65206)     \
  /* The Software page */                  \
  TEXT(SoftwareTab, 65207)                 \
  TEXT(SoftwareTitle, 65208)               \
  TEXT(FirmwareFileLabel, 65209)           \
  TEXT(DescriptionLabel, 65210)            \
  TEXT(ChecksumLabel, 65211)               \
  TEXT(ImportFirmwareButton, 65212)        \
  TEXT(ImportFirmwareDialogTitle, 65213)   \
  TEXT(WriteFirmwareHint, 65214)           \
  TEXT(LowBattery, 65215)                  \
  /* Questions and their pieces */         \
  TEXT(ExportPicturesQuestionStart, 65216) \
  TEXT(QuestionFolderPart, 65217)          \
  TEXT(DeletePicturesQuestion, 65218)      \
  TEXT(SaveTextQuestionStart, 65219)       \
  TEXT(StartupPictureQuestion, 65220)      \
  TEXT(InvalidDefaultIndex, 65221)         \
  TEXT(SelectedPicturesPart, 65222)        \
  TEXT(DriveNotReadyStart, 65223)          \
  TEXT(DriveNotReadyEnd, 65224)            \
  /* The file sides of the pages */        \
  TEXT(LanguagesTab, 65225)                \
  TEXT(MyComputer, 65226)                  \
  TEXT(LanguagesTitle, 65227)              \
  TEXT(LanguageFileLabel, 65228)           \
  TEXT(VersionLabel, 65229)                \
  TEXT(LanguageLabel, 65230)               \
  TEXT(SizeLabel, 65231)                   \
  /* The Pictures page */                  \
  TEXT(PictureFiles, 65232)                \
  TEXT(GreyLevelsTitle, 65233)             \
  TEXT(BlackLevel, 65234)                  \
  TEXT(GreyLevel, 65235)                   \
  TEXT(WhiteLevel, 65236)                  \
  TEXT(LightBrightness, 65237)             \
  TEXT(DefaultBrightness, 65238)           \
  TEXT(DarkBrightness, 65239)              \
  TEXT(DevicePicturePreview, 65240)        \
  TEXT(StartupPictureBox, 65241)           \
  TEXT(DeleteButton, 65242)                \
  TEXT(DeviceGroup, 65243)                 \
  TEXT(FactoryPictures, 65244)             \
  TEXT(DevicePictures, 65245)              \
  TEXT(WritePictureHint, 65246)            \
  TEXT(SavePicturesHint, 65247)            \
  /* The About page and the window */      \
  TEXT(SetupCaption, 65248)                \
  TEXT(AboutTab, 65249)                    \
  TEXT(AboutTitle, 65250)                  \
  TEXT(AboutDescription, 65251)            \
  /* The Pictures page, its text editor */ \
  TEXT(PicturesTab, 65252)                 \
  TEXT(PictureCountPart, 65253)            \
  TEXT(PictureImportTab, 65254)            \
  TEXT(TextImportTab, 65255)               \
  TEXT(TextEditorLabel, 65256)             \
  TEXT(ClearButton, 65257)                 \
  TEXT(FileNameField, 65258)               \
  TEXT(SaveButton, 65259)                  \
  TEXT(NewFolderField, 65260)              \
  TEXT(ApplyButton, 65261)                 \
  TEXT(OriginalPicture, 65262)             \
  TEXT(NoPreview, 65263)

enum class TText : std::uint16_t {
#define ORVANEL_TEXT_ENUMERATOR(name, id) name = id,
  ORVANEL_TEXT_IDS(ORVANEL_TEXT_ENUMERATOR)
#undef ORVANEL_TEXT_ENUMERATOR
};

// Every numbered text, in ascending order: what each edition of the table must cover.
inline constexpr TText kAllTexts[] = {
#define ORVANEL_TEXT_VALUE(name, id) TText::name,
    ORVANEL_TEXT_IDS(ORVANEL_TEXT_VALUE)
#undef ORVANEL_TEXT_VALUE
};
inline constexpr std::size_t kTextCount = std::size(kAllTexts);

#undef ORVANEL_TEXT_IDS

// Texts an edition shows that the numbered table does not hold; the same one-line-a-text list.
#define ORVANEL_NAMED_TEXTS(TEXT)                                                            \
  /* Captions and buttons of the message boxes */                                            \
  TEXT(WarningCaption)                                                                       \
  TEXT(ErrorCaption)                                                                         \
  TEXT(InformationCaption)                                                                   \
  TEXT(ConfirmationCaption)                                                                  \
  TEXT(YesButton)                                                                            \
  TEXT(NoButton)                                                                             \
  TEXT(OkButton)                                                                             \
  /* Spoken names and hints of controls whose face says nothing */                           \
  TEXT(TransferProgressName) /* the progress bar of the bottom strip */                      \
  TEXT(FontButtonName)       /* the "A" of the text editor */                                \
  TEXT(LineSpacingName)      /* the text editor's spacing box */                             \
  TEXT(FileTypeName)         /* the file type boxes of the Pictures page */                  \
  /* And the rest */                                                                         \
  TEXT(DisclaimerTitle)     /* the title above the language disclaimer */                    \
  TEXT(UnknownErrorMessage) /* the error box for an exception that says nothing of itself */ \
  TEXT(ToolkitTranslation)  /* base name of the toolkit's translation for its own dialogs */

// Texts every edition shows alike: the program's name, notations, and what the file dialogs and
// file type boxes offer.
#define ORVANEL_FIXED_TEXTS(TEXT)                                                        \
  TEXT(ApplicationTitle) /* also the caption of boxes without an icon */                 \
  TEXT(NoValue)          /* a value field with nothing to show */                        \
  TEXT(WriteArrow)       /* faces of the buttons between a page's PC and device sides */ \
  TEXT(SaveArrow)                                                                        \
  TEXT(FontButtonFace)                                                                   \
  TEXT(LanguageFileFilter) /* the package import dialogs */                              \
  TEXT(FirmwareFileFilter)                                                               \
  TEXT(BitmapFileType) /* the picture file types, in the order the boxes list them */    \
  TEXT(JpegFileType)                                                                     \
  TEXT(TiffFileType)                                                                     \
  TEXT(GifFileType)

#define ORVANEL_TEXT_NAME(name) name,
#define ORVANEL_ONE_MORE(name) +1
enum class TNamedText : std::uint8_t { ORVANEL_NAMED_TEXTS(ORVANEL_TEXT_NAME) };
inline constexpr std::size_t kNamedTextCount = 0 ORVANEL_NAMED_TEXTS(ORVANEL_ONE_MORE);
enum class TFixedText : std::uint8_t { ORVANEL_FIXED_TEXTS(ORVANEL_TEXT_NAME) };
inline constexpr std::size_t kFixedTextCount = 0 ORVANEL_FIXED_TEXTS(ORVANEL_ONE_MORE);
#undef ORVANEL_ONE_MORE
#undef ORVANEL_TEXT_NAME
#undef ORVANEL_FIXED_TEXTS
#undef ORVANEL_NAMED_TEXTS
