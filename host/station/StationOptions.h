// StationOptions.h — what the station is started with: its channels (each a
// port of its own), the configuration byte and how many dispensers each
// channel shows; and reading the channels off the command line. Pure.
#ifndef KAVO5000_STATION_STATIONOPTIONS_H
#define KAVO5000_STATION_STATIONOPTIONS_H

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "kavo5000/Kavo5000.h"

namespace kavo5000::station {

struct ChannelPort {
  Byte channel = 1;
  std::string port = "sim";  // a port as the tool takes it: sim, DEVICE[:…] or tcp://HOST:PORT
};

struct StationOptions {
  std::vector<ChannelPort> channels{ChannelPort{}};
  std::uint32_t config = 0;
  int dispensers = 2;  // per channel
};

class ChannelListError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// One channel per `--port` value, "[N=]PORT": N is the channel's number, and
// a value without one takes the number after the last (the first: `first`).
// Throws ChannelListError for a number out of 1..20 or given twice.
std::vector<ChannelPort> ParseChannels(const std::vector<std::string>& ports, int first);

}  // namespace kavo5000::station

#endif  // KAVO5000_STATION_STATIONOPTIONS_H
