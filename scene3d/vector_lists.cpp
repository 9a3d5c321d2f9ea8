#include "scene3d/vector_lists.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <typeinfo>
#include <utility>

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {

const bool kRegistered =
    (RegisterPersistentClass<TAffineVectorList>(), RegisterPersistentClass<TVectorList>(),
     RegisterPersistentClass<TTexPointList>(), RegisterPersistentClass<TSingleList>(),
     RegisterPersistentClass<TDoubleList>(), RegisterPersistentClass<T4ByteList>(),
     RegisterPersistentClass<TLongWordList>(), true);

[[noreturn]] void RaiseListError() { throw EListError("Invalid list index"); }

void ArrayLerp(std::span<const TVector3f> a, std::span<const TVector3f> b, float t, std::span<TVector3f> out) {
  AffineArrayLerp(a, b, t, out);
}
void ArrayLerp(std::span<const TVector4f> a, std::span<const TVector4f> b, float t, std::span<TVector4f> out) {
  VectorArrayLerp4(a, b, t, out);
}
void ArrayLerp(std::span<const TTexPoint> a, std::span<const TTexPoint> b, float t, std::span<TTexPoint> out) {
  TexPointArrayLerp(a, b, t, out);
}

}  // namespace

TBaseVectorList::TBaseVectorList(int itemSize) : TBaseList(itemSize), components_(std::min(3, itemSize / 4)) {}

TVector3f TBaseVectorList::ItemAffine(int index) const {
  const auto* f = static_cast<const float*>(ItemPointer(index));
  return {f[0], f[1], components_ > 2 ? f[2] : 0.0f};
}

void TBaseVectorList::SetItemAffine(int index, const TVector3f& v) {
  auto* f = static_cast<float*>(ItemPointer(index));
  f[0] = v.x;
  f[1] = v.y;
  if (components_ > 2) f[2] = v.z;
}

void TBaseVectorList::CheckOther(const TBaseVectorList& other) const {
  if (other.Count() < Count()) RaiseListError();
}

void TBaseVectorList::Extents(TVector3f& min, TVector3f& max) const {
  constexpr float inf = std::numeric_limits<float>::infinity();
  min = {inf, inf, inf};
  max = {-inf, -inf, -inf};
  for (int i = 0; i < Count(); ++i) {
    const TVector3f v = ItemAffine(i);
    for (int k = 0; k < 3; ++k) {
      min[k] = std::min(min[k], v[k]);
      max[k] = std::max(max[k], v[k]);
    }
  }
}

TVector3f TBaseVectorList::Total() const {
  TVector3f total = NullAffine;
  for (int i = 0; i < Count(); ++i) AffineAddTo(total, ItemAffine(i));
  return total;
}

void TBaseVectorList::Normalize() {
  for (int i = 0; i < Count(); ++i) SetItemAffine(i, AffineNormalized(ItemAffine(i)));
  Changed();
}

double TBaseVectorList::LargestSpacing(const TBaseVectorList& other) const {
  CheckOther(other);
  double largest = 0;
  for (int i = 0; i < Count(); ++i) largest = std::max(largest, AffineSpacing(ItemAffine(i), other.ItemAffine(i)));
  return largest;
}

void TBaseVectorList::Translate(const TVector3f& delta) {
  for (int i = 0; i < Count(); ++i) SetItemAffine(i, AffineSum(ItemAffine(i), delta));
  Changed();
}

void TBaseVectorList::Translate(const TBaseVectorList& other) { AddScaledItems(other, 1); }

void TBaseVectorList::SubtractList(const TBaseVectorList& other) {
  CheckOther(other);
  for (int i = 0; i < Count(); ++i) SetItemAffine(i, AffineDifference(ItemAffine(i), other.ItemAffine(i)));
  Changed();
}

void TBaseVectorList::AddScaledItems(const TBaseVectorList& other, float factor) {
  CheckOther(other);
  for (int i = 0; i < Count(); ++i) {
    TVector3f v = ItemAffine(i);
    if (factor == 1)
      AffineAddTo(v, other.ItemAffine(i));
    else
      AffineCombineInPlace(v, other.ItemAffine(i), factor);
    SetItemAffine(i, v);
  }
  Changed();
}

void TBaseVectorList::Interpolate(const TBaseVectorList& list1, const TBaseVectorList& list2, float t) {
  if (typeid(list1) != typeid(*this) || typeid(list2) != typeid(*this)) return;
  if (list2.Count() < list1.Count()) RaiseListError();
  const int count = list1.Count();
  SetCapacity(count);
  SetCount(count);
  InterpolateItems(list1, list2, t);
}

void TBaseVectorList::WriteArchiveTail(TVirtualWriter& writer) const { writer.WriteInteger(0); }

void TBaseVectorList::ReadArchiveTail(TVirtualReader& reader) {
  const int32_t tail = reader.ReadInteger();
  if (tail != 0) RaiseUnknownVersion(tail);
}

template <class T>
void TVectorListOf<T>::InterpolateItems(const TBaseVectorList& a, const TBaseVectorList& b, float t) {
  ArrayLerp(static_cast<const TVectorListOf<T>&>(a).Items(), static_cast<const TVectorListOf<T>&>(b).Items(), t,
            this->Items());
}

template class TVectorListOf<TVector3f>;
template class TVectorListOf<TVector4f>;
template class TVectorListOf<TTexPoint>;

int TAffineVectorList::AddUnique(const TVector3f& v) {
  const int found = IndexOf(v);
  if (found >= 0) return found;
  const int index = Add(v);
  Changed();
  return index;
}

int TAffineVectorList::IndexOf(const TVector3f& v) const {
  const std::span<const TVector3f> items = Items();
  for (size_t i = 0; i < items.size(); ++i) {
    if (AffineEqual(items[i], v)) return int(i);
  }
  return -1;
}

void TTexPointList::WriteArchiveTail(TVirtualWriter&) const {}

void TTexPointList::ReadArchiveTail(TVirtualReader&) {}

void TIntegerList::Add(int32_t a, int32_t b) {
  const int first = AppendSlots(2);
  List()[first] = a;
  List()[first + 1] = b;
}

void TIntegerList::Add(int32_t a, int32_t b, int32_t c) {
  const int first = AppendSlots(3);
  List()[first] = a;
  List()[first + 1] = b;
  List()[first + 2] = c;
}

namespace {

int32_t KeyBits(float key) { return std::bit_cast<int32_t>(key); }

class TKeySorter {
 public:
  TKeySorter(float* keys, TPersistentObjectList& objects) : keys_(keys), objects_(objects) {}

  void Sort(int left, int right) {
    while (left < right) {
      if (right - left == 1) {
        if (KeyBits(keys_[left]) > KeyBits(keys_[right])) Swap(left, right);
        return;
      }
      const int32_t pivot = KeyBits(keys_[left + (right - left) / 2]);
      int i = left, j = right;
      do {
        while (KeyBits(keys_[i]) < pivot) ++i;
        while (KeyBits(keys_[j]) > pivot) --j;
        if (i <= j) Swap(i++, j--);
      } while (i <= j);
      // The two parts are sorted apart, so sorting the smaller one first gives the same order and
      // keeps the stack short on any keys.
      if (j - left < right - i) {
        Sort(left, j);
        left = i;
      } else {
        Sort(i, right);
        right = j;
      }
    }
  }

 private:
  void Swap(int a, int b) {
    std::swap(keys_[a], keys_[b]);
    TObject* object = objects_.Get(a);
    objects_.Put(a, objects_.Get(b));
    objects_.Put(b, object);
  }

  float* keys_;
  TPersistentObjectList& objects_;
};

}  // namespace

void SortKeysWithObjects(int left, int right, TSingleList& keys, TPersistentObjectList& objects) {
  if (left >= right) return;
  if (left < 0 || right >= keys.Count() || right >= objects.Count()) RaiseListError();
  TKeySorter(keys.List(), objects).Sort(left, right);
}

}  // namespace scene3d
