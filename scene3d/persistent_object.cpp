#include "scene3d/persistent_object.h"

#include "scene3d/file_access.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

std::unique_ptr<TPersistentObject> TPersistentObject::CreateInstance() const {
  return std::make_unique<TPersistentObject>();
}

void TPersistentObject::Assign(const TPersistent* source) {
  if (source && typeid(*source) == typeid(*this)) {
    if (source == this) return;
    platform::MemoryStream stream;
    static_cast<const TPersistentObject*>(source)->SaveToStream(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
    return;
  }
  TPersistent::Assign(source);
}

std::unique_ptr<TPersistentObject> TPersistentObject::CreateClone() const {
  std::unique_ptr<TPersistentObject> clone = CreateInstance();
  if (!clone || typeid(*clone) != typeid(*this))
    throw platform::Exception(ClassName() + ".CreateClone: the class does not override CreateInstance");
  clone->Assign(this);
  return clone;
}

void TPersistentObject::WriteToArchive(TVirtualWriter&) const {}

void TPersistentObject::ReadFromArchive(TVirtualReader&) {}

void TPersistentObject::SaveToStream(platform::Stream& stream, TVirtualWriterClass writerClass) const {
  if (!writerClass) writerClass = &WriterClassOf<TBinaryWriter>;
  std::unique_ptr<TVirtualWriter> writer = writerClass(stream);
  std::string signature = FileSignature();
  if (!signature.empty()) writer->Write(signature.data(), signature.size());
  WriteToArchive(*writer);
}

void TPersistentObject::LoadFromStream(platform::Stream& stream, TVirtualReaderClass readerClass) {
  if (!readerClass) readerClass = &ReaderClassOf<TBinaryReader>;
  std::unique_ptr<TVirtualReader> reader = readerClass(stream);
  std::string signature = FileSignature();
  if (!signature.empty()) {
    // A stream too short to hold the signature is not one of ours either.
    std::string found(static_cast<size_t>(std::min<uint64_t>(signature.size(), stream.Remaining())), '\0');
    reader->Read(found.data(), found.size());
    if (found != signature) throw EInvalidFileSignature("Invalid file signature");
  }
  ReadFromArchive(*reader);
}

void TPersistentObject::SaveToFile(const std::string& fileName, TVirtualWriterClass writerClass) const {
  if (!writerClass) writerClass = BinaryWriterClass();
  platform::MemoryStream archive;
  SaveToStream(archive, writerClass);
  std::unique_ptr<platform::Stream> file = CreateFileStream(fileName, platform::fmCreate);
  file->WriteBuffer(archive.Data().data(), archive.Data().size());
  file->Flush();
}

void TPersistentObject::LoadFromFile(const std::string& fileName, TVirtualReaderClass readerClass) {
  if (!readerClass) readerClass = BinaryReaderClass();
  std::unique_ptr<platform::Stream> file = CreateFileStream(fileName, platform::fmOpenRead | platform::fmShareDenyWrite);
  LoadFromStream(*file, readerClass);
}

std::string TPersistentObject::SaveToString(TVirtualWriterClass writerClass) const {
  platform::MemoryStream stream;
  SaveToStream(stream, writerClass);
  return stream.DataString();
}

void TPersistentObject::LoadFromString(const std::string& data, TVirtualReaderClass readerClass) {
  platform::MemoryStream stream(data);
  LoadFromStream(stream, readerClass);
}

void TPersistentObject::RaiseUnknownVersion(int version) const {
  throw EFilerException(ClassName() + " : unknown archive version " + std::to_string(version));
}

TPersistentClassRegistry& PersistentClasses() {
  static TPersistentClassRegistry registry;
  return registry;
}

}  // namespace scene3d
