// ParamIo.cpp — reads and writes of the parameter window's rows.
#include "ParamIo.h"

#include <algorithm>
#include <exception>

#include "VM30.h"

namespace kavo5000::window {

std::optional<ReadRequest> ReadRequestFor(const catalogue::CParameter& row,
                                          const LineTarget& target) {
  const std::optional<catalogue::CommandFamily> family = catalogue::CommandFamilyOf(row.Kind);
  if (target.driver == nullptr || !family) return std::nullopt;
  return ReadRequest{target.driver, *family, target.channel, target.address, row.Code, row.Digits};
}

std::int32_t PerformRead(const ReadRequest& request) noexcept {
  if (request.driver == nullptr) return kFailedRead;
  try {
    const std::int32_t raw = request.driver->WindowReadParam(
        request.family, request.channel, request.address, request.code, request.digits);
    return raw < 0 ? kFailedRead : raw;
  } catch (...) {
    return kFailedRead;  // nothing read; the window marks the row
  }
}

std::string ApplyRead(catalogue::CParameter& row, std::int32_t raw,
                      const catalogue::NumberFormat& format, FailedReadText onFailure) {
  std::string text;
  try {
    text = row.ValueToText(raw, format);
  } catch (const std::exception&) {
    text.clear();  // a failed read, or a value without a text
  }
  if (text.empty()) {
    row.ReadError = true;
    if (onFailure == FailedReadText::kClear) row.ReadText.clear();
  } else {
    row.RecordRead(raw, text);
  }
  return text;
}

std::string ReadRowNow(catalogue::CParameter& row, const LineTarget& target,
                       const catalogue::NumberFormat& format) {
  const std::optional<ReadRequest> request = ReadRequestFor(row, target);
  const std::int32_t raw = request ? PerformRead(*request) : kFailedRead;
  return ApplyRead(row, raw, format, FailedReadText::kClear);
}

const char* WriteRow(catalogue::CParameter& row, const EditorValues& values,
                     const WriteTarget& target, const catalogue::NumberFormat& format) {
  if (target.line.driver == nullptr) return kNoDriverText;
  const std::optional<catalogue::CommandFamily> family = catalogue::CommandFamilyOf(row.Kind);
  if (!values.acceptable) return kValueOutsideLimitsText;
  if (!family) return kWriteFailedText;
  try {
    const std::int32_t raw = WriteRawValue(row, values);
    std::string text =
        row.ValueToText(raw, format);  // before sending: a value without a text is not sent
    if (*family == catalogue::CommandFamily::AddressProgramming) row.Code = target.idNumber;
    if (!target.line.driver->WindowWriteParam(*family, target.line.channel, target.line.address,
                                              row.Code, row.Digits, raw)) {
      return kWriteFailedText;
    }
    row.RecordWrite(raw, std::move(text));
    return kWriteDoneText;
  } catch (...) {
    // Whatever goes wrong on the way is a failed write, never a silent one.
    return kWriteFailedText;
  }
}

std::int32_t DialogAddress(const driver::VM30Driver& driver, std::int32_t dispenser,
                           std::int32_t nozzle, std::int32_t minimum, std::int32_t maximum) {
  const std::int64_t address = driver.LinearNozzleNumber(dispenser, nozzle);
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(address, std::int64_t{minimum}, std::int64_t{maximum}));
}

}  // namespace kavo5000::window
