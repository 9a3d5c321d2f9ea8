// "Tool.db": the user's cutters as a headerless sequence of 92-byte tool records, record i at byte
// 92 * i. The file is opened for every operation and every change is written whole through an atomic
// replace, so a failed write leaves the file as it was.
//
// A file whose length is not a multiple of 92 (a damaged copy) yields its whole records; the bytes of
// the broken tail are kept after the last record by every change and never dropped. Records that are
// not changed keep their exact bytes.
#pragma once

#include <string>
#include <vector>

#include "machining/tool_record.h"
#include "platform/exception.h"

namespace machining {

// A tool index outside the file's records.
class ToolDatabaseError : public platform::Exception {
 public:
  using Exception::Exception;
};

class ToolDatabase {
 public:
  explicit ToolDatabase(std::string path) : path_(std::move(path)) {}

  // "Tool.db" beside the program (an existing file of that name in another letter case is taken).
  static std::string DefaultPath();

  const std::string& Path() const { return path_; }
  bool Exists() const;
  // Creates the file empty when it does not exist; an existing file is left untouched.
  void EnsureExists() const;

  // Every whole record; none when the file does not exist.
  std::vector<TToolRecord> ReadAll() const;
  int Count() const;
  TToolRecord Read(int index) const;

  // Appends a record after the last whole one (creating the file when missing); returns its index.
  int Add(const TToolRecord& record) const;
  // Overwrites record `index`.
  void Modify(int index, const TToolRecord& record) const;
  // Moves every following record one place down; the file becomes 92 bytes shorter.
  void Delete(int index) const;
  // Exchanges records a and b; every other byte stays where it is.
  void Swap(int a, int b) const;

 private:
  platform::Bytes Load() const;
  void Store(const platform::Bytes& bytes) const;
  void CheckIndex(int index, size_t count) const;

  std::string path_;
};

}  // namespace machining
