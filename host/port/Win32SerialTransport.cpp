// Win32SerialTransport.cpp — a COM port through the Win32 communications API:
// the device opened for this program alone, the channel's baud rate and
// framing in its DCB, and every wait for a reply's bytes measured by the
// driver of the port itself through COMMTIMEOUTS.
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "Transport.h"
#include "Win32Error.h"

namespace kavo5000::host {

namespace {

// A line that takes no bytes for this long is dead.
constexpr DWORD kWriteTimeoutMs = 2000;
// Names beyond COM9 open only in the device namespace, so every name goes there.
constexpr const char* kDeviceNamespace = R"(\\.\)";
// With the interval and the multiplier at MAXDWORD, ReadFile returns at once
// with whatever is buffered, else with the first bytes to arrive within the
// constant: exactly a wait for bytes that returns what has come.
constexpr DWORD kReturnOnArrival = MAXDWORD;

std::string DevicePath(const std::string& name) {
  return name.rfind(R"(\\)", 0) == 0 ? name : kDeviceNamespace + name;
}

BYTE ParityOf(char parity) {
  switch (parity) {
    case 'E':
      return EVENPARITY;
    case 'O':
      return ODDPARITY;
    default:
      return NOPARITY;
  }
}

// The milliseconds COMMTIMEOUTS counts in, rounded up so that a short wait
// never becomes no wait at all.
DWORD WholeMilliseconds(Nanos timeout) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(timeout).count();
  if (ms <= 0) return 0;
  if (ms >= static_cast<std::int64_t>(MAXDWORD - 1)) return MAXDWORD - 1;
  return static_cast<DWORD>(ms);
}

class Win32SerialTransport final : public Transport {
 public:
  explicit Win32SerialTransport(PortSpec spec) : spec_(std::move(spec)) {}
  ~Win32SerialTransport() override { Win32SerialTransport::Close(); }
  Win32SerialTransport(const Win32SerialTransport&) = delete;
  Win32SerialTransport& operator=(const Win32SerialTransport&) = delete;

  std::int32_t Open() override {
    if (IsOpen()) return kPortOk;
    if (!IsSupportedBaud(spec_.serial.baud))
      return Fail(kPortOpenFailed, spec_.path + ": " + std::to_string(spec_.serial.baud) +
                                       " baud is not a rate the line supports");
    // No sharing: a line carries one conversation, and Windows refuses a
    // second opener of a COM port with "access denied".
    HANDLE h = CreateFileA(DevicePath(spec_.path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
        return Fail(kPortInUse, spec_.path + ": port in use by another program");
      return Fail(kPortOpenFailed, spec_.path + ": " + Win32ErrorText(error));
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb)) {
      const DWORD error = GetLastError();
      CloseHandle(h);
      return Fail(kPortOpenFailed,
                  spec_.path + ": not a serial line (" + Win32ErrorText(error) + ")");
    }
    dcb.BaudRate = static_cast<DWORD>(spec_.serial.baud);
    dcb.ByteSize = static_cast<BYTE>(spec_.serial.dataBits);
    dcb.Parity = ParityOf(spec_.serial.parity);
    dcb.fParity = spec_.serial.parity != 'N';
    dcb.StopBits = spec_.serial.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    // Raw bytes both ways: no flow control, no characters of its own, no
    // stop on a line error (the driver's check judges the reply).
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(h, &dcb)) {
      const DWORD error = GetLastError();
      CloseHandle(h);
      return Fail(kPortOpenFailed, spec_.path + ": cannot set " +
                                       std::to_string(spec_.serial.baud) + " baud (" +
                                       Win32ErrorText(error) + ")");
    }
    handle_ = h;
    readTimeoutMs_.reset();
    if (!SetReadWait(0)) {
      const std::string why = LastErrorText();
      Close();
      return Fail(kPortOpenFailed, why);
    }
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
    return kPortOk;
  }

  void Close() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }

  void DiscardInput() override {
    if (IsOpen()) PurgeComm(handle_, PURGE_RXCLEAR | PURGE_RXABORT);
  }

  std::int32_t Write(std::span<const Byte> bytes) override {
    if (!IsOpen()) return Fail(kPortNotOpen, "not open");
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD written = 0;
      if (!WriteFile(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                     &written, nullptr)) {
        return Fail(kPortWriteFailed, "write: " + LastErrorText());
      }
      if (written == 0) return Fail(kPortWriteFailed, "write: timed out");
      done += written;
    }
    return kPortOk;
  }

  ReadResult Read(std::span<Byte> into, Nanos timeout) override {
    if (!IsOpen()) return {ReadStatus::kFailed, 0, Fail(kPortNotOpen, "not open")};
    if (!SetReadWait(WholeMilliseconds(timeout)))
      return {ReadStatus::kFailed, 0, Fail(kPortReadFailed, LastErrorText())};
    DWORD got = 0;
    if (!ReadFile(handle_, into.data(), static_cast<DWORD>(into.size()), &got, nullptr)) {
      return {ReadStatus::kFailed, 0, Fail(kPortReadFailed, "read: " + LastErrorText())};
    }
    if (got == 0) return {ReadStatus::kTimeout, 0, kPortOk};
    return {ReadStatus::kData, got, kPortOk};
  }

  Nanos Now() const override {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
  }

  Nanos WireTime(std::size_t bytes) const override { return SerialWireTime(bytes, spec_.serial); }

  std::string Describe() const override { return FormatPortSpec(spec_); }

 private:
  // The read timeouts for a wait of `ms` milliseconds (0: no wait), set on
  // the device only when they change; the write timeout rides along.
  bool SetReadWait(DWORD ms) {
    if (readTimeoutMs_ == ms) return true;
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = ms == 0 ? 0 : kReturnOnArrival;
    t.ReadTotalTimeoutConstant = ms;
    t.WriteTotalTimeoutMultiplier = 0;
    t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(handle_, &t)) return false;
    readTimeoutMs_ = ms;
    return true;
  }

  std::string LastErrorText() const { return spec_.path + ": " + Win32ErrorText(GetLastError()); }

  PortSpec spec_;  // a COM port: its name and settings
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::optional<DWORD> readTimeoutMs_;
};

}  // namespace

std::unique_ptr<Transport> MakeSerialTransport(const PortSpec& spec) {
  return std::make_unique<Win32SerialTransport>(spec);
}

}  // namespace kavo5000::host
