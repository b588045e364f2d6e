#include "ui/main/StrRes.h"

#include <array>

namespace tw {
namespace {

struct Row {
  int index;
  std::array<std::string_view, kLanguageCount> text;
};

// Rows are filled in by the translators' table.
constexpr Row kRows[] = {
    {226, {"Database %s not found!\r\nRe-install to recover the missing file...",
           "Base de données %s introuvable !\r\nRéinstallez pour récupérer le fichier manquant...",
           "Datenbank %s nicht gefunden!\r\nInstallieren Sie neu, um die fehlende Datei wiederherzustellen...",
           "¡No se encontró la base de datos %s!\r\nVuelva a instalar para recuperar el archivo que falta..."}},
    {227, {"Database %s is corrupted!\r\nRe-install Tidewhisk to repair the corrupt file...\r\n\r\nIf the problem persists, your MSXML parser may be damaged. Search for and install:\r\n\"Microsoft Core XML Services (MSXML) 6.0 Service Pack 1\".",
           "La base de données %s est endommagée !\r\nRéinstallez Tidewhisk pour réparer le fichier endommagé...\r\n\r\nSi le problème persiste, votre analyseur MSXML est peut-être endommagé. Recherchez et installez :\r\n\"Microsoft Core XML Services (MSXML) 6.0 Service Pack 1\".",
           "Die Datenbank %s ist beschädigt!\r\nInstallieren Sie Tidewhisk neu, um die beschädigte Datei zu reparieren...\r\n\r\nWenn das Problem weiterhin besteht, ist möglicherweise Ihr MSXML-Parser beschädigt. Suchen und installieren Sie:\r\n\"Microsoft Core XML Services (MSXML) 6.0 Service Pack 1\".",
           "¡La base de datos %s está dañada!\r\nVuelva a instalar Tidewhisk para reparar el archivo dañado...\r\n\r\nSi el problema persiste, es posible que su analizador MSXML esté dañado. Busque e instale:\r\n\"Microsoft Core XML Services (MSXML) 6.0 Service Pack 1\"."}},
};

}  // namespace

std::string_view StrRes(int row, int language) {
  if (language < 0 || language >= kLanguageCount) language = 0;
  for (const Row& r : kRows)
    if (r.index == row) return r.text[language];
  return {};
}

}  // namespace tw
