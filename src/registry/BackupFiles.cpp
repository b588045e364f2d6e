#include "registry/BackupFiles.h"

#include <windows.h>
#include <accctrl.h>
#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "containers/FileProtect.h"
#include "platform/Handles.h"
#include "platform/ShellFolders.h"
#include "platform/Text.h"
#include "registry/ExRegistry.h"
#include "support/FileIO.h"
#include "support/Format.h"

namespace tw {

namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000LL;

std::int64_t UnixTime(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kUnixEpochIn100ns) / 10000000;
}

TBackupTime FromSystemTime(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

constexpr const char* kMarkPrefix = "; Tidewhisk backup of ";
constexpr const char* kKeyFile = "backup.key";
constexpr const char* kKeptCookiesFile = "cookies.dat";
constexpr std::size_t kKeySize = 32;
// Names what the sealed key is for, so that no other sealed data of the user's can stand in.
constexpr char kKeyPurpose[] = "Tidewhisk registry backup key";

struct TLocalFreer {
  void operator()(void* p) const { ::LocalFree(p); }
};

// The security identifier of the process's user ("S-1-5-21-..."), as a string and as bytes.
struct TUserSid {
  std::string Text;
  std::string Bytes;
};

const TUserSid& CurrentUser() {
  static const TUserSid user = [] {
    TUserSid sid;
    unique_handle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return sid;
    DWORD size = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (!size || !::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
      return sid;
    PSID psid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    char* text = nullptr;
    if (::ConvertSidToStringSidA(psid, &text)) {
      sid.Text = text;
      ::LocalFree(text);
    }
    sid.Bytes.assign(static_cast<const char*>(psid), ::GetLengthSid(psid));
    return sid;
  }();
  return user;
}

// True when the file's owner is this user, or the Administrators group while this process runs
// with it (files an elevated run made). No standard user can make a file owned by either.
bool OwnedByUser(const std::string& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(Utf8ToWide(path).c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                              &descriptor) != ERROR_SUCCESS)
    return false;
  std::unique_ptr<void, TLocalFreer> free(descriptor);
  const TUserSid& user = CurrentUser();
  if (!owner || user.Bytes.empty()) return false;
  if (::EqualSid(owner, const_cast<char*>(user.Bytes.data()))) return true;
  BYTE admins[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof admins;
  BOOL member = FALSE;
  return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
         ::EqualSid(owner, admins) && ::CheckTokenMembership(nullptr, admins, &member) && member;
}

// Makes this user the owner of a file the program wrote, also in an elevated run (whose new
// files the system may give to the Administrators group), so that later runs of the same user,
// elevated or not, know it as theirs.
void OwnByUser(const std::string& path) {
  const TUserSid& user = CurrentUser();
  if (user.Bytes.empty()) return;
  std::wstring wide = Utf8ToWide(path);
  ::SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                          const_cast<char*>(user.Bytes.data()), nullptr, nullptr, nullptr);
}

std::string LowerPath(std::string path) {
  for (char& c : path)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return path;
}

std::string FullPath(const std::string& path) {
  const std::wstring wide = Utf8ToWide(path);
  const DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (!n) return path;
  std::wstring full(n, L'\0');
  const DWORD m = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(m);
  return WideToUtf8(full);
}

// A file directly in the shared folder of older versions.
bool InSharedFolder(const std::string& path) {
  const std::string folder = LowerPath(SharedBackupFolder());
  const std::string full = LowerPath(FullPath(path));
  return full.size() > folder.size() && full.compare(0, folder.size(), folder) == 0 &&
         full.find_first_of("\\/", folder.size()) == std::string::npos;
}

std::string Seal(const std::string& data) {
  DATA_BLOB in{static_cast<DWORD>(data.size()),
               reinterpret_cast<BYTE*>(const_cast<char*>(data.data()))};
  DATA_BLOB entropy{sizeof kKeyPurpose, reinterpret_cast<BYTE*>(const_cast<char*>(kKeyPurpose))};
  DATA_BLOB out{};
  if (!::CryptProtectData(&in, L"Tidewhisk", &entropy, nullptr, nullptr,
                          CRYPTPROTECT_UI_FORBIDDEN, &out))
    throw EBackupError(Format("The backup key cannot be sealed (error %d)",
                              static_cast<unsigned long long>(::GetLastError())));
  std::unique_ptr<void, TLocalFreer> free(out.pbData);
  return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}

// The sealed data, or nothing when this user cannot unseal it.
std::optional<std::string> Unseal(const std::string& sealed) {
  DATA_BLOB in{static_cast<DWORD>(sealed.size()),
               reinterpret_cast<BYTE*>(const_cast<char*>(sealed.data()))};
  DATA_BLOB entropy{sizeof kKeyPurpose, reinterpret_cast<BYTE*>(const_cast<char*>(kKeyPurpose))};
  DATA_BLOB out{};
  if (!::CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out))
    return std::nullopt;
  std::unique_ptr<void, TLocalFreer> free(out.pbData);
  return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}

// This user's backup key; made when there is none (Create), else nothing.
std::optional<std::string> UserKey(bool create) {
  const std::string path = BackupFolder() + kKeyFile;
  if (FileExists(path)) {
    std::optional<std::string> key;
    try {
      if (OwnedByUser(path)) key = Unseal(ReadWholeFile(path));
    } catch (const Exception&) {
      key.reset();
    }
    if (key && key->size() == kKeySize) return key;
    if (!create) return std::nullopt;
    // A key this user cannot unseal confirms nothing; a new one replaces it.
    ::MoveFileExW(Utf8ToWide(path).c_str(), Utf8ToWide(path + ".bad").c_str(),
                  MOVEFILE_REPLACE_EXISTING);
  }
  if (!create) return std::nullopt;
  std::string key(kKeySize, '\0');
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(key.data()),
                                        static_cast<ULONG>(key.size()),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
    throw EBackupError("No random backup key can be made");
  // Two programs making the key at once: the first one's stands.
  if (!WriteNewFileAtomic(path, Seal(key))) return UserKey(false);
  OwnByUser(path);
  return key;
}

std::string Hmac(const std::string& key, std::string_view data) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG)))
    throw EBackupError("HMAC-SHA256 is not available");
  unsigned char mac[32] = {};
  BCRYPT_HASH_HANDLE hash = nullptr;
  NTSTATUS status = ::BCryptCreateHash(algorithm, &hash, nullptr, 0,
                                       reinterpret_cast<PUCHAR>(const_cast<char*>(key.data())),
                                       static_cast<ULONG>(key.size()), 0);
  if (BCRYPT_SUCCESS(status))
    status = ::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data())),
                              static_cast<ULONG>(data.size()), 0);
  if (BCRYPT_SUCCESS(status)) status = ::BCryptFinishHash(hash, mac, sizeof mac, 0);
  if (hash) ::BCryptDestroyHash(hash);
  ::BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!BCRYPT_SUCCESS(status)) throw EBackupError("HMAC-SHA256 failed");
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : mac) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

// The text split around its mark line (the second line, when it is one).
struct TMarkedText {
  std::string Unmarked;
  std::string Sid, Mac;
  bool HasMark = false;
};

TMarkedText SplitMark(std::string_view text) {
  TMarkedText out;
  const std::size_t first = text.find('\n');
  if (first != std::string_view::npos) {
    const std::size_t start = first + 1;
    std::size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (StartsWith(line, kMarkPrefix)) {
      line.remove_prefix(std::string_view(kMarkPrefix).size());
      const std::size_t colon = line.find(": ");
      if (colon != std::string_view::npos) {
        out.Sid = std::string(line.substr(0, colon));
        out.Mac = std::string(line.substr(colon + 2));
        out.HasMark = true;
        out.Unmarked = std::string(text.substr(0, start)) + std::string(text.substr(end));
        return out;
      }
    }
  }
  out.Unmarked = std::string(text);
  return out;
}

std::string MarkInput(const std::string& sid, std::string_view text) {
  return sid + "\n" + std::string(text);
}

}  // namespace

std::string MarkBackupText(std::string_view text) {
  const TUserSid& user = CurrentUser();
  if (user.Text.empty()) throw EBackupError("The user's identifier cannot be read");
  const std::optional<std::string> key = UserKey(true);
  if (!key) throw EBackupError("No backup key for this user");
  const std::string unmarked = SplitMark(text).Unmarked;
  const std::size_t first = unmarked.find('\n');
  const std::size_t at = first == std::string::npos ? unmarked.size() : first + 1;
  std::string head = unmarked.substr(0, at);
  if (first == std::string::npos) head += "\r\n";
  return head + kMarkPrefix + user.Text + ": " + Hmac(*key, MarkInput(user.Text, unmarked)) +
         "\r\n" + unmarked.substr(at);
}

bool HasUserMark(std::string_view text) {
  const TMarkedText marked = SplitMark(text);
  const TUserSid& user = CurrentUser();
  if (!marked.HasMark || user.Text.empty() || marked.Sid != user.Text) return false;
  const std::optional<std::string> key = UserKey(false);
  if (!key) return false;
  const std::string expected = Hmac(*key, MarkInput(user.Text, marked.Unmarked));
  if (expected.size() != marked.Mac.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < expected.size(); ++i)
    diff |= static_cast<unsigned char>(expected[i] ^ marked.Mac[i]);
  return diff == 0;
}

std::string BackupFolder() {
  std::string folder = SpecialFolderPath(CSIDL_LOCAL_APPDATA, true) + "Tidewhisk\\";
  ::CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr);
  folder += "Backup\\";
  // The user's folder is made once: that is when the user's kept cookies of the shared folder of
  // older versions move in (later, a list the user emptied stays empty).
  if (::CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) {
    const std::string shared = SharedBackupFolder() + kKeptCookiesFile;
    if (FileExists(shared) && OwnedByUser(shared))
      ::CopyFileW(Utf8ToWide(shared).c_str(), Utf8ToWide(folder + kKeptCookiesFile).c_str(),
                  TRUE);
  }
  return folder;
}

std::string SharedBackupFolder() {
  return SpecialFolderPath(CSIDL_COMMON_APPDATA, false) + "Tidewhisk\\Backup\\";
}

std::string UserBackupFile(const std::string& name) { return BackupFolder() + name; }

std::string SaveBackup(const std::string& itemId, std::string_view text) {
  if (!IsItemId(itemId)) throw EBackupError(Format("Item id \"%s\" cannot name a backup", itemId));
  const std::string marked = MarkBackupText(text);
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  const std::string folder = BackupFolder();
  for (int number = 1; number < 100000; ++number) {
    const std::string path = folder + BackupFileName(itemId, FromSystemTime(now), number);
    if (TFileProtect::SaveNewFile(path, marked)) {
      OwnByUser(path);
      return path;
    }
  }
  throw EBackupError("No free backup file name in " + folder);
}

namespace {

void ListFolder(const std::string& folder, bool shared, std::vector<TBackupFile>& files) {
  WIN32_FIND_DATAW entry;
  unique_hfind find(
      ::FindFirstFileW(Utf8ToWide(folder + "*" + kBackupExtension).c_str(), &entry));
  if (!find) return;
  do {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    TBackupFile file;
    if (!AppendUtf8(file.Name, entry.cFileName)) continue;
    // The pattern also matches longer extensions that begin with ".bkp".
    if (file.Name.size() < 4 || file.Name.compare(file.Name.size() - 4, 4, kBackupExtension) != 0)
      continue;
    file.Path = folder + file.Name;
    if (shared && !OwnedByUser(file.Path)) continue;  // another user's
    file.Shared = shared;
    const TBackupNameParts parts = SplitBackupFileName(file.Name);
    file.ItemId = parts.ItemId;
    file.Caption = parts.Caption;
    file.Size = static_cast<std::int64_t>((static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) |
                                          entry.nFileSizeLow);
    file.Time = UnixTime(entry.ftLastWriteTime);
    FILETIME local;
    SYSTEMTIME system{};
    ::FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local);
    ::FileTimeToSystemTime(&local, &system);
    file.LocalTime = FromSystemTime(system);
    files.push_back(std::move(file));
  } while (::FindNextFileW(find.get(), &entry));
}

}  // namespace

std::vector<TBackupFile> ListBackups() {
  std::vector<TBackupFile> files;
  ListFolder(BackupFolder(), false, files);
  ListFolder(SharedBackupFolder(), true, files);
  std::sort(files.begin(), files.end(), [](const TBackupFile& a, const TBackupFile& b) {
    return a.Time != b.Time ? a.Time < b.Time : a.Name < b.Name;
  });
  return files;
}

std::vector<TBackupFile> OldBackups(int days) {
  const std::int64_t now = UnixTimeNow();
  std::vector<TBackupFile> old;
  for (TBackupFile& file : ListBackups())
    if (IsOldBackup(file.Time, now, days)) old.push_back(std::move(file));
  return old;
}

std::string LoadBackupText(const std::string& path) {
  if (!FileExists(path)) throw EBackupError(Format("Backup file \"%s\" not found", path));
  const std::string content = ReadWholeFile(path);
  if (StartsWith(content, "<DATA")) {
    try {
      return TFileProtect::LoadFile(path);
    } catch (const Exception& e) {
      throw EBackupError(Format("Damaged backup \"%s\": %s", path, e.Message()));
    }
  }
  // A plain REGEDIT4 text, as the system's registry editor writes it.
  if (StartsWith(content, "REGEDIT4") || StartsWith(content, "\xEF\xBB\xBFREGEDIT4"))
    return content;
  throw EBackupError(Format("\"%s\" is not a registry backup", path));
}

std::string LoadMergeableBackup(const std::string& path) {
  const std::string text = LoadBackupText(path);
  if (HasUserMark(text) || (InSharedFolder(path) && OwnedByUser(path))) return text;
  throw EBackupError(
      Format("\"%s\" is not a backup this program made for this user; it is not merged", path));
}

std::vector<std::string> BackupKeys(const std::string& path) {
  const std::string text = LoadMergeableBackup(path);
  try {
    return RestorePlan(text);
  } catch (const ERegTextError& e) {
    throw EBackupError(Format("Damaged backup \"%s\": %s", path, e.Message()));
  }
}

TRestoreReport RestoreBackup(const std::string& path) {
  const std::string text = LoadMergeableBackup(path);
  try {
    return RestoreRegText(text);
  } catch (const ERegTextError& e) {
    throw EBackupError(Format("Damaged backup \"%s\": %s", path, e.Message()));
  }
}

std::vector<std::string> RecycleFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return {};
  std::wstring list;
  for (const std::string& path : paths) {
    list += Utf8ToWide(path);
    list += L'\0';
  }
  list += L'\0';
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = list.c_str();
  operation.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  ::SHFileOperationW(&operation);
  std::vector<std::string> left;
  for (const std::string& path : paths)
    if (FileExists(path)) left.push_back(path);
  return left;
}

std::int64_t UnixTimeNow() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return UnixTime(now);
}

}  // namespace tw
