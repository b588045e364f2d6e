#include "ui/dialogs/ProtectSection.h"

#include <algorithm>

#include "engine/ProtectPlaces.h"
#include "strings/StrRows.h"
#include "ui/components/Window.h"

namespace tw {
namespace {

// The section's ids after the list and the entry field.
enum : int { kIdAddFolder = 2 };

}  // namespace

int ProtectProblemRow(const std::string& problem) {
  // The English texts of the entry rules, each with its translated row.
  const std::pair<TProtectEntry, int> kProblems[] = {
      {{TProtectKind::Folder, ""}, kRowProtectProblemEmpty},
      {{TProtectKind::Folder, "C:\\*"}, kRowProtectProblemFolderWildcard},
      {{TProtectKind::Folder, "Keep"}, kRowProtectProblemFolderPath},
      {{TProtectKind::File, "Keep\\a.txt"}, kRowProtectProblemFilePath},
      {{TProtectKind::File, "C:\\Keep\\"}, kRowProtectProblemFileEnd},
      {{TProtectKind::Key, "Software\\Keep"}, kRowProtectProblemKeyRoot},
  };
  for (const auto& [entry, row] : kProblems)
    if (ProtectEntryProblem(entry) == problem) return row;
  return -1;
}

TProtectSection::TProtectSection(HWND parent, int language, TSettingsStore& store, int firstId)
    : TListSection(parent, language, store, firstId, kRowProtectTitle, kRowProtectHint) {
  const int rows[] = {kRowProtectAddFolder, kRowProtectAddFile, kRowProtectAddKey, kRowProtectRemove};
  CreateButtons(rows, kIdAddFolder, ReadProtectLines(store));
}

void TProtectSection::AddClicked(int index) {
  const TProtectKind kinds[] = {TProtectKind::Folder, TProtectKind::File, TProtectKind::Key};
  if (index >= 0 && index < 3) Add(kinds[index]);
}

void TProtectSection::WriteLines(TSettingsStore& store, const std::vector<std::string>& lines) {
  WriteProtectLines(store, lines);
}

bool TProtectSection::Add(TProtectKind kind) {
  TProtectEntry entry{kind, WindowText(Edit())};
  // Judged as it will be honoured, kept as typed.
  TProtectEntry expanded = entry;
  expanded.Text = ExpandEnvironment(entry.Text);
  if (const std::string problem = ProtectEntryProblem(expanded); !problem.empty()) {
    const int row = ProtectProblemRow(problem);
    ShowProblem(row >= 0 ? RowText(row) : problem);
    return false;
  }
  ShowProblem("");
  const bool known = std::any_of(Lines().begin(), Lines().end(), [&](const std::string& existing) {
    TProtectEntry other;
    return ParseProtectEntry(existing, other) && SameProtectPlace(other, entry);
  });
  AddLine(ProtectEntryText(entry), known);
  return true;
}

}  // namespace tw
