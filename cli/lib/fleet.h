#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "cli/lib/run.h"
#include "link/open_failure.h"
#include "link/system.h"

namespace vantrel::cli {

// How one printer of a fleet ended: its run went to its end, it was still running when its
// deadline came, or it never started before the fleet's deadline.
enum class FleetEnd { Finished, Unfinished, NotRun };

struct FleetResult {
  FleetEnd end = FleetEnd::NotRun;
  Outcome outcome;  // the run's own outcome when it finished; else one message that says why not
  std::optional<FailedOpen> failedOpen;
};

struct FleetLimits {
  // Threads besides the caller's. Fewer start when the system will not give more (a task limit);
  // with none at all the caller's thread runs every printer itself.
  std::size_t workers = 16;
  // Each printer's overall limit, counted from its start (a printer that has not started within
  // it of the fleet's start is not run).
  std::chrono::milliseconds deadline{120000};
};

// Makes the system one printer's run goes through.
using SystemMaker = std::function<std::unique_ptr<System>()>;

// What a fleet run cost: the most threads that ran at once (the caller's included).
struct FleetFigures {
  std::size_t threads = 1;
};

// Runs every request, all network printers, at once with a few threads. A run spends most of its
// time in fixed waits, and those take no thread: each printer's run is planned against a system
// that presumes every call succeeds, its calls are then carried out on the real system one after
// another, its waits become timers, and when the real system answers other than presumed the run
// is planned again with what is now known, so it takes the way the real answers lead. A request
// must carry its image (convertedImage): no file is read here. Results come in request order.
std::vector<FleetResult> RunFleet(std::vector<Request> requests, SystemMaker makeSystem,
                                  const FleetLimits& limits, FleetFigures* figures = nullptr);

}  // namespace vantrel::cli
