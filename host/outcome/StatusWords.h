// StatusWords.h — what a channel status means, in the kit's two languages:
// English for the tool, Russian for the station (and the next hosts' choice).
// One row per code the port or the driver stores, so that a code added to the
// header is worded for every host at once.
#ifndef KAVO5000_HOST_OUTCOME_STATUSWORDS_H
#define KAVO5000_HOST_OUTCOME_STATUSWORDS_H

#include <cstdint>
#include <string>

namespace kavo5000::host {

enum class Language { kEnglish, kRussian };

// The status in words; a code no row names as "channel status 0xNN" (in the
// language's words).
std::string StatusText(std::uint8_t status, Language language);

}  // namespace kavo5000::host

#endif  // KAVO5000_HOST_OUTCOME_STATUSWORDS_H
