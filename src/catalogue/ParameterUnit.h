// ParameterUnit.h — the controller parameter catalogue: CParameter, one item
// the programming window can read, write or send (its number on the line, its
// limits, digits and texts, and the outcome of its last read), and
// CTRKParameters, the fixed list of all 52 items.
#ifndef KAVO5000_CATALOGUE_PARAMETERUNIT_H
#define KAVO5000_CATALOGUE_PARAMETERUNIT_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandFamily.h"
#include "NumberFormat.h"
#include "ValueRules.h"
#include "kavo5000/Kavo5000.h"

namespace kavo5000::catalogue {

// The tab of the window that lists a row; equal to the tab's index.
enum ParameterGroup : std::uint8_t {
  pgCommon = 0,      // "Общие команды"
  pgAddress = 1,     // "Программирование адреса"
  pgParameters = 2,  // "Программирование параметров"
};

// The family of a kind; none for a kind above kLastValidKind.
std::optional<CommandFamily> CommandFamilyOf(std::uint8_t kind);

// Raised by ValueToText when a raw value has no text: a failed read (−1),
// any other negative value, or a descriptor of an invalid kind.
inline constexpr const char* kMsgNoValueText =
    "Ошибка при преобразовании параметра в текстовый вид";

// One item of the catalogue. The descriptive fields are fixed once the
// catalogue is filled. Code (the address row's ID number), Value, ReadText and
// ReadError change while the window is open, on the window's thread alone:
// its background reader hands results back to that thread instead of writing
// rows itself. The fields keep their documented order.
class CParameter {
 public:
  CParameter(std::uint8_t code, std::uint8_t digits, std::uint8_t decimals, std::string name,
             std::string units, std::int32_t value, std::int32_t minValue, std::int32_t maxValue,
             std::uint8_t kind, std::uint8_t group);
  ~CParameter() = default;
  CParameter(const CParameter&) = delete;
  CParameter& operator=(const CParameter&) = delete;
  CParameter(CParameter&&) = delete;
  CParameter& operator=(CParameter&&) = delete;

  // 10^n as 1.0 multiplied n times by 10.0; 1.0 for n ≤ 0.
  static double PowerOf10(int n);
  // The real value of a raw value: raw / 10^Decimals for pkNumber, raw otherwise.
  double ToReal(std::int32_t raw) const;
  // The smallest change of the real value: ToReal(1).
  double StepReal() const;
  double MinReal() const;
  double MaxReal() const;
  // The raw value of a real value: x · 10^Decimals, a half going to the even
  // neighbour. Raises kavo5000::Exception(kMsgInvalidValue) for NaN and for a
  // result outside the 32-bit range.
  std::int32_t FromReal(double x) const;
  // The text the window shows for a raw value. Raises
  // kavo5000::Exception(kMsgNoValueText) for a negative raw value and for a
  // kind above kLastValidKind: no text, not an empty one.
  std::string ValueToText(std::int32_t raw, const NumberFormat& format) const;

  // A successful read: Value, ReadText and a cleared ReadError together.
  void RecordRead(std::int32_t value, std::string text);
  // A successful write: Value and ReadText together; ReadError stays.
  void RecordWrite(std::int32_t value, std::string text);

  // Number within the command family: 0..45 for parameters, 0..4 for common
  // commands; the address row carries the ID number the window puts there.
  std::int32_t Code;
  const std::uint8_t Digits;    // digits of the value on the line; the display precision
  const std::uint8_t Decimals;  // implied decimals of a pkNumber value, 0 for other kinds
  const std::string Name;
  const std::string Units;      // may be empty
  std::int32_t Value;           // last raw value read or written
  const std::int32_t MaxValue;  // largest raw value
  const ParameterKind Kind;     // any byte; above kLastValidKind is invalid
  const ParameterGroup Group;
  std::vector<std::string> Choices;  // filled by the catalogue, fixed afterwards
  std::string ReadText;              // text of the last value read or written
  const std::int32_t MinValue;       // smallest raw value
  bool ReadError = false;            // the last read failed
};

// The catalogue: the rows of the window's three tabs, in the order of Fill,
// each owned here. Rows are never added, removed or reordered after Fill, so
// two threads may look them up side by side.
class CTRKParameters {
 public:
  CTRKParameters() = default;
  // Destroys the descriptors first to last.
  ~CTRKParameters();
  CTRKParameters(const CTRKParameters&) = delete;
  CTRKParameters& operator=(const CTRKParameters&) = delete;
  CTRKParameters(CTRKParameters&&) = delete;
  CTRKParameters& operator=(CTRKParameters&&) = delete;

  // Appends the 52 rows. It does not look for rows already there: called
  // twice, it appends a second copy.
  void Fill();
  [[nodiscard]] std::int32_t Count() const;
  // The row at index 0..Count()−1; raises std::out_of_range otherwise.
  [[nodiscard]] CParameter& Item(std::int32_t index);
  [[nodiscard]] const CParameter& Item(std::int32_t index) const;

 private:
  [[nodiscard]] std::size_t CheckedIndex(std::int32_t index) const;

  std::vector<std::unique_ptr<CParameter>> rows_;
};

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_PARAMETERUNIT_H
