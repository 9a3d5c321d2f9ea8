// TPersistentObject: an object that stores itself in the archive form of archive.h, in a stream, a
// file or a string, and is copied and cloned through that form.
//
// How a later class derives:
//   class TMyList : public TPersistentObject {
//    public:
//     std::string ClassName() const override { return "TMyList"; }
//     std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TMyList>(); }
//     void WriteToArchive(TVirtualWriter& writer) const override {
//       writer.WriteInteger(0);                    // archive version first
//       ... own values ...
//     }
//     void ReadFromArchive(TVirtualReader& reader) override {
//       int version = reader.ReadInteger();
//       if (version != 0) RaiseUnknownVersion(version);
//       ... own values, every count checked against reader.Stream().Remaining() before allocating ...
//     }
//   };
//   and, when archives may name the class (items of a TPersistentObjectList), once at start:
//   RegisterPersistentClass<TMyList>();
//
// ClassName and CreateInstance (the class's "virtual constructor") are overridden by every concrete
// class: archives name the class, CreateClone makes one, and RegisterPersistentClass refuses a class
// that forgot either.
#pragma once

#include <memory>
#include <string>
#include <typeinfo>

#include "platform/stream.h"
#include "scene3d/archive.h"
#include "scene3d/class_registry.h"
#include "scene3d/persistent.h"

namespace scene3d {

class TPersistentObject : public TPersistent {
 public:
  TPersistentObject() = default;
  std::string ClassName() const override { return "TPersistentObject"; }

  virtual std::unique_ptr<TPersistentObject> CreateInstance() const;
  // From an object of exactly this class: through its archive. Anything else: as TPersistent.
  void Assign(const TPersistent* source) override;
  // A new object of this class holding what this one holds.
  std::unique_ptr<TPersistentObject> CreateClone() const;

  // Bytes written raw before the archive in a file or stream and checked on reading; empty: none.
  virtual std::string FileSignature() const { return {}; }
  virtual TVirtualWriterClass BinaryWriterClass() const { return &WriterClassOf<TBinaryWriter>; }
  virtual TVirtualReaderClass BinaryReaderClass() const { return &ReaderClassOf<TBinaryReader>; }

  // The object's own values; nothing here.
  virtual void WriteToArchive(TVirtualWriter& writer) const;
  virtual void ReadFromArchive(TVirtualReader& reader);

  // Signature, then archive. A null writer or reader class means TBinaryWriter / TBinaryReader.
  // A signature that differs raises EInvalidFileSignature "Invalid file signature".
  virtual void SaveToStream(platform::Stream& stream, TVirtualWriterClass writerClass = nullptr) const;
  virtual void LoadFromStream(platform::Stream& stream, TVirtualReaderClass readerClass = nullptr);
  // Through CreateFileStream; a null class means BinaryWriterClass() / BinaryReaderClass(). The
  // archive is made in memory first, so an object that fails to store itself leaves the file as it
  // was. A missing file raises platform::FileError "File not found: "<name>"".
  virtual void SaveToFile(const std::string& fileName, TVirtualWriterClass writerClass = nullptr) const;
  virtual void LoadFromFile(const std::string& fileName, TVirtualReaderClass readerClass = nullptr);
  // The stream form as a string of bytes.
  virtual std::string SaveToString(TVirtualWriterClass writerClass = nullptr) const;
  virtual void LoadFromString(const std::string& data, TVirtualReaderClass readerClass = nullptr);

  // EFilerException "<class name> : unknown archive version <version>".
  [[noreturn]] void RaiseUnknownVersion(int version) const;
};

// The program-wide register of persistent classes by name.
using TPersistentClassRegistry = TClassRegistry<std::unique_ptr<TPersistentObject>>;
TPersistentClassRegistry& PersistentClasses();

// Registers T under its ClassName(). Raises platform::Exception when T does not override
// ClassName and CreateInstance (its name or its new instance would be its base's).
template <class T>
void RegisterPersistentClass() {
  T probe;
  std::unique_ptr<TPersistentObject> made = probe.CreateInstance();
  if (!made || typeid(*made) != typeid(T) || probe.ClassName() == TPersistentObject().ClassName())
    throw platform::Exception("RegisterPersistentClass: " + probe.ClassName() +
                              " must override ClassName and CreateInstance");
  PersistentClasses().Register(probe.ClassName(), typeid(T), [] { return std::unique_ptr<TPersistentObject>(new T()); });
}

}  // namespace scene3d
