// Win32Error.h — a Windows error code (GetLastError, WSAGetLastError) as the
// system words it, for the port's error texts.
#ifndef KAVO5000_HOST_WIN32ERROR_H
#define KAVO5000_HOST_WIN32ERROR_H

#include <string>

namespace kavo5000::host {

// The system's message for `code`, without its trailing line break, and the
// number itself: "The system cannot find the file specified. (error 2)".
std::string Win32ErrorText(unsigned long code);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_WIN32ERROR_H
