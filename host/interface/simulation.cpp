// Simulation results of the C interface: a file read back into a time axis and named vectors.
#include "simulation/simulation.h"
#include "interface/errors.h"

struct gpibscope_simulation {
  scopehost::Simulation simulation;
};

namespace {

const scopehost::SimulationVector* VectorOf(const gpibscope_simulation* simulation, size_t vector) {
  if (simulation == nullptr || vector >= simulation->simulation.vectors.size()) return nullptr;
  return &simulation->simulation.vectors[vector];
}

}  // namespace

extern "C" {

gpibscope_status gpibscope_read_simulation(const char* path, gpibscope_simulation** simulation,
                                           gpibscope_error** error) {
  return scopehost::Guarded(error, GPIBSCOPE_ERROR_SIMULATION, [&] {
    scopehost::Require(simulation, "place for the simulation");
    *simulation = nullptr;
    scopehost::Require(path, "path");
    *simulation = new gpibscope_simulation{scopehost::ReadSimulation(path)};
  });
}

void gpibscope_simulation_free(gpibscope_simulation* simulation) {
  delete simulation;
}

size_t gpibscope_simulation_points(const gpibscope_simulation* simulation) {
  return simulation != nullptr ? simulation->simulation.time.size() : 0;
}

const double* gpibscope_simulation_time(const gpibscope_simulation* simulation) {
  return simulation != nullptr ? simulation->simulation.time.data() : nullptr;
}

size_t gpibscope_simulation_vectors(const gpibscope_simulation* simulation) {
  return simulation != nullptr ? simulation->simulation.vectors.size() : 0;
}

const char* gpibscope_simulation_vector_name(const gpibscope_simulation* simulation,
                                             size_t vector) {
  const scopehost::SimulationVector* found = VectorOf(simulation, vector);
  return found != nullptr ? found->name.c_str() : nullptr;
}

const double* gpibscope_simulation_vector_values(const gpibscope_simulation* simulation,
                                                 size_t vector) {
  const scopehost::SimulationVector* found = VectorOf(simulation, vector);
  return found != nullptr ? found->values.data() : nullptr;
}

}  // extern "C"
