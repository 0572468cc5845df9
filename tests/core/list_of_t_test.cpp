#include "core/list_of_t.h"

#include <gtest/gtest.h>

namespace kavo {
namespace {

// Counts live instances so that ownership faults (double delete, leak) show up as wrong counts.
struct Tracked {
  static inline int alive = 0;
  Tracked() { ++alive; }
  ~Tracked() { --alive; }
};

TEST(ListOfT, RejectsOwnershipOtherThanZeroOrOne) {
  for (const int bad : {-1, 2, 255}) {
    try {
      ListOfT<Tracked> list(bad);
      FAIL() << "ownership " << bad << " accepted";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Wrong parameter transferred to ListOfT::ListOfT");
    }
  }
}

TEST(ListOfT, GetChecksTheRangeAndLeavesTheListUnchanged) {
  ListOfT<Tracked> list(1);
  EXPECT_THROW(list.Get(0), Error);
  auto* first = new Tracked;
  auto* last = new Tracked;
  list.Add(first);
  list.Add(last);
  EXPECT_EQ(list.Get(0), first);
  EXPECT_EQ(list.Get(list.Count() - 1), last);
  for (const int index : {-1, 2, 1000}) {
    try {
      list.Get(index);
      FAIL() << "index " << index << " accepted";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "Index out of bounds ListOfT::Get");
    }
  }
  EXPECT_EQ(list.Count(), 2);
}

TEST(ListOfT, OwningListDeletesOnClearAndDestructionNonOwningNever) {
  Tracked::alive = 0;
  {
    ListOfT<Tracked> owning(1);
    owning.Add(new Tracked);
    owning.Add(new Tracked);
    owning.Clear();
    EXPECT_EQ(Tracked::alive, 0);
    EXPECT_EQ(owning.Count(), 0);
    owning.Clear(); // clearing again is harmless
    owning.Add(new Tracked);
  }
  EXPECT_EQ(Tracked::alive, 0);

  Tracked kept[2];
  {
    ListOfT<Tracked> borrowing(0);
    borrowing.Add(&kept[0]);
    borrowing.Add(&kept[1]);
    borrowing.Clear();
    borrowing.Add(&kept[0]);
  }
  EXPECT_EQ(Tracked::alive, 2);
}

} // namespace
} // namespace kavo
