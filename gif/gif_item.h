// The parts of a GIF file as the reader walks it: every item belongs to one picture (TGIFImage),
// through which it reports warnings. Also the owning list of items and the small stream helpers
// every reader uses, which turn a short read into GIFException("Premature end of data").
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_exception.h"
#include "platform/binary_stream.h"

namespace gif {

class TGIFImage;

enum class TGIFVersion { Unknown, gv87a, gv89a };

// -1 at the end of the stream.
int PeekByte(const platform::ByteReader& stream);
int ReadByte(platform::ByteReader& stream);
// Raises "Premature end of data" unless all `count` bytes are there.
void ReadRecord(platform::ByteReader& stream, void* buffer, size_t count);
uint16_t ReadWord(platform::ByteReader& stream);
// Steps back `count` bytes (never before the start).
void StepBack(platform::ByteReader& stream, size_t count = 1);

class TGIFItem {
 public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  virtual ~TGIFItem() = default;
  TGIFItem(const TGIFItem&) = delete;
  TGIFItem& operator=(const TGIFItem&) = delete;

  TGIFImage* Image() const { return image_; }
  // The lowest GIF version that can hold this item.
  virtual TGIFVersion Version() const { return TGIFVersion::gv87a; }
  virtual void LoadFromStream(platform::ByteReader& stream) = 0;
  virtual void SaveToStream(platform::ByteWriter& stream) = 0;
  // Passes a recoverable problem to the picture's warning event.
  void Warning(TGIFSeverity severity, const std::string& message) const;

 private:
  TGIFImage* image_;
};

// One data sub-block kept as read: its size byte is the length of Data (1..255).
struct TGIFBlock {
  platform::Bytes Data;
};

// An owning list of items in file order.
template <class T>
class TGIFList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  T* operator[](int index) const { return items_.at(static_cast<size_t>(index)).get(); }
  T* First() const { return items_.empty() ? nullptr : items_.front().get(); }
  T* Last() const { return items_.empty() ? nullptr : items_.back().get(); }
  T* Add(std::unique_ptr<T> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  T* Insert(int index, std::unique_ptr<T> item) {
    return items_.insert(items_.begin() + index, std::move(item))->get();
  }
  int IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<int>(i);
    return -1;
  }
  // Takes the item out of the list without freeing it.
  std::unique_ptr<T> Extract(int index) {
    std::unique_ptr<T> item = std::move(items_.at(static_cast<size_t>(index)));
    items_.erase(items_.begin() + index);
    return item;
  }
  void Delete(int index) { Extract(index).reset(); }
  void Move(int from, int to) {
    std::unique_ptr<T> item = Extract(from);
    items_.insert(items_.begin() + to, std::move(item));
  }
  // Frees the items last to first, so later items never outlive what they refer back to.
  void Clear() {
    while (!items_.empty()) items_.pop_back();
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<T>> items_;
};

}  // namespace gif
