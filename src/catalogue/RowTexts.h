// RowTexts.h — the texts the parameter window draws for a catalogue row: its
// name with units and choices, its limits, and the way it travels to the
// controller. Pure text, so that the window only draws them.
#ifndef KAVO5000_CATALOGUE_ROWTEXTS_H
#define KAVO5000_CATALOGUE_ROWTEXTS_H

#include <string>

#include "NumberFormat.h"
#include "ParameterUnit.h"

namespace kavo5000::catalogue {

// The "Имя параметра" column: the name, " (units)" when there are units, and
// for a row with choices a colon and one line per choice ("\r\n" between
// lines), each indented by two blanks and all but the last ending in ';'.
std::string GetNameText(const CParameter& row);

// The "Ограничения" column: the real limits for numbers ("от 0,01 до 5,00 л"),
// or a fixed text by kind for the others.
std::string GetLimitsText(const CParameter& row, const NumberFormat& format);

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_ROWTEXTS_H
