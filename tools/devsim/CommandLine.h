// The orvanel-devsim command line: options into a simulator configuration, and the help text.
#pragma once

#include <string>
#include <vector>

#include "DeviceSimulator.h"

namespace devsim {

struct ProgramOptions {
  SimulatorConfig config;
  bool help = false;
  std::string makeSamples;  // not empty: write the sample package files there and exit
};

// Parses the arguments after the program name. False, with the reason in `error`, for an
// unknown option, a missing or malformed value, or a value out of range.
bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options,
                      std::string& error);

// $XDG_DATA_HOME/orvanel-devsim/<id>, else ~/.local/share/orvanel-devsim/<id>; "" without a home.
std::string DefaultStateDirectory(const std::array<std::uint8_t, 4>& id);

std::string HelpText();

}  // namespace devsim
