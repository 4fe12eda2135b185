// A host that includes the installed headers and keeps to their layout, and
// opens a driver through the installed C interface, which finds the installed
// module from its own place; it prints where the package config says the
// module is.
#include <kavo5000/Kavo5000.h>
#include <kavo5000/kavo5000_c.h>

#include <cstdio>

int main() {
  kavo5000::ShortString text{};
  text.Length = 2;
  text.Text[0] = 'o';
  text.Text[1] = 'k';
  if (sizeof(text) != 256) return 1;
  const kavo5000_channel line{1, "sim", nullptr, nullptr};
  kavo5000_driver* driver = nullptr;
  if (kavo5000_open(nullptr, 0, &line, 1, 0, &driver) != KAVO5000_OK) {
    std::fprintf(stderr, "consumer: %s\n", kavo5000_last_error());
    return 1;
  }
  kavo5000_close(driver);
  std::printf("%.*s\nmodule: %s\n", text.Length, text.Text, KAVO5000_INSTALLED_MODULE);
  return 0;
}
