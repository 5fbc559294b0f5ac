// What the simulation readers share: numbers and names from text and the checks every point
// passes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scopehost::simulation_text {

// A finite number written as SPICE tools write them ("1.5e-03", "-2", "+0.5"), or nothing.
std::optional<double> FiniteNumber(std::string_view text);

// Whether a and b are the same name, compared without regard to case.
bool SameIgnoringCase(std::string_view a, std::string_view b);

// Throws SimulationError "origin: place: what" unless time is finite and not before the
// previous one.
void CheckTime(double time, double previous, const std::string& origin, const std::string& place);

[[noreturn]] void Fail(const std::string& origin, const std::string& message);

}  // namespace scopehost::simulation_text
