// value_text_fuzz.cpp — the catalogue's texts of raw values: every row of the
// catalogue, and rows of any kind, digits and decimals, over any raw value
// and any separators. A value either has a text or raises the catalogue's
// own exception; a text is never empty.
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "NumberFormat.h"
#include "ParameterUnit.h"

namespace {

using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;
namespace catalogue = kavo5000::catalogue;

constexpr std::size_t kMaxSeparator = 4;

void Text(const catalogue::CParameter& p, std::int32_t raw, const catalogue::NumberFormat& f) {
  try {
    if (p.ValueToText(raw, f).empty()) Violation("an empty text for a value");
  } catch (const kavo5000::Exception&) {
    // No text for this value: the catalogue says so.
  }
}

// The catalogue, filled once: its rows never change after Fill.
const catalogue::CTRKParameters& Catalogue() {
  static catalogue::CTRKParameters rows;
  [[maybe_unused]] static const bool filled = (rows.Fill(), true);
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  const std::int32_t raw = in.Raw<std::int32_t>();
  const std::uint8_t kind = in.Byte();
  const std::uint8_t digits = in.Byte();
  const std::uint8_t decimals = in.Byte();
  const std::int32_t minValue = in.Raw<std::int32_t>();
  const std::int32_t maxValue = in.Raw<std::int32_t>();
  const auto decimalSep = in.Take(in.Byte() % kMaxSeparator);
  const auto thousandsSep = in.Take(in.Byte() % kMaxSeparator);
  const catalogue::NumberFormat format{std::string(decimalSep.begin(), decimalSep.end()),
                                       std::string(thousandsSep.begin(), thousandsSep.end())};

  const catalogue::CTRKParameters& rows = Catalogue();
  for (std::int32_t i = 0; i < rows.Count(); ++i) Text(rows.Item(i), raw, format);

  const catalogue::CParameter any(in.Byte(), digits, decimals, "fuzz", "", 0, minValue, maxValue,
                                  kind, catalogue::pgParameters);
  Text(any, raw, format);
  return 0;
}
