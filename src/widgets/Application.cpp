#include "widgets/Application.h"

#include "texts/LangStrings.h"
#include "widgets/Prompts.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // Desktops match the windows to the installed desktop entry, and so to its name and icon.
  setDesktopFileName(QStringLiteral("org.orvanel.Config"));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleException(std::current_exception());
    return false;
  }
}

QString TApplication::DriveNotReadyText(const QString& drive) {
  const bool letter = drive.size() >= 2 && drive[0].isLetter() && drive[1] == ':';
  if (letter) return LangStrings::DriveNotReadyMessage(drive[0]);
  return LangStrings::DriveNotReadyMessage(drive);
}

void TApplication::HandleException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const TDriveNotReadyError& notReady) {
    Prompts().Error(DriveNotReadyText(notReady.Drive()));
    return;
  } catch (const std::exception& other) {
    Prompts().Error(QString::fromLocal8Bit(other.what()));
  } catch (...) {
    Prompts().Error(LangString(TNamedText::UnknownErrorMessage));
  }
  QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}
