#include "platform/chm_file.h"

#include <chm_lib.h>

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/exception.h"
#include "platform/numbers.h"
#include "platform/texts.h"

namespace platform {
namespace {

// The file header: "ITSF", version 2 or 3, header length; the rest is chmlib's to check.
constexpr size_t kHeaderBytes = 0x58;

uint32_t U32(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 | uint32_t(uint8_t(bytes[at + 2])) << 16 |
         uint32_t(uint8_t(bytes[at + 3])) << 24;
}

uint16_t U16(const std::string& bytes, size_t at) {
  return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

std::string ObjectPath(std::string_view name) {
  std::string path(name);
  if (path.empty() || path.front() != '/') path.insert(path.begin(), '/');
  return path;
}

// The text up to its terminator (or the whole field when it has none).
std::string FieldText(const std::string& bytes, size_t at, size_t length) {
  std::string text = bytes.substr(at, length);
  const size_t end = text.find('\0');
  if (end != std::string::npos) text.resize(end);
  return text;
}

void CheckHeader(const std::string& path) {
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) throw FileError(TextFormat("1385", "Cannot open the help file %1", {path}));
  std::ifstream in(path, std::ios::binary);
  std::string header(kHeaderBytes, '\0');
  if (!in || size < kHeaderBytes || !in.read(header.data(), kHeaderBytes))
    throw FormatError(TextFormat("1386", "%1 is not a compiled help file", {path}));
  const uint32_t version = U32(header, 4), headerLength = U32(header, 8);
  if (header.compare(0, 4, "ITSF") != 0 || (version != 2 && version != 3) || headerLength < kHeaderBytes ||
      headerLength > size)
    throw FormatError(TextFormat("1386", "%1 is not a compiled help file", {path}));
}

// chmlib trusts the compressed data it unpacks; a damaged file can make it read outside its buffers.
// A file with a digest beside it (written when it was compiled) is only opened when the two agree.
void CheckDigest(const std::string& path) {
  QFile sums(QString::fromStdString(path + ".sha256"));
  if (!sums.exists()) return;
  QFile file(QString::fromStdString(path));
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (!sums.open(QIODevice::ReadOnly) || !file.open(QIODevice::ReadOnly) || !hash.addData(&file))
    throw FileError(TextFormat("1387", "Cannot read the help file %1", {path}));
  const QByteArray expected = sums.read(64).toLower();
  if (expected != hash.result().toHex()) throw FormatError(TextFormat("1388", "%1 is damaged: its check sum does not match", {path}));
}

}  // namespace

ChmFile::ChmFile(const std::string& path) : path_(path) {
  CheckHeader(path);
  CheckDigest(path);
  handle_ = chm_open(path.c_str());
  if (!handle_) throw FormatError(TextFormat("1386", "%1 is not a compiled help file", {path}));
  try {
    ReadSystemTable();
    ReadContextMap();
  } catch (...) {
    chm_close(handle_);
    throw;
  }
}

ChmFile::~ChmFile() {
  if (handle_) chm_close(handle_);
}

std::optional<std::string> ChmFile::Read(std::string_view objectPath) const {
  const std::string path = ObjectPath(objectPath);
  chmUnitInfo info{};
  if (chm_resolve_object(handle_, path.c_str(), &info) != CHM_RESOLVE_SUCCESS) return std::nullopt;
  if (info.length > kMaxObjectSize) throw FormatError(TextFormat("1389", "%1: %2 is too large", {path_, path}));
  std::string bytes(static_cast<size_t>(info.length), '\0');
  if (info.length == 0) return bytes;
  const LONGINT64 read = chm_retrieve_object(handle_, &info, reinterpret_cast<unsigned char*>(bytes.data()), 0,
                                             static_cast<LONGINT64>(info.length));
  if (read != static_cast<LONGINT64>(info.length)) throw FormatError(TextFormat("1390", "%1: %2 is damaged", {path_, path}));
  return bytes;
}

bool ChmFile::Contains(std::string_view objectPath) const {
  chmUnitInfo info{};
  return chm_resolve_object(handle_, ObjectPath(objectPath).c_str(), &info) == CHM_RESOLVE_SUCCESS;
}

std::vector<std::string> ChmFile::Files() const {
  std::vector<std::string> files;
  auto collect = [](chmFile*, chmUnitInfo* info, void* context) -> int {
    const std::string path(info->path);
    if (!path.empty() && path.back() != '/') static_cast<std::vector<std::string>*>(context)->push_back(path);
    return CHM_ENUMERATOR_CONTINUE;
  };
  chm_enumerate(handle_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, collect, &files);
  return files;
}

void ChmFile::ReadSystemTable() {
  // A version word, then entries of a code, a length and that many bytes.
  const std::optional<std::string> table = Read("/#SYSTEM");
  if (table) {
    size_t at = 4;
    while (at + 4 <= table->size()) {
      const uint16_t code = U16(*table, at), length = U16(*table, at + 2);
      at += 4;
      if (length > table->size() - at) break;
      switch (code) {
        case 0: contentsFile_ = ObjectPath(FieldText(*table, at, length)); break;
        case 1: indexFile_ = ObjectPath(FieldText(*table, at, length)); break;
        case 2: defaultTopic_ = ObjectPath(FieldText(*table, at, length)); break;
        case 3: title_ = FieldText(*table, at, length); break;
        default: break;
      }
      at += length;
    }
  }
  // Compilers that leave an entry out still store the sitemaps under their own extensions.
  auto firstWith = [this](const char* extension) {
    for (const std::string& file : Files())
      if (file.size() > 4 && EqualsNoCase(file.substr(file.size() - 4), extension)) return file;
    return std::string();
  };
  if (contentsFile_.size() <= 1) contentsFile_ = firstWith(".hhc");
  if (indexFile_.size() <= 1) indexFile_ = firstWith(".hhk");
  if (defaultTopic_.size() <= 1) defaultTopic_.clear();
}

void ChmFile::ReadContextMap() {
  // #IVB: a byte count, then pairs of a context number and an offset into #STRINGS, where the topic's
  // name stands terminated by a zero.
  const std::optional<std::string> pairs = Read("/#IVB");
  const std::optional<std::string> strings = Read("/#STRINGS");
  if (!pairs || !strings || pairs->size() < 4) return;
  const size_t count = std::min<size_t>(U32(*pairs, 0), pairs->size() - 4) / 8;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t context = U32(*pairs, 4 + 8 * i), offset = U32(*pairs, 8 + 8 * i);
    if (offset >= strings->size()) continue;
    if (auto topic = ResolveStoredName(FieldText(*strings, offset, strings->size() - offset)))
      contexts_.emplace(context, *topic);
  }
}

std::optional<std::string> ChmFile::ResolveStoredName(const std::string& name) const {
  std::string stored = name;
  std::replace(stored.begin(), stored.end(), '\\', '/');
  // The longest tail that names an object: "/home/me/help/sub/a.html" finds "/sub/a.html".
  for (size_t slash = stored.find('/'); slash != std::string::npos; slash = stored.find('/', slash + 1))
    if (slash + 1 < stored.size() && Contains(stored.substr(slash))) return ObjectPath(stored.substr(slash));
  if (!stored.empty() && stored.find('/') == std::string::npos && Contains(stored)) return ObjectPath(stored);
  return std::nullopt;
}

std::optional<std::string> ChmFile::TopicOfContext(uint32_t context) const {
  auto found = contexts_.find(context);
  if (found == contexts_.end()) return std::nullopt;
  return found->second;
}

}  // namespace platform
