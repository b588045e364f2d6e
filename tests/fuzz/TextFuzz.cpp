// The text helpers that read database attributes and paths: fields of ";" lists, path macros,
// ROT13, the keyword test and the HTML notices never fail on any text, and keep their promises.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/portable/TextUtility.h"
#include "strings/ScanWords.h"
#include "ui/dialogs/portable/HtmlText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const int fields = tw::FieldCount(text);
  for (int i = 0; i <= fields + 1 && i < 64; ++i) (void)tw::GetField(text, i);
  if (tw::Rot13(tw::Rot13(text)) != text) __builtin_trap();

  const auto env = [&](const std::string& name) { return name.size() % 2 ? text : std::string(); };
  (void)tw::ExpandEnvPathWith(text, env);
  (void)tw::ResolveFolderMacroWith(text, [&](int csidl) { return csidl % 2 ? text : std::string(); });
  (void)tw::IsSystemFolderWith(text, env);

  static const tw::TScanWords words("sex,xxx,porn,a,,b c");
  const bool adult = words.IsAdult(text);
  if (text.empty() && adult) __builtin_trap();

  (void)tw::RunsText(tw::HtmlToRuns(text));
  return 0;
}
