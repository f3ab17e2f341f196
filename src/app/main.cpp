// Orvanel Config: starts the application, its main window and the message loop.
#include <QLibraryInfo>
#include <QTranslator>

#include "app/Main.h"
#include "app/StartupTiming.h"
#include "texts/LangStrings.h"
#include "watcher/LinkTraceLogging.h"
#include "widgets/Application.h"

int main(int argc, char** argv) {
  startup::Begin();
  // Frames and status texts of every link, for the logging rules to show or not.
  const TScopedLinkTrace linkTrace(LinkTraceLoggingHook());
  TApplication app(argc, argv);
  startup::Mark("application");
  TApplication::setApplicationName(LangString(TFixedText::ApplicationTitle));

  // The toolkit's own dialogs (file and font choosers) speak the program's language too.
  QTranslator toolkitTexts;
  if (toolkitTexts.load(LangString(TNamedText::ToolkitTranslation),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    TApplication::installTranslator(&toolkitTexts);
  }

  startup::Mark("translations");
  TMainForm mainForm;
  startup::Mark("main window");
  startup::WatchFirstPaint(&mainForm);
  mainForm.show();
  startup::Mark("shown");
  return TApplication::exec();
}
