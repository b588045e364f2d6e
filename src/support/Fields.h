#pragma once
// Separated lists of text fields, as the scan database writes them ("a;b;c").
#include <string>
#include <string_view>

namespace tw {

// ";"-separated lists in which a field that starts with a double quote may hold the separator.
// Loops run GetField for 1 to FieldCount; an empty field ends the count.
int FieldCount(std::string_view text, char separator = ';');
// Field number Index (from 1); empty when there are fewer fields.
std::string GetField(std::string_view text, int index, char separator = ';');

}  // namespace tw
