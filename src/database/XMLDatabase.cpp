#include "database/XMLDatabase.h"

#include "database/XMLProtect.h"
#include "platform/ShellFolders.h"
#include "support/LogFile.h"

namespace tw {

std::string DatabaseFileName(bool isProtected) {
  return TidewhiskDataFolder() + DatabaseFileNames[isProtected ? 1 : 0];
}

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return ::lstrcmpiA(a.c_str(), b.c_str()) < 0;
}

std::string ResolveDatabasePath(const std::string& fileName) {
  if (fileName.find(':') != std::string::npos) return fileName;
  return ProgramFolder() + fileName;
}

TXMLDatabase::TXMLDatabase(TReadyEvent onReady, TNodeEvent onNode, TFileLogFile& log)
    : OnReady(std::move(onReady)), OnNode(std::move(onNode)), log_(log) {}

TXMLDatabase::~TXMLDatabase() { extractor_.reset(); }

void TXMLDatabase::SetIconResolution(TSynchronizer& sync, TIconEnvironment environment) {
  sync_ = &sync;
  iconEnvironment_ = std::move(environment);
}

int TXMLDatabase::IconIndex(const std::string& id) const {
  auto it = IconIndexes.find(id);
  return it == IconIndexes.end() ? -1 : it->second;
}

bool TXMLDatabase::Load(std::string fileName, bool isProtected) {
  fileName = ResolveDatabasePath(fileName);
  // One resolver at a time: a walk over the previous document ends first.
  extractor_.reset();
  try {
    Document = TXmlDocument::Create(log_);
    if (!TXMLProtect::LoadDocument(fileName, Document, isProtected))
      throw EXMLDocError(Document.ParseError().Message());
    Loaded = true;
    // Groups and items are handed to the window once their icons are resolved; the window
    // learns that the database is ready when that is done.
    if (sync_) {
      extractor_ = std::make_unique<TIconExtractor>(*this, *sync_, iconEnvironment_);
      extractor_->Start();
    } else if (OnReady) {
      OnReady();
    }
    return true;
  } catch (...) {
    try {
      ErrorInfo error = DescribeException(std::current_exception());
      log_.Write("[TXMLDatabase.Load] %s %s", error.className, error.message);
    } catch (...) {
      // A log that cannot be written does not change the answer.
    }
    return false;
  }
}

void TXMLDatabase::Save(std::string fileName, bool isProtected) {
  if (!Loaded) return;
  try {
    TXMLProtect::SaveDocument(ResolveDatabasePath(fileName), Document, isProtected);
  } catch (...) {
    try {
      ErrorInfo error = DescribeException(std::current_exception());
      log_.Write("[TXMLDatabase.Save] %s %s", error.className, error.message);
    } catch (...) {
      // Saving never raises, not even when the log cannot be written.
    }
  }
}

void TXMLDatabase::GetNextTip(int language, std::string& text) {
  if (!Loaded) {
    text.clear();
    return;
  }
  if (language < 0 || language > 3) language = 0;
  TXmlNode tips;
  for (const TXmlNode& child : Document.Root().Children())
    if (child.Name() == "TipsAndTricks") {
      tips = child;
      break;
    }
  if (!tips) return;
  const std::string lastTip = tips.Attr("lastTip");
  const std::string maxTipId = tips.Attr("maxTipId");
  auto take = [&](const TXmlNode& tip) {
    const std::string id = tip.Attr("id");
    std::string info = tip.Child(language).Attr("info");
    tips.SetAttr("lastTip", id);
    text = std::move(info);
  };
  if (lastTip != maxTipId) {
    for (const TXmlNode& tip : tips.Children())
      if (tip.Name() == "Tip" && tip.Attr("id") > lastTip) {
        take(tip);
        return;
      }
    return;
  }
  for (const TXmlNode& tip : tips.Children())
    if (tip.Name() == "Tip") {
      take(tip);
      return;
    }
}

}  // namespace tw
