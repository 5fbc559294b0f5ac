// The names each build of the library exports, as a loader looking them up by name sees them.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ni488/bound_names.h"

namespace {

#define NAME_OF_VARIABLE(name, member) #name,
#define NAME_OF_FUNCTION(name, member, Type) #name,
const std::vector<std::string> kBoundNames = {
    NI488_STATUS_VARIABLES(NAME_OF_VARIABLE) NI488_FUNCTIONS(NAME_OF_FUNCTION, NAME_OF_FUNCTION)};
#undef NAME_OF_VARIABLE
#undef NAME_OF_FUNCTION

struct Variant {
  const char* name;
  const char* path;
  std::vector<std::string> missing;
  std::vector<std::string> extra;
};

class ExportedNames : public ::testing::TestWithParam<Variant> {};

TEST_P(ExportedNames, EachVariantLacksExactlyItsName) {
  const Variant& variant = GetParam();
  void* library = dlopen(variant.path, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const std::string& name : kBoundNames) {
    const bool wanted =
        std::find(variant.missing.begin(), variant.missing.end(), name) == variant.missing.end();
    EXPECT_EQ(dlsym(library, name.c_str()) != nullptr, wanted) << name;
  }
  for (const std::string& name : variant.extra) {
    EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
  }
  // The library's own workings stay inside.
  EXPECT_EQ(dlsym(library, "_ZN7gpibsim9Simulator8InstanceEv"), nullptr);
  dlclose(library);
}

INSTANTIATE_TEST_SUITE_P(
    Builds, ExportedNames,
    ::testing::Values(Variant{"Full", GPIBSIM_LIBRARY, {}, {"gpibsim_load_bench_text"}},
                      Variant{"NoWaitSrq", GPIBSIM_VARIANT_NO_WAITSRQ, {"WaitSRQ"}, {}},
                      Variant{"IbfindOnly", GPIBSIM_VARIANT_IBFIND_ONLY, {"ibfindA"}, {"ibfind"}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
