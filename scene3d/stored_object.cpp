#include "scene3d/stored_object.h"

#include "platform/binary_stream.h"
#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {

thread_local TComponent* storedReferenceRoots[2] = {nullptr, nullptr};

[[noreturn]] void RaiseOutOfRange(const std::string& name, int64_t value) {
  throw EFilerException("Stored property " + name + " out of range: " + std::to_string(value));
}

}  // namespace

TStoredProperties StoreObject(TPersistent& object) {
  TPropertyWriter writer;
  object.DefinePublished(writer);
  object.DefineProperties(writer);
  return writer.Properties();
}

void LoadObject(TPersistent& object, const TStoredProperties& properties) {
  TPropertyReader reader(properties);
  object.DefinePublished(reader);
  object.DefineProperties(reader);
  if (const std::string* unknown = reader.FirstUntaken())
    throw EFilerException(object.ClassName() + ": unknown stored property " + *unknown);
}

void WriteStoredProperties(TVirtualWriter& writer, const TStoredProperties& properties) {
  writer.WriteListBegin();
  for (const TStoredProperty& property : properties) {
    writer.WriteString(property.name);
    writer.WriteString(property.data);
  }
  writer.WriteListEnd();
}

TStoredProperties ReadStoredProperties(TVirtualReader& reader) {
  TStoredProperties properties;
  reader.ReadListBegin();
  // Each entry holds at least its two tags, so the list can never outgrow the stream.
  while (!reader.EndOfList()) {
    TStoredProperty property;
    property.name = reader.ReadString();
    property.data = reader.ReadString();
    properties.push_back(std::move(property));
  }
  reader.ReadListEnd();
  return properties;
}

void DefineBoolean(TFiler& filer, const std::string& name, bool value, const std::function<void(bool)>& set,
                   bool defaultValue) {
  filer.DefineProperty(
      name, [set](TVirtualReader& reader) { set(reader.ReadBoolean()); },
      [value](TVirtualWriter& writer) { writer.WriteBoolean(value); }, value != defaultValue);
}

void DefineInteger(TFiler& filer, const std::string& name, int32_t value, const std::function<void(int32_t)>& set,
                   int32_t defaultValue, int32_t minimum, int32_t maximum) {
  filer.DefineProperty(
      name,
      [set, name, minimum, maximum](TVirtualReader& reader) {
        const int32_t read = reader.ReadInteger();
        if (read < minimum || read > maximum) RaiseOutOfRange(name, read);
        set(read);
      },
      [value](TVirtualWriter& writer) { writer.WriteInteger(value); }, value != defaultValue);
}

void DefineSubdivisions(TFiler& filer, const std::string& name, int32_t value, const std::function<void(int32_t)>& set,
                        int32_t defaultValue) {
  DefineInteger(filer, name, value, set, defaultValue, 0, kMaxStoredSubdivisions);
}

void DefineSingle(TFiler& filer, const std::string& name, float value, const std::function<void(float)>& set,
                  float defaultValue) {
  filer.DefineProperty(
      name, [set](TVirtualReader& reader) { set(static_cast<float>(reader.ReadFloat())); },
      [value](TVirtualWriter& writer) { writer.WriteFloat(value); }, !(value == defaultValue));
}

void DefineText(TFiler& filer, const std::string& name, const std::string& value,
                const std::function<void(const std::string&)>& set, const std::string& defaultValue) {
  filer.DefineProperty(
      name, [set](TVirtualReader& reader) { set(reader.ReadString()); },
      [value](TVirtualWriter& writer) { writer.WriteString(value); }, value != defaultValue);
}

void DefineBits(TFiler& filer, const std::string& name, uint32_t value, const std::function<void(uint32_t)>& set,
                uint32_t defaultValue, uint32_t mask) {
  filer.DefineProperty(
      name,
      [set, name, mask](TVirtualReader& reader) {
        const int32_t read = reader.ReadInteger();
        if (read < 0 || (static_cast<uint32_t>(read) & ~mask) != 0) RaiseOutOfRange(name, read);
        set(static_cast<uint32_t>(read));
      },
      [value](TVirtualWriter& writer) { writer.WriteInteger(static_cast<int32_t>(value)); }, value != defaultValue);
}

void DefineObject(TFiler& filer, const std::string& name, TPersistent* present,
                  const std::function<TPersistent&()>& get, bool storeEmpty) {
  TStoredProperties stored;
  if (present && dynamic_cast<TPropertyWriter*>(&filer)) stored = StoreObject(*present);
  const bool hasData = present && (storeEmpty || !stored.empty());
  // Moved, not copied: objects nest, and a picture's bytes would be copied again at every level.
  filer.DefineProperty(
      name,
      [get](TVirtualReader& reader) {
        TStoredProperties properties = ReadStoredProperties(reader);
        LoadObject(get(), properties);
      },
      [stored = std::move(stored)](TVirtualWriter& writer) { WriteStoredProperties(writer, stored); }, hasData);
}

void DefineVector(TFiler& filer, const std::string& name, const TVector4f& value,
                  const std::function<void(const TVector4f&)>& set, bool hasData) {
  filer.DefineBinaryProperty(
      name,
      [set](platform::Stream& stream) {
        uint8_t bytes[16];
        stream.ReadBuffer(bytes, sizeof(bytes));
        platform::ByteReader reader(bytes, sizeof(bytes));
        TVector4f read;
        for (int i = 0; i < 4; ++i) read[i] = reader.F32();
        set(read);
      },
      [value](platform::Stream& stream) {
        platform::ByteWriter writer;
        for (int i = 0; i < 4; ++i) writer.F32(value[i]);
        stream.WriteBuffer(writer.Data().data(), writer.Data().size());
      },
      hasData);
}

void DefineCollection(TFiler& filer, const std::string& name, TCollection& collection) {
  filer.DefineProperty(
      name,
      [&collection](TVirtualReader& reader) {
        // The list is read whole first: one cut short leaves the items as they were.
        std::vector<TStoredProperties> items;
        reader.ReadListBegin();
        while (!reader.EndOfList()) items.push_back(ReadStoredProperties(reader));
        reader.ReadListEnd();
        collection.BeginUpdate();
        try {
          collection.Clear();
          for (const TStoredProperties& item : items) LoadObject(*collection.Add(), item);
        } catch (...) {
          collection.EndUpdate();
          throw;
        }
        collection.EndUpdate();
      },
      [&collection](TVirtualWriter& writer) {
        writer.WriteListBegin();
        for (int i = 0; i < collection.Count(); ++i) WriteStoredProperties(writer, StoreObject(*collection.Items(i)));
        writer.WriteListEnd();
      },
      collection.Count() > 0);
}

TStoredReferenceScope::TStoredReferenceScope(TComponent* root, TComponent* secondRoot)
    : previous_{storedReferenceRoots[0], storedReferenceRoots[1]} {
  storedReferenceRoots[0] = root;
  storedReferenceRoots[1] = secondRoot;
}

TStoredReferenceScope::~TStoredReferenceScope() {
  storedReferenceRoots[0] = previous_[0];
  storedReferenceRoots[1] = previous_[1];
}

TComponent* FindStoredComponent(const std::string& name) {
  if (name.empty()) return nullptr;
  for (TComponent* root : storedReferenceRoots) {
    if (!root) continue;
    // The latest first: what was just read wins over an older namesake.
    for (int i = root->ComponentCount() - 1; i >= 0; --i) {
      if (root->Component(i)->Name() == name) return root->Component(i);
    }
    if (root->Name() == name) return root;
  }
  return nullptr;
}

void DefineComponentReference(TFiler& filer, const std::string& name, const TComponent* value,
                              const std::function<void(TComponent*)>& set) {
  const std::string stored = value ? value->Name() : std::string();
  filer.DefineProperty(
      name, [set](TVirtualReader& reader) { set(FindStoredComponent(reader.ReadString())); },
      [stored](TVirtualWriter& writer) { writer.WriteString(stored); }, !stored.empty());
}

}  // namespace scene3d
