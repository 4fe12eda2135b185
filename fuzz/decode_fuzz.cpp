// decode_fuzz.cpp — what `kavo5000 decode` does with the words it is given:
// hex text parsed into bytes and the bytes annotated, here on arbitrary
// text, and the annotation of a whole exchange on arbitrary bytes. Hex text
// the parser accepts must print back to the same bytes.
#include <algorithm>
#include <cstdint>
#include <string_view>

#include "Decode.h"
#include "FuzzInput.h"
#include "Hex.h"

namespace {

using kavo5000::fuzz::FuzzInput;
using kavo5000::fuzz::Violation;
namespace wire = kavo5000::wire;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto bytes = wire::ParseHex(text)) {
    if (wire::ParseHex(wire::Hex(*bytes)) != bytes) Violation("hex text does not read back");
    for (const std::string& line : wire::Decode(*bytes)) {
      if (line.empty()) Violation("an empty annotation line");
    }
  }
  FuzzInput in(data, size);
  const std::size_t split = in.Byte();
  const auto rest = in.Rest();
  const auto cut = std::min(split, rest.size());
  const wire::Bytes frame(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(cut));
  const wire::Bytes reply(rest.begin() + static_cast<std::ptrdiff_t>(cut), rest.end());
  if (wire::DecodeExchange(frame, reply).empty()) Violation("an exchange without annotation");
  return 0;
}
