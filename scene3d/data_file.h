// TDataFile: the base of the 3D library's file formats (images, meshes). A format overrides
// LoadFromStream / SaveToStream (and Capabilities when it can write); the file operations around
// them open the file through CreateFileStream and remember its name without folder as the
// resource name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/stream.h"
#include "scene3d/update_able.h"

namespace scene3d {

inline constexpr uint32_t dfcRead = 0x1;
inline constexpr uint32_t dfcWrite = 0x2;

class TDataFile : public TGLUpdateAbleObject {
 public:
  explicit TDataFile(TPersistent* owner) : TGLUpdateAbleObject(owner) {}
  std::string ClassName() const override { return "TDataFile"; }

  // What the format can do: dfcRead here.
  virtual uint32_t Capabilities() const { return dfcRead; }
  // A new, empty object of this object's class with `owner`. Every concrete format overrides it.
  virtual std::unique_ptr<TDataFile> CreateCopy(TPersistent* owner) const;

  // Opens the file for reading (platform::FileError "File not found: "<name>"" when missing) and
  // reads it with LoadFromStream.
  virtual void LoadFromFile(const std::string& fileName);
  // Writes the format into memory with SaveToStream, then creates the file and puts the bytes in,
  // so a format that fails leaves the file as it was.
  virtual void SaveToFile(const std::string& fileName);
  // Empty here.
  virtual void LoadFromStream(platform::Stream& stream);
  virtual void SaveToStream(platform::Stream& stream);
  virtual void Initialize();

  const std::string& ResourceName() const { return resourceName_; }
  void SetResourceName(const std::string& name) { resourceName_ = name; }

 private:
  std::string resourceName_;
};

}  // namespace scene3d
