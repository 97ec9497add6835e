#include "sim_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace quendar::sim {

namespace {

std::optional<long long> parseInteger(std::string_view text, long long lo, long long hi) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end || value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> parseSeed(std::string_view text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseNumber(const std::string& text) {
    // strtod rather than from_chars<double>, which older standard libraries lack.
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<FaultRate> parseRate(const std::string& text) {
    constexpr std::string_view kEvery = "every:";
    if (text.rfind(kEvery, 0) == 0) {
        const auto k = parseInteger(std::string_view(text).substr(kEvery.size()), 1, 1000000);
        if (!k) {
            return std::nullopt;
        }
        return FaultRate{0.0, static_cast<int>(*k)};
    }
    const auto p = parseNumber(text);
    if (!p || *p < 0.0 || *p > 1.0) {
        return std::nullopt;
    }
    return FaultRate{*p, 0};
}

std::optional<std::vector<double>> parseSpeeds(const std::string& text) {
    std::vector<double> speeds;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        const auto speed = parseNumber(text.substr(start, end - start));
        if (!speed || *speed < 0.0) {
            return std::nullopt;
        }
        speeds.push_back(*speed);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    return speeds;
}

struct FaultOption {
    const char* name;
    Fault fault;
};

constexpr FaultOption kFaultOptions[] = {
    {"--fault-checksum", Fault::Checksum}, {"--fault-short", Fault::Short},
    {"--fault-overflow", Fault::Overflow}, {"--fault-dash", Fault::Dash},
    {"--fault-noise", Fault::Noise},       {"--fault-burst", Fault::Burst},
    {"--fault-garbage", Fault::Garbage},
};

bool takesValue(const std::string& name) {
    for (const auto& fault : kFaultOptions) {
        if (name == fault.name) {
            return true;
        }
    }
    return name == "--com" || name == "--scale" || name == "--method" || name == "--distance" ||
           name == "--speeds" || name == "--seed" || name == "--pace" || name == "--count" ||
           name == "--scenario";
}

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::string>& args) {
    ParsedCommandLine result;
    CommandLine& line = result.commandLine;
    const auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };

    // Split "--opt=value" and pair values with their options first, so the scenario preset can
    // be applied before anything refines it.
    std::vector<std::pair<std::string, std::string>> options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (takesValue(name) && !hasValue) {
            if (i + 1 >= args.size()) {
                return fail(name + " needs a value");
            }
            value = args[++i];
        } else if (!takesValue(name) && hasValue) {
            return fail(name + " takes no value");
        }
        options.emplace_back(name, value);
    }

    for (const auto& [name, value] : options) {
        if (name != "--scenario") {
            continue;
        }
        if (value == "demo") {
            line.sim = demoScenario();
        } else if (value != "plain") {
            return fail("--scenario must be demo or plain");
        }
    }

    bool speedsGiven = false;
    bool randomGiven = false;
    for (const auto& [name, value] : options) {
        if (name == "--scenario") {
            continue;
        }
        if (name == "--help" || name == "-h") {
            line.help = true;
        } else if (name == "--quiet") {
            line.quiet = true;
        } else if (name == "--fastest") {
            line.sim.fastest = true;
        } else if (name == "--no-ready") {
            line.sim.sendReady = false;
        } else if (name == "--random") {
            randomGiven = true;
            line.sim.speedsKmh.clear();
        } else if (name == "--com") {
            const auto n = parseInteger(value, 0, 9999);
            if (!n) {
                return fail("--com must be a number from 0 to 9999");
            }
            line.com = static_cast<int>(*n);
        } else if (name == "--scale" || name == "--method") {
            const bool scale = name == "--scale";
            int& target = scale ? line.sim.scale : line.sim.method;
            if (value == "random") {
                target = -1;
                continue;
            }
            const auto n = parseInteger(value, 0, scale ? 9 : 1);
            if (!n) {
                return fail(scale ? "--scale must be 0 to 9 or random"
                                  : "--method must be 0, 1 or random");
            }
            target = static_cast<int>(*n);
        } else if (name == "--distance") {
            const auto n = parseInteger(value, 0, kMaxDistanceMm);
            if (!n) {
                return fail("--distance must be 0 to " + std::to_string(kMaxDistanceMm) + " mm");
            }
            line.sim.distanceMm = static_cast<int>(*n);
        } else if (name == "--speeds") {
            const auto speeds = parseSpeeds(value);
            if (!speeds) {
                return fail("--speeds must be a comma-separated list of km/h, e.g. 80,120.5");
            }
            speedsGiven = true;
            line.sim.speedsKmh = *speeds;
        } else if (name == "--seed") {
            const auto seed = parseSeed(value);
            if (!seed) {
                return fail("--seed must be a non-negative integer");
            }
            line.seed = *seed;
            line.seedGiven = true;
        } else if (name == "--pace") {
            const auto pace = parseNumber(value);
            if (!pace || *pace <= 0.0) {
                return fail("--pace must be a number above 0");
            }
            line.sim.pace = *pace;
        } else if (name == "--count") {
            const auto n = parseInteger(value, 0, 100000000);
            if (!n) {
                return fail("--count must be a non-negative number");
            }
            line.sim.count = static_cast<int>(*n);
        } else {
            bool known = false;
            for (const auto& fault : kFaultOptions) {
                if (name != fault.name) {
                    continue;
                }
                const auto rate = parseRate(value);
                if (!rate) {
                    return fail(name + " must be a probability 0 to 1 or every:K");
                }
                line.sim.faults[static_cast<std::size_t>(fault.fault)] = *rate;
                known = true;
            }
            if (!known) {
                return fail("unknown option " + name + " (try --help)");
            }
        }
    }
    if (speedsGiven && randomGiven) {
        return fail("--speeds and --random exclude each other");
    }
    return result;
}

std::string usageText() {
    return R"(Usage: quendar-sim [options]
Plays the speed-measuring device on a pseudo-terminal linked as
$XDG_CONFIG_HOME/quendar/ports/COM<n> (default ~/.config/quendar/ports/COM<n>).

  --com N            link name COM<N> (default 1)
  --scale S|random   scale index 0-9 (default 5 = 1:87) or random per measurement
  --method M|random  0 = plain speed, 1 = NEM 661 exaggeration (default 0)
  --distance MM      measuring distance in mm, 0-25599 (default 500)
  --speeds LIST      comma-separated speeds in km/h, repeated in order
  --random           random speeds (the default without --speeds)
  --seed N           random seed (default: from the clock, printed at start)
  --pace F           delay factor: 1 = realistic, 0.1 = ten times faster
  --fastest          no delays except those the program needs to recover
  --count N          stop after N measurements (default 0 = endless)
  --no-ready         never send Ready (167)
  --scenario NAME    demo (pleasant mix, no faults) or plain
  --quiet            no line per message
  --help             this text

Faults take a probability per measurement (0 to 1) or every:K (every K-th):
  --fault-checksum R   wrong check byte
  --fault-short R      block cut short, then silence (the program times out)
  --fault-overflow R   time-overflow flag
  --fault-dash R       dash flag
  --fault-noise R      a few non-status bytes between messages
  --fault-burst R      a burst of status bytes before the run status
  --fault-garbage R    random bytes instead of the block, then silence
)";
}

} // namespace quendar::sim
