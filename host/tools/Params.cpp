// Params.cpp — `kavo5000 params read`: every controller parameter of one
// nozzle address, named and shown as the parameter catalogue shows them.
#include "Commands.h"

namespace kavo5000::tool {

int RunParamsRead(const Positional&, const Args&) {
  throw ToolError("params read needs the parameter catalogue, which this build does not have yet");
}

}  // namespace kavo5000::tool
