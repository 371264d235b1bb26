#pragma once

#include <limits>

// Amounts are kept in the x87 80-bit extended format from parsing to printing.
using Decimal = long double;
static_assert(std::numeric_limits<Decimal>::digits == 64, "Decimal must be the 80-bit extended format");
