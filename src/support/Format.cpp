#include "support/Format.h"

#include <atomic>
#include <cstdio>

#include "support/Exceptions.h"

namespace tw {
namespace {

std::atomic<char> g_decimalSeparator{'.'};

[[noreturn]] void Invalid(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string Printf(const std::string& spec, auto value) {
  char small[128];
  int n = std::snprintf(small, sizeof small, spec.c_str(), value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, n);
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), spec.c_str(), value);
  big.resize(n);
  return big;
}

}  // namespace

void SetDecimalSeparator(char separator) { g_decimalSeparator = separator; }
char DecimalSeparator() { return g_decimalSeparator; }

std::string FormatList(std::string_view format, std::span<const FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (++i >= format.size()) Invalid(format);
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    std::string spec = "%";
    while (i < format.size() && std::string_view("-+ 0#").find(format[i]) != std::string_view::npos)
      spec += format[i++];
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') spec += format[i++];
    bool precision = false;
    if (i < format.size() && format[i] == '.') {
      precision = true;
      spec += format[i++];
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') spec += format[i++];
    }
    if (i >= format.size() || next >= args.size()) Invalid(format);
    const FormatArg& arg = args[next++];
    switch (char conv = format[i]) {
      case 'd':
      case 'u':
      case 'x':
      case 'X': {
        if (const auto* v = std::get_if<std::int64_t>(&arg)) {
          out += Printf(spec + "ll" + (conv == 'u' ? 'd' : conv), static_cast<long long>(*v));
        } else if (const auto* u = std::get_if<std::uint64_t>(&arg)) {
          out += Printf(spec + "ll" + (conv == 'd' ? 'u' : conv), static_cast<unsigned long long>(*u));
        } else {
          Invalid(format);
        }
        break;
      }
      case 'f':
      case 'e':
      case 'g': {
        double value;
        if (const auto* d = std::get_if<double>(&arg)) value = *d;
        else if (const auto* v = std::get_if<std::int64_t>(&arg)) value = static_cast<double>(*v);
        else if (const auto* u = std::get_if<std::uint64_t>(&arg)) value = static_cast<double>(*u);
        else Invalid(format);
        if (conv == 'f' && !precision) spec += ".2";
        std::string text = Printf(spec + conv, value);
        if (char sep = g_decimalSeparator; sep != '.')
          for (char& ch : text)
            if (ch == '.') ch = sep;
        out += text;
        break;
      }
      case 's': {
        const auto* s = std::get_if<std::string>(&arg);
        if (!s) Invalid(format);
        if (spec == "%") out += *s;
        else out += Printf(spec + 's', s->c_str());
        break;
      }
      case 'c': {
        const auto* v = std::get_if<std::int64_t>(&arg);
        if (!v) Invalid(format);
        out += static_cast<char>(*v);
        break;
      }
      default:
        Invalid(format);
    }
  }
  return out;
}

TSizeParts SizeParts(std::int64_t bytes) {
  const double kb = static_cast<double>(bytes) / 1024, mb = kb / 1024, gb = mb / 1024;
  if (gb > 1) return {gb, "GB"};
  if (mb > 1) return {mb, "MB"};
  return {kb, "KB"};
}

std::string SizeText(std::int64_t bytes) {
  const TSizeParts parts = SizeParts(bytes);
  return Format("%f %s", parts.Value, parts.Unit);
}

}  // namespace tw
