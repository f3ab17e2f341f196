// How long the program takes from being started to its first painted window, next to a bare Qt
// window measured the same way on the same machine. Each run starts the program on an empty
// virtual bus with the start-up timing category on, takes the time of the start call, and reads
// the moment of the first paint that the program prints on the shared monotonic clock. Runs of
// the two alternate, so a change in the machine's load falls on both.
//
//   orvanel-startup-benchmark [--runs N] [PROGRAM]   (PROGRAM: orvanel-config beside this one)
//   orvanel-startup-benchmark --bare-window           (the bare window itself)
//
// The window system is whatever the environment says; with none set, the offscreen one.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/StartupTiming.h"

namespace {

constexpr int kDefaultRuns = 10;
constexpr int kRunTimeoutMs = 20000;

// A minimal window: application object, one widget the size of the program's window, shown.
int RunBareWindow(int argc, char** argv) {
  startup::Begin();
  QApplication app(argc, argv);
  startup::Mark("application");
  QWidget window;
  window.resize(802, 593);
  startup::Mark("main window");
  startup::WatchFirstPaint(&window);
  window.show();
  startup::Mark("shown");
  return QApplication::exec();
}

struct Run {
  double execToPaintMs = 0;
  std::map<std::string, double> marks;  // the program's own marks, ms since its main()
};

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::optional<Run> StartOnce(const QString& program, const QStringList& arguments) {
  QTemporaryDir bus;  // an empty bus: no device in range, as on a first start
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ORVANEL_IRDA_BUS", bus.path());
  env.insert("QT_LOGGING_RULES", "orvanel.startup.debug=true");
  if (!env.contains("QT_QPA_PLATFORM") && !env.contains("DISPLAY") &&
      !env.contains("WAYLAND_DISPLAY")) {
    env.insert("QT_QPA_PLATFORM", "offscreen");
  }

  QProcess process;
  process.setProcessEnvironment(env);
  process.setProcessChannelMode(QProcess::SeparateChannels);
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setReadChannel(QProcess::StandardError);
  const auto started = std::chrono::steady_clock::now().time_since_epoch();
  process.start(program, arguments);

  static const QRegularExpression mark(R"(orvanel\.startup: (.+): ([0-9.]+) ms)");
  static const QRegularExpression paint(R"(first paint: [0-9.]+ ms \(monotonic ([0-9]+) ns\))");
  std::optional<Run> run;
  Run collected;
  QByteArray pending;
  while (!run && process.waitForReadyRead(kRunTimeoutMs)) {
    pending += process.readAllStandardError();
    qsizetype end;
    while (!run && (end = pending.indexOf('\n')) >= 0) {
      const QString line = QString::fromUtf8(pending.left(end));
      pending.remove(0, end + 1);
      if (const auto m = mark.match(line); m.hasMatch()) {
        collected.marks[m.captured(1).toStdString()] = m.captured(2).toDouble();
      }
      if (const auto p = paint.match(line); p.hasMatch()) {
        const long long paintedNs = p.captured(1).toLongLong();
        collected.execToPaintMs =
            static_cast<double>(paintedNs - std::chrono::nanoseconds(started).count()) / 1e6;
        run = collected;
      }
    }
  }
  process.kill();
  process.waitForFinished();
  return run;
}

void PrintMarks(const char* title, const std::vector<Run>& runs) {
  std::map<std::string, std::vector<double>> byMark;
  for (const Run& run : runs) {
    for (const auto& [name, ms] : run.marks) byMark[name].push_back(ms);
  }
  std::vector<std::pair<double, std::string>> ordered;
  for (const auto& [name, values] : byMark) ordered.emplace_back(Median(values), name);
  std::sort(ordered.begin(), ordered.end());
  std::printf("%s, median ms since main():\n", title);
  for (const auto& [ms, name] : ordered) std::printf("  %7.1f  %s\n", ms, name.c_str());
}

QString LoadAverage() {
  QFile file("/proc/loadavg");
  if (!file.open(QIODevice::ReadOnly)) return "unknown";
  return QString::fromLatin1(file.readAll()).section(' ', 0, 2);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--bare-window") return RunBareWindow(argc, argv);

  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  int runs = kDefaultRuns;
  if (args.size() >= 2 && args.front() == "--runs") {
    runs = std::max(1, args.at(1).toInt());
    args = args.mid(2);
  }
  const QString program =
      args.isEmpty() ? QDir(QCoreApplication::applicationDirPath()).filePath("orvanel-config")
                     : args.front();

  std::printf("load average before: %s\n", qPrintable(LoadAverage()));
  std::fflush(stdout);
  std::vector<Run> programRuns, bareRuns;
  for (int i = 0; i < runs; ++i) {
    const std::optional<Run> bare =
        StartOnce(QCoreApplication::applicationFilePath(), {"--bare-window"});
    const std::optional<Run> full = StartOnce(program, {});
    if (!bare || !full) {
      std::fprintf(stderr, "run %d: no first paint reported\n", i + 1);
      return 1;
    }
    bareRuns.push_back(*bare);
    programRuns.push_back(*full);
  }
  std::printf("load average after:  %s\n", qPrintable(LoadAverage()));

  auto execToPaint = [](const std::vector<Run>& of) {
    std::vector<double> values;
    for (const Run& run : of) values.push_back(run.execToPaintMs);
    return values;
  };
  const double programMs = Median(execToPaint(programRuns));
  const double bareMs = Median(execToPaint(bareRuns));
  PrintMarks("program", programRuns);
  PrintMarks("bare window", bareRuns);
  std::printf("start to first painted window, median of %d runs:\n", runs);
  std::printf("  program      %7.1f ms\n", programMs);
  std::printf("  bare window  %7.1f ms\n", bareMs);
  std::printf("  ratio        %7.2f\n", bareMs > 0 ? programMs / bareMs : 0.0);
  return 0;
}
