// Unit descriptors: the handles ibfind and ibdev give out, each with the settings it was
// configured with and the settings it has now (ibtmo changes them, ibonl(ud, 1) restores them).
#pragma once

#include <cstdint>
#include <map>

namespace gpibsim {

struct DescriptorSettings {
  int32_t pad = 0;
  int32_t sad = 0;
  int32_t timeout = 13;  // T10s
  int32_t eot = 1;
  int32_t eos = 0;
};

struct Descriptor {
  DescriptorSettings configured;
  DescriptorSettings current;
};

class Descriptors {
 public:
  // A new descriptor (1, 2, ...; numbers are not reused, so a descriptor given up stays
  // invalid).
  int32_t Open(const DescriptorSettings& settings);
  // The open descriptor ud, or null.
  Descriptor* Find(int32_t ud);
  void Close(int32_t ud) { open_.erase(ud); }
  int32_t Count() const { return static_cast<int32_t>(open_.size()); }
  void Reset();

 private:
  std::map<int32_t, Descriptor> open_;
  int32_t next_ = 1;
};

}  // namespace gpibsim
