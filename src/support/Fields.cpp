#include "support/Fields.h"

namespace tw {

namespace {

// Takes the next field off Rest (rules in the header); returns it with quotes removed when
// it was quoted and holds the separator.
std::string TakeField(std::string_view& rest, char separator) {
  std::size_t end = std::string_view::npos;
  std::size_t skip = 0;  // characters of the end marker that belong to no field
  if (rest.size() >= 2 && rest[0] == '"') {
    const char marker[2] = {'"', separator};
    std::size_t at = rest.find(std::string_view(marker, 2));
    if (at != std::string_view::npos) {
      end = at + 1;  // the quote belongs to the field
      skip = 1;
    }
  } else {
    std::size_t at = rest.find(separator);
    if (at != std::string_view::npos) {
      end = at;
      skip = 1;
    }
  }
  std::string field;
  if (end == std::string_view::npos) {
    field = std::string(rest);
    rest = {};
  } else {
    field = std::string(rest.substr(0, end));
    rest.remove_prefix(end + skip);
  }
  if (field.size() >= 2 && field.front() == '"' && field.find(separator) != std::string::npos)
    field = field.substr(1, field.size() - 2);
  return field;
}

}  // namespace

int FieldCount(std::string_view text, char separator) {
  int count = 0;
  while (!text.empty()) {
    if (TakeField(text, separator).empty()) break;
    ++count;
  }
  return count;
}

std::string GetField(std::string_view text, int index, char separator) {
  for (int i = 1; !text.empty(); ++i) {
    std::string field = TakeField(text, separator);
    if (i == index) return field;
  }
  return {};
}

}  // namespace tw
