// The typed lists of the 3D library (see base_list.h for their common rules) and the whole-list
// vector operations that geometry code applies to them.
//
//   list                item         archive
//   TAffineVectorList   TVector3f    base form, then the integer 0
//   TVectorList         TVector4f    base form, then the integer 0
//   TTexPointList       TTexPoint    base form
//   TIntegerList        int32_t      base form (not registered by name)
//   TSingleList         float        base form
//   TDoubleList         double       base form
//   TByteList           uint8_t      base form (not registered by name)
//   T4ByteList          T4Byte       base form
//   TLongWordList       uint32_t     base form
//
// Appends: TAffineVectorList::Add and AddUnique (when it appends) bump the change count; the other
// appends only through a capacity that grows. The whole-list operations below bump it too.
//
// Vector operations (TBaseVectorList) see every item as a point: its x, y, z, or for a texture point
// (s, t, 0); only those components are written back. Operations over two lists raise EListError
// when the other list holds fewer items than this one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "scene3d/base_list.h"
#include "scene3d/persistent_object_list.h"
#include "scene3d/vectors.h"

namespace scene3d {

class TBaseVectorList : public TBaseList {
 public:
  std::string ClassName() const override { return "TBaseVectorList"; }

  // Component-wise minimum and maximum; an empty list leaves (+inf...) and (-inf...).
  void Extents(TVector3f& min, TVector3f& max) const;
  TVector3f Total() const;
  // Every item to unit length (a zero item stays zero).
  void Normalize();
  // The largest AffineSpacing between item i here and item i of `other`; 0 when empty.
  double LargestSpacing(const TBaseVectorList& other) const;
  void Translate(const TVector3f& delta);
  // Item i += / -= the other list's item i.
  void Translate(const TBaseVectorList& other);
  void SubtractList(const TBaseVectorList& other);
  // Item i += factor · the other list's item i.
  void AddScaledItems(const TBaseVectorList& other, float factor);
  // This list becomes list1 + t·(list2 − list1), item by item, when both are of this list's class
  // (and list2 holds as many items as list1); otherwise nothing happens.
  void Interpolate(const TBaseVectorList& list1, const TBaseVectorList& list2, float t);

  TVector3f ItemAffine(int index) const;
  void SetItemAffine(int index, const TVector3f& v);

 protected:
  explicit TBaseVectorList(int itemSize);
  // The items of this list := a + t·(b − a), over the first Count items; a and b are of this class.
  virtual void InterpolateItems(const TBaseVectorList& a, const TBaseVectorList& b, float t) = 0;
  // The integer 0 after the items; TTexPointList writes none.
  void WriteArchiveTail(TVirtualWriter& writer) const override;
  void ReadArchiveTail(TVirtualReader& reader) override;

 private:
  void CheckOther(const TBaseVectorList& other) const;
  int components_;  // singles per item seen as a point: 3, or 2 for texture points
};

// A vector list of items T, interpolated by the array routine of its type.
template <class T>
class TVectorListOf : public TTypedList<T, TBaseVectorList> {
 protected:
  void InterpolateItems(const TBaseVectorList& a, const TBaseVectorList& b, float t) override;
};

class TAffineVectorList final : public TVectorListOf<TVector3f> {
 public:
  std::string ClassName() const override { return "TAffineVectorList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TAffineVectorList>(); }

  int Add(const TVector3f& v) {
    const int index = TVectorListOf<TVector3f>::Add(v);
    Changed();
    return index;
  }
  // The index of v when present (bit-exact, see IndexOf), else v appended and its index.
  int AddUnique(const TVector3f& v);
  TVector3f Get(int index) const { return (*this)[index]; }
  // First index whose x, y, z bit patterns equal v's, or -1.
  int IndexOf(const TVector3f& v) const;
};

class TVectorList final : public TVectorListOf<TVector4f> {
 public:
  std::string ClassName() const override { return "TVectorList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TVectorList>(); }

  using TVectorListOf<TVector4f>::Add;
  int Add(const TVector3f& affine, float w) { return Add(VectorFromAffineW(affine, w)); }
  int AddPoint(const TVector3f& affine) { return Add(PointFromAffine(affine)); }
  int AddPoint(float x, float y, float z) { return Add(PointFromXYZ(x, y, z)); }
};

class TTexPointList final : public TVectorListOf<TTexPoint> {
 public:
  std::string ClassName() const override { return "TTexPointList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TTexPointList>(); }

 protected:
  void WriteArchiveTail(TVirtualWriter& writer) const override;
  void ReadArchiveTail(TVirtualReader& reader) override;
};

class TIntegerList final : public TTypedList<int32_t> {
 public:
  std::string ClassName() const override { return "TIntegerList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TIntegerList>(); }

  using TTypedList<int32_t>::Add;
  // Two or three integers at the end.
  void Add(int32_t a, int32_t b);
  void Add(int32_t a, int32_t b, int32_t c);
};

class TSingleList final : public TTypedList<float> {
 public:
  std::string ClassName() const override { return "TSingleList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TSingleList>(); }
};

class TDoubleList final : public TTypedList<double> {
 public:
  std::string ClassName() const override { return "TDoubleList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TDoubleList>(); }
};

class TByteList final : public TTypedList<uint8_t> {
 public:
  std::string ClassName() const override { return "TByteList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TByteList>(); }
};

struct T4Byte {
  uint8_t bytes[4] = {};
};

class T4ByteList final : public TTypedList<T4Byte> {
 public:
  std::string ClassName() const override { return "T4ByteList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<T4ByteList>(); }
};

class TLongWordList final : public TTypedList<uint32_t> {
 public:
  std::string ClassName() const override { return "TLongWordList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TLongWordList>(); }
};

// Sorts keys[left..right] ascending and moves objects[left..right] in step. Keys compare as their bit
// patterns read as signed 32-bit integers: keys of +0 and above in numeric order, negative keys before
// them in order of growing magnitude. Both lists must hold index `right`, else EListError.
void SortKeysWithObjects(int left, int right, TSingleList& keys, TPersistentObjectList& objects);

}  // namespace scene3d
