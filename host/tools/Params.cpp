// Params.cpp — `kavo5000 params read --address V`: every controller parameter
// of one nozzle address, read through the driver's host slot and shown with
// the catalogue's names, units and value texts in the user's number format.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "Commands.h"
#include "ParameterUnit.h"
#include "Session.h"
#include "Text.h"

namespace kavo5000::tool {

namespace {

constexpr std::int32_t kFirstNozzleParameter = 10;  // host number of nozzle 1, index 0
constexpr std::int32_t kParamsPerNozzle = 60;
constexpr int kMaxDispenser = 32;
constexpr int kBarWidth = 30;
constexpr std::size_t kMaxValueColumn = 48;  // longer values push their name further right

// Display columns of UTF-8 text: one per code point.
std::size_t Columns(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
  return n;
}

std::string Padded(const std::string& text, std::size_t width) {
  const std::size_t used = Columns(text);
  return used >= width ? text + " " : text + std::string(width - used, ' ');
}

void Progress(std::size_t done, std::size_t total) {
  const std::size_t filled = total == 0 ? 0 : done * kBarWidth / total;
  std::fprintf(stderr, "\r[%s%s] %zu/%zu", std::string(filled, '#').c_str(),
               std::string(kBarWidth - filled, '.').c_str(), done, total);
  std::fflush(stderr);
}

}  // namespace

int RunParamsRead(const Positional&, const Args& args) {
  const auto given = args.Value("address");
  if (!given) throw UsageError("params read needs --address V (a nozzle address)");
  GlobalOptions options = GlobalFrom(args);
  const int perDispenser = NozzlesPerDispenser(options.config);
  if (perDispenser == 0) throw UsageError("the configuration byte gives no nozzles per dispenser");
  const int v = static_cast<int>(
      ToInteger(*given, "--address", 1, static_cast<long long>(perDispenser) * kMaxDispenser));
  // The host reaches a nozzle address as a dispenser's nozzle.
  const int dispenser = (v - 1) / perDispenser + 1;
  const int nozzle = (v - 1) % perDispenser + 1;

  Session s(options);
  catalogue::CTRKParameters table;
  table.Fill();
  std::vector<const catalogue::CParameter*> rows;
  for (std::int32_t i = 0; i < table.Count(); ++i) {
    const catalogue::CParameter& row = table.Item(i);
    if (catalogue::CommandFamilyOf(row.Kind) == catalogue::CommandFamily::Parameter)
      rows.push_back(&row);
  }
  const catalogue::NumberFormat format = catalogue::NumberFormat::User();
  const bool bar = isatty(STDERR_FILENO) != 0;

  std::vector<std::string> values;
  std::size_t failed = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (bar) Progress(i, rows.size());
    const catalogue::CParameter& row = *rows[i];
    const std::int32_t number =
        kFirstNozzleParameter + (nozzle - 1) * kParamsPerNozzle + row.Code.load();
    std::int32_t raw = -1;
    Guarded(s, [&] { raw = s.driver().GetParam(s.channel(), dispenser, number); });
    std::string value;
    if (raw < 0) {
      ++failed;
      value = "read failed: " + StatusMessage(s.driver().GetChannelStatus(s.channel()));
    } else {
      try {
        value = row.ValueToText(raw, format);
        if (!row.Units.empty()) value += " " + row.Units;
      } catch (const kavo5000::Exception& e) {
        ++failed;
        value = e.what();
      }
    }
    values.push_back(value);
  }
  if (bar) std::fprintf(stderr, "\r%*s\r", kBarWidth + 12, "");
  std::printf(
      "nozzle address %d (dispenser %d, nozzle %d with %d nozzles per dispenser), %zu parameters\n",
      v, dispenser, nozzle, perDispenser, rows.size());
  std::size_t width = 0;
  for (const std::string& value : values)
    width = std::max(width, std::min(Columns(value), kMaxValueColumn));
  width += 2;
  std::printf("%4s  %s%s\n", "code", Padded("value", width).c_str(), "name");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    std::printf("%4d  %s%s\n", rows[i]->Code.load(), Padded(values[i], width).c_str(),
                rows[i]->Name.c_str());
  }
  if (failed != 0) {
    throw ToolError(std::to_string(failed) + " of " + std::to_string(rows.size()) +
                    " parameters could not be read");
  }
  return kExitOk;
}

}  // namespace kavo5000::tool
