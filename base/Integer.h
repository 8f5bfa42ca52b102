#pragma once
// The program's one reader of signed 32-bit integers typed by people or stored by other
// programs. Platform-free, so that it also builds with the host compiler for fuzzing.

#include <cstdint>
#include <optional>
#include <string_view>

namespace qm {

// What may start a hexadecimal number besides "$" and "0x" (x in either case).
enum class HexMarks {
    DollarOr0x,  // the menu entry's Flags field
    DollarXOr0x, // an icon location's number, which also takes a bare "x" or "X"
};

// The text converted as a whole: leading spaces (no other blanks) and a sign, then decimal
// digits, or hexadecimal digits after a mark. Anything else, trailing blanks included, gives
// nothing. Decimal must fit a signed 32-bit integer; hexadecimal is any 32-bit pattern, so
// "$FFFFFFFF" is -1 and "-$80000000" is the smallest value.
std::optional<int32_t> ParseSignedInteger(std::string_view text, HexMarks marks);

} // namespace qm
