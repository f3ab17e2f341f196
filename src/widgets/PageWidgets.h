// PageWidgets: the building blocks the main window's pages (and its wait box) share, so that every
// page scales, labels and frames its controls the same way.
#pragma once

#include <QString>
#include <functional>

class QEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;
class QWidget;

// `designPixels` at 96 dots per inch, for a screen whose dots per inch / 96 is `f`.
int Scaled(int designPixels, double f);

// The small sans face the pages are laid out for; their children inherit it.
void SetPageFont(QWidget* page);

QLabel* NewLabel(QWidget* parent, const char* name);

// A caption in its own point size, bold unless asked otherwise.
QLabel* NewTitleLabel(QWidget* parent, const char* name, int pointSize, bool bold = true);

// A sunken frame with a centred caption: the look of every read-only value field.
QLabel* NewPanel(QWidget* parent, const char* name, const QString& text = {});

// A value field one text line high, showing "---" until there is a value.
QLabel* NewValuePanel(QWidget* parent, const char* name, double f);

// A push button `designWidth` wide at 96 dots per inch.
QPushButton* NewButton(QWidget* parent, const char* name, int designWidth, double f,
                       const QString& text = {});

// A group box `designWidth` wide at 96 dots per inch; its title comes with the page's texts.
QGroupBox* NewGroupBox(QWidget* parent, const char* name, int designWidth, double f);

QToolBar* NewToolBar(QWidget* parent, const char* name, double f);

// At rest a name field is a greyed caption; its tool wakes it up. It takes the room left in its
// tool bar.
void MakeRestingField(QLineEdit* field);
// Its tool wakes it: enabled and editable, `text` all selected to be typed over, `apply` enabled,
// the focus in the field.
void WakeRestingField(QLineEdit* field, const QString& text, QPushButton* apply);
// Back to rest: disabled and read-only (no caret), `text` selected but not shown so; `apply`
// disabled.
void RestField(QLineEdit* field, const QString& text, QPushButton* apply);
// A click into the field selects its whole text once the click's own handling (which places the
// caret) is done.
void SelectAllOnClick(QLineEdit* field, std::function<void()> onClick = {});

// A control whose face says nothing when read out (an arrow, a lone letter, a number, an icon)
// speaks its hint instead.
void SetSpokenHint(QWidget* control, const QString& hint);

// Factory entries sit on the button face: they can be looked at, not deleted.
void ShowAsFactoryList(QWidget* list);

// True for the release of a key that moves the current item of a list (arrows, page keys, Home,
// End, Space): a choice made with the keys counts like a click.
bool IsListMoveKeyRelease(const QEvent* event);

// A transfer page: the title above, the file side, the write button and the device side centred
// in a row below it.
void LayOutTransferPage(QWidget* page, QLabel* title, QWidget* fileSide, QWidget* writeButton,
                        QWidget* deviceSide, double f);
