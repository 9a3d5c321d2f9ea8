#include "scene3d/filer.h"

namespace scene3d {

namespace {
// A value's reader must take all of it: bytes left over mean the value is not what it claims.
void CheckAllRead(const platform::Stream& stream, const std::string& name) {
  if (stream.Remaining() != 0) throw platform::ReadError("Property " + name + " holds more than its reader takes");
}
}  // namespace

void TPropertyWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& write,
                                     bool hasData) {
  if (!hasData || !write) return;
  platform::MemoryStream stream;
  TBinaryWriter writer(stream);
  write(writer);
  properties_.push_back({name, stream.DataString()});
}

void TPropertyWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& write,
                                           bool hasData) {
  if (!hasData || !write) return;
  platform::MemoryStream stream;
  write(stream);
  properties_.push_back({name, stream.DataString()});
}

const std::string* TPropertyReader::Find(const std::string& name) {
  for (size_t i = 0; i < properties_.size(); ++i) {
    if (properties_[i].name == name && !taken_[i]) {
      taken_[i] = true;
      return &properties_[i].data;
    }
  }
  return nullptr;
}

const std::string* TPropertyReader::FirstUntaken() const {
  for (size_t i = 0; i < properties_.size(); ++i) {
    if (!taken_[i]) return &properties_[i].name;
  }
  return nullptr;
}

void TPropertyReader::DefineProperty(const std::string& name, const TReaderProc& read, const TWriterProc&, bool) {
  const std::string* data = Find(name);
  if (!data || !read) return;
  platform::MemoryStream stream(*data);
  TBinaryReader reader(stream);
  read(reader);
  CheckAllRead(stream, name);
}

void TPropertyReader::DefineBinaryProperty(const std::string& name, const TStreamProc& read, const TStreamProc&,
                                           bool) {
  const std::string* data = Find(name);
  if (!data || !read) return;
  platform::MemoryStream stream(*data);
  read(stream);
  CheckAllRead(stream, name);
}

TStoredProperties StoreDefinedProperties(TPersistent& object) {
  TPropertyWriter writer;
  object.DefineProperties(writer);
  return writer.Properties();
}

void LoadDefinedProperties(TPersistent& object, const TStoredProperties& properties) {
  TPropertyReader reader(properties);
  object.DefineProperties(reader);
}

}  // namespace scene3d
