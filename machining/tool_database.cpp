#include "machining/tool_database.h"

#include <algorithm>

#include "lang/lang.h"
#include "platform/binary_stream.h"
#include "platform/files.h"

namespace machining {
namespace {

const char kFileName[] = "Tool.db";
// A tool file is a few kilobytes; anything near this is not one.
constexpr size_t kMaxFileSize = size_t(64) << 20;

size_t WholeRecords(const platform::Bytes& bytes) { return bytes.size() / kToolRecordSize; }

}  // namespace

std::string ToolDatabase::DefaultPath() {
  const std::string dir = platform::ProgramDir();
  // FindFileNoCase gives the whole path already: joining the folder again doubles a relative one.
  return platform::FindFileNoCase(dir, kFileName).value_or(platform::JoinPath(dir, kFileName));
}

bool ToolDatabase::Exists() const { return platform::FileExists(path_); }

void ToolDatabase::EnsureExists() const {
  if (!Exists()) Store({});
}

platform::Bytes ToolDatabase::Load() const {
  if (!Exists()) return {};
  return platform::ReadFileBytes(path_, kMaxFileSize);
}

void ToolDatabase::Store(const platform::Bytes& bytes) const { platform::WriteFileBytes(path_, bytes); }

void ToolDatabase::CheckIndex(int index, size_t count) const {
  if (index < 0 || static_cast<size_t>(index) >= count)
    throw ToolDatabaseError(lang::LangFormatOr("1250", "Tool %1 is not in \"%2\" (%3 tools).",
                                               {std::to_string(index + 1), path_, std::to_string(count)}));
}

std::vector<TToolRecord> ToolDatabase::ReadAll() const {
  const platform::Bytes bytes = Load();
  std::vector<TToolRecord> records;
  records.reserve(WholeRecords(bytes));
  platform::ByteReader in(bytes.data(), WholeRecords(bytes) * kToolRecordSize);
  while (in.Remaining() >= kToolRecordSize) records.push_back(ReadToolRecord(in));
  return records;
}

int ToolDatabase::Count() const { return static_cast<int>(WholeRecords(Load())); }

TToolRecord ToolDatabase::Read(int index) const {
  const platform::Bytes bytes = Load();
  CheckIndex(index, WholeRecords(bytes));
  platform::ByteReader in(bytes.data() + static_cast<size_t>(index) * kToolRecordSize, kToolRecordSize);
  TToolRecord record = ReadToolRecord(in);
  const std::string problem = ToolRecordSizeProblem(record);
  if (!problem.empty())
    throw ToolDatabaseError(
        lang::LangFormatOr("1255", "Tool %1 of \"%2\": %3", {std::to_string(index + 1), path_, problem}));
  return record;
}

int ToolDatabase::Add(const TToolRecord& record) const {
  platform::Bytes bytes = Load();
  const size_t count = WholeRecords(bytes);
  // Before a damaged tail, never inside it, so the new record is aligned and the tail is kept.
  const platform::Bytes add = ToolRecordBytes(record);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(count * kToolRecordSize), add.begin(), add.end());
  Store(bytes);
  return static_cast<int>(count);
}

void ToolDatabase::Modify(int index, const TToolRecord& record) const {
  platform::Bytes bytes = Load();
  CheckIndex(index, WholeRecords(bytes));
  const platform::Bytes put = ToolRecordBytes(record);
  std::copy(put.begin(), put.end(), bytes.begin() + static_cast<std::ptrdiff_t>(index * kToolRecordSize));
  Store(bytes);
}

void ToolDatabase::Delete(int index) const {
  platform::Bytes bytes = Load();
  CheckIndex(index, WholeRecords(bytes));
  const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(index * kToolRecordSize);
  bytes.erase(first, first + kToolRecordSize);
  Store(bytes);
}

void ToolDatabase::Swap(int a, int b) const {
  platform::Bytes bytes = Load();
  CheckIndex(a, WholeRecords(bytes));
  CheckIndex(b, WholeRecords(bytes));
  if (a == b) return;
  std::swap_ranges(bytes.begin() + static_cast<std::ptrdiff_t>(a * kToolRecordSize),
                   bytes.begin() + static_cast<std::ptrdiff_t>((a + 1) * kToolRecordSize),
                   bytes.begin() + static_cast<std::ptrdiff_t>(b * kToolRecordSize));
  Store(bytes);
}

}  // namespace machining
