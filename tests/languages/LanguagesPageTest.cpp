// The Languages page on its own, with a window stand-in: clicks on the device's languages, the
// default question, deleting, the import and the write behind the disclaimer.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "DemoContent.h"
#include "languages/LangDisclaimerForm.h"
#include "languages/LanguagesPage.h"
#include "platform/ByteOrder.h"
#include "support/Controls.h"
#include "support/FakePageHost.h"
#include "support/RecordingSessionView.h"
#include "support/ScriptedPrompts.h"
#include "texts/LangStrings.h"
#include "transfer/TransferSession.h"
#include "widgets/PackageImport.h"
#include "widgets/PageHost.h"

namespace {

using testsupport::Control;

using FakeWindow = testsupport::FakePageHost;

platform::Bytes Directory(const std::vector<std::pair<std::string, bool>>& names) {
  return testsupport::DirectoryReply(names, 2400, kTypeLanguage);
}

class LanguagesPageTest : public testing::Test {
 protected:
  LanguagesPageTest() {
    page.ApplyTexts();
    page.SetHost(&window);
    page.LanguagesTabSheetShow();
  }

  // Three factory languages and two added ones, entry `defaultEntry` marked default (-1: none),
  // listed as the window lists a read.
  void LoadLanguages(int defaultEntry = 0) {
    page.ClearLists();
    const auto names = window.catalogue.BuildCatalogue(Directory({{"Italiano", false},
                                                                  {"English", false},
                                                                  {"Deutsch", false},
                                                                  {"Español", true},
                                                                  {"Polski", true}}),
                                                       kTypeLanguage);
    if (defaultEntry >= 0) window.catalogue.Entry(defaultEntry)->DefaultFlag = 1;
    page.ShowLanguages(names.Factory, names.Added);
  }

  void Click(QListWidget* list, int row) {
    list->setCurrentRow(row);
    emit list->itemClicked(list->item(row));
  }
  // Entry `entry` in whichever list holds it.
  void ClickEntry(int entry) {
    if (entry < 3) {
      Click(Control<QListWidget>(&page, "LangReadOnlyTntListBox"), entry);
    } else {
      Click(Control<QListWidget>(&page, "LanguageTntListBox"), entry - 3);
    }
  }
  int DefaultEntry() const { return window.catalogue.DefaultPosition() - 1; }

  TScriptedPrompts prompts;
  FakeWindow window;
  LanguagesPage page;
  QTemporaryDir folder;
};

TEST_F(LanguagesPageTest, ClickedLanguageSetsTheDefaultBoxAndTheDeleteButton) {
  const struct {
    const char* what;
    int entry;
    bool detected;
    bool isDefault;
    bool defaultEnabled;
    bool deleteEnabled;
  } cases[] = {
      {"factory language, device present", 1, true, false, true, false},
      {"factory default, device present", 0, true, true, false, false},
      {"factory language, no device", 2, false, false, false, false},
      {"added language, device present", 4, true, false, true, true},
      {"added default, device present", 3, true, true, false, true},
      {"added language, no device", 4, false, false, false, false},
      {"added default, no device", 3, false, true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadLanguages(c.entry == 3 ? 3 : 0);
    window.detected = c.detected;
    // Something selected in the other list before: it goes.
    ClickEntry(c.entry < 3 ? 3 : 0);
    ClickEntry(c.entry);

    const bool added = c.entry >= 3;
    EXPECT_EQ(page.AdditionalListClicked(), added);
    QListWidget* other = added ? Control<QListWidget>(&page, "LangReadOnlyTntListBox")
                               : Control<QListWidget>(&page, "LanguageTntListBox");
    EXPECT_TRUE(other->selectedItems().isEmpty());
    EXPECT_EQ(page.SelectedAddedEntries(), added ? std::vector<int>{c.entry} : std::vector<int>{});
    EXPECT_EQ(Control<QCheckBox>(&page, "cbDefaultLang")->isChecked(), c.isDefault);
    EXPECT_EQ(Control<QCheckBox>(&page, "cbDefaultLang")->isEnabled(), c.defaultEnabled);
    EXPECT_EQ(Control<QPushButton>(&page, "DeleteLangButton")->isEnabled(), c.deleteEnabled);
  }
}

TEST_F(LanguagesPageTest, DefaultQuestionMovesTheMarkOrPutsItBack) {
  const struct {
    const char* what;
    int previous;  // -1: none marked
    int clicked;
    bool detected;
    TMessageAnswer answer;
    bool asked;
    int defaultAfter;
    bool started;
  } cases[] = {
      {"Yes for an added language", 0, 4, true, TMessageAnswer::Yes, true, 4, true},
      {"Yes for a factory language", 3, 2, true, TMessageAnswer::Yes, true, 2, true},
      {"No", 0, 4, true, TMessageAnswer::No, true, 0, false},
      {"box closed", 3, 1, true, TMessageAnswer::Closed, true, 3, false},
      {"none marked, No", -1, 1, true, TMessageAnswer::No, true, -1, false},
      {"no device: marked here, nothing asked", 0, 4, false, TMessageAnswer::Yes, false, 4, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadLanguages(c.previous);
    window.starts.clear();
    prompts.Clear();
    window.detected = true;
    ClickEntry(c.clicked);
    window.detected = c.detected;
    prompts.QueueAnswer(c.answer);
    // The box is enabled only with a device; the handler is what a click runs.
    Control<QCheckBox>(&page, "cbDefaultLang")->setChecked(true);
    page.cbDefaultLangClick(true);

    const auto messages = prompts.Records(TPromptEvent::Message);
    ASSERT_EQ(messages.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(messages[0].Text, LangString(65206));
      EXPECT_EQ(messages[0].Kind, TMessageKind::Confirmation);
      EXPECT_EQ(messages[0].Beep, TBeep::Notice);
    }
    EXPECT_EQ(DefaultEntry(), c.defaultAfter);
    int marks = 0;
    for (int i = 0; i < window.catalogue.CatalogueCount(); ++i)
      marks += window.catalogue.Entry(i)->DefaultFlag;
    EXPECT_EQ(marks, c.defaultAfter >= 0 ? 1 : 0);
    ASSERT_EQ(window.starts.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_EQ(window.starts[0].request.Action, TAction::SetDefaultLanguage);
      EXPECT_TRUE(IsWrite(window.starts[0].request.Action));
      EXPECT_EQ(window.starts[0].status, LangString(65197));
    }
    const bool checked = c.defaultAfter == c.clicked;
    EXPECT_EQ(Control<QCheckBox>(&page, "cbDefaultLang")->isChecked(), checked);
    EXPECT_EQ(Control<QCheckBox>(&page, "cbDefaultLang")->isEnabled(), !checked);
  }
}

TEST_F(LanguagesPageTest, TickingTheDefaultAgainAsksNothing) {
  // Several marks: the last one is the default the device has.
  LoadLanguages(1);
  window.catalogue.Entry(4)->DefaultFlag = 1;
  ClickEntry(4);
  ASSERT_TRUE(Control<QCheckBox>(&page, "cbDefaultLang")->isChecked());
  page.cbDefaultLangClick(true);
  EXPECT_TRUE(prompts.Records().empty());
  EXPECT_TRUE(window.starts.empty());
  EXPECT_EQ(DefaultEntry(), 4);
  EXPECT_EQ(window.catalogue.Entry(1)->DefaultFlag, 0);
  EXPECT_FALSE(Control<QCheckBox>(&page, "cbDefaultLang")->isEnabled());
}

TEST_F(LanguagesPageTest, DeleteAsksAndStartsOnlyWithADeviceAndYes) {
  const struct {
    const char* what;
    bool detected;
    TMessageAnswer answer;
    bool started;
  } cases[] = {
      {"Yes", true, TMessageAnswer::Yes, true},
      {"No", true, TMessageAnswer::No, false},
      {"device gone meanwhile", false, TMessageAnswer::Yes, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LoadLanguages();
    window.starts.clear();
    window.deleteStarted = false;
    prompts.Clear();
    window.detected = true;
    ClickEntry(4);
    ASSERT_TRUE(Control<QPushButton>(&page, "DeleteLangButton")->isEnabled());
    window.detected = c.detected;
    prompts.QueueAnswer(c.answer);
    Control<QPushButton>(&page, "DeleteLangButton")->click();

    ASSERT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
    EXPECT_EQ(prompts.Last().Text, LangStrings::DeleteLanguageQuestion());
    EXPECT_EQ(prompts.Last().Text, LangString(65195) + "?");
    EXPECT_EQ(prompts.Last().Beep, TBeep::Notice);
    EXPECT_EQ(window.deleteStarted, c.started);
    ASSERT_EQ(window.starts.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_EQ(window.starts[0].request.Action, TAction::DeleteFiles);
      EXPECT_EQ(window.starts[0].status, LangString(65195));
    }
  }
}

TEST_F(LanguagesPageTest, ImportFillsThePanelsRefusalResetsThemCancelKeepsThem) {
  const QString good = QDir(folder.path()).filePath("polski.bin");
  const devsim::Bytes file = devsim::MakeLanguageFile("Polski", 0, 3242);
  QFile out(good);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size()));
  out.close();
  const QString junk = QDir(folder.path()).filePath("junk.bin");
  QFile(junk).open(QIODevice::WriteOnly);

  const auto panels = [&] {
    return QStringList{Control<QLabel>(&page, "LangFilenamePanel")->text(),
                       Control<QLabel>(&page, "LangSizePanel")->text(),
                       Control<QLabel>(&page, "LangVersionPanel")->text(),
                       Control<QLabel>(&page, "LangDescrTntPanel")->text()};
  };
  const QStringList imported{"polski.bin", "3242 Bytes", "V1.2", "Polski"};
  const QStringList empty{"---", "---", "---", "---"};
  const devsim::Bytes none;
  const struct {
    const char* what;
    QString answer;  // empty: cancelled
    QStringList shown;
    bool writable;
    const devsim::Bytes& buffer;
  } steps[] = {
      {"a language file", good, imported, true, file},
      {"cancelled", QString(), imported, true, file},
      {"a file that is no language", junk, empty, false, none},
      {"cancelled after a refusal", QString(), empty, false, none},
      {"the file again", good, imported, true, file},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    prompts.QueueFileName(step.answer);
    Control<QPushButton>(&page, "ImportLangButton")->setEnabled(true);
    Control<QPushButton>(&page, "ImportLangButton")->click();
    EXPECT_EQ(panels(), step.shown);
    EXPECT_EQ(Control<QPushButton>(&page, "WriteLangButton")->isEnabled(), step.writable);
    EXPECT_EQ(page.ImportedPackage(), step.buffer);
  }
  EXPECT_EQ(prompts.Records(TPromptEvent::OpenFile).size(), 5u);
}

// Both pages' import: the dialog each asks with, the files it takes whole, the ones it refuses
// like a wrong type, and a cancel that leaves the buffer alone.
TEST_F(LanguagesPageTest, ImportTakesWholeFilesOfItsOwnTypeOnly) {
  const auto package = [](std::uint8_t type, std::size_t size, std::uint32_t claimed) {
    platform::Bytes data(size, 0x5A);
    if (size >= 32) {
      platform::WriteLE32(data, 0, claimed);
      data[5] = 0;
      data[6] = type;
      std::fill_n(data.begin() + 12, 16, 0);
    }
    return data;
  };
  const platform::Bytes before{1, 2, 3};
  const struct {
    const char* what;
    std::optional<platform::Bytes> file;  // nothing: the dialog is cancelled
    std::uint8_t type;
    TPackageImportResult result;
    int errorText;       // 0: no box
    qint64 grownTo = 0;  // the file made this long (sparse) after its bytes
  } cases[] = {
      {"language file", package(3, 64, 64), kTypeLanguage, TPackageImportResult::Imported, 0},
      {"firmware file as a language", package(5, 64, 64), kTypeLanguage,
       TPackageImportResult::Refused, 65168},
      {"firmware file as firmware", package(5, 64, 64), kTypeFirmware,
       TPackageImportResult::Imported, 0},
      {"language file as firmware", package(3, 64, 64), kTypeFirmware,
       TPackageImportResult::Refused, 65168},
      {"empty file", package(3, 0, 0), kTypeLanguage, TPackageImportResult::Refused, 65168},
      {"31 bytes", package(3, 31, 0), kTypeLanguage, TPackageImportResult::Refused, 65168},
      {"header alone", package(3, 32, 32), kTypeLanguage, TPackageImportResult::Imported, 0},
      {"size field past the end", package(3, 64, 65), kTypeLanguage, TPackageImportResult::Refused,
       65168},
      {"just over 64 MiB: no package, not a file left open", package(3, 64, 64), kTypeLanguage,
       TPackageImportResult::Refused, 65168, 64ll * 1024 * 1024 + 1},
      {"cancelled", std::nullopt, kTypeLanguage, TPackageImportResult::Cancelled, 0},
  };
  const QString path = QDir(folder.path()).filePath("package");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    prompts.Clear();
    if (c.file) {
      QFile out(path);
      ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
      out.write(reinterpret_cast<const char*>(c.file->data()), static_cast<qint64>(c.file->size()));
      if (c.grownTo) {
        ASSERT_TRUE(out.resize(c.grownTo));
      }
    }
    prompts.QueueFileName(c.file ? path : QString());
    TPackageImport import;
    import.Data = before;
    EXPECT_EQ(ImportPackage(c.type, &page, import), c.result);

    const auto dialogs = prompts.Records(TPromptEvent::OpenFile);
    ASSERT_EQ(dialogs.size(), 1u);
    const bool language = c.type == kTypeLanguage;
    EXPECT_EQ(dialogs[0].File.Title, LangString(language ? 65201 : 65213));
    EXPECT_EQ(dialogs[0].File.Filter,
              language ? "Binary File (*.bin)" : "Encrypted File (*.enc *.ENC)");
    EXPECT_TRUE(dialogs[0].File.FileName.isEmpty());
    // The file read whole, refused or not; a cancel reads nothing, and a file too large to read
    // leaves nothing of the one before.
    EXPECT_EQ(import.Data, c.grownTo ? platform::Bytes{} : c.file ? *c.file : before);
    const auto messages = prompts.Records(TPromptEvent::Message);
    ASSERT_EQ(messages.size(), c.errorText ? 1u : 0u);
    if (c.errorText) {
      EXPECT_EQ(messages[0].Text, LangString(c.errorText));
      EXPECT_EQ(messages[0].Beep, TBeep::Error);
    }
    if (c.result == TPackageImportResult::Imported) {
      EXPECT_EQ(import.FileName, "package");
      EXPECT_EQ(import.Fields.Size, QString("%1 Bytes").arg(c.file->size()));
    }
  }
  // A file that cannot be read at all has its own message.
  prompts.Clear();
  prompts.QueueFileName(QDir(folder.path()).filePath("missing.bin"));
  TPackageImport import;
  import.Data = before;
  EXPECT_EQ(ImportPackage(kTypeLanguage, &page, import), TPackageImportResult::Unreadable);
  ASSERT_EQ(prompts.Records(TPromptEvent::Message).size(), 1u);
  EXPECT_EQ(prompts.Last().Text, LangString(65172));
  EXPECT_EQ(import.Data, before);
}

TEST_F(LanguagesPageTest, WriteStartsOnlyAfterTheDisclaimerIsAccepted) {
  const struct {
    const char* what;
    bool detected;
    int result;  // the disclaimer's
    bool started;
  } cases[] = {
      {"ticked and continued", true, QDialog::Accepted, true},
      {"cancelled", true, QDialog::Rejected, false},
      {"another way out but Cancel", true, 2, true},
      {"accepted without a device", false, QDialog::Accepted, false},
  };
  Control<QLabel>(&page, "LangDescrTntPanel")->setText("Русский");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window.starts.clear();
    prompts.Clear();
    window.detected = c.detected;
    QString shownIntro;
    prompts.QueueModal([&](QDialog& dialog) {
      auto& form = dynamic_cast<TLangDisclaimerForm&>(dialog);
      shownIntro = form.Texts().Intro;
      if (c.result == QDialog::Accepted) {
        form.cbConfirm->click();
        form.cbUnderstand->click();
        form.bOk->click();
        return form.result();
      }
      return c.result;
    });
    page.WriteLangButtonClick();

    ASSERT_EQ(prompts.Records(TPromptEvent::Modal).size(), 1u);
    EXPECT_EQ(prompts.Last().Window, "LangDisclaimerForm");
    EXPECT_EQ(prompts.Last().Caption, LangString(65200));
    EXPECT_TRUE(shownIntro.startsWith(QString::fromUtf8(u8"Компания BRAVANTO")));
    EXPECT_EQ(prompts.Records(TPromptEvent::Message).size(), 0u);
    ASSERT_EQ(window.starts.size(), c.started ? 1u : 0u);
    if (c.started) {
      EXPECT_EQ(window.starts[0].request.Action, TAction::WriteLanguage);
      EXPECT_TRUE(IsWrite(window.starts[0].request.Action));
      EXPECT_EQ(window.starts[0].status, LangString(65189));
    }
  }
  // Freed once answered: nothing of it is left around the page.
  EXPECT_TRUE(page.findChildren<TLangDisclaimerForm*>().isEmpty());
}

TEST_F(LanguagesPageTest, ListsShowEveryScriptInOneFaceListAndEmptyingUnticksTheDefault) {
  LoadLanguages(0);
  ClickEntry(0);
  ASSERT_TRUE(Control<QCheckBox>(&page, "cbDefaultLang")->isChecked());
  page.ClearLists();
  EXPECT_EQ(Control<QListWidget>(&page, "LangReadOnlyTntListBox")->count(), 0);
  EXPECT_EQ(Control<QListWidget>(&page, "LanguageTntListBox")->count(), 0);
  EXPECT_FALSE(Control<QCheckBox>(&page, "cbDefaultLang")->isChecked());

  const QString names = QString::fromUtf8(u8"简体中文 한국어 Русский Ελληνικά Čeština");
  for (QWidget* shown :
       std::initializer_list<QWidget*>{Control<QListWidget>(&page, "LangReadOnlyTntListBox"),
                                       Control<QListWidget>(&page, "LanguageTntListBox"),
                                       Control<QLabel>(&page, "LangDescrTntPanel")}) {
    SCOPED_TRACE(shown->objectName().toStdString());
    const QStringList families = shown->font().families();
    ASSERT_GE(families.size(), 2);
    EXPECT_EQ(families.first(), Control<QLabel>(&page, "lLangTitle")->font().families().first());
    EXPECT_EQ(families.last(), "WenQuanYi Micro Hei");
    for (const QChar ch : names) {
      if (ch.isSpace()) continue;
      const bool covered = std::any_of(families.begin(), families.end(), [&](const QString& f) {
        QFont face(f);
        return QFontMetrics(face).inFont(ch) && QFontInfo(face).family() == f;
      });
      EXPECT_TRUE(covered) << QString(ch).toStdString();
    }
  }
}

TEST_F(LanguagesPageTest, EveryControlHasANameAScreenReaderSpeaks) {
  LoadLanguages(0);
  for (QWidget* control : page.findChildren<QWidget*>()) {
    const QByteArray kind = control->metaObject()->className();
    if (!control->inherits("QAbstractButton") && !control->inherits("QAbstractItemView") &&
        !control->objectName().endsWith("Panel"))
      continue;
    SCOPED_TRACE(control->objectName().toStdString());
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    ASSERT_NE(accessible, nullptr);
    EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty()) << kind.constData();
  }
  // Each value panel is labelled by the caption above it.
  const std::pair<QLabel*, QLabel*> fields[] = {
      {Control<QLabel>(&page, "lSelctLang"), Control<QLabel>(&page, "LangFilenamePanel")},
      {Control<QLabel>(&page, "lVersion"), Control<QLabel>(&page, "LangVersionPanel")},
      {Control<QLabel>(&page, "lLang"), Control<QLabel>(&page, "LangDescrTntPanel")},
      {Control<QLabel>(&page, "lSize"), Control<QLabel>(&page, "LangSizePanel")}};
  for (const auto& [caption, panel] : fields) {
    SCOPED_TRACE(caption->text().toStdString());
    EXPECT_EQ(caption->buddy(), panel);
    // (the group around them labels them as well)
    const auto labels = QAccessible::queryAccessibleInterface(panel)->relations(QAccessible::Label);
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const auto& label) {
      return label.first->text(QAccessible::Name) == caption->text();
    }));
  }
  EXPECT_EQ(Control<QPushButton>(&page, "WriteLangButton")->accessibleName(), LangString(65204));
}

}  // namespace
