#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "support/ScriptedPrompts.h"
#include "widgets/Prompts.h"

namespace {

// ---- the scripted double ----------------------------------------------------------------------

TEST(ScriptedPrompts, RecordsWhatTheUserSeesAndHears) {
  TScriptedPrompts prompts;
  Prompts().Error("Formato file immagine sconosciuto");
  Prompts().Warning("avviso", TBeep::Notice);
  Prompts().Information("fatto");
  Prompts().Plain("semplice");
  Prompts().Message(TBeep::Notice, TMessageKind::Error, "azione", TMessageButtons::Ok);

  const auto& r = prompts.Records();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0].Event, TPromptEvent::Message);
  EXPECT_EQ(r[0].Beep, TBeep::Error);
  EXPECT_EQ(r[0].Kind, TMessageKind::Error);
  EXPECT_EQ(r[0].Caption, "Errore");
  EXPECT_EQ(r[0].Text, "Formato file immagine sconosciuto");
  EXPECT_EQ(r[0].Buttons, QStringList{"OK"});
  EXPECT_EQ(r[1].Caption, "Attenzione");
  EXPECT_EQ(r[1].Beep, TBeep::Notice);
  EXPECT_EQ(r[2].Caption, "Informazione");
  EXPECT_EQ(r[3].Caption, "Orvanel Config");
  EXPECT_EQ(r[3].Beep, TBeep::None);
  EXPECT_EQ(r[4].Beep, TBeep::Notice);  // an error box with the notice beep is legitimate
  EXPECT_EQ(r[4].Caption, "Errore");
  EXPECT_EQ(prompts.Unscripted(), 0);
}

TEST(ScriptedPrompts, QuestionsTakeAnswersInOrderAndOkBoxesTakeNone) {
  TScriptedPrompts prompts;
  prompts.QueueAnswer(TMessageAnswer::Yes);
  prompts.QueueAnswer(TMessageAnswer::No);
  Prompts().Error("prima");  // must not eat the Yes
  EXPECT_TRUE(Prompts().Ask(TMessageKind::Confirmation, "Eliminazione lingua?"));
  EXPECT_FALSE(Prompts().Ask(TMessageKind::Warning, "continua?"));
  EXPECT_TRUE(prompts.ScriptDone());

  const auto boxes = prompts.Records(TPromptEvent::Message);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].Caption, "Conferma");
  EXPECT_EQ(boxes[1].Buttons, (QStringList{"&S\u00EC", "&No"}));
  EXPECT_EQ(boxes[1].Answer, TMessageAnswer::Yes);
  EXPECT_EQ(boxes[2].Caption, "Attenzione");
  EXPECT_EQ(boxes[2].Answer, TMessageAnswer::No);
}

TEST(ScriptedPrompts, UnscriptedOrClosedQuestionsAreNotYes) {
  TScriptedPrompts prompts;
  prompts.QueueAnswer(TMessageAnswer::Closed);
  EXPECT_FALSE(Prompts().Ask(TMessageKind::Confirmation, "a?"));
  EXPECT_EQ(prompts.Unscripted(), 0);
  EXPECT_EQ(
      Prompts().Message(TBeep::Notice, TMessageKind::Confirmation, "b?", TMessageButtons::YesNo),
      TMessageAnswer::Closed);
  EXPECT_EQ(prompts.Unscripted(), 1);
  EXPECT_FALSE(prompts.Last().Scripted);
}

TEST(ScriptedPrompts, FileFontAndModalAnswers) {
  TScriptedPrompts prompts;
  prompts.QueueFileName("/tmp/lingua.bin");
  prompts.QueueCancel();
  prompts.QueueFont(QFont("DejaVu Sans", 11));
  prompts.QueueFont(std::nullopt);

  TFileDialogRequest request;
  request.Title = "Importa lingua";
  request.Filter = "Binary File (*.bin)";
  request.DefaultSuffix = "txt";
  EXPECT_EQ(Prompts().OpenFileName(request), "/tmp/lingua.bin");
  EXPECT_TRUE(Prompts().SaveFileName(request).isEmpty());
  EXPECT_TRUE(Prompts().OpenFileName(request).isEmpty());  // unscripted: cancel
  const auto font = Prompts().ChooseFont(QFont("DejaVu Sans", 7));
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->pointSize(), 11);
  EXPECT_FALSE(Prompts().ChooseFont(QFont()).has_value());

  const auto& r = prompts.Records();
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0].Event, TPromptEvent::OpenFile);
  EXPECT_EQ(r[0].Caption, "Importa lingua");
  EXPECT_EQ(r[0].File.Filter, "Binary File (*.bin)");
  EXPECT_EQ(r[1].Event, TPromptEvent::SaveFile);
  EXPECT_EQ(r[1].File.DefaultSuffix, "txt");
  EXPECT_FALSE(r[2].Scripted);
  EXPECT_EQ(r[3].InitialFont.pointSize(), 7);
  EXPECT_EQ(prompts.Unscripted(), 1);
}

TEST(ScriptedPrompts, ModalWindowsAreWorkedWithoutBeingShown) {
  TScriptedPrompts prompts;
  QDialog dialog;
  dialog.setObjectName("TWizardForm");
  dialog.setWindowTitle("Aggiornamento firmware");
  bool sawItHidden = false;
  prompts.QueueModal([&](QDialog& d) {
    sawItHidden = !d.isVisible();
    Prompts().Plain("Completare l'aggiornamento firmware in un altro momento. A presto.");
    d.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  prompts.QueueModalResult(QDialog::Accepted);

  EXPECT_EQ(Prompts().ExecModal(dialog), QDialog::Rejected);
  EXPECT_TRUE(sawItHidden);
  EXPECT_EQ(Prompts().ExecModal(dialog), QDialog::Accepted);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(Prompts().ExecModal(dialog), QDialog::Rejected);  // unscripted

  const auto& r = prompts.Records();
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].Event, TPromptEvent::Modal);
  EXPECT_EQ(r[0].Window, "TWizardForm");
  EXPECT_EQ(r[0].Caption, "Aggiornamento firmware");
  EXPECT_EQ(r[0].ModalResult, QDialog::Rejected);
  EXPECT_EQ(r[1].Event, TPromptEvent::Message);  // raised while the window was up
  EXPECT_EQ(r[2].ModalResult, QDialog::Accepted);
  EXPECT_FALSE(r[3].Scripted);
}

TEST(ScriptedPrompts, InstallsItselfAndPutsThePreviousBack) {
  TPrompts* real = &Prompts();
  EXPECT_NE(dynamic_cast<TQtPrompts*>(real), nullptr);
  {
    TScriptedPrompts outer;
    EXPECT_EQ(&Prompts(), &outer);
    {
      TScriptedPrompts inner;
      EXPECT_EQ(&Prompts(), &inner);
      Prompts().Beep(TBeep::Notice);
      EXPECT_TRUE(outer.Records().empty());
      ASSERT_EQ(inner.Records().size(), 1u);
      EXPECT_EQ(inner.Last().Event, TPromptEvent::Beep);
    }
    EXPECT_EQ(&Prompts(), &outer);
  }
  EXPECT_EQ(&Prompts(), real);
}

// ---- the real service -------------------------------------------------------------------------

struct SeenBox {
  bool Found = false;
  QString Title;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QStringList Buttons;
};

template <typename T>
T* FindTopLevel() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* match = qobject_cast<T*>(widget); match && match->isVisible()) return match;
  }
  return nullptr;
}

// Once the modal window of type T is up, hands it to `act`, which must close it. A guard closes
// anything still open after a few seconds, so a fault fails the test instead of blocking it.
template <typename T>
void WhenShown(std::function<void(T*)> act, int attempts = 200) {
  QTimer::singleShot(attempts == 200 ? 0 : 10, [act, attempts] {
    if (T* window = FindTopLevel<T>()) {
      act(window);
    } else if (attempts > 0) {
      WhenShown<T>(act, attempts - 1);
    }
  });
}

struct ModalGuard {
  ModalGuard() {
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] {
      for (int i = 0; i < 10; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) break;
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
          dialog->reject();
        } else {
          modal->close();
        }
      }
    });
    timer.start(5000);
  }
  QTimer timer;
};

SeenBox Capture(QMessageBox* box) {
  SeenBox seen;
  seen.Found = true;
  seen.Title = box->windowTitle();
  seen.Text = box->text();
  seen.Icon = box->icon();
  for (QAbstractButton* button : box->buttons()) seen.Buttons << button->text();
  seen.Buttons.sort();
  return seen;
}

void Press(QMessageBox* box, const QString& text) {
  for (QAbstractButton* button : box->buttons()) {
    if (button->text() == text) {
      button->click();
      return;
    }
  }
  box->close();
}

TEST(QtPrompts, QuestionBoxHasItalianCaptionAndButtons) {
  ModalGuard guard;
  TQtPrompts prompts;
  for (const auto& [press, expected] : {std::pair{QString("&No"), TMessageAnswer::No},
                                        std::pair{QString("&S\u00EC"), TMessageAnswer::Yes}}) {
    SeenBox seen;
    WhenShown<QMessageBox>([&seen, press](QMessageBox* box) {
      seen = Capture(box);
      Press(box, press);
    });
    EXPECT_EQ(prompts.Message(TBeep::Notice, TMessageKind::Confirmation,
                              "Si desidera eliminare tutte le immagini Orvanel selezionate?",
                              TMessageButtons::YesNo),
              expected);
    ASSERT_TRUE(seen.Found);
    EXPECT_EQ(seen.Title, "Conferma");
    EXPECT_EQ(seen.Text, "Si desidera eliminare tutte le immagini Orvanel selezionate?");
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons, (QStringList{"&No", "&S\u00EC"}));
  }
}

TEST(QtPrompts, EscapeOnAQuestionIsNo) {
  ModalGuard guard;
  TQtPrompts prompts;
  WhenShown<QMessageBox>([](QMessageBox* box) { box->reject(); });
  EXPECT_FALSE(prompts.Ask(TMessageKind::Warning, "continua?"));
}

TEST(QtPrompts, ErrorAndPlainBoxes) {
  ModalGuard guard;
  TQtPrompts prompts;
  SeenBox seen;
  WhenShown<QMessageBox>([&seen](QMessageBox* box) {
    seen = Capture(box);
    Press(box, "OK");
  });
  prompts.Error("Il file \u00E8 gi\u00E0 aperto, chiuderlo! ");
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Title, "Errore");
  EXPECT_EQ(seen.Icon, QMessageBox::Critical);
  EXPECT_EQ(seen.Buttons, QStringList{"OK"});
  EXPECT_EQ(seen.Text, "Il file \u00E8 gi\u00E0 aperto, chiuderlo! ");

  seen = {};
  WhenShown<QMessageBox>([&seen](QMessageBox* box) {
    seen = Capture(box);
    Press(box, "OK");
  });
  prompts.Plain("Errore di avvio DLL Windows Sockets!");
  ASSERT_TRUE(seen.Found);
  EXPECT_EQ(seen.Title, "Orvanel Config");
  EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
}

TEST(QtPrompts, ModalWindowRunsItsOwnLoop) {
  ModalGuard guard;
  TQtPrompts prompts;
  QDialog dialog;
  WhenShown<QDialog>([](QDialog* shown) { shown->done(7); });
  EXPECT_EQ(prompts.ExecModal(dialog), 7);
}

TEST(QtPrompts, SaveDialogTakesSuffixAndNeverAsksToOverwrite) {
  ModalGuard guard;
  TQtPrompts prompts;
  TFileDialogRequest request;
  request.Title = "Salva";
  request.Filter = "Binary File (*.bin)";
  request.DefaultSuffix = ".bin";
  QString title, suffix;
  bool noOverwriteQuestion = false;
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    suffix = dialog->defaultSuffix();
    noOverwriteQuestion = dialog->testOption(QFileDialog::DontConfirmOverwrite);
    dialog->reject();
  });
  EXPECT_TRUE(prompts.SaveFileName(request).isEmpty());
  EXPECT_EQ(title, "Salva");
  EXPECT_EQ(suffix, "bin");
  EXPECT_TRUE(noOverwriteQuestion);
}

}  // namespace
