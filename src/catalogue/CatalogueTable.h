// CatalogueTable.h — the fixed rows of the parameter catalogue as plain data:
// the address row, the five common commands and the 46 controller parameters,
// with their limits, digits, texts and choice lists, in the window's order.
#ifndef KAVO5000_CATALOGUE_CATALOGUETABLE_H
#define KAVO5000_CATALOGUE_CATALOGUETABLE_H

#include <cstddef>
#include <cstdint>
#include <span>

#include "ParameterUnit.h"

namespace kavo5000::catalogue {

inline constexpr std::size_t kCatalogueRowCount = 52;  // 1 address row, 5 commands, 46 parameters

// One row as written in the table; the columns follow the order in which the
// controller documentation lists them. Min and max are raw values.
struct CatalogueRow {
  ParameterGroup Group;
  std::uint8_t Code;
  ParameterKind Kind;
  std::uint8_t Digits;
  std::uint8_t Decimals;
  std::int32_t MinValue;
  std::int32_t MaxValue;
  const char* Units;  // "" for none
  const char* Name;
};

// The choice texts of one row, in the order the window lists them.
struct RowChoices {
  std::size_t Row;  // index into CatalogueRows()
  std::span<const char* const> Texts;
};

// The rows in the order CTRKParameters::Fill appends them.
std::span<const CatalogueRow> CatalogueRows();
// The rows that have choices, in row order.
std::span<const RowChoices> CatalogueChoices();

}  // namespace kavo5000::catalogue

#endif  // KAVO5000_CATALOGUE_CATALOGUETABLE_H
