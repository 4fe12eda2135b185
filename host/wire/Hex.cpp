// Hex.cpp — formatting and parsing hex bytes.
#include "Hex.h"

#include <cctype>
#include <cstdio>

namespace kavo5000::wire {

namespace {
constexpr int kHexBase = 16;               // two hex digits make a byte
constexpr int kFirstLetterDigit = 10;      // the value of hex digit 'a'
constexpr std::size_t kCellSize = 4;       // " 7F" and its terminating zero
constexpr std::size_t kPrefixLength = 2;   // "0x" before a byte
constexpr std::size_t kDigitsPerByte = 2;  // hex digits of one byte
}  // namespace

std::string Hex(std::span<const Byte> bytes) {
  std::string out;
  char cell[kCellSize];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", bytes[i]);
    out += cell;
  }
  return out;
}

std::optional<Bytes> ParseHex(std::string_view text) {
  Bytes out;
  std::size_t i = 0;
  auto digit = [](char c) -> int {
    if (std::isxdigit(static_cast<unsigned char>(c)) == 0) return -1;
    return std::isdigit(static_cast<unsigned char>(c)) != 0
               ? c - '0'
               : std::tolower(static_cast<unsigned char>(c)) - 'a' + kFirstLetterDigit;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == ',' || c == '\t') {
      ++i;
      continue;
    }
    if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      i += kPrefixLength;
    }
    if (i + 1 >= text.size()) return std::nullopt;
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<Byte>(high * kHexBase + low));
    i += kDigitsPerByte;
  }
  return out;
}

}  // namespace kavo5000::wire
