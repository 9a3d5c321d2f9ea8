#include "scene3d/base_list.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <typeinfo>

#include "scene3d/scene3d_exceptions.h"

namespace scene3d {

namespace {

struct FreeBlock {
  void operator()(uint8_t* block) const { std::free(block); }
};
using OwnedBlock = std::unique_ptr<uint8_t, FreeBlock>;

// `items` of `itemSize` bytes, or std::bad_alloc. Zero bytes is no block.
OwnedBlock AllocateBlock(int items, int itemSize) {
  const size_t bytes = size_t(items) * size_t(itemSize);
  if (bytes == 0) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(bytes));
  if (!block) throw std::bad_alloc();
  return OwnedBlock(block);
}

[[noreturn]] void RaiseListError() { throw EListError("Invalid list index"); }

constexpr char kHexDigits[] = "0123456789ABCDEF";

std::string BinaryToHex(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    text += kHexDigits[b >> 4];
    text += kHexDigits[b & 0xF];
  }
  return text;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string HexToBinary(const std::string& text) {
  if (text.size() % 2 != 0) throw platform::ReadError("Items: hexadecimal text of odd length");
  std::string bytes(text.size() / 2, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) throw platform::ReadError("Items: invalid hexadecimal digit");
    bytes[i] = static_cast<char>((high << 4) | low);
  }
  return bytes;
}

}  // namespace

TBaseList::TBaseList(int itemSize) : itemSize_(itemSize) {}

TBaseList::~TBaseList() {
  if (!(flags_ & lfExternalMemory)) std::free(block_);
}

void TBaseList::Reallocate(int reserve) {
  const size_t keep = size_t(std::min(count_, reserve)) * size_t(itemSize_);
  if (flags_ & lfExternalMemory) {
    OwnedBlock fresh = AllocateBlock(reserve, itemSize_);
    if (keep) std::memcpy(fresh.get(), block_, keep);
    block_ = fresh.release();
    flags_ &= ~lfExternalMemory;
  } else if (reserve == 0) {
    std::free(block_);
    block_ = nullptr;
  } else {
    void* grown = std::realloc(block_, size_t(reserve) * size_t(itemSize_));
    if (!grown) throw std::bad_alloc();
    block_ = static_cast<uint8_t*>(grown);
  }
  reserve_ = reserve;
}

void TBaseList::SetCapacityTo(int n, int reserve) {
  if (n < 0) RaiseListError();
  if (n == capacity_) return;
  // Within the block already held, only an external block has to be copied.
  if (reserve != reserve_ || (flags_ & lfExternalMemory)) Reallocate(reserve);
  capacity_ = n;
  count_ = std::min(count_, n);
  Changed();
}

void TBaseList::SetCapacity(int n) { SetCapacityTo(n, n); }

void TBaseList::SetCount(int n) {
  if (n < 0) RaiseListError();
  if (capacity_ < n) SetCapacity(n);
  if (n > count_ && (flags_ & lfZeroNewItems))
    std::memset(ItemPointer(count_), 0, size_t(n - count_) * size_t(itemSize_));
  count_ = n;
  Changed();
}

void TBaseList::Release() {
  SetCount(0);
  SetCapacity(0);
}

void TBaseList::UseMemory(void* block, int capacity) {
  if (!block || capacity < 0) RaiseListError();
  if (!(flags_ & lfExternalMemory)) std::free(block_);
  block_ = static_cast<uint8_t*>(block);
  flags_ |= lfExternalMemory;
  capacity_ = reserve_ = capacity;
  count_ = std::min(count_, capacity);
  Changed();
}

int TBaseList::AppendSlots(int n) {
  const int first = count_;
  const int64_t needed = int64_t(count_) + n;
  if (needed > capacity_) {
    int64_t capacity = capacity_;
    while (capacity < needed) capacity += growBy_;
    // The block grows by an eighth at least, so that appends stay cheap on long lists.
    const int64_t held = reserve_;
    const int64_t reserve = std::max(capacity, held > capacity ? held : held + held / 8);
    if (capacity > INT32_MAX) throw std::bad_alloc();
    SetCapacityTo(int(capacity), int(std::min<int64_t>(reserve, INT32_MAX)));
  }
  count_ += n;
  return first;
}

void TBaseList::Assign(const TPersistent* source) {
  if (!source) {
    Release();
    return;
  }
  if (source == this) return;
  auto* list = dynamic_cast<const TBaseList*>(source);
  if (!list || typeid(*list) != typeid(*this)) {
    // Items of another class would be left as uninitialised bytes.
    TPersistent::Assign(source);
    return;
  }
  SetCapacity(list->count_);
  growBy_ = list->growBy_;
  count_ = capacity_;
  tagText_ = list->tagText_;
  if (count_) std::memcpy(block_, list->block_, size_t(count_) * size_t(itemSize_));
  Changed();
}

void TBaseList::DefineProperties(TFiler& filer) {
  TPersistentObject::DefineProperties(filer);
  filer.DefineProperty(
      "Items", [this](TVirtualReader& reader) { ReadItemsText(reader); },
      [this](TVirtualWriter& writer) { WriteItemsText(writer); }, true);
}

void TBaseList::ReadItemsText(TVirtualReader& reader) { LoadFromString(HexToBinary(reader.ReadString())); }

void TBaseList::WriteItemsText(TVirtualWriter& writer) const { writer.WriteString(BinaryToHex(SaveToString())); }

void TBaseList::WriteToArchive(TVirtualWriter& writer) const {
  TPersistentObject::WriteToArchive(writer);
  writer.WriteInteger(0);
  writer.WriteInteger(count_);
  writer.WriteInteger(itemSize_);
  if (count_ > 0) writer.Write(block_, size_t(count_) * size_t(itemSize_));
  WriteArchiveTail(writer);
}

void TBaseList::ReadFromArchive(TVirtualReader& reader) {
  TPersistentObject::ReadFromArchive(reader);
  const int32_t version = reader.ReadInteger();
  if (version != 0) RaiseUnknownVersion(version);
  const int32_t count = reader.ReadInteger();
  const int32_t itemSize = reader.ReadInteger();
  if (itemSize != itemSize_)
    throw platform::ReadError(ClassName() + " : items of " + std::to_string(itemSize) + " bytes, " +
                              std::to_string(itemSize_) + " expected");
  const uint64_t bytes = uint64_t(std::max(count, 0)) * uint64_t(itemSize_);
  if (count < 0 || bytes > reader.Stream().Remaining()) throw platform::ReadError("Stream read error");
  // Read aside: a list whose archive turns out broken keeps what it held.
  OwnedBlock items = AllocateBlock(count, itemSize_);
  if (bytes) reader.Read(items.get(), size_t(bytes));
  ReadArchiveTail(reader);
  if (!(flags_ & lfExternalMemory)) std::free(block_);
  flags_ &= ~lfExternalMemory;
  block_ = items.release();
  count_ = capacity_ = reserve_ = count;
  Changed();
}

void TBaseList::WriteArchiveTail(TVirtualWriter&) const {}

void TBaseList::ReadArchiveTail(TVirtualReader&) {}

}  // namespace scene3d
