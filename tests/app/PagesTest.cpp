// The four pages of the main window, built standalone: every control is there under its name and
// kind, starts in the state the window opens with, and carries its text from the text table.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/AboutPage.h"
#include "firmware/SoftwarePage.h"
#include "languages/LanguagesPage.h"
#include "pictures/FolderBrowser.h"
#include "pictures/PicturesPage.h"
#include "pictures/TextImportPage.h"
#include "support/Controls.h"

namespace {

using testsupport::Control;

// A widget class, then the object names (separated by blanks) of the controls of that class.
using Expected = std::vector<std::pair<const char*, QString>>;

void ExpectControls(const QWidget& page, const Expected& controls) {
  for (const auto& [className, names] : controls) {
    for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
      const auto* control = page.findChild<QObject*>(name);
      ASSERT_NE(control, nullptr) << name.toStdString();
      EXPECT_TRUE(control->inherits(className))
          << name.toStdString() << " is a " << control->metaObject()->className();
    }
  }
}

// `names`: object names separated by blanks.
void ExpectDisabled(const QWidget& page, const QString& names) {
  for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
    const auto* control = page.findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_FALSE(control->isEnabled()) << name.toStdString();
  }
}

void ExpectHidden(const QWidget& page, const QString& names) {
  for (const QString& name : names.split(' ', Qt::SkipEmptyParts)) {
    const auto* control = page.findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name.toStdString();
    EXPECT_TRUE(control->isHidden()) << name.toStdString();
  }
}

void ExpectPictureFileTypes(const QComboBox& box) {
  const QStringList texts{"Bitmap (*.bmp)", "JPEG (*.jpg)", "TIF (*.tif)", "GIF (*.gif)"};
  const QStringList masks{"*.BMP", "*.JPG", "*.TIF", "*.GIF"};
  ASSERT_EQ(box.count(), 4) << box.objectName().toStdString();
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(box.itemText(i), texts[i]);
    EXPECT_EQ(box.itemData(i).toString(), masks[i]);
  }
  EXPECT_EQ(box.currentIndex(), 0);
}

// The four pages, each with its texts.
struct TAllPages {
  TAllPages() {
    About.ApplyTexts();
    Pictures.ApplyTexts();
    Languages.ApplyTexts();
    Software.ApplyTexts();
  }
  std::vector<QWidget*> All() { return {&About, &Pictures, &Languages, &Software}; }

  AboutPage About;
  PicturesPage Pictures;
  LanguagesPage Languages;
  SoftwarePage Software;
};

bool HasDrawnPixels(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage();
  for (int y = 0; y < image.height(); y += 4)
    for (int x = 0; x < image.width(); x += 4)
      if (qAlpha(image.pixel(x, y)) != 0) return true;
  return false;
}

}  // namespace

TEST(PagesTest, PicturesPageHasEveryControlInItsStartState) {
  PicturesPage page;
  page.ApplyTexts();
  EXPECT_EQ(page.objectName(), "PicturesTabSheet");
  ExpectControls(
      page, {{"QTabWidget", "pgImport"},
             {"QWidget", "tsPictureImport"},
             {"TextImportPage", "tsTextImport"},
             {"QLabel",
              "lOriginPic pNoPreview TrueImage lPicFiles lGrayTitle lBlack lGrey lWhite lBright "
              "lDefault lDark lGreyPreview pGreyPreview ViewImage PicFilenameTntPanel "
              "lFactorySetPic lPictureListbox NmbOfPixPanel NoPreviewImage DummyImage lTxtEditor"},
             {"QComboBox", "FilterComboBox DriveComboBox FilterComboBoxTxt"},
             {"QListView", "FileListBox"},
             {"QFrame", "Panel3 pGray"},
             {"QTreeView", "DirectoryListBox"},
             {"QToolBar", "tbNewFolder tbTxtEditor tbFilename"},
             {"QToolButton", "tbFolderPic tbSaveAs"},
             {"QLineEdit", "eFolderName eHeight eFilename"},
             {"QSlider", "slBlack slGray slWhite"},
             {"QCheckBox", "cbStartUpPic"},
             {"QGroupBox", "gbOrvanel"},
             {"QListWidget", "ReadOnlyListBox PicturesListBox"},
             {"QTextEdit", "retntTextEditor"},
             {"QAbstractButton", "bFont"},
             {"QSpinBox", "udShift"}});

  ExpectDisabled(page,
                 "slBlack slGray slWhite lBlack lGrey lWhite lBright lDefault lDark pGray "
                 "lGrayTitle SavePicFileButton DeleteFileButton WrdPicButton cbStartUpPic "
                 "eFolderName bApply eFilename bSaveApply tbSaveAs udShift");
  ExpectHidden(page, "ViewImage TrueImage NoPreviewImage DummyImage eHeight");
  EXPECT_EQ(page.pgImport->currentWidget(), page.tsPictureImport);
  EXPECT_EQ(page.pgImport->indexOf(page.tsPictureImport), 0);
  EXPECT_EQ(page.pgImport->indexOf(page.tsTextImport), 1);
  EXPECT_EQ(page.PicFilenameTntPanel->text(), "---");
  EXPECT_EQ(page.NmbOfPixPanel->text(), "---");
  EXPECT_FALSE(page.cbStartUpPic->isChecked());

  for (QSlider* slider : {page.slBlack, page.slGray, page.slWhite}) {
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 120);
    EXPECT_EQ(slider->value(), 60);
    EXPECT_EQ(slider->orientation(), Qt::Horizontal);
  }
  TextImportPage& text = *page.tsTextImport;
  EXPECT_EQ(text.udShift->minimum(), -5);
  EXPECT_EQ(text.udShift->maximum(), 19);
  EXPECT_EQ(text.udShift->value(), 0);
  EXPECT_EQ(text.eHeight->text(), "0");
  EXPECT_EQ(text.eFilename->maxLength(), 14);
  EXPECT_EQ(text.retntTextEditor->lineWrapMode(), QTextEdit::WidgetWidth);
  EXPECT_EQ(text.bFont->text(), "A");
  EXPECT_TRUE(text.bFont->font().bold());

  ExpectPictureFileTypes(*page.FilterComboBox);
  ExpectPictureFileTypes(*text.FilterComboBoxTxt);
  for (QListWidget* list : {page.ReadOnlyListBox, page.PicturesListBox})
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST(PagesTest, PicturesPageTextsComeFromTheTable) {
  PicturesPage page;
  page.ApplyTexts();
  EXPECT_EQ(page.windowTitle(), "Immagini");
  EXPECT_EQ(page.WrdPicButton->text(), ">>");
  EXPECT_EQ(page.WrdPicButton->toolTip(), "Scrivi immagine in anteprima su Orvanel");
  EXPECT_EQ(page.SavePicFileButton->text(), "<<");
  EXPECT_EQ(page.SavePicFileButton->toolTip(),
            "Salva immagine/i Orvanel selezionata/e su Risorse del computer");
  EXPECT_EQ(page.pgImport->tabText(0), "Importa immagini");
  EXPECT_EQ(page.pgImport->tabText(1), "Importa testo");
  // Whatever face this machine gives the page, the captions fit their tabs.
  for (int i = 0; i < page.pgImport->count(); ++i) {
    const QTabBar* bar = page.pgImport->tabBar();
    EXPECT_GT(bar->tabRect(i).width(), bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
  }
  EXPECT_EQ(page.lFactorySetPic->text(), "Immagini preimpostate");
  EXPECT_EQ(page.lPictureListbox->text(), "Immagini Orvanel");
  EXPECT_EQ(page.gbOrvanel->title(), "Orvanel");
  EXPECT_EQ(page.pGreyPreview->text(), "anteprima non disponibile");
  EXPECT_EQ(page.pNoPreview->text(), "anteprima non disponibile");
  EXPECT_EQ(page.lGrayTitle->text(), "Regolazione scala di grigi");
  EXPECT_EQ(page.lGrey->text(), "grigio");
  EXPECT_EQ(page.lDark->text(), "scuro");
  EXPECT_EQ(page.cbStartUpPic->text(), "immagine iniziale");
  EXPECT_EQ(page.Panel3->eFolderName->text(), "Nuova cartella");
  EXPECT_EQ(page.Panel3->bApply->text(), "Applica");
  EXPECT_EQ(page.DeleteFileButton->text(), "Elimina");
  EXPECT_EQ(page.tsTextImport->lTxtEditor->text(), "Editor di testo");
  EXPECT_EQ(page.tsTextImport->eFilename->text(), "Nome del file");
  EXPECT_EQ(page.tsTextImport->bClear->text(), "Cancella");
  EXPECT_EQ(page.tsTextImport->bSaveApply->text(), "Salva");
}

TEST(PagesTest, PicturesPageFileBrowserShowsFoldersAndFilesOfTheChosenType) {
  PicturesPage page;
  auto* folders = qobject_cast<QFileSystemModel*>(page.Panel3->DirectoryListBox->model());
  ASSERT_NE(folders, nullptr);
  EXPECT_FALSE(folders->filter().testFlag(QDir::Files));
  auto* files = qobject_cast<QFileSystemModel*>(page.FileListBox->model());
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(files->nameFilters(), QStringList{"*.BMP"});
  EXPECT_FALSE(files->nameFilterDisables());  // non-matching files are left out, not greyed
  page.FilterComboBox->setCurrentIndex(3);
  EXPECT_EQ(files->nameFilters(), QStringList{"*.GIF"});
  EXPECT_GE(page.Panel3->DriveComboBox->count(), 1);
}

TEST(PagesTest, SizesFollowTheScaleFactor) {
  PicturesPage page(1.25);
  EXPECT_EQ(page.ViewImage->size(), QSize(320, 200));
  EXPECT_EQ(page.pGreyPreview->size(), QSize(325, 206));
  EXPECT_EQ(page.TrueImage->size(), QSize(219, 135));
  EXPECT_EQ(page.NoPreviewImage->size(), QSize(160, 100));
  EXPECT_EQ(page.tsTextImport->retntTextEditor->size(), QSize(191, 91));
  EXPECT_EQ(page.WrdPicButton->width(), page.SavePicFileButton->width());

  PicturesPage unscaled;
  EXPECT_EQ(unscaled.ViewImage->size(), QSize(256, 160));
  EXPECT_EQ(unscaled.pGreyPreview->size(), QSize(260, 165));
  EXPECT_EQ(unscaled.tsTextImport->retntTextEditor->size(), QSize(153, 73));

  SoftwarePage software(1.25);
  EXPECT_EQ(Control<QLabel>(&software, "SWImage")->size(), QSize(225, 350));
  EXPECT_EQ(Control<QLabel>(&software, "SWImage")->pixmap().size(), QSize(225, 350));
}

// The window is 802 x 593 at 96 dots per inch with its tabs on the right, which leaves a page
// about 765 x 538; a page that asks for more would stretch or clip it.
TEST(PagesTest, PagesFitTheMainWindow) {
  TAllPages pages;
  for (QWidget* page : pages.All()) {
    EXPECT_LE(page->minimumSizeHint().width(), 760) << page->objectName().toStdString();
    EXPECT_LE(page->minimumSizeHint().height(), 500) << page->objectName().toStdString();
  }
}

TEST(PagesTest, LanguagesPageControlsTextsAndStartState) {
  LanguagesPage page;
  page.ApplyTexts();
  EXPECT_EQ(page.objectName(), "LanguagesTabSheet");
  ExpectControls(page,
                 {{"QLabel",
                   "lLangTitle lFactorySetLang lAddLang lSelctLang LangFilenamePanel lVersion "
                   "LangVersionPanel lLang LangDescrTntPanel lSize LangSizePanel"},
                  {"QGroupBox", "gbLangOrvanel gbLangMyComputer"},
                  {"QListWidget", "LangReadOnlyTntListBox LanguageTntListBox"},
                  {"QCheckBox", "cbDefaultLang"},
                  {"QPushButton", "DeleteLangButton ImportLangButton WriteLangButton"}});
  ExpectDisabled(page, "WriteLangButton DeleteLangButton ImportLangButton cbDefaultLang");
  for (QLabel* panel :
       {Control<QLabel>(&page, "LangFilenamePanel"), Control<QLabel>(&page, "LangVersionPanel"),
        Control<QLabel>(&page, "LangDescrTntPanel"), Control<QLabel>(&page, "LangSizePanel")})
    EXPECT_EQ(panel->text(), "---");
  for (QListWidget* list : {Control<QListWidget>(&page, "LangReadOnlyTntListBox"),
                            Control<QListWidget>(&page, "LanguageTntListBox")}) {
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(list->count(), 0);
  }
  EXPECT_EQ(page.windowTitle(), "Lingue");
  EXPECT_EQ(Control<QLabel>(&page, "lLangTitle")->text(), "Aggiungi lingua");
  EXPECT_EQ(Control<TPackagePanel>(&page, "gbLangMyComputer")->title(), "Risorse del computer");
  EXPECT_EQ(Control<QPushButton>(&page, "ImportLangButton")->text(), "Importa lingua");
  EXPECT_EQ(Control<QPushButton>(&page, "WriteLangButton")->text(), ">>");
  EXPECT_EQ(Control<QPushButton>(&page, "WriteLangButton")->toolTip(),
            "Scrivi lingua importata su Orvanel");
  EXPECT_EQ(Control<QLabel>(&page, "lFactorySetLang")->text(), "Lingue preimpostate");
  EXPECT_EQ(Control<QCheckBox>(&page, "cbDefaultLang")->text(), "Lingua impostata");
}

TEST(PagesTest, SoftwarePageControlsTextsAndStartState) {
  SoftwarePage page;
  page.ApplyTexts();
  EXPECT_EQ(page.objectName(), "SoftwareTabSheet");
  ExpectControls(page,
                 {{"QLabel",
                   "lSoftTitle lSelctSoft SWFilenamePanel lDecription SWDescrPanel lSWVersion "
                   "SWVersionPanel lSWSize SWSizePanel lChecksum SWChksumPanel SWImage "
                   "OrvanelImage"},
                  {"QGroupBox", "gbSoftwareOrvanel gbSoftwareDrive"},
                  {"QPushButton", "LoadSWFileButton WriteSWButton"}});
  ExpectDisabled(page, "WriteSWButton");
  EXPECT_TRUE(Control<QPushButton>(&page, "LoadSWFileButton")->isEnabled());
  ExpectHidden(page, "OrvanelImage");
  for (QLabel* panel :
       {Control<QLabel>(&page, "SWFilenamePanel"), Control<QLabel>(&page, "SWDescrPanel"),
        Control<QLabel>(&page, "SWVersionPanel"), Control<QLabel>(&page, "SWSizePanel"),
        Control<QLabel>(&page, "SWChksumPanel")})
    EXPECT_EQ(panel->text(), "---");
  EXPECT_TRUE(HasDrawnPixels(Control<QLabel>(&page, "SWImage")->pixmap()));
  EXPECT_EQ(Control<QLabel>(&page, "SWImage")->pixmap().toImage(),
            Control<QLabel>(&page, "OrvanelImage")->pixmap().toImage());
  EXPECT_EQ(page.windowTitle(), "Software");
  EXPECT_EQ(Control<QLabel>(&page, "lSoftTitle")->text(), "Aggiornamento software");
  EXPECT_EQ(Control<QPushButton>(&page, "LoadSWFileButton")->text(), "Importa firmware/key");
  EXPECT_EQ(Control<QPushButton>(&page, "WriteSWButton")->text(), ">>");
  EXPECT_EQ(Control<QPushButton>(&page, "WriteSWButton")->toolTip(),
            "Scrivi software importato su Orvanel");
  EXPECT_EQ(Control<QLabel>(&page, "lChecksum")->text(), "Checksum");
  EXPECT_EQ(Control<QGroupBox>(&page, "gbSoftwareOrvanel")->title(), "Orvanel");
}

// A screen reader reads a button by its accessible name: arrows and a lone letter say nothing of
// what the button does, so those buttons speak their hints.
TEST(PagesTest, EveryButtonSpeaksWhatItDoes) {
  TAllPages pages;
  const auto spoken = [](QWidget* control) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    return iface ? iface->text(QAccessible::Name) : QString();
  };
  const struct {
    QWidget* page;
    const char* button;
    QString name;
  } cases[] = {
      {&pages.Pictures, "WrdPicButton", "Scrivi immagine in anteprima su Orvanel"},
      {&pages.Pictures, "SavePicFileButton",
       "Salva immagine/i Orvanel selezionata/e su Risorse del computer"},
      {&pages.Software, "WriteSWButton", "Scrivi software importato su Orvanel"},
      {&pages.Languages, "WriteLangButton", "Scrivi lingua importata su Orvanel"},
      {&pages.Pictures, "tbFolderPic", "Nuova cartella"},
      {&pages.Pictures, "bFont", "Carattere"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    QAbstractButton* button = c.page->findChild<QAbstractButton*>(c.button);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(spoken(button), c.name);
  }
  // And no other button is left speaking a sign or a letter.
  for (QWidget* page : pages.All()) {
    for (QAbstractButton* button : page->findChildren<QAbstractButton*>()) {
      if (!button->isVisibleTo(page)) continue;
      const QString name = spoken(button);
      const auto letters =
          std::count_if(name.begin(), name.end(), [](QChar ch) { return ch.isLetter(); });
      EXPECT_GE(letters, 2) << button->objectName().toStdString() << " speaks \""
                            << name.toStdString() << "\"";
    }
  }
}

TEST(PagesTest, AboutPageControlsAndTexts) {
  AboutPage page;
  page.ApplyTexts();
  EXPECT_EQ(page.objectName(), "AboutTabSheet");
  ExpectControls(
      page, {{"QLabel", "lTitle lOrvanelSetup TitleImage2"}, {"QPlainTextEdit", "mDescription"}});
  EXPECT_FALSE(Control<QLabel>(&page, "TitleImage2")->isHidden());
  EXPECT_TRUE(HasDrawnPixels(Control<QLabel>(&page, "TitleImage2")->pixmap()));
  EXPECT_TRUE(Control<QPlainTextEdit>(&page, "mDescription")->isReadOnly());
  EXPECT_EQ(page.windowTitle(), "Informazioni");
  EXPECT_EQ(Control<QLabel>(&page, "lOrvanelSetup")->text(), "Impostazione Orvanel");
  EXPECT_EQ(Control<QLabel>(&page, "lTitle")->text(), "Estensione per Orvanel");
  // The table's welcome text is the main window's to add, once; nothing else stands there.
  EXPECT_TRUE(Control<QPlainTextEdit>(&page, "mDescription")->toPlainText().isEmpty());
}
