// orvanel-devsim: the simulated dive computer as a program, for demos and for tests that need
// a device in another process.
#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "DemoContent.h"
#include "DeviceSimulator.h"
#include "platform/IrdaBus.h"

int main(int argc, char** argv) {
  devsim::ProgramOptions options;
  std::string error;
  if (!devsim::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    std::fprintf(stderr, "orvanel-devsim: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(devsim::HelpText().c_str(), stdout);
    return 0;
  }
  if (!options.makeSamples.empty()) {
    if (!devsim::WriteSamples(options.makeSamples, error)) {
      std::fprintf(stderr, "orvanel-devsim: %s\n", error.c_str());
      return 1;
    }
    std::printf("orvanel-devsim: samples written to %s\n", options.makeSamples.c_str());
    return 0;
  }

  // The signals that end the program are taken by sigwait below, never by a handler, so
  // the bus is left from ordinary code. Blocking them before the server thread starts makes
  // that thread inherit the mask.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  sigaddset(&endSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  devsim::DeviceSimulator simulator(options.config);
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "orvanel-devsim: %s\n", error.c_str());
    return 1;
  }
  std::printf("orvanel-devsim: device %s on %s\n",
              platform::DeviceDirectoryName(options.config.id).c_str(),
              simulator.BusDirectory().c_str());
  std::fflush(stdout);

  int signalNumber = 0;
  while (sigwait(&endSignals, &signalNumber) != 0) {
  }
  simulator.Stop();
  std::printf("orvanel-devsim: left the bus (signal %d)\n", signalNumber);
  return 0;
}
