// Listening.h — a line opened only to listen, as a bus adapter hears it: a
// serial device opened for reading alone (no lock, no exclusive mark), or a
// serial device server's connection; Write refuses with kPortWriteFailed and
// puts nothing on the line. POSIX systems.
#ifndef KAVO5000_HOST_LISTENING_H
#define KAVO5000_HOST_LISTENING_H

#include <memory>

#include "Transport.h"

namespace kavo5000::host {

std::unique_ptr<Transport> MakeListeningSerialTransport(const PortSpec& spec);
std::unique_ptr<Transport> MakeListeningTcpTransport(const PortSpec& spec);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_LISTENING_H
