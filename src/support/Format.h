#pragma once
// printf-like formatting with the program's rules: "%s" text, "%d" integers, "%f" fixed with two
// decimals and the user's decimal separator, widths, precision and "-" flag; "%%" a percent sign.
// Arguments are checked against their placeholders: a mismatch raises EConvertError.
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace tw {

using FormatArg = std::variant<std::int64_t, std::uint64_t, double, std::string>;

std::string FormatList(std::string_view format, std::span<const FormatArg> args);

// The character "%f" puts between whole and fractional part ('.' until set from the user's locale).
void SetDecimalSeparator(char separator);
char DecimalSeparator();

namespace detail {
template <class T>
FormatArg ToFormatArg(const T& value) {
  if constexpr (std::same_as<T, bool>) {
    return FormatArg(std::int64_t{value});
  } else if constexpr (std::signed_integral<T>) {
    return FormatArg(static_cast<std::int64_t>(value));
  } else if constexpr (std::unsigned_integral<T>) {
    return FormatArg(static_cast<std::uint64_t>(value));
  } else if constexpr (std::floating_point<T>) {
    return FormatArg(static_cast<double>(value));
  } else {
    return FormatArg(std::string(std::string_view(value)));
  }
}
}  // namespace detail

// A size in the largest unit that shows it above 1: GB, else MB, else KB (1024 each).
struct TSizeParts {
  double Value = 0;
  const char* Unit = "KB";
};
TSizeParts SizeParts(std::int64_t bytes);
// "%f GB", "%f MB" or "%f KB" (two decimals, the user's separator): the size as both front ends
// show it.
std::string SizeText(std::int64_t bytes);

template <class... Args>
std::string Format(std::string_view format, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatList(format, {});
  } else {
    const FormatArg list[] = {detail::ToFormatArg(args)...};
    return FormatList(format, list);
  }
}

}  // namespace tw
