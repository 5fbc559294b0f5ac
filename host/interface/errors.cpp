#include "interface/errors.h"

#include <cstdlib>
#include <exception>
#include <new>

#include "loading/module_loader.h"
#include "scanning/bus_scan.h"
#include "simulation/simulation.h"
#include "writing/output_file.h"

namespace scopehost {

namespace {

gpibscope_status Status(gpibscope_status loadStatus) {
  try {
    throw;
  } catch (const HostError& failure) {
    return failure.status();
  } catch (const LoadError&) {
    return loadStatus;
  } catch (const ScanError&) {
    return GPIBSCOPE_ERROR_BUS;
  } catch (const OutputError&) {
    return GPIBSCOPE_ERROR_OUTPUT;
  } catch (const SimulationError&) {
    return GPIBSCOPE_ERROR_SIMULATION;
  } catch (...) {
    return GPIBSCOPE_ERROR_ARGUMENT;
  }
}

std::string Text() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& failure) {
    return failure.what();
  } catch (...) {
    return "unknown failure";
  }
}

}  // namespace

gpibscope_status Report(gpibscope_error** error, gpibscope_status loadStatus) {
  const gpibscope_status status = Status(loadStatus);
  if (error != nullptr) *error = new (std::nothrow) gpibscope_error{status, Text()};
  return status;
}

void Require(const void* pointer, const char* what) {
  if (pointer == nullptr) throw HostError(GPIBSCOPE_ERROR_ARGUMENT, std::string("no ") + what);
}

}  // namespace scopehost

extern "C" {

gpibscope_status gpibscope_error_status(const gpibscope_error* error) {
  return error != nullptr ? error->status : GPIBSCOPE_OK;
}

const char* gpibscope_error_text(const gpibscope_error* error) {
  return error != nullptr ? error->text.c_str() : "";
}

void gpibscope_error_free(gpibscope_error* error) {
  delete error;
}

void gpibscope_free(void* text) {
  std::free(text);
}

}  // extern "C"
