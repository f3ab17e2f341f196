// The orvanel-devsim program itself, started as a process on a temporary bus.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "CommandLine.h"
#include "devsim/BusClient.h"

extern char** environ;

namespace {

using namespace devsimtest;
namespace fs = std::filesystem;

// ORVANEL_DEVSIM when set, else the program this build made.
std::string DevsimPath() {
  if (const char* path = std::getenv("ORVANEL_DEVSIM"); path && *path) return path;
#ifdef ORVANEL_DEVSIM_PATH
  return ORVANEL_DEVSIM_PATH;
#else
  return {};
#endif
}

// A child process whose standard output (and error) comes through a pipe; killed if a test
// leaves it running.
class Program {
 public:
  explicit Program(const std::vector<std::string>& args) {
    const std::string path = DevsimPath();
    int pipeFds[2];
    if (path.empty() || ::pipe2(pipeFds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    out_ = pipeFds[0];
  }
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
  }

  bool Started() const { return pid_ > 0; }
  void Signal(int number) { ::kill(pid_, number); }

  // The next line the program prints, without its newline ("" when none comes in time).
  std::string ReadLine(int timeoutMs = 5000) {
    Fill([this] { return buffered_.find('\n') != std::string::npos; }, timeoutMs);
    const auto end = buffered_.find('\n');
    const std::string line = buffered_.substr(0, end);
    buffered_.erase(0, end == std::string::npos ? end : end + 1);
    return line;
  }
  // Everything until the program closes its output.
  std::string ReadAll(int timeoutMs = 5000) {
    Fill([] { return false; }, timeoutMs);
    return std::move(buffered_);
  }

  // The exit status, or -1 when the program has not ended in time.
  int Wait(int timeoutMs = 5000) {
    int status = 0;
    const bool ended =
        WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  void Fill(const std::function<bool()>& enough, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!enough()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            deadline - std::chrono::steady_clock::now())
                            .count();
      pollfd entry{out_, POLLIN, 0};
      if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left)) <= 0) return;
      char chunk[1024];
      const ssize_t n = ::read(out_, chunk, sizeof chunk);
      if (n <= 0) return;
      buffered_.append(chunk, static_cast<std::size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (DevsimPath().empty()) GTEST_SKIP() << "no orvanel-devsim: set ORVANEL_DEVSIM";
  }
  TempDir dir;
};

TEST_F(ProgramTest, JoinsTheBusAnswersAndLeavesOnSignal) {
  for (const int signal : {SIGTERM, SIGINT}) {
    Program program({"--bus", dir / "bus", "--state", dir / "state", "--id", "0A1B2C3D",
                     "--identity", "25", "--name", "Bench unit"});
    ASSERT_TRUE(program.Started());
    EXPECT_EQ(program.ReadLine(), "orvanel-devsim: device 0a1b2c3d on " + (dir / "bus"));
    {
      BusClient client(dir / "bus/0a1b2c3d/LSAP-SEL01");
      EXPECT_EQ(client.Identity(), 25);
      EXPECT_EQ(client.Ask({0xFF, 0xF5}, 1), platform::Bytes{7});
    }
    std::ifstream name(dir / "bus/0a1b2c3d/name");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(name), {}), "Bench unit");
    program.Signal(signal);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_FALSE(fs::exists(dir / "bus/0a1b2c3d"));
  }
}

TEST_F(ProgramTest, DocumentsItsOptionsAndRejectsBadOnes) {
  Program help({"--help"});
  const std::string text = help.ReadAll();
  EXPECT_EQ(help.Wait(), 0);
  for (const char* option :
       {"--bus", "--id", "--name", "--state", "--identity", "--battery", "--firmware",
        "--busy-polls", "--log", "--restart-ms", "--drop-after", "--silent-after", "--short-reply",
        "--absurd-prefix", "--fault-once", "--make-samples"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
  for (const char* option :
       {"--end-after", "--cut-reply", "--cut-bytes", "--identity-from", "--identity-count",
        "--identity-value", "--directory-entries", "--garbage-directory", "--leave-after"}) {
    EXPECT_NE(text.find(option), std::string::npos) << option;
  }
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--id", "12345"},
                                              {"--bogus"},
                                              {"--battery", "300"},
                                              {"--firmware", "5"},
                                              {"--fault-once=1"},
                                              {"--garbage-directory=1"},
                                              {"--cut-bytes", "3"},
                                              {"--identity-value", "256"},
                                              {"--name", "a name far longer than the limit"},
                                              {"--bus"}}) {
    Program program(bad);
    EXPECT_NE(program.ReadLine(), "");
    EXPECT_EQ(program.Wait(), 2) << bad.front();
  }
}

TEST_F(ProgramTest, FaultOnceSparesTheConnectionsAfterTheFaultyOne) {
  Program program({"--bus", dir / "bus", "--state", dir / "state", "--id", "0A1B2C3D",
                   "--drop-after", "1", "--fault-once"});
  ASSERT_NE(program.ReadLine(), "");
  for (const bool dropped : {true, false, false}) {
    BusClient client(dir / "bus/0a1b2c3d/LSAP-SEL01");
    EXPECT_EQ(client.Identity(), dropped ? -1 : 17);
  }
}

TEST(CommandLineTest, MisbehaviourFlagsFillTheFaults) {
  devsim::ProgramOptions options;
  std::string error;
  std::vector<std::string> args;
  std::istringstream words(
      "--state /tmp/x --end-after 3 --cut-reply 4 --cut-bytes 0x20 --identity-from 2 "
      "--identity-count 1 --identity-value 18 --directory-entries 256 --garbage-directory "
      "--leave-after 7 --away-ms=50");
  for (std::string word; words >> word;) args.push_back(word);
  ASSERT_TRUE(devsim::ParseCommandLine(args, options, error)) << error;
  const devsim::Faults expected{.endAfter = 3,
                                .cutReply = 4,
                                .cutBytes = 32,
                                .identityFrom = 2,
                                .identityCount = 1,
                                .identityValue = 18,
                                .directoryEntries = 256,
                                .garbageDirectory = true,
                                .leaveAfter = 7,
                                .awayMs = 50};
  EXPECT_EQ(options.config.faults, expected);
}

TEST_F(ProgramTest, MakeSamplesWritesPackageFilesAndExits) {
  Program program({"--make-samples", dir / "samples"});
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_EQ(fs::file_size(dir / "samples/polski.bin"), 3242u);
  int bin = 0;
  int enc = 0;
  for (const auto& entry : fs::directory_iterator(dir / "samples")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const platform::Bytes data(std::istreambuf_iterator<char>(in), {});
    ASSERT_GE(data.size(), 32u);
    EXPECT_EQ(data[6], entry.path().extension() == ".bin" ? 3 : 5) << entry.path();
    (entry.path().extension() == ".bin" ? bin : enc) += 1;
  }
  EXPECT_GE(bin, 3);
  EXPECT_GE(enc, 3);
}

}  // namespace
