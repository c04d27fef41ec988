#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/lib/command_line.h"

namespace vantrel::cli {

struct ExporterOptions {
  std::string listen = "127.0.0.1:9873";
  std::vector<std::string> allow;
  double timeoutOffset = 0.5;
  std::size_t maxProbes = 64;
  std::string baud = "9600";
  std::string parity = "none";
};

// The "exporter" command and its options.
CLI::App* AddExporterCommand(CLI::App& app, ExporterOptions& options);

// Serves the exporter until the process ends; returns only when it could not start.
int RunExporter(const ExporterOptions& options, Machine& machine);

}  // namespace vantrel::cli
