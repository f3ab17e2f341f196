// The PC side the Languages and Software pages share, on its own: what the pages rely on when
// they hand it their fields.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QWidget>

#include "widgets/PackagePanel.h"

namespace {

using TField = TPackagePanel::TField;

constexpr TPackagePanel::TRow kRows[] = {
    {TField::FileName, "lFile", TText::LanguageFileLabel, "FilePanel"},
    {TField::Checksum, "lSum", TText::ChecksumLabel, "SumPanel"},
};

TEST(PackagePanel, FieldsTopDownEachCaptionNamingItsValueAndTheButtonAtTheFoot) {
  QWidget page;
  auto* panel =
      new TPackagePanel(&page, "gbFiles", kRows, "ImportButton", TText::ImportLanguage, 1.25);
  panel->ApplyTexts();
  QLabel* captions[2] = {};
  QLabel* values[2] = {};
  panel->Expose({&captions[0], &captions[1]}, {&values[0], &values[1]});

  EXPECT_EQ(page.findChild<TPackagePanel*>("gbFiles"), panel);
  EXPECT_EQ(panel->width(), 313);
  EXPECT_EQ(panel->title(), "Risorse del computer");
  ASSERT_NE(captions[1], nullptr);
  EXPECT_EQ(captions[0]->objectName(), "lFile");
  EXPECT_EQ(values[1]->objectName(), "SumPanel");
  EXPECT_EQ(captions[1]->text(), "Checksum");
  EXPECT_EQ(panel->ImportButton()->objectName(), "ImportButton");
  EXPECT_EQ(panel->ImportButton()->text(), "Importa lingua");

  const QLayout* column = panel->layout();
  const auto at = [&](QWidget* w) { return column->indexOf(w); };
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(captions[i]->buddy(), values[i]) << i;
    EXPECT_LT(at(captions[i]), at(values[i])) << i;
  }
  EXPECT_LT(at(values[0]), at(captions[1]));
  EXPECT_LT(at(values[1]), at(panel->ImportButton()));

  for (QLabel* value : values) {
    EXPECT_EQ(value->text(), "---");
    value->setText("V5.2");
  }
  panel->Reset();
  for (QLabel* value : values) EXPECT_EQ(value->text(), "---");
}

}  // namespace
