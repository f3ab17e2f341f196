// The window's start: the Pictures page reads its folders and looks up its tool icons only once
// the first frame is painted, or at once when the page is turned to before that, and never
// shows the start folder over a folder chosen meanwhile.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileSystemModel>
#include <QListView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/Main.h"
#include "pictures/FolderBrowser.h"
#include "pictures/PicturesPage.h"
#include "platform/SleepHook.h"
#include "support/PumpEvents.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedSocketApi.h"
#include "support/SleepRecorder.h"

namespace {

using testsupport::PumpUntil;

class StartupTest : public testing::Test {
 protected:
  StartupTest() {
    // The watcher's stop is bounded by a count of pauses: each takes a little real time, so
    // that the bound lets the thread finish what it is doing.
    sleeps.SetOnSleep([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
    previousPrompts = InstallPrompts(&prompts);
  }
  ~StartupTest() override {
    form.reset();
    InstallPrompts(previousPrompts);
  }

  testsupport::SleepRecorder sleeps;
  testsupport::ScriptedSocketApi api;
  TScriptedPrompts prompts;
  TPrompts* previousPrompts = nullptr;
  std::unique_ptr<TMainForm> form;
};

TEST_F(StartupTest, FoldersAreReadAfterTheFirstFrameOrWhenThePicturesPageIsTurnedTo) {
  QTemporaryDir chosen;
  struct Case {
    const char* name;
    std::function<void(TMainForm&)> act;
    bool chooseFolderFirst;
  };
  const auto paint = [](TMainForm& window) {
    window.show();
    ASSERT_TRUE(PumpUntil([&] { return window.StartupFinished(); }));
  };
  const Case cases[] = {
      {"the first frame is painted", paint, false},
      {"the Pictures page is turned to",
       [](TMainForm& window) {
         window.TabPageControl->setCurrentWidget(window.PicturesTabSheet);
         EXPECT_TRUE(window.StartupFinished());  // at once, not after some event
       },
       false},
      {"a folder was chosen before the first frame", paint, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMainForm::Options options;
    options.SocketApi = &api;
    form = std::make_unique<TMainForm>(options);
    PicturesPage& page = *form->PicturesTabSheet;
    const QString start = page.Panel3->CurrentFolder();
    EXPECT_FALSE(form->StartupFinished());
    EXPECT_FALSE(page.FileListBox->rootIndex().isValid());
    EXPECT_FALSE(page.Panel3->DirectoryListBox->currentIndex().isValid());
    EXPECT_TRUE(page.Panel3->tbFolderPic->icon().isNull());
    EXPECT_TRUE(page.tsTextImport->tbSaveAs->icon().isNull());

    if (c.chooseFolderFirst) page.Panel3->SetCurrentFolder(chosen.path());
    c.act(*form);

    const QString shown = c.chooseFolderFirst ? QDir(chosen.path()).absolutePath() : start;
    EXPECT_EQ(page.Panel3->CurrentFolder(), shown);
    EXPECT_EQ(page.FileListModel->rootPath(), shown);
    EXPECT_EQ(page.FileListModel->filePath(page.FileListBox->rootIndex()), shown);
    EXPECT_EQ(page.Panel3->DirectoryModel->filePath(page.Panel3->DirectoryListBox->currentIndex()),
              shown);
    EXPECT_FALSE(page.Panel3->tbFolderPic->icon().isNull());
    EXPECT_FALSE(page.tsTextImport->tbSaveAs->icon().isNull());
    form->close();
    form.reset();
  }
}

}  // namespace
