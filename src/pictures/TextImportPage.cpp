#include "pictures/TextImportPage.h"

#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTextOption>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <vector>

#include "picture/ImageFile.h"
#include "picture/PictureCodec.h"
#include "picture/PictureTextFont.h"
#include "picture/TextPicture.h"
#include "pictures/PicturesPage.h"
#include "texts/LangStrings.h"
#include "widgets/PageWidgets.h"
#include "widgets/Prompts.h"

namespace {

// Stands in for the page until one is set: the editor keeps working on its own.
class TNoPictureHost final : public TTextPictureHost {
 public:
  void ResetGreyControls() override {}
  void PreviewMadeOnPC() override {}
  void ShowPreview(bool) override {}
  void ShowTextPicture(const QImage&) override {}
  void SetPictureName(const QString&) override {}
  QString CurrentFolder() const override { return {}; }
  QImage PreviewPicture() const override { return {}; }
  void ClearSelectionCount() override {}
  bool TextPageInFront() const override { return false; }
};

TTextPictureHost& NoHost() {
  static TNoPictureHost host;
  return host;
}

// The editor wraps its lines at the picture's width, so that each line the user sees is a line
// of the picture, whole: the text column is 128 pixels wide whatever the editor's size, and the
// room to its right stays blank. The column is the viewport less the document's margins; the
// viewport is narrowed from the right to fit. A style whose frame and scroll bar leave less
// room gives a narrower column: the picture still gets exactly the lines shown.
class TPictureTextEdit : public QTextEdit {
 public:
  explicit TPictureTextEdit(QWidget* parent) : QTextEdit(parent) {
    // The strip beside the narrowed viewport looks like the rest of the editor.
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
  }

 protected:
  // Called for the viewport's resizes, which follow the editor's own and its margins' changes.
  void resizeEvent(QResizeEvent* event) override {
    QTextEdit::resizeEvent(event);
    const int room = viewport()->width() + viewportMargins().right();
    const int column = kPictureWidth + 2 * static_cast<int>(document()->documentMargin());
    const int spare = std::max(0, room - column);
    if (spare == viewportMargins().right()) return;
    setViewportMargins(0, 0, spare, 0);
    // While the editor is being shown the narrowed viewport's own resize is not delivered; this
    // lays the document out again at the viewport's new width all the same.
    setLineWrapColumnOrWidth(lineWrapColumnOrWidth());
  }
};

struct TDisplayLine {
  int Position;  // in the document
  QString Text;
};

// The document's display lines, laid out at the editor's width; a last empty line is left out,
// as the editor's line count never counted the line after a final line break.
std::vector<TDisplayLine> DisplayLinesOf(const QTextDocument& document) {
  std::vector<TDisplayLine> lines;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    document.documentLayout()->blockBoundingRect(block);  // lays the block out
    const QTextLayout* layout = block.layout();
    const QString text = block.text();
    if (layout == nullptr || layout->lineCount() == 0) {
      lines.push_back({block.position(), text});
      continue;
    }
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      // A forced break (Shift+Enter) ends its line as a character the picture has no glyph for.
      QString lineText = text.mid(line.textStart(), line.textLength());
      lineText.remove(QChar::LineSeparator);
      lines.push_back({block.position() + line.textStart(), lineText});
    }
  }
  if (!lines.empty() && lines.back().Text.isEmpty()) lines.pop_back();
  return lines;
}

// The typed name as a file name in the picture folder, by the rules of saved device pictures: a
// path separator would let the file land in another folder ("../name" outside this one) and a
// control character has no place in a name, so each becomes "_"; so do leading dots, which would
// hide the file from the file list.
QString SafeTypedName(QString name) {
  for (QChar& c : name) {
    if (c == '/' || c == '\\' || c.unicode() < 0x20 || c.unicode() == 0x7F) c = '_';
  }
  for (QChar& c : name) {
    if (c != '.') break;
    c = '_';
  }
  return name;
}

}  // namespace

TextImportPage::TextImportPage(double f, QWidget* parent, TPageStart start)
    : QWidget(parent), host_(&NoHost()), dpi_(Scaled(96, f)) {
  setObjectName("tsTextImport");

  lTxtEditor = NewLabel(this, "lTxtEditor");
  lTxtEditor->setAlignment(Qt::AlignHCenter);

  // Word wrap at the picture's width: each wrapped line is one line of the picture.
  retntTextEditor = new TPictureTextEdit(this);
  retntTextEditor->setObjectName("retntTextEditor");
  retntTextEditor->setAcceptRichText(false);
  retntTextEditor->setLineWrapMode(QTextEdit::WidgetWidth);
  retntTextEditor->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  retntTextEditor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  retntTextEditor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  retntTextEditor->setFixedSize(Scaled(kEditorWidth, f), Scaled(kEditorHeight, f));
  // Tab moves on to the next control, so the keyboard can leave the editor.
  retntTextEditor->setTabChangesFocus(true);

  tbTxtEditor = NewToolBar(this, "tbTxtEditor", f);
  bFont = new QToolButton(tbTxtEditor);
  bFont->setObjectName("bFont");
  bFont->setText(LangString(TFixedText::FontButtonFace));
  QFont bold = bFont->font();
  bold.setBold(true);
  bFont->setFont(bold);
  bFont->setFixedWidth(Scaled(24, f));
  tbTxtEditor->addWidget(bFont);
  udShift = new QSpinBox(tbTxtEditor);
  udShift->setObjectName("udShift");
  udShift->setRange(-5, 19);
  udShift->setValue(0);
  udShift->setFixedWidth(Scaled(46, f));
  // Spacing only matters once there are two lines to space.
  udShift->setEnabled(false);
  tbTxtEditor->addWidget(udShift);
  auto* gap = new QWidget(tbTxtEditor);
  gap->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  tbTxtEditor->addWidget(gap);
  bClear = NewButton(tbTxtEditor, "bClear", 64, f);
  tbTxtEditor->addWidget(bClear);

  eHeight = new QLineEdit(this);
  eHeight->setObjectName("eHeight");
  eHeight->setText(QString::number(udShift->value()));
  eHeight->hide();
  eHeight->setAccessibleName(LangString(TNamedText::LineSpacingName));

  FilterComboBoxTxt = new QComboBox(this);
  FilterComboBoxTxt->setObjectName("FilterComboBoxTxt");
  PicturesPage::FillPictureFileTypes(FilterComboBoxTxt);

  tbFilename = NewToolBar(this, "tbFilename", f);
  tbSaveAs = new QToolButton(tbFilename);
  tbSaveAs->setObjectName("tbSaveAs");
  tbSaveAs->setEnabled(false);  // nothing to name while the editor is empty
  tbFilename->addWidget(tbSaveAs);
  eFilename = new QLineEdit(tbFilename);
  eFilename->setObjectName("eFilename");
  eFilename->setMaxLength(kFilenameMaxLength);
  MakeRestingField(eFilename);  // the save-as tool wakes it up
  // Read-only at rest too: a line edit with selected text draws its caret even without the focus.
  eFilename->setReadOnly(true);
  SelectAllOnClick(eFilename);
  tbFilename->addWidget(eFilename);
  bSaveApply = NewButton(tbFilename, "bSaveApply", 52, f);
  bSaveApply->setEnabled(false);
  tbFilename->addWidget(bSaveApply);

  TextImage = QImage(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
  TextImage.fill(Qt::white);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(Scaled(4, f), Scaled(4, f), Scaled(4, f), Scaled(4, f));
  layout->setSpacing(Scaled(4, f));
  layout->addWidget(lTxtEditor);
  layout->addWidget(retntTextEditor, 0, Qt::AlignHCenter);
  layout->addWidget(tbTxtEditor);
  layout->addSpacing(Scaled(10, f));
  layout->addWidget(FilterComboBoxTxt);
  layout->addWidget(tbFilename);
  layout->addStretch(1);

  connect(retntTextEditor, &QTextEdit::textChanged, this, &TextImportPage::reTextEditorChange);
  connect(bFont, &QToolButton::clicked, this, &TextImportPage::bFontClick);
  connect(udShift, &QSpinBox::valueChanged, this, &TextImportPage::eHeightChange);
  connect(bClear, &QPushButton::clicked, this, &TextImportPage::bClearClick);
  connect(tbSaveAs, &QToolButton::clicked, this, &TextImportPage::tbSaveAsClick);
  connect(eFilename, &QLineEdit::textChanged, this, &TextImportPage::eFilenameChange);
  connect(FilterComboBoxTxt, &QComboBox::currentIndexChanged, this,
          &TextImportPage::FilterComboBoxTxtChange);
  connect(bSaveApply, &QPushButton::clicked, this, &TextImportPage::bSaveApplyClick);
  if (start == TPageStart::Complete) FinishStart();
}

void TextImportPage::FinishStart() {
  if (!tbSaveAs->icon().isNull()) return;
  tbSaveAs->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
}

void TextImportPage::ApplyTexts() {
  lTxtEditor->setText(LangString(TText::TextEditorLabel));
  bClear->setText(LangString(TText::ClearButton));
  {
    // A caption, not a change of name: the picture's name stays as it is.
    const QSignalBlocker quiet(eFilename);
    eFilename->setText(LangString(TText::FileNameField));
    eFilename->selectAll();
  }
  bSaveApply->setText(LangString(TText::SaveButton));
  SetSpokenHint(tbSaveAs, LangString(TText::FileNameField));
  eFilename->setAccessibleName(LangString(TText::FileNameField));
  lTxtEditor->setBuddy(retntTextEditor);
  // The face shows an "A" and the spin box a number: neither says what it is for.
  SetSpokenHint(bFont, LangString(TNamedText::FontButtonName));
  SetSpokenHint(udShift, LangString(TNamedText::LineSpacingName));
  FilterComboBoxTxt->setAccessibleName(LangString(TNamedText::FileTypeName));
}

void TextImportPage::SetHost(TTextPictureHost* host) {
  host_ = host != nullptr ? host : &NoHost();
}

QFont TextImportPage::TextFont() const {
  return PictureTextFont(dpi_);
}

QString TextImportPage::Extension() const {
  return FilterComboBoxTxt->currentData().toString().remove(QLatin1Char('*'));
}

int TextImportPage::LineGap() const {
  return DivideRoundingHalfToEven((udShift->value() + 5) * dpi_, 96);
}

QStringList TextImportPage::DisplayLines() const {
  QStringList texts;
  for (const TDisplayLine& line : DisplayLinesOf(*retntTextEditor->document()))
    texts.append(line.Text);
  return texts;
}

void TextImportPage::ResetFontAndSpacing() {
  retntTextEditor->setFont(TextFont());
  udShift->setValue(0);
  reTextEditorChange();
}

bool TextImportPage::CutToLineLimit() {
  const std::vector<TDisplayLine> lines = DisplayLinesOf(*retntTextEditor->document());
  if (static_cast<int>(lines.size()) <= kMaxLines) return false;
  // The line break before the cut stays: what is typed on the line after the last goes on
  // vanishing, instead of joining the last line.
  QTextCursor cut(retntTextEditor->document());
  cut.setPosition(lines[kMaxLines].Position);
  cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
  cut.removeSelectedText();
  return true;
}

void TextImportPage::Render() {
  TextImage = RenderTextPicture(DisplayLines(), retntTextEditor->font(), LineGap(),
                                retntTextEditor->logicalDpiY());
  host_->ShowTextPicture(TextImage);
  retntTextEditor->setFocus();
  host_->ClearSelectionCount();
}

void TextImportPage::PutNameFieldToRest() {
  const QString rest = LangString(TText::FileNameField);
  // The picture's name follows the field even when its text does not change.
  if (eFilename->text() == rest) eFilenameChange();
  // Disabling the focused tool would pass the focus on to the folder browser; the text is where
  // the user goes on.
  const QWidget* focused = window()->focusWidget();
  if (focused == eFilename || focused == bSaveApply) retntTextEditor->setFocus();
  RestField(eFilename, rest, bSaveApply);
}

void TextImportPage::tsTextImportShow() {
  host_->ResetGreyControls();
  const QFont textFont = TextFont();
  dialogFont_ = textFont;
  if (!shown_) {
    shown_ = true;
    retntTextEditor->clear();
    retntTextEditor->setFont(textFont);
  }
  host_->ShowPreview(!DisplayLines().isEmpty());
  reTextEditorChange();
  if (eFilename->text().isEmpty()) eFilename->setText(LangString(TText::FileNameField));
  if (!DisplayLines().isEmpty()) {
    host_->ShowTextPicture(TextImage);
    Render();
    host_->SetPictureName(eFilename->text() + Extension());
    PutNameFieldToRest();
  }
  retntTextEditor->setFocus();
  udShift->setEnabled(DisplayLines().size() > 1);
}

void TextImportPage::reTextEditorChange() {
  if (cutting_) return;  // the line limit's own cut; the call that made it goes on
  host_->PreviewMadeOnPC();
  if (!host_->TextPageInFront()) return;

  bool cut = false;
  {
    const QScopedValueRollback guard(cutting_, true);
    cut = CutToLineLimit();
  }
  const QStringList lines = DisplayLines();
  const bool hasLines = !lines.isEmpty();
  tbSaveAs->setEnabled(hasLines);
  if (hasLines) {
    host_->SetPictureName(eFilename->text() + Extension());
  } else {
    PutNameFieldToRest();
    host_->SetPictureName(LangString(TFixedText::NoValue));
  }
  host_->ShowPreview(hasLines);
  udShift->setEnabled(lines.size() > 1);
  if (cut) {
    // The editor brings its cursor (on the last line) back into view once it has handled the key
    // or the paste that made the cut, which would hide the first line: the top comes back after
    // that.
    QTimer::singleShot(0, retntTextEditor,
                       [this] { retntTextEditor->verticalScrollBar()->setValue(0); });
  }
  Render();
}

void TextImportPage::bFontClick() {
  if (const std::optional<QFont> chosen = Prompts().ChooseFont(dialogFont_, this)) {
    dialogFont_ = *chosen;
    // Whatever face the user picks, the picture stays black and white.
    QFont font = *chosen;
    font.setStyleStrategy(QFont::NoAntialias);
    retntTextEditor->setFont(font);
  }
  TextImage.fill(0xFFFFFFFF);
  reTextEditorChange();
  retntTextEditor->verticalScrollBar()->setValue(0);
}

void TextImportPage::eHeightChange() {
  eHeight->setText(QString::number(udShift->value()));
  // The redraw puts the focus into the editor; a keyboard user stepping the spacing keeps it.
  const bool stepping = udShift->hasFocus();
  TextImage.fill(0xFFFFFFFF);
  reTextEditorChange();
  if (stepping) udShift->setFocus();
}

void TextImportPage::bClearClick() {
  retntTextEditor->clear();
  TextImage.fill(0xFFFFFFFF);
  PutNameFieldToRest();
}

void TextImportPage::tbSaveAsClick() {
  WakeRestingField(eFilename, LangString(TText::FileNameField), bSaveApply);
}

void TextImportPage::eFilenameClick() {
  eFilename->selectAll();
}

void TextImportPage::eFilenameChange() {
  if (eFilename->text().isEmpty()) {
    // The field is never left empty; the resting text comes back selected, to be typed over.
    // Setting it comes back here, which names the picture.
    eFilename->setText(LangString(TText::FileNameField));
    eFilename->selectAll();
    return;
  }
  // An empty editor makes no picture: the name under the preview stays "---" (after "Cancella",
  // say) or names what the import shows, not a picture that does not exist.
  if (host_->TextPageInFront() && !DisplayLines().isEmpty())
    host_->SetPictureName(eFilename->text() + Extension());
}

void TextImportPage::FilterComboBoxTxtChange() {
  eFilenameChange();
  if (host_->TextPageInFront()) eFilename->setFocus();
}

void TextImportPage::bSaveApplyClick() {
  const QString name = eFilename->text();
  const QString extension = Extension();
  const QString folder = host_->CurrentFolder();
  if (Prompts().Ask(TMessageKind::Confirmation,
                    LangStrings::SaveTextQuestion(name + extension, folder), TBeep::Notice, this)) {
    host_->SetPictureName(name);
    const QString path = folder + QLatin1Char('/') + SafeTypedName(name) + extension;
    // Written in the format its extension names; an existing file is replaced.
    const std::optional<TImageFormat> format = FormatByExtension(path);
    if (!format || !SaveImageFile(host_->PreviewPicture(), path, *format))
      Prompts().Error(LangString(TText::UnknownPictureFormat), TBeep::Error, this);
    host_->SetPictureName(name);
  }
  PutNameFieldToRest();
}
