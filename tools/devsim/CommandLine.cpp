#include "CommandLine.h"

#include <charconv>
#include <cstdlib>
#include <limits>

#include "platform/IrdaBus.h"

namespace devsim {
namespace {

bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  int base = 10;
  bool negative = false;
  if (*begin == '-') {
    negative = true;
    ++begin;
  }
  if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
    base = 16;
    begin += 2;
  }
  unsigned long long magnitude = 0;
  const auto [stop, code] = std::from_chars(begin, end, magnitude, base);
  if (code != std::errc() || stop != end || begin == end ||
      magnitude > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) {
    return false;
  }
  value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
  return value >= low && value <= high;
}

bool ParseVersion(const std::string& text, std::pair<std::uint8_t, std::uint8_t>& version) {
  const auto dot = text.find('.');
  long long major = 0;
  long long minor = 0;
  if (dot == std::string::npos || !ParseInteger(text.substr(0, dot), 0, 255, major) ||
      !ParseInteger(text.substr(dot + 1), 0, 255, minor)) {
    return false;
  }
  version = {static_cast<std::uint8_t>(major), static_cast<std::uint8_t>(minor)};
  return true;
}

}  // namespace

std::string DefaultStateDirectory(const std::array<std::uint8_t, 4>& id) {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
    base = data;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.local/share";
  } else {
    return "";
  }
  return base + "/orvanel-devsim/" + platform::DeviceDirectoryName(id);
}

bool ParseCommandLine(const std::vector<std::string>& args, ProgramOptions& options,
                      std::string& error) {
  SimulatorConfig& config = options.config;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string option = args[i];
    std::string value;
    bool hasValue = false;
    if (const auto equals = option.find('=');
        option.rfind("--", 0) == 0 && equals != std::string::npos) {
      value = option.substr(equals + 1);
      option.resize(equals);
      hasValue = true;
    }
    if (option == "--help" || option == "-h") {
      options.help = true;
      continue;
    }
    if (option == "--fault-once" || option == "--garbage-directory") {
      if (hasValue) {
        error = option + " takes no value";
        return false;
      }
      (option == "--fault-once" ? config.faults.once : config.faults.garbageDirectory) = true;
      continue;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = option.rfind("--", 0) == 0 ? option + " needs a value"
                                           : "unexpected argument " + option;
        return false;
      }
      value = args[++i];
    }
    long long number = 0;
    auto integer = [&](long long low, long long high) {
      if (ParseInteger(value, low, high, number)) return true;
      error = option + ": expected a number from " + std::to_string(low) + " to " +
              std::to_string(high) + ", got \"" + value + "\"";
      return false;
    };
    if (option == "--bus") {
      config.busDirectory = value;
    } else if (option == "--id") {
      const auto id = platform::ParseDeviceDirectoryName(value);
      if (!id) {
        error = "--id: expected 8 hexadecimal digits, got \"" + value + "\"";
        return false;
      }
      config.id = *id;
    } else if (option == "--name") {
      if (value.size() > 22) {
        error = "--name: at most 22 bytes";
        return false;
      }
      config.name = value;
    } else if (option == "--state") {
      config.stateDirectory = value;
    } else if (option == "--identity") {
      if (!integer(0, 255)) return false;
      config.settings.identity = static_cast<std::uint8_t>(number);
    } else if (option == "--battery") {
      if (!integer(0, 255)) return false;
      config.settings.battery = static_cast<std::uint8_t>(number);
    } else if (option == "--firmware") {
      std::pair<std::uint8_t, std::uint8_t> version;
      if (!ParseVersion(value, version)) {
        error = "--firmware: expected MAJOR.MINOR (0..255 each), got \"" + value + "\"";
        return false;
      }
      config.firmware = version;
    } else if (option == "--busy-polls") {
      if (!integer(0, 1000000)) return false;
      config.settings.busyPolls = static_cast<int>(number);
    } else if (option == "--log") {
      config.logFile = value;
    } else if (option == "--restart-ms") {
      if (!integer(0, 3600000)) return false;
      config.restartMs = static_cast<int>(number);
    } else if (option == "--drop-after") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.dropAfter = static_cast<int>(number);
    } else if (option == "--silent-after") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.silentAfter = static_cast<int>(number);
    } else if (option == "--short-reply") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.shortReply = static_cast<int>(number);
    } else if (option == "--absurd-prefix") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.absurdPrefix = static_cast<int>(number);
    } else if (option == "--absurd-value") {
      if (!integer(std::numeric_limits<std::int32_t>::min(),
                   std::numeric_limits<std::uint32_t>::max())) {
        return false;
      }
      config.faults.absurdValue = static_cast<std::uint32_t>(number);
    } else if (option == "--end-after") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.endAfter = static_cast<int>(number);
    } else if (option == "--cut-reply") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.cutReply = static_cast<int>(number);
    } else if (option == "--cut-bytes") {
      if (!integer(4, std::numeric_limits<std::uint32_t>::max())) return false;
      config.faults.cutBytes = static_cast<std::uint32_t>(number);
    } else if (option == "--identity-from") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.identityFrom = static_cast<int>(number);
    } else if (option == "--identity-count") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.identityCount = static_cast<int>(number);
    } else if (option == "--identity-value") {
      if (!integer(0, 255)) return false;
      config.faults.identityValue = static_cast<std::uint8_t>(number);
    } else if (option == "--directory-entries") {
      if (!integer(0, 65535)) return false;
      config.faults.directoryEntries = static_cast<int>(number);
    } else if (option == "--leave-after") {
      if (!integer(0, std::numeric_limits<int>::max())) return false;
      config.faults.leaveAfter = static_cast<int>(number);
    } else if (option == "--away-ms") {
      if (!integer(0, 3600000)) return false;
      config.faults.awayMs = static_cast<int>(number);
    } else if (option == "--make-samples") {
      options.makeSamples = value;
    } else {
      error = "unknown option " + option + " (see --help)";
      return false;
    }
  }
  if (config.stateDirectory.empty() && !options.help && options.makeSamples.empty()) {
    config.stateDirectory = DefaultStateDirectory(config.id);
    if (config.stateDirectory.empty()) {
      error = "no home folder to keep the device state in; give --state DIR";
      return false;
    }
  }
  return true;
}

std::string HelpText() {
  return R"(Usage: orvanel-devsim [OPTIONS]
       orvanel-devsim --make-samples DIR

A simulated Orvanel dive computer on the virtual IrDA bus. It joins the bus as the
directory <bus>/<id> with an optional "name" file and a listening socket LSAP-SEL01,
prints one line when it is there, serves one connection at a time, and leaves the
bus (socket, name file, directory) on SIGINT or SIGTERM.

Device:
  --bus DIR          bus directory (default: $ORVANEL_IRDA_BUS, else
                     $XDG_RUNTIME_DIR/orvanel-irda, else /tmp/orvanel-irda-<uid>)
  --id HEX           device id, 8 hex digits (default 4f52564c)
  --name TEXT        name listed by the enumeration, at most 22 bytes (default
                     Orvanel; empty: no name file)
  --state DIR        where the device memory is kept (default
                     $XDG_DATA_HOME/orvanel-devsim/<id>, else
                     ~/.local/share/orvanel-devsim/<id>). An empty folder gets the
                     factory content: 3 factory and 2 added pictures, languages
                     Italiano, English, Deutsch and the added Español, firmware.
  --identity N       reply to the identity command 10 (default 17)
  --battery N        battery level in segments, reply to FF F5 (default 7)
  --firmware M.m     firmware version (default 5.1 on a fresh state; given, it
                     overrides the stored one)
  --busy-polls N     after a completed file write, a delete or a clean-up, answer
                     this many identity polls with 0 (not ready) (default 2)
  --restart-ms N     time off the bus after a firmware update (default 3000)
  --log FILE         one line per request: milliseconds since start and the
                     request in hex; notes (refusals, faults) as "<ms> # text"

Faults (N counts the requests of one connection from 1; 0 is off):
  --drop-after N     end the connection after reading request N, unanswered
  --silent-after N   answer N requests, then read and ignore everything while
                     keeping the connection open
  --short-reply N    send only half the reply to request N, then end the connection
  --absurd-prefix N  if request N has a length-prefixed reply (directory, file),
                     send it with the prefix replaced, then end the connection
  --absurd-value V   that prefix, decimal or 0x hex, may be negative
                     (default 0x7FFFFFFF)
  --end-after N      answer request N in full, then end the connection
  --cut-reply N      if request N has a length-prefixed reply, cut it to
                     --cut-bytes V bytes (at least 4, default 4), its prefix saying
                     so; the connection stays
  --identity-from N  from the Nth identity poll of a connection on (2: all but the
                     first), answer --identity-value V (default 0) instead, for
                     --identity-count C polls (default 0: all), busy or not
  --directory-entries N
                     directories list N entries: the stored files, then copies of
                     the last one named "Extra <position>", which file requests
                     also get (N may exceed the 255 an area holds)
  --garbage-directory
                     directory replies keep their length, every header byte is noise
  --leave-after N    answer request N, then leave the bus (ending the connection)
  --away-ms N        for N ms (default 0), and come back with what the state folder
                     holds, as a device switched off and on again
  --fault-once       the first of these faults to fire turns them all off when its
                     connection ends; later connections are served normally

Other:
  --make-samples DIR write sample language (.bin) and firmware (.enc) package
                     files into DIR and exit
  --help             this text

Requests (all numbers little-endian; t = area: 3 languages, 4 pictures, 5 firmware):
  10                 identity: 1 byte (0 while busy)
  FF F5              battery: 1 byte
  FF 37 t            area: 4 bytes, file count and 1-based default index
  FF FA FF t FF      directory: 4-byte total length, then each file's 32-byte header
  FF C2 FF t p       file p: the whole file, its size field leading
  FF D2 00 +32       header packet of a file write
  FF D2 01 +54       content packet
  FF D2 02 +rest     last packet (the content still missing, at most 54 bytes);
                     the file is then stored, a firmware chain installed and the
                     device restarts when the connection ends
  FF 57 FF t i       make item i the default of area t
  FF D0 FF t p 00    delete added item p (factory items are refused)
  FF E9 00 00 00 00  clean up memory
  00, 14             1 byte (0);  FF E8, FF E3, E8, E1: accepted, no reply
Anything else ends the connection.
)";
}

}  // namespace devsim
