// Connecting to a controller over TCP within a deadline, for the bridges that reach theirs
// over a LAN.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace gpib_bridge {

// A non-blocking TCP socket to host at service (a port number or name), trying each address
// the name resolves to in turn; -1 with error ("cannot resolve HOST: ...", "no address for
// HOST", or the last address's failure) when none connects. A connection still unanswered at
// the deadline is told as noAnswer. Small requests that wait for their answers go out at
// once (no Nagle delay).
int ConnectTcp(const std::string& host, const std::string& service,
               std::chrono::steady_clock::time_point deadline, std::string_view noAnswer,
               std::string& error);

}  // namespace gpib_bridge
