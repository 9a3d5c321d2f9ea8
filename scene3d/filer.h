// Values an object stores itself beside its published properties: a colour's 16 bytes, a list's
// items as hexadecimal text. The object names each value in DefineProperties(filer) with a reader, a
// writer and whether it has anything to store:
//
//   void TMyList::DefineProperties(TFiler& filer) {
//     TPersistent::DefineProperties(filer);
//     filer.DefineBinaryProperty("Data", [this](platform::Stream& s) { ... read ... },
//                                [this](platform::Stream& s) { ... write ... }, Count() > 0);
//   }
//
// A filer that stores calls the writer of every value that has data; a filer that loads calls the
// reader of every value it holds under that name, and no other. DefineProperty values go through the
// archive form of archive.h (one string, one integer...), binary ones are raw bytes.
//
// TPropertyWriter and TPropertyReader are the two sides over a list of named byte blocks; a stored
// definition keeps that list beside the published properties. A reader that leaves bytes of its
// value unread, or wants more than there are, raises platform::ReadError.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "scene3d/archive.h"
#include "scene3d/persistent.h"

namespace scene3d {

class TFiler {
 public:
  using TReaderProc = std::function<void(TVirtualReader& reader)>;
  using TWriterProc = std::function<void(TVirtualWriter& writer)>;
  using TStreamProc = std::function<void(platform::Stream& stream)>;

  virtual ~TFiler() = default;
  virtual void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                              bool hasData) = 0;
  virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                                    bool hasData) = 0;
};

// One stored value: its name and its bytes.
struct TStoredProperty {
  std::string name;
  std::string data;
  bool operator==(const TStoredProperty&) const = default;
};
using TStoredProperties = std::vector<TStoredProperty>;

class TPropertyWriter : public TFiler {
 public:
  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                            bool hasData) override;
  const TStoredProperties& Properties() const { return properties_; }

 private:
  TStoredProperties properties_;
};

class TPropertyReader : public TFiler {
 public:
  explicit TPropertyReader(TStoredProperties properties)
      : properties_(std::move(properties)), taken_(properties_.size(), false) {}
  void DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc& write,
                      bool hasData) override;
  void DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc& write,
                            bool hasData) override;
  // The name of the first stored value no reader took, or null.
  const std::string* FirstUntaken() const;

 private:
  // The bytes stored under `name`, or null; they count as taken.
  const std::string* Find(const std::string& name);
  TStoredProperties properties_;
  std::vector<bool> taken_;
};

// What `object` stores itself, in the order it defines it.
TStoredProperties StoreDefinedProperties(TPersistent& object);
// Hands every stored value back to `object`'s readers.
void LoadDefinedProperties(TPersistent& object, const TStoredProperties& properties);

}  // namespace scene3d
