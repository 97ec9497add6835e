#pragma once
// The command line of quendar-sim, parsed without Qt so tests and scripts share one meaning.

#include "sim_device.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quendar::sim {

/// Everything the command line sets.
struct CommandLine {
    SimOptions sim;         ///< the device's behaviour
    int com = 1;            ///< n of the link name COM<n>
    std::uint64_t seed = 0; ///< valid when seedGiven
    bool seedGiven = false;
    bool quiet = false; ///< no line per message
    bool help = false;  ///< print usageText() and exit
};

/// The result of parsing: `error` is empty on success, else a one-line reason.
struct ParsedCommandLine {
    CommandLine commandLine;
    std::string error;
};

/// Parses the arguments after the program name. "--opt value" and "--opt=value" both work;
/// --scenario presets are applied first, so other options refine them in any order.
[[nodiscard]] ParsedCommandLine parseCommandLine(const std::vector<std::string>& args);

/// The help text listing every option.
[[nodiscard]] std::string usageText();

} // namespace quendar::sim
