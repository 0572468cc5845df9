#pragma once
#include "core/error.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavo {

// A typed list of heap pointers in insertion order. An owning list (ownership 1) deletes its
// elements when cleared or destroyed; a non-owning one (ownership 0) never does.
template <typename T> class ListOfT {
public:
  explicit ListOfT(int ownership) {
    if (ownership != 0 && ownership != 1) {
      throw Error("Wrong parameter transferred to ListOfT::ListOfT");
    }
    ownsItems = static_cast<std::uint8_t>(ownership);
  }
  ListOfT(const ListOfT&) = delete;
  ListOfT& operator=(const ListOfT&) = delete;
  ~ListOfT() { deleteItems(); }

  void Add(T* item) { items.push_back(item); }
  int Count() const { return static_cast<int>(items.size()); }

  // Every element access goes through this range check, so any access past the end of a list
  // reports the same text.
  T* Get(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= items.size()) {
      throw Error("Index out of bounds ListOfT::Get");
    }
    return items[static_cast<std::size_t>(index)];
  }

  void Clear() {
    deleteItems();
    items.clear();
  }

private:
  void deleteItems() {
    if (ownsItems == 1) {
      for (T* item : items) {
        delete item;
      }
    }
  }

  std::vector<T*> items;
  std::uint8_t ownsItems = 0;
};

} // namespace kavo
