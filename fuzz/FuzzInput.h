// FuzzInput.h — the fuzz targets' way of reading their input: bytes taken
// from the front to choose what to do and with which arguments, the rest
// left for whatever the target serves (a controller's reply, a chunked
// stream). An exhausted input reads as zeros, so every input is usable.
#ifndef KAVO5000_FUZZ_FUZZINPUT_H
#define KAVO5000_FUZZ_FUZZINPUT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kavo5000::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::size_t Remaining() const { return size_ - pos_; }

  std::uint8_t Byte() { return Empty() ? 0 : data_[pos_++]; }
  bool Bool() { return (Byte() & 1) != 0; }

  template <typename T>
  T Raw() {
    T value{};
    std::uint8_t bytes[sizeof(T)] = {};
    for (std::uint8_t& b : bytes) b = Byte();
    std::memcpy(&value, bytes, sizeof(T));
    return value;
  }

  // One of `choices`, or, for a byte beyond them, a raw value from the next
  // bytes: boundaries most of the time, anything now and then.
  template <typename T, std::size_t N>
  T Pick(const T (&choices)[N]) {
    const std::uint8_t b = Byte();
    if (b < N) return choices[b];
    if (b < kRawFrom) return choices[b % N];
    return Raw<T>();
  }

  // The next n bytes (fewer when the input ends first).
  std::span<const std::uint8_t> Take(std::size_t n) {
    if (n > Remaining()) n = Remaining();
    std::span<const std::uint8_t> taken(data_ + pos_, n);
    pos_ += n;
    return taken;
  }
  std::span<const std::uint8_t> Rest() { return Take(Remaining()); }

 private:
  // Choice bytes from here on read a raw value instead.
  static constexpr std::uint8_t kRawFrom = 0xF0;

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Stops the run with a message libFuzzer reports as a crash: an invariant of
// the code under test does not hold.
[[noreturn]] void Violation(const char* what);

}  // namespace kavo5000::fuzz

#endif  // KAVO5000_FUZZ_FUZZINPUT_H
