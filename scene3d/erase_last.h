// Taking one entry out of a list of pointers, searched from the end: components and scene objects
// are freed last made first, so the one that goes is found at once.
#pragma once

#include <algorithm>
#include <iterator>
#include <vector>

namespace scene3d {

// Takes the last occurrence of `item` out of `list`; false when it is not there.
template <class T>
bool EraseLast(std::vector<T>& list, const T& item) {
  auto it = std::find(list.rbegin(), list.rend(), item);
  if (it == list.rend()) return false;
  list.erase(std::next(it).base());
  return true;
}

}  // namespace scene3d
