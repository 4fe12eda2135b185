// A host that includes the installed header and keeps to its layout.
#include <kavo5000/Kavo5000.h>

#include <cstdio>

int main() {
  kavo5000::ShortString text{};
  text.Length = 2;
  text.Text[0] = 'o';
  text.Text[1] = 'k';
  std::printf("%.*s\n", text.Length, text.Text);
  return sizeof(text) == 256 ? 0 : 1;
}
