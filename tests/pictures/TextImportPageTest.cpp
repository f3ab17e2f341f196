// The text sub-page of the Pictures page: the editor keeps eight lines that fit the picture, the
// lines land on their rows, the name field and the save behave as the user expects.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <functional>
#include <set>
#include <vector>

#include "picture/ImageFile.h"
#include "pictures/TextImportPage.h"
#include "support/ScriptedPrompts.h"

namespace {

class TRecordingTextHost : public TTextPictureHost {
 public:
  void ResetGreyControls() override {}
  void PreviewMadeOnPC() override {}
  void ShowPreview(bool shown) override { PreviewShown = shown; }
  void ShowTextPicture(const QImage& textImage) override { Preview = textImage.scaled(256, 160); }
  void SetPictureName(const QString& name) override { Names.append(name); }
  QString CurrentFolder() const override { return Folder; }
  QImage PreviewPicture() const override { return Preview; }
  void ClearSelectionCount() override {}
  bool TextPageInFront() const override { return true; }

  bool PreviewShown = false;
  QImage Preview;
  QStringList Names;
  QString Folder;
};

class TextImportPageTest : public testing::Test {
 protected:
  TextImportPageTest() {
    page.SetHost(&host);
    page.ApplyTexts();
    page.show();
    page.ResetFontAndSpacing();
    page.tsTextImportShow();
  }

  void Type(const QString& text) {
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(page.retntTextEditor, Qt::Key_Return);
      QTest::keyClicks(page.retntTextEditor, lines[i]);
    }
  }

  // The rows of TextImage that hold a dark pixel.
  std::set<int> DarkRows() const {
    std::set<int> rows;
    for (int y = 0; y < page.TextImage.height(); ++y)
      for (int x = 0; x < page.TextImage.width(); ++x)
        if (qGray(page.TextImage.pixel(x, y)) < 128) rows.insert(y);
    return rows;
  }

  TScriptedPrompts prompts;
  TRecordingTextHost host;
  TextImportPage page{1.0};
};

TEST_F(TextImportPageTest, EditorKeepsEightLines) {
  const struct {
    const char* name;
    std::function<void()> enter;
    QStringList lines;
    bool onTheNinthLine = false;
  } cases[] = {
      {"typed",
       [&] { Type("1\n2\n3\n4\n5\n6\n7\n8\n9"); },
       {"1", "2", "3", "4", "5", "6", "7", "8"},
       true},
      {"pasted",
       [&] { page.retntTextEditor->insertPlainText("1\n2\n3\n4\n5\n6\n7\n8\n9\nA\nB\nC"); },
       {"1", "2", "3", "4", "5", "6", "7", "8"},
       true},
      {"wrapped into a ninth",
       [&] { Type("1\n2\n3\n4\n5\n6\n7\nOnde alte sul mare blu"); },
       {"1", "2", "3", "4", "5", "6", "7", "Onde alte sul mare "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    page.bClearClick();
    c.enter();
    EXPECT_EQ(page.DisplayLines(), c.lines);
    if (c.onTheNinthLine) {  // typing on past the limit adds nothing
      QTest::keyClicks(page.retntTextEditor, "Q");
      EXPECT_EQ(page.DisplayLines(), c.lines);
    }
  }
}

// The cut at eight lines leaves the editor at its top, the first line in view, however the text
// came in.
TEST_F(TextImportPageTest, CutLeavesTheFirstLineInView) {
  const struct {
    const char* name;
    std::function<void()> enter;
  } cases[] = {
      {"typed", [&] { Type("1\n2\n3\n4\n5\n6\n7\n8\n9"); }},
      {"pasted", [&] { page.retntTextEditor->insertPlainText("1\n2\n3\n4\n5\n6\n7\n8\n9\nA"); }},
  };
  QScrollBar* scroll = page.retntTextEditor->verticalScrollBar();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    page.bClearClick();
    c.enter();
    QCoreApplication::processEvents();
    ASSERT_EQ(page.DisplayLines().size(), TextImportPage::kMaxLines);
    // Eight lines are more than the editor shows at once: the cut is what brings it back up.
    ASSERT_GT(scroll->maximum(), 0);
    EXPECT_EQ(scroll->value(), 0);
  }
}

TEST(TextImportPageWrapTest, DisplayLinesFillThePictureWidthOnEveryScreen) {
  for (double f : {1.0, 1.25, 1.5}) {
    SCOPED_TRACE(f);
    TRecordingTextHost host;
    TextImportPage page(f);
    page.SetHost(&host);
    page.show();
    page.tsTextImportShow();
    QTest::keyClicks(page.retntTextEditor, QString(60, 'X'));
    const QString first = page.DisplayLines().front();
    const QFontMetrics metrics(page.retntTextEditor->font(), &page.TextImage);
    EXPECT_LE(metrics.horizontalAdvance(first), 128);
    EXPECT_GT(metrics.horizontalAdvance(first + 'X'), 128);
  }
}

TEST_F(TextImportPageTest, LinesStartFiveRowsDownOneSizePlusGapApart) {
  // The dark rows of "X" alone on the first line, measured from its top at row 5.
  page.retntTextEditor->setPlainText("X");
  std::set<int> glyph;
  for (int row : DarkRows()) glyph.insert(row - TextImportPage::kTopRow);
  ASSERT_FALSE(glyph.empty());
  // The line box's top is at row 5: "X" stands on the baseline, the font's ascent below it.
  EXPECT_EQ(*glyph.rbegin() + 1,
            QFontMetrics(page.retntTextEditor->font(), &page.TextImage).ascent());

  const struct {
    int shift;
    std::vector<int> tops;
  } cases[] = {
      {-5, {5, 12, 19, 26, 33, 40, 47, 54}},  // no gap: 7 points apart
      {0, {5, 17, 29, 41, 53, 65, 77}},       // the eighth at 89 is outside
      {19, {5, 36, 67}},
  };
  page.retntTextEditor->setPlainText("X\nX\nX\nX\nX\nX\nX\nX");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shift);
    page.udShift->setValue(c.shift);
    EXPECT_EQ(page.eHeight->text(), QString::number(c.shift));
    std::set<int> expected;
    for (int top : c.tops)
      for (int row : glyph)
        if (top + row < 80) expected.insert(top + row);
    EXPECT_EQ(DarkRows(), expected);
    // Black on white, no grey edges.
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 128; ++x)
        ASSERT_TRUE(page.TextImage.pixel(x, y) == 0xFF000000u ||
                    page.TextImage.pixel(x, y) == 0xFFFFFFFFu);
  }
}

TEST_F(TextImportPageTest, CharactersOutsideLatin1AreDrawnAsQuestionMarks) {
  page.retntTextEditor->setPlainText(QString::fromUtf8("? ?xé"));
  const QImage expected = page.TextImage.copy();
  page.retntTextEditor->setPlainText(QString::fromUtf8("Ω €xé"));  // é is Latin-1, Ω and € not
  EXPECT_EQ(page.TextImage, expected);
}

TEST_F(TextImportPageTest, NameFieldIsNeverEmptyAndRestsWithAnEmptyEditor) {
  Type("Mare");
  EXPECT_EQ(host.Names.last(), "Nome del file.BMP");
  page.tbSaveAs->click();
  page.FilterComboBoxTxt->setCurrentIndex(3);
  QTest::keyClick(page.eFilename, Qt::Key_Backspace);  // the whole name was selected
  EXPECT_EQ(page.eFilename->text(), "Nome del file");
  QTest::keyClicks(page.eFilename, "Onda");
  EXPECT_EQ(host.Names.last(), "Onda.GIF");

  page.retntTextEditor->selectAll();
  QTest::keyClick(page.retntTextEditor, Qt::Key_Backspace);
  EXPECT_EQ(host.Names.last(), "---");
  EXPECT_FALSE(host.PreviewShown);
  EXPECT_FALSE(page.eFilename->isEnabled());
  EXPECT_EQ(page.eFilename->selectedText(), "Nome del file");
  EXPECT_FALSE(page.bSaveApply->isEnabled());
  EXPECT_FALSE(page.tbSaveAs->isEnabled());

  // "Cancella", or another type chosen after it, names no picture that does not exist.
  Type("Mare");
  QTest::mouseClick(page.bClear, Qt::LeftButton);
  page.FilterComboBoxTxt->setCurrentIndex(1);
  EXPECT_EQ(host.Names.last(), "---");
  EXPECT_FALSE(host.PreviewShown);
}

TEST_F(TextImportPageTest, SaveAsksThenWritesTheFormatTheExtensionNames) {
  QTemporaryDir folder;
  host.Folder = folder.path();
  Type("Mare");
  const struct {
    QString name;
    int type;
    TMessageAnswer answer;
    QString file;  // empty: nothing written
    QByteArray signature;
  } cases[] = {
      {"Onda", 1, TMessageAnswer::Yes, "Onda.JPG", "\xFF\xD8\xFF"},
      {"Onda", 3, TMessageAnswer::Yes, "Onda.GIF", "GIF8"},
      {"Scoglio", 1, TMessageAnswer::No, "", ""},
      {"../Fuori", 0, TMessageAnswer::Yes, "___Fuori.BMP", "BM"},  // in the folder, shown
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    for (const QString& old : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden))
      QDir(folder.path()).remove(old);
    page.FilterComboBoxTxt->setCurrentIndex(c.type);
    page.tbSaveAs->click();
    QTest::keyClicks(page.eFilename, c.name);
    const QString extension = page.FilterComboBoxTxt->currentData().toString().mid(1);
    prompts.QueueAnswer(c.answer);
    page.bSaveApply->click();

    EXPECT_EQ(prompts.Last().Kind, TMessageKind::Confirmation);
    EXPECT_EQ(prompts.Last().Beep, TBeep::Notice);
    EXPECT_EQ(prompts.Last().Text, "Si desidera salvare il testo come " + c.name + extension +
                                       " nel percorso " + folder.path() + " ?");
    const QStringList written = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(written, c.file.isEmpty() ? QStringList() : QStringList{c.file});
    if (!c.file.isEmpty()) {
      QFile file(folder.filePath(c.file));
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_TRUE(file.read(c.signature.size()) == c.signature);
      EXPECT_EQ(ReadImageFile(file.fileName()).Image.size(), QSize(256, 160));
    }
    EXPECT_FALSE(page.eFilename->isEnabled());
    EXPECT_EQ(host.Names.last(), "Nome del file" + extension);
  }
  EXPECT_TRUE(prompts.Records(TPromptEvent::Beep).empty());  // no error box
}

}  // namespace
