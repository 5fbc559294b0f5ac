#include "transcript.h"

namespace gpibsim {

void Transcript::Add(CallRecord record) {
  record.number = nextNumber_++;
  if (calls_.size() == kMaxCalls) calls_.pop_front();
  calls_.push_back(std::move(record));
}

void Transcript::Clear() {
  calls_.clear();
  nextNumber_ = 1;
}

}  // namespace gpibsim
