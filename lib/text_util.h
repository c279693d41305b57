// Bounded text copies, a case-insensitive search and line splitting.
// No state; safe from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Copies at most size - 1 bytes of source and terminates (nothing is written
// when size is 0). Returns the full length of source, so a result >= size
// means the copy was cut.
std::size_t copy_bounded(char* destination, const char* source, std::size_t size);

// Appends as much of source as fits in size - 1 bytes in total and
// terminates. Returns the former length of destination plus the length of
// source.
std::size_t append_bounded(char* destination, const char* source, std::size_t size);

// Reads the number at the start of text (blanks before it are skipped) as
// strtod does, but plain decimals only: hexadecimal, infinity, NaN and
// numbers out of range are refused. No number at all reads as 0. Returns
// whether value was stored.
bool read_plain_decimal(const char* text, double& value);

// Where pattern first occurs in text, ignoring letter case, or null. Only
// the first 1023 bytes of each are considered. The result points into text.
const char* find_nocase(const char* text, const char* pattern);

// Cuts text at every delimiter. With keep_delimiter, each piece ends with
// the delimiter, also a last piece that had none. An empty text gives no
// pieces, and a text ending with the delimiter gives no empty last piece.
std::vector<std::string> split_lines(std::string_view text, char delimiter, bool keep_delimiter);
