// StationOptions.cpp — the station's channels from its command line.
#include "StationOptions.h"

#include <algorithm>
#include <charconv>

namespace kavo5000::station {

namespace {

// "3=tcp://…": the number before '=' when the text starts with digits and '='
// (a device path or a TCP address never does).
bool SplitNumbered(const std::string& text, int& number, std::string& port) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  const char* begin = text.data();
  const auto [end, error] = std::from_chars(begin, begin + eq, number);
  if (error != std::errc() || end != begin + eq) return false;
  port = text.substr(eq + 1);
  return true;
}

}  // namespace

std::vector<ChannelPort> ParseChannels(const std::vector<std::string>& ports, int first) {
  std::vector<ChannelPort> channels;
  int next = first;
  for (const std::string& text : ports) {
    int number = next;
    std::string port = text;
    SplitNumbered(text, number, port);
    if (number < kFirstChannel || number > kLastChannel) {
      throw ChannelListError("channel " + std::to_string(number) + " of \"" + text +
                             "\" is not in " + std::to_string(kFirstChannel) + ".." +
                             std::to_string(kLastChannel));
    }
    if (port.empty()) throw ChannelListError("\"" + text + "\" names no port");
    const bool taken = std::any_of(channels.begin(), channels.end(),
                                   [&](const ChannelPort& c) { return c.channel == number; });
    if (taken) throw ChannelListError("channel " + std::to_string(number) + " is given twice");
    channels.push_back({static_cast<Byte>(number), port});
    next = number + 1;
  }
  if (channels.empty()) channels.push_back({static_cast<Byte>(first), "sim"});
  return channels;
}

}  // namespace kavo5000::station
