// What the bridge sends a Prologix or AR488 controller, in one place. Every command ends in a
// line feed; the controller takes CR or LF as the end of a line.
#pragma once

#include <string_view>

namespace prologix {

// Once per connection, before any setting: a Prologix writes every setting it is sent to its
// EEPROM until told not to (it wears, and the controller would power up with this bridge's
// settings). Only after "++ver" told which controller it is: an AR488 writes its EEPROM for
// any "++savecfg", so it never gets one (and saves nothing unasked).
constexpr std::string_view kStopSaving = "++savecfg 0\n";
// Then: controller mode, no read-after-write, no terminator added to data, EOI with the last
// byte, the end-of-reply byte after every EOI; then the read time-out is set to
// kInitialReadTimeoutMs.
constexpr std::string_view kSetup =
    "++mode 1\n++auto 0\n++eos 3\n++eoi 1\n++eot_enable 1\n++eot_char 4\n";
// The byte the controller appends when the talker asserted EOI (++eot_char above).
constexpr unsigned char kEotChar = 4;
constexpr int kLongestReadTimeoutMs = 3000;  // Prologix takes no more
// The longest read time-out both controllers take.
constexpr int kInitialReadTimeoutMs = kLongestReadTimeoutMs;
// A Prologix waits its whole read time-out for a serial poll nobody answers, so a scan polls
// with this one: an instrument answers a poll from its interface in well under a millisecond
// to a few, so 100 ms leaves a slow one ample room, while 29 empty addresses cost 3 s.
constexpr int kPollTimeoutMs = 100;
// The longest a configuration may give it: 30 addresses at that still fit a scan into the
// module's 10 s time-out.
constexpr int kLongestPollTimeoutMs = 300;

// Asked after every step of a call: the controller answers strictly in order, so its version
// line marks where the step's reply ends, whatever bytes the reply holds.
constexpr std::string_view kVersionQuery = "++ver\n";

constexpr std::string_view kAddress = "++addr";
constexpr std::string_view kEoi = "++eoi";
constexpr std::string_view kReadTimeout = "++read_tmo_ms";
constexpr std::string_view kReadToEoi = "++read eoi\n";
constexpr std::string_view kReadTo = "++read";  // and the decimal end-of-string byte
constexpr std::string_view kSerialPoll = "++spoll";
constexpr std::string_view kClear = "++clr\n";
constexpr std::string_view kLocal = "++loc\n";
constexpr std::string_view kTrigger = "++trg\n";
constexpr std::string_view kInterfaceClear = "++ifc\n";
constexpr std::string_view kServiceRequest = "++srq\n";
// AR488 only.
constexpr std::string_view kFindListeners = "++fndl all\n";
constexpr std::string_view kUniversalClear = "++dcl\n";
constexpr std::string_view kAr488Marker = "AR488";

}  // namespace prologix
