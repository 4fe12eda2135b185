// Library.h — what finding and loading the module takes from the platform:
// the module's file name, the path separator, the running program's folder
// (and on POSIX systems the folder of the loader's own code),
// whether a file is there, and a shared library loaded and a symbol found in
// it. LibraryPosix.cpp (dlopen) and LibraryWin32.cpp (LoadLibrary) implement
// it; ModuleLoader.cpp is written once above it.
#ifndef KAVO5000_LOADER_LIBRARY_H
#define KAVO5000_LOADER_LIBRARY_H

#include <string>

namespace kavo5000::loader::platform {

#ifdef _WIN32
inline constexpr const char* kModuleFile = "Kavo5000.dll";
inline constexpr char kSeparator = '\\';
#else
inline constexpr const char* kModuleFile = "libKavo5000.so";
inline constexpr char kSeparator = '/';
#endif

// The folder the running program's file is in; "." when it cannot be told.
std::string ProgramFolder();
#ifndef _WIN32
// The folder of the file this code was linked into: the program's for the
// tool, the C interface's library for a program of another language that
// loaded it. "." when it cannot be told.
std::string CodeFolder();
#endif
bool FileExists(const std::string& path);
// Loads the library for the rest of the process: never unloaded, because an
// exception the driver raised keeps its code (what(), its destructor) in the
// module, and may still be in flight or be printed after every driver object
// is gone. Null on failure, with the system's reason in `why`.
void* LoadForever(const std::string& path, std::string& why);
// The address of the exported `name`, or null.
void* Symbol(void* library, const char* name);

}  // namespace kavo5000::loader::platform

#endif  // KAVO5000_LOADER_LIBRARY_H
