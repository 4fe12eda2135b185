// CommandFamily.h — how a catalogue row travels to the controllers: the
// family the window derives from a row's kind and the driver's window
// operations take. Header-only and free of the rest of the catalogue, so
// that the driver can name the families without depending on the catalogue.
#ifndef KAVO5000_CATALOGUE_COMMANDFAMILY_H
#define KAVO5000_CATALOGUE_COMMANDFAMILY_H

#include <cstdint>

namespace kavo5000::catalogue {

enum class CommandFamily : std::uint8_t {
  Parameter = 0,           // per-nozzle parameter ('N', 'O'), can be read back
  CommonCommand = 1,       // switch to every controller on the line ('W')
  AddressProgramming = 2,  // network address programmed by ID number (']')
};

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_COMMANDFAMILY_H
