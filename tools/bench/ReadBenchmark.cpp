// How much of a picture read is the device's mandated pacing and how much is this program: reads
// the picture directory and then every picture from a simulated device holding 20 pictures,
// through the real bus backend and with the real pauses, and compares the time taken with the
// sum of the pauses the request primitives asked for.
#include <stdlib.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "DeviceStore.h"
#include "devicefiles/Catalogue.h"
#include "irda/DynaIrDA.h"
#include "platform/SleepHook.h"
#include "transfer/ReadActions.h"

namespace {

constexpr std::size_t kPictures = 20;

// The main window's part of a read, reduced to the catalogue the directory reply describes.
class BenchmarkHost : public TTransferHost {
 public:
  TAction action = TAction::None;
  TCatalogue catalogue;
  std::vector<platform::Bytes> rawFiles;  // in the order they came
  int notices = 0;

  void SetProgressMaximum(int) override {}
  void SetProgressPosition(int) override {}
  void StepProgress() override {}
  void ProcessEvents() override {}
  bool StopRequested() const override { return false; }
  void Notify(TNoticeKind, TText) override { ++notices; }
  bool AskYesNo(TText) override { return false; }
  void RequestTerminate() override {}
  TAction CurrentAction() const override { return action; }
  int CatalogueCount() const override { return catalogue.CatalogueCount(); }
  std::array<std::uint8_t, 3> FileRequestParam(int index) const override {
    return catalogue.FileRequestParam(index);
  }
  void ClearFiles() override { rawFiles.clear(); }
  void StoreFile(int, platform::Bytes file) override { rawFiles.push_back(std::move(file)); }
  std::vector<std::uint32_t> BuildDeleteList() override { return {}; }
  int DefaultPosition() const override { return 0; }
  void SetLastPartSent(bool) override {}
  void RestoreCursor() override {}
};

struct Measure {
  double elapsedMs = 0;
  long long pausesMs = 0;
  bool linkOk = false;
};

// One read transfer as the worker runs it: connect, the read actions, close.
Measure Transfer(BenchmarkHost& host, TDeviceInfo& info, TAction action,
                 const long long& pauseSum) {
  host.action = action;
  const long long pausesBefore = pauseSum;
  const auto start = std::chrono::steady_clock::now();
  TDynaIrDA link;
  link.LinkOk = true;
  link.CreateDataSocket(devsim::kDefaultDeviceId);
  if (link.LinkOk) {
    link.SetNoLinger();
    link.ConnectDevice(false);
    if (link.LinkOk) RunReadActions(link, info, host);
    link.CloseClient();
  }
  Measure m;
  m.elapsedMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  m.pausesMs = pauseSum - pausesBefore;
  m.linkOk = link.LinkOk;
  if (!m.linkOk) std::fprintf(stderr, "link failed: %s\n", link.Status.c_str());
  return m;
}

void Report(const char* what, const Measure& m) {
  const double overhead = m.elapsedMs - static_cast<double>(m.pausesMs);
  std::printf(
      "%-26s elapsed %8.1f ms  pauses %6lld ms  elapsed/pauses %.3f  overhead %6.1f ms"
      " (%.1f %%)\n",
      what, m.elapsedMs, m.pausesMs,
      m.pausesMs > 0 ? m.elapsedMs / static_cast<double>(m.pausesMs) : 0.0, overhead,
      m.pausesMs > 0 ? 100.0 * overhead / static_cast<double>(m.pausesMs) : 0.0);
}

// A private bus and state folder for this run, removed at the end.
class Scratch {
 public:
  Scratch() {
    char pattern[] = "/tmp/orvanel-bench-XXXXXX";
    if (const char* made = ::mkdtemp(pattern)) {
      dir_ = made;
      // The simulator creates the bus directory when it joins.
      ::setenv("ORVANEL_IRDA_BUS", (dir_ + "/bus").c_str(), 1);
    }
  }
  ~Scratch() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
};

bool PrepareState(const std::string& stateDirectory, std::string& error) {
  devsim::DeviceStore store(stateDirectory);
  devsim::DeviceMemory memory;
  if (!store.Load(memory, 5, 1, error)) return false;
  devsim::AreaContent& pictures = memory[*devsim::AreaSlot(devsim::kPictureArea)];
  const std::array<platform::Bytes, 3> drawings = {devsim::DrawReef(), devsim::DrawFish(),
                                                   devsim::DrawCompass()};
  for (std::size_t i = pictures.files.size(); i < kPictures; ++i) {
    pictures.files.push_back(devsim::MakePictureFile(
        "Bench " + std::to_string(i + 1), devsim::kAddedMark, drawings[i % drawings.size()]));
  }
  return store.Save(devsim::kPictureArea, pictures, error);
}

}  // namespace

int main() {
  Scratch scratch;
  if (scratch.Dir().empty()) {
    std::fprintf(stderr, "cannot make a scratch folder\n");
    return 1;
  }
  devsim::SimulatorConfig config;
  config.busDirectory = scratch.Dir() + "/bus";
  config.stateDirectory = scratch.Dir() + "/state";
  std::string error;
  if (!PrepareState(config.stateDirectory, error)) {
    std::fprintf(stderr, "state folder: %s\n", error.c_str());
    return 1;
  }
  devsim::DeviceSimulator simulator(config);
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "simulator: %s\n", error.c_str());
    return 1;
  }

  // Sums every pause asked for, then really waits it.
  long long pauseSum = 0;
  platform::SetSleepHook([&pauseSum](int ms) {
    pauseSum += ms;
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  });

  BenchmarkHost host;
  TDeviceInfo info;
  const Measure directory = Transfer(host, info, TAction::ReadPictureDir, pauseSum);
  host.catalogue.BuildCatalogue(info.DirReply, devsim::kPictureArea);
  const Measure pictures = Transfer(host, info, TAction::ReadAllPictures, pauseSum);
  platform::SetSleepHook({});
  simulator.Stop();

  const std::vector<platform::Bytes> stored = simulator.Files(devsim::kPictureArea);
  const bool complete = directory.linkOk && pictures.linkOk && host.rawFiles == stored;
  std::printf("pictures on the device: %zu, in the catalogue: %d, read back intact: %s\n",
              stored.size(), host.catalogue.CatalogueCount(), complete ? "yes" : "NO");
  Report("picture directory (code 2)", directory);
  Report("all pictures (code 3)", pictures);
  Measure both;
  both.elapsedMs = directory.elapsedMs + pictures.elapsedMs;
  both.pausesMs = directory.pausesMs + pictures.pausesMs;
  Report("both", both);
  return complete && host.notices == 0 ? 0 : 1;
}
