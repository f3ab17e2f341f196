// The parameter notation of command descriptors: a short text listing integers of chosen widths,
// reals and quoted texts, expanded into the parameter bytes of a request frame.
#pragma once

#include <optional>
#include <string_view>

#include "platform/ByteOrder.h"

// Expands `text` into bytes. The text is cut at every comma into tokens (blanks belong to the
// token; a trailing comma adds nothing); each token gives, all numbers little-endian:
//   a full stop anywhere   a 4-byte IEEE single          1.5   -> 00 00 C0 3F
//   'text'                 the characters between the first and the last one, one byte each
//   $hex                   (hex digits div 2) bytes      $1234 -> 34 12, $123 -> 23, $1 -> none
//   bN / wN / iN / lN      1 / 2 / 2 / 4 bytes           b-1   -> FF
//   N                      2 bytes                       5     -> 05 00
// where N is a 32-bit signed integer: optional sign and decimal digits, or $ and 1 to 8 hex
// digits; only its lowest bytes are kept.
//
// Returns nothing (std::nullopt) when any token is malformed: an empty token (a leading comma,
// two commas in a row), a number with blanks, letters or a sign without digits, a decimal
// outside the 32-bit signed range, more than eight hex digits, or a real that does not read as
// a finite single. The empty text is valid and expands to no bytes.
std::optional<platform::Bytes> ExpandNotation(std::string_view text);
