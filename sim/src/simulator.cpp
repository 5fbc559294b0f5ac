#include "simulator.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "bench.h"

namespace gpibsim {

Simulator& Simulator::Instance() {
  static Simulator instance;
  return instance;
}

Simulator::Simulator() {
  if (const char* trace = std::getenv("GPIBSIM_TRACE"); trace != nullptr && *trace != '\0') {
    if (!transcript.trace().Open(trace)) {
      std::fprintf(stderr, "gpibsim: cannot open trace file %s\n", trace);
    }
  }
  const char* benchFile = std::getenv("GPIBSIM_BENCH");
  if (!LoadBenchFileOrDefault(benchFile != nullptr ? benchFile : ""))
    std::fprintf(stderr, "gpibsim: %s; the bus is empty\n", lastError.c_str());
}

Outcome Simulator::Call(const char* function, std::string arguments,
                        const std::function<Outcome(Bus&)>& operation) {
  const Faults::Plan plan = faults.NextCall(function);
  const double start = bus.Now();
  Outcome outcome;
  if (plan.failWith) {
    // A time-out code also shows the time-out bit, as a real time-out would.
    outcome = Outcome::Failure(*plan.failWith, *plan.failWith == EABO ? TIMO : 0);
  } else {
    outcome = operation(bus);
  }
  if (plan.forcedCount) outcome.count = *plan.forcedCount;

  status.ibsta = outcome.ibsta;
  if ((outcome.ibsta & ERR) != 0) status.iberr = outcome.iberr;
  status.count = outcome.count;

  CallRecord record;
  record.function = function;
  record.arguments = std::move(arguments);
  record.ibsta = status.ibsta;
  record.iberr = status.iberr;
  record.ibcntl = status.count;
  record.data = outcome.data;
  record.dataTotal = outcome.dataTotal;
  record.time = start;
  record.duration = bus.Now() - start;
  transcript.Add(std::move(record));
  return outcome;
}

bool Simulator::LoadBench(std::string_view text, const std::string& origin) {
  try {
    InstallBench(ParseBench(text, origin), bus);
  } catch (const BenchError& error) {
    lastError = error.what();
    return false;
  }
  faults.Reset();
  transcript.Clear();
  lastError.clear();
  return true;
}

bool Simulator::LoadBenchFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    lastError = path + ": cannot read the bench file";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return LoadBench(text.str(), path);
}

bool Simulator::LoadBenchFileOrDefault(const std::string& path) {
  return path.empty() ? LoadBench(kDefaultBenchText, "default bench") : LoadBenchFile(path);
}

void Simulator::Reset() {
  bus.Reset();
  faults.Reset();
  transcript.Clear();
  status = {};
}

std::string Format(const char* format, ...) {
  char text[256];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  return text;
}

}  // namespace gpibsim
