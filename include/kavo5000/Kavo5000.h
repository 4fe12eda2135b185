// Kavo5000.h — the one header a station program includes to drive "Каво 5000"
// dispensers through the Kavo5000 module: the host port it lends the driver,
// its menu items, the driver object's slot table, the exported factory and the
// exceptions the driver throws.
//
// The layout of every class below is part of the contract: virtual operations
// are declared in slot order and nothing precedes them, so slot n is the n-th
// entry of the object's table.
#ifndef KAVO5000_KAVO5000_H
#define KAVO5000_KAVO5000_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#if defined(_WIN32) && !defined(_WIN64)
#define KAVO5000_CALL __stdcall
#else
#define KAVO5000_CALL
#endif

// Exception classes must keep default visibility so that a host which loads
// the module at run time matches their type information with its own.
#if defined(_WIN32)
#define KAVO5000_VISIBLE_TYPE
#else
#define KAVO5000_VISIBLE_TYPE __attribute__((visibility("default")))
#endif

namespace kavo5000 {

using Byte = std::uint8_t;

// A length-prefixed string of at most 255 single-byte characters.
struct ShortString {
  Byte Length;
  char Text[255];
};

// What GetSost hands back for one dispenser.
struct StateRecord {
  Byte Summary;             // summary state code of the dispenser
  Byte Zero1;               // always 0
  std::uint16_t Nozzle[6];  // state codes of nozzles 1..6, little-endian
  Byte SummaryNozzle;       // nozzle whose code is the summary
  Byte Zero15;              // always 0
};

static_assert(sizeof(ShortString) == 256, "ShortString is 256 bytes");
static_assert(sizeof(StateRecord) == 16, "StateRecord is 16 bytes");
static_assert(offsetof(StateRecord, Summary) == 0, "summary at offset 0");
static_assert(offsetof(StateRecord, Zero1) == 1, "zero byte at offset 1");
static_assert(offsetof(StateRecord, Nozzle) == 2, "nozzle words from offset 2");
static_assert(offsetof(StateRecord, SummaryNozzle) == 14, "summary nozzle at offset 14");
static_assert(offsetof(StateRecord, Zero15) == 15, "zero byte at offset 15");

// Numbers of the host contract: what the driver, its reply check and the
// host's port tell one another, named once for every side that includes this
// header.

// What the driver's tables hold: channels 1..20 (the host's serial lines),
// dispensers 0..32 on a channel and nozzles 0..15 on a dispenser (0 counts as
// 1). A number outside them is refused before anything is sent.
inline constexpr int kFirstChannel = 1;
inline constexpr int kLastChannel = 20;
inline constexpr int kLastDispenser = 32;
inline constexpr int kLastNozzle = 15;

// The configuration byte GetVM30 takes (only the low byte of its argument is
// read), decoded once when the driver object is made.
inline constexpr Byte kConfigNozzleMask = 0x0F;      // bits 0-3: nozzles per dispenser
inline constexpr Byte kConfigMoneyAsMoney = 0x10;    // bit 4 set: money presets travel as money
inline constexpr Byte kConfigStartConfirmV = 0x40;   // bit 6: StartPumpEx sends 'V' after the start
inline constexpr Byte kConfigNoStartRefusal = 0x80;  // bit 7: a refused start stores no code
inline constexpr Byte kConfigDefaultNozzles = 4;     // nozzles per dispenser for a byte of 0
inline constexpr std::uint32_t kLastConfig = 0xFF;   // the largest configuration byte

struct DriverConfig {
  Byte NozzlesPerDispenser = 0;  // numbers the nozzles on the line; GetSost's default count
  bool MoneyAsVolume = false;    // a money preset goes to the controller as a volume preset
  bool StartConfirmV = false;    // StartPumpEx sends 'V' after the start
  bool NoStartRefusal = false;   // a refused start stores no refusal code
};

// The byte's low four bits are the nozzles per dispenser, unless the whole
// byte is 0: then four. So 0x10 and 0x40 mean no nozzles per dispenser.
constexpr DriverConfig DecodeConfig(std::uint32_t config) {
  const auto b = static_cast<Byte>(config & kLastConfig);
  DriverConfig decoded;
  decoded.NozzlesPerDispenser =
      b == 0 ? kConfigDefaultNozzles : static_cast<Byte>(b & kConfigNozzleMask);
  decoded.MoneyAsVolume = (b & kConfigMoneyAsMoney) == 0;
  decoded.StartConfirmV = (b & kConfigStartConfirmV) != 0;
  decoded.NoStartRefusal = (b & kConfigNoStartRefusal) != 0;
  return decoded;
}

constexpr Byte NozzlesPerDispenser(std::uint32_t config) {
  return DecodeConfig(config).NozzlesPerDispenser;
}

// Line states. The reply check reports 1 and 3 through SetLineState; a port
// may keep states of its own, and the driver treats anything but 1 as no
// usable reply.
inline constexpr Byte kLineValid = 1;      // a complete, valid reply is in the buffer
inline constexpr Byte kLineMalformed = 3;  // a data reply with wrong end bytes or complements

// Line errors the reply check reports through SetLineError.
inline constexpr std::int32_t kLineErrorNone = 0;         // reported with kLineValid
inline constexpr std::int32_t kLineErrorChecksum = 222;   // data reply with a wrong checksum
inline constexpr std::int32_t kLineErrorNoStart = 223;    // no reply's first byte in the buffer
inline constexpr std::int32_t kLineErrorMalformed = 246;  // reported with kLineMalformed

// Channel status (GetChannelStatus): the line state of the channel's last
// exchange, or one of these codes that an operation stores in its place.
inline constexpr Byte kStatusNoExchange = 0x00;       // nothing exchanged on the channel yet
inline constexpr Byte kStatusTotalsEmpty = 0x03;      // the volume total read was 0
inline constexpr Byte kStatusStartRefused = 0x10;     // start ('2' or 'V') refused
inline constexpr Byte kStatusPrepareRefused = 0x11;   // preparation step 'U' refused
inline constexpr Byte kStatusVolumeRefused = 0x12;    // volume preset refused
inline constexpr Byte kStatusMoneyRefused = 0x13;     // money preset refused
inline constexpr Byte kStatusStopRefused = 0x14;      // stop refused
inline constexpr Byte kStatusPriceRefused = 0x15;     // price refused (the nozzle is then closed)
inline constexpr Byte kStatusParamRefused = 0x17;     // parameter read or write refused
inline constexpr Byte kStatusAddressRefused = 0x18;   // address programming refused
inline constexpr Byte kStatusDeliveryRefused = 0x19;  // volume query of the delivery refused

// Nozzle and dispenser state codes (GetSost, GetDispenserState). The top five
// bits are the class; in the codes marked "+ n" the low three bits carry the
// nozzle number.
inline constexpr Byte kStateIdle = 0xC0;        // nozzle hung, nothing going on
inline constexpr Byte kStateBusy = 0xC8;        // authorised, waiting for the nozzle
inline constexpr Byte kStateDelivering = 0xD0;  // + n: fuel flowing
inline constexpr Byte kStateFinished = 0xD8;    // + n: stopped; without n: closed by the driver
inline constexpr Byte kStateLifted = 0xE0;      // + n: nozzle lifted, not authorised
inline constexpr Byte kStateClassMask = 0xF8;   // code AND this: the class
inline constexpr Byte kStateNozzleMask = 0x07;  // code AND this: the nozzle number

// QueryOption's codes: those answered 1 and those answered 0; any other code
// is not known to the driver. What each means is the host's.
inline constexpr std::int32_t kOptionsOn[] = {1, 4, 5};
inline constexpr std::int32_t kOptionsOff[] = {2, 3};

// How the host numbers a controller's parameters in GetParam and SetParam:
// 0..8 the common switches of a whole line, 9 address programming (the value
// is identification × 100 + address), and from 10 on each nozzle's own
// parameters, 60 to a nozzle.
inline constexpr std::int32_t kParamAddressProgramming = 9;
inline constexpr std::int32_t kParamAddressFactor =
    100;  // value of 9 = identification × this + address
inline constexpr std::int32_t kParamFirstNozzle = 10;  // nozzle 1's index 0
inline constexpr std::int32_t kParamsPerNozzle = 60;   // indices 0..59 of each nozzle

// A nozzle's parameter index as the host numbers it (nozzle counts from 1).
constexpr std::int32_t HostParamNumber(std::int32_t nozzle, std::int32_t index) {
  return kParamFirstNozzle + (nozzle - 1) * kParamsPerNozzle + index;
}

// A host number of 10 or more split into its nozzle (from 1) and index.
struct NozzleParamNumber {
  std::int32_t Nozzle;
  std::int32_t Index;
};
constexpr NozzleParamNumber SplitHostParamNumber(std::int32_t number) {
  const std::int32_t offset = number - kParamFirstNozzle;
  return NozzleParamNumber{offset / kParamsPerNozzle + 1, offset % kParamsPerNozzle};
}

// Rounding to the nearest whole number with halves going to the even
// neighbour, as the controllers' amounts and the catalogue's values are
// rounded, whatever the floating-point rounding mode the host has set.
inline double RoundHalfEven(double x) {
  constexpr double kHalf = 0.5;
  if (!std::isfinite(x)) return x;
  const double lower = std::floor(x);
  const double fraction = x - lower;
  if (fraction < kHalf) return lower;
  if (fraction > kHalf) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// Whether an amount travels in a field of `digits` digits of hundredths as
// the driver sends it: finite, not negative, and its hundredths, rounded half
// to even, below 10 to the `digits`. The driver refuses any other amount with
// "Недопустимое значение"; a host that checks an amount first asks here.
inline bool AmountFits(double amount, int digits) {
  constexpr double kHundredths = 100.0;
  constexpr double kBase = 10.0;
  return std::isfinite(amount) && amount >= 0.0 &&
         RoundHalfEven(amount * kHundredths) < std::pow(kBase, digits);
}

// A money preset that travels as a volume (the configuration's default) is
// sent as the litres it buys at the nozzle's price, cut to hundredths after a
// round-up that lets an amount a hair below a whole hundredth reach it. A host
// that shows what will be sent computes it here, as the driver does.
inline constexpr double kMoneyRoundUp = 0.0049;
inline double MoneyPresetLitres(double money, double price) {
  constexpr double kHundredths = 100.0;
  // Stored before it is scaled, so that the sum is cut as a double also where
  // the arithmetic runs wider.
  const volatile double roundedUp = money + kMoneyRoundUp;
  return std::trunc(roundedUp * kHundredths / price) / kHundredths;
}

// The caption of the host's menu the driver adds its command under (slot
// 24), compared byte for byte, in UTF-8 or Windows-1251.
inline constexpr const char* kHostMenuCaption = "&ТРК";

// The reply buffer the driver lends the port in Send, and the most the port
// may write into it.
inline constexpr std::size_t kReplyBufferSize = 256;
inline constexpr std::size_t kMaxReplyLength = kReplyBufferSize - 1;

class TMenuItem;

// The driver's reply check, as the port calls it on the bytes received so far.
using ReplyCheckProc = bool(KAVO5000_CALL*)(void* self, Byte channel, Byte* buffer, std::int32_t x,
                                            Byte* length, std::int32_t y);
struct ReplyCheckRef {  // a bound ReplyCheck
  ReplyCheckProc Code;
  void* Self;
};

using NotifyProc = void(KAVO5000_CALL*)(void* self, TMenuItem* sender);
struct NotifyEvent {  // a bound click handler
  NotifyProc Code;
  void* Self;
};

using MenuItemFactory = TMenuItem*(KAVO5000_CALL*)(TMenuItem* parent, std::int32_t index);

// The host's serial-port object. The host implements it and lends it to the
// driver; the driver never deletes it.
class HostPort {
 public:
  virtual void KAVO5000_CALL Reserved0() {}
  virtual std::int32_t KAVO5000_CALL GetLastError(Byte channel) = 0;
  virtual void KAVO5000_CALL SetLineError(Byte channel, std::int32_t code) = 0;
  virtual void KAVO5000_CALL SetLineState(Byte channel, Byte state) = 0;
  virtual Byte KAVO5000_CALL GetLineState(Byte channel) = 0;
  virtual void KAVO5000_CALL Reserved5() {}
  virtual void KAVO5000_CALL Reserved6() {}
  virtual void KAVO5000_CALL Reserved7() {}
  virtual void KAVO5000_CALL Reserved8() {}
  virtual void KAVO5000_CALL Reserved9() {}
  virtual void KAVO5000_CALL Reserved10() {}
  virtual void KAVO5000_CALL Reserved11() {}
  virtual void KAVO5000_CALL Reserved12() {}
  virtual void KAVO5000_CALL Reserved13() {}
  virtual void KAVO5000_CALL Reserved14() {}
  virtual void KAVO5000_CALL Reserved15() {}
  // The reply buffer holds kReplyBufferSize bytes; the port never writes more
  // than kMaxReplyLength.
  virtual std::int32_t KAVO5000_CALL Send(Byte channel, const Byte* frame, Byte frameLength,
                                          Byte* reply, Byte replySize, Byte replyMode) = 0;
  virtual std::int32_t KAVO5000_CALL Open(Byte channel, std::int32_t setting,
                                          std::int32_t baudRate) = 0;
  virtual void KAVO5000_CALL Reserved18() {}
  virtual void KAVO5000_CALL SetReplyCheck(Byte channel, ReplyCheckRef check) = 0;

 protected:
  HostPort() = default;
  HostPort(const HostPort&) = default;
  HostPort& operator=(const HostPort&) = default;
  ~HostPort() = default;
};

// A menu item of the host's menu system.
class TMenuItem {
 public:
  virtual std::int32_t KAVO5000_CALL Count() = 0;
  virtual TMenuItem* KAVO5000_CALL Items(std::int32_t index) = 0;
  virtual const char* KAVO5000_CALL Caption() = 0;
  virtual void KAVO5000_CALL SetCaption(const char* caption) = 0;
  virtual void KAVO5000_CALL SetHint(const char* hint) = 0;
  virtual void KAVO5000_CALL SetHelpContext(std::int32_t context) = 0;
  virtual void KAVO5000_CALL SetShortCut(std::uint16_t shortCut) = 0;
  virtual void KAVO5000_CALL SetOnClick(NotifyEvent handler) = 0;

 protected:
  TMenuItem() = default;
  TMenuItem(const TMenuItem&) = default;
  TMenuItem& operator=(const TMenuItem&) = default;
  ~TMenuItem() = default;
};

// The driver object. GetVM30 creates it; the host deletes it.
class TVM30 {
 public:
  virtual void KAVO5000_CALL Abstract0() = 0;
  virtual void KAVO5000_CALL Description(ShortString* result) = 0;
  virtual void KAVO5000_CALL SetChannelStatus(Byte channel, Byte value) = 0;
  virtual Byte KAVO5000_CALL GetChannelStatus(Byte channel) = 0;
  virtual bool KAVO5000_CALL StopActiveNozzle(std::int32_t channel, std::int32_t dispenser,
                                              bool doStop) = 0;
  virtual bool KAVO5000_CALL Reserved5(std::int32_t unused) = 0;
  virtual void KAVO5000_CALL GetDeliveryCounters(std::int32_t channel, std::int32_t dispenser,
                                                 double* litres, double* money) = 0;
  virtual void KAVO5000_CALL GetTotalCounters(std::int32_t channel, std::int32_t dispenser,
                                              std::int32_t nozzle, double* volume, double* money,
                                              double unused) = 0;
  virtual void KAVO5000_CALL SetTotalCounter(std::int32_t channel, std::int32_t dispenser,
                                             std::int32_t nozzle, double value, double unused) = 0;
  virtual double KAVO5000_CALL GetDeliveredVolume(std::int32_t channel, std::int32_t dispenser,
                                                  double* money) = 0;
  virtual std::uint16_t KAVO5000_CALL GetDispenserState(Byte channel, Byte dispenser) = 0;
  virtual void KAVO5000_CALL SetPrice(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t nozzle, std::int32_t unused1,
                                      std::int32_t unused2, double price) = 0;
  virtual void KAVO5000_CALL Reserved12(std::int32_t, std::int32_t, std::int32_t) = 0;
  virtual void KAVO5000_CALL PresetVolume(std::int32_t channel, std::int32_t dispenser,
                                          std::int32_t nozzle, std::int32_t unused,
                                          double litres) = 0;
  virtual void KAVO5000_CALL PresetMoney(std::int32_t channel, std::int32_t dispenser,
                                         std::int32_t nozzle, std::int32_t passOn,
                                         double money) = 0;
  virtual void KAVO5000_CALL StartPump(std::int32_t channel, std::int32_t dispenser,
                                       std::int32_t nozzle) = 0;
  virtual std::int32_t KAVO5000_CALL OpenChannel(Byte channel) = 0;
  virtual std::int32_t KAVO5000_CALL GetParam(std::int32_t channel, std::int32_t dispenser,
                                              std::int32_t number) = 0;
  virtual void KAVO5000_CALL SetParam(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t number, std::int32_t value) = 0;
  virtual void KAVO5000_CALL StartPumpEx(std::int32_t channel, std::int32_t dispenser,
                                         std::int32_t nozzle, bool skipPreparation) = 0;
  virtual bool KAVO5000_CALL QueryOption(std::int32_t code, std::int32_t* value) = 0;
  virtual void KAVO5000_CALL GetSost(Byte channel, Byte dispenser, Byte count,
                                     StateRecord* result) = 0;
  virtual void KAVO5000_CALL StopPump(std::int32_t channel, std::int32_t dispenser,
                                      std::int32_t nozzle, bool doStop) = 0;
  virtual std::int32_t KAVO5000_CALL StopAndClose(std::int32_t channel, std::int32_t dispenser,
                                                  std::int32_t nozzle, bool doStop) = 0;
  virtual void KAVO5000_CALL AddDriverMenu(TMenuItem* hostItem, MenuItemFactory factory) = 0;
  virtual ~TVM30() = default;

 protected:
  TVM30() = default;
  TVM30(const TVM30&) = default;
  TVM30& operator=(const TVM30&) = default;
};

namespace detail {

// Unicode code points of the Windows-1251 bytes 0x80..0xFF (0 where the byte
// is unassigned).
inline constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};
inline constexpr char32_t kFirstCyrillicLetter = 0x0410;  // 'А', byte 0xC0
inline constexpr char32_t kLastCyrillicLetter = 0x044F;   // 'я', byte 0xFF
inline constexpr unsigned char kCp1251LetterBase = 0xC0;
inline constexpr char kUnmappable = '?';

// One code point from UTF-8 text at pos; advances pos. Malformed input gives
// U+FFFD and consumes one byte.
inline char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  constexpr char32_t kReplacement = 0xFFFD;
  const auto lead = static_cast<unsigned char>(text[pos]);
  std::size_t extra = 0;
  char32_t cp = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    cp = lead & 0x07;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= text.size()) {
    ++pos;
    return kReplacement;
  }
  for (std::size_t i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + i]);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  pos += extra + 1;
  return cp;
}

// UTF-8 to Windows-1251; anything the code page lacks becomes '?'.
inline std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t cp = NextCodePoint(text, pos);
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp >= kFirstCyrillicLetter && cp <= kLastCyrillicLetter) {
      out.push_back(static_cast<char>(kCp1251LetterBase + (cp - kFirstCyrillicLetter)));
    } else {
      char mapped = kUnmappable;
      for (unsigned i = 0; i < 128; ++i) {
        if (kCp1251High[i] != 0 && kCp1251High[i] == cp) {
          mapped = static_cast<char>(0x80 + i);
          break;
        }
      }
      out.push_back(mapped);
    }
  }
  return out;
}

}  // namespace detail

// Windows-1251 bytes, such as the driver's description, as UTF-8 text; a byte
// the code page leaves unassigned becomes '?'.
inline std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    char32_t cp = b;
    if (b >= detail::kCp1251LetterBase) {
      cp = detail::kFirstCyrillicLetter + (b - detail::kCp1251LetterBase);
    } else if (b >= 0x80) {
      cp = detail::kCp1251High[b - 0x80];
      if (cp == 0) cp = static_cast<unsigned char>(detail::kUnmappable);
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

// The driver's general exception: a message in UTF-8.
class KAVO5000_VISIBLE_TYPE Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  // The same message as Windows-1251 bytes, for hosts that show single-byte text.
  std::string MessageCp1251() const { return detail::Utf8ToCp1251(message_); }

 private:
  std::string message_;
};

// A failed exchange on the serial line.
class KAVO5000_VISIBLE_TYPE ESerialIO : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace kavo5000

#if defined(_WIN32) && defined(KAVO5000_BUILDING_MODULE)
#define KAVO5000_API __declspec(dllexport)
#elif defined(_WIN32)
#define KAVO5000_API __declspec(dllimport)
#else
#define KAVO5000_API __attribute__((visibility("default")))
#endif

extern "C" {
// Creates a driver object. config: the configuration byte (low byte used);
// appHandle: the host's main window; hostPort: the host's port object.
KAVO5000_API kavo5000::TVM30* KAVO5000_CALL GetVM30(std::uint32_t config, std::uintptr_t appHandle,
                                                    kavo5000::HostPort* hostPort);
}

#endif  // KAVO5000_KAVO5000_H
