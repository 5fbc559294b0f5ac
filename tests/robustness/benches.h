// Benches for the repeated acquisitions: one where every device type delivers, and ones where
// each fails in its own way. The bus moves bytes instantly.
#pragma once

namespace robustness {

// HM408 at DEV1 (both channels) and DEV2 (XY), a TDS540 at 5 (four channels of 1000 points),
// a PM3323 at DEV8 (both channels), and a multimeter. Every listener answers the scan's
// "*IDN?".
constexpr const char* kEveryDevice = R"(
transfer_rate = 0.0
[[device]]
model = "hm408"
address = 1
name = "DEV1"
idn = "HAMEG,HM408,0,2.11"
[device.ch1.signal]
shape = "sine"
[device.ch2.signal]
shape = "square"
[[device]]
model = "hm408"
address = 2
name = "DEV2"
idn = "HAMEG,HM408,0,2.11"
xy = true
[device.ch1.signal]
shape = "sine"
[device.ch2.signal]
shape = "triangle"
[[device]]
model = "tds540"
address = 5
record_length = 1000
[device.ch1.signal]
shape = "sine"
[device.ch2.signal]
shape = "square"
[device.ch3.signal]
shape = "triangle"
[device.ch4.signal]
shape = "noisy_sine"
[[device]]
model = "pm3323"
address = 8
name = "DEV8"
idn = "PHILIPS,PM3323,0,V3.2"
[device.a]
on = true
[device.b]
on = true
[[device]]
model = "multimeter"
address = 12
)";

// No configured device answers, and the one listener never talks: every open and the scan's
// identification read fail.
constexpr const char* kMuteBus = R"(
transfer_rate = 0.0
[[device]]
model = "mute"
address = 7
)";

// Listeners, none of them a Tektronix.
constexpr const char* kNoTektronix = R"(
transfer_rate = 0.0
[[device]]
model = "multimeter"
address = 12
)";

// Two TDS540: the scan asks the user to choose.
constexpr const char* kTwoTektronix = R"(
transfer_rate = 0.0
[[device]]
model = "tds540"
address = 4
[[device]]
model = "tds540"
address = 9
)";

}  // namespace robustness
