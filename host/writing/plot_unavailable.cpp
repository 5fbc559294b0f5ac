// A scopehost built without PLplot (the Windows cross build): a requested plot is refused with
// a message saying why.
#include <string>

#include "writing/output_file.h"
#include "writing/plot_writer.h"

namespace scopehost {

void WritePlot(const Waveforms& /*waveforms*/, const std::filesystem::path& path) {
  throw OutputError("cannot draw " + path.string() +
                    ": this scopehost was built without PLplot; write --csv or --pwl instead");
}

}  // namespace scopehost
