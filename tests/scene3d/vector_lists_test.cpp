#include "scene3d/vector_lists.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <vector>

#include "exception_message.h"
#include "expect_vectors.h"
#include "scene3d/scene3d_exceptions.h"

using namespace scene3d;

namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

// The "Items" value as a stored definition holds it: a short string of hexadecimal text.
TStoredProperties ItemsProperty(const std::string& hex) {
  return {{"Items", std::string(1, '\x06') + static_cast<char>(hex.size()) + hex}};
}

}  // namespace

TEST(VectorLists, CapacityGrowsBySixteenOnAppendAndExactlyOnSetCount) {
  TAffineVectorList list;
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Add({1, 2, 3}), 0);
  EXPECT_EQ(list.Capacity(), 16) << "first append";
  for (int i = 1; i < 16; ++i) list.Add({float(i), 0, 0});
  EXPECT_EQ(list.Capacity(), 16);
  EXPECT_EQ(list.Add({16, 0, 0}), 16);
  EXPECT_EQ(list.Capacity(), 32) << "the 17th append";
  ExpectNear(list.Get(0), {1, 2, 3}, 0, "first item kept through the growth");
  ExpectNear(list[16], {16, 0, 0}, 0, "17th item");

  TSingleList singles;
  singles.SetCount(5);
  EXPECT_EQ(singles.Capacity(), 5);
  EXPECT_EQ(singles.Count(), 5);
  for (float v : singles.Items()) EXPECT_EQ(v, 0);
  for (float& v : singles.Items()) v = 7;
  singles.SetCount(2);
  singles.SetCount(4);
  EXPECT_EQ(singles[3], 0) << "items added again are zeroed again";
  singles.SetCapacity(1);
  EXPECT_EQ(singles.Count(), 1) << "the count never exceeds the capacity";
  EXPECT_EQ(singles[0], 7);
  EXPECT_THROW(singles.SetCount(-1), EListError);
  EXPECT_THROW(singles.SetCapacity(-1), EListError);

  // Several integers at once make room in GrowthDelta steps.
  TIntegerList ints;
  ints.SetGrowthDelta(2);
  ints.Add(1, 2, 3);
  EXPECT_EQ(ints.Capacity(), 4);
  ints.Add(4, 5);
  EXPECT_EQ(ints.Capacity(), 6);
  EXPECT_EQ(std::vector<int32_t>(ints.Items().begin(), ints.Items().end()), (std::vector<int32_t>{1, 2, 3, 4, 5}));

  // A long list built by appending keeps every item.
  TVectorList points;
  for (int i = 0; i < 100000; ++i) points.AddPoint(float(i), 0, 0);
  EXPECT_EQ(points.Count(), 100000);
  EXPECT_EQ(points.Capacity(), 100000) << "capacity moves in steps of 16";
  EXPECT_EQ(points[99999].x, 99999);
  EXPECT_EQ(points[99999].w, 1);
}

TEST(VectorLists, AddUniqueFindsBitExactVectors) {
  TAffineVectorList list;
  list.Add({1, 2, 3});
  list.Add({0, 0, 0});
  const int changes = list.ChangeCount();
  EXPECT_EQ(list.AddUnique({1, 2, 3}), 0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ChangeCount(), changes) << "nothing changed";
  EXPECT_EQ(list.AddUnique({-0.0f, 0, 0}), 2) << "-0 is another bit pattern";
  EXPECT_EQ(list.IndexOf({4, 5, 6}), -1);
}

TEST(VectorLists, ItemsTextIsTheArchiveInHexadecimal) {
  struct Case {
    std::function<std::unique_ptr<TBaseList>()> make;
    std::string hex;
  };
  const Case cases[] = {
      {[] {
         auto list = std::make_unique<TAffineVectorList>();
         list->Add({1, 2, 3});
         return list;
       },
       "02000201020C0000803F00000040000040400200"},
      {[] {
         auto list = std::make_unique<TTexPointList>();
         list->Add({0.5f, 0.25f});
         return list;
       },
       "0200020102080000003F0000803E"},
      {[] {
         auto list = std::make_unique<TSingleList>();
         list->Add(1.5f);
         return list;
       },
       "0200020102040000C03F"},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TBaseList> list = c.make();
    EXPECT_EQ(StoreDefinedProperties(*list), ItemsProperty(c.hex)) << list->ClassName();
    std::unique_ptr<TBaseList> back(static_cast<TBaseList*>(list->CreateInstance().release()));
    LoadDefinedProperties(*back, ItemsProperty(c.hex));
    EXPECT_EQ(back->SaveToString(), list->SaveToString()) << list->ClassName() << " reads its own text back";
  }

  TAffineVectorList list;
  EXPECT_EQ(Message([&] { LoadDefinedProperties(list, ItemsProperty("02010201020C0000803F00000040000040400200")); }),
            "TAffineVectorList : unknown archive version 1");
  EXPECT_THROW(LoadDefinedProperties(list, ItemsProperty("020")), platform::ReadError);
  EXPECT_THROW(LoadDefinedProperties(list, ItemsProperty("02G0")), platform::ReadError);

  for (const char* name : {"TAffineVectorList", "TVectorList", "TTexPointList", "TSingleList", "TDoubleList",
                           "T4ByteList", "TLongWordList"})
    EXPECT_TRUE(PersistentClasses().Contains(name)) << name;
  EXPECT_FALSE(PersistentClasses().Contains("TIntegerList"));
  EXPECT_FALSE(PersistentClasses().Contains("TByteList"));
}

TEST(VectorLists, BrokenArchivesAreRefusedAndLeaveTheListAsItWas) {
  const std::string good =
      FromHex("02000202020C" "0000803F0000004000004040" "000080400000804000008040" "0200");
  struct Case {
    std::string archive;
    std::string message;
  };
  const Case cases[] = {
      {FromHex("0200020102100000803F000000400000404000008040"), "TAffineVectorList : items of 16 bytes, 12 expected"},
      {FromHex("020002FF020C"), "Stream read error"},                                   // count -1
      {FromHex("02000202020C0000803F0000004000004040"), "Stream read error"},           // one item of two
      {FromHex("020004FFFFFF7F020C"), "Stream read error"},                             // a count beyond reason
      {FromHex("02000201020C0000803F00000040000040400201"), "TAffineVectorList : unknown archive version 1"},
  };
  TAffineVectorList list;
  list.Add({9, 9, 9});
  const std::string before = list.SaveToString();
  for (const Case& c : cases) {
    EXPECT_EQ(Message([&] { list.LoadFromString(c.archive); }), c.message);
    EXPECT_EQ(list.SaveToString(), before) << c.message;
  }
  // Every cut of a good archive fails cleanly (run under AddressSanitizer too).
  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_THROW(list.LoadFromString(good.substr(0, length)), platform::FormatError) << length << " bytes";
    EXPECT_EQ(list.SaveToString(), before);
  }
  list.LoadFromString(good);
  EXPECT_EQ(list.Count(), 2);
  ExpectNear(list[1], {4, 4, 4}, 0, "second item");
}

TEST(VectorLists, AssignCopiesOnlyFromItsOwnClassAndExternalMemoryIsCopiedOnGrowth) {
  TSingleList source;
  source.Add(1);
  source.Add(2);
  source.SetTagText("keys");
  source.SetGrowthDelta(4);
  TSingleList copy;
  copy.Assign(&source);
  EXPECT_EQ(copy.Count(), 2);
  EXPECT_EQ(copy.Capacity(), 2);
  EXPECT_EQ(copy[1], 2);
  EXPECT_EQ(copy.TagText(), "keys");
  EXPECT_EQ(copy.GrowthDelta(), 4);

  TLongWordList other;
  other.Add(5);
  EXPECT_THROW(copy.Assign(&other), EConvertError) << "another class's items would be garbage here";
  EXPECT_EQ(copy.Count(), 2);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(copy.Capacity(), 0);

  float external[4] = {0, 0, 0, 0};
  TSingleList list;
  list.UseMemory(external, 4);
  EXPECT_TRUE(list.Flags() & lfExternalMemory);
  list.Add(1);
  list.Add(2);
  list.Add(3);
  EXPECT_EQ(external[2], 3) << "appends go into the caller's block";
  list.SetCapacity(8);
  EXPECT_FALSE(list.Flags() & lfExternalMemory);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[2], 3) << "the items came along";
  list[0] = 42;
  EXPECT_EQ(external[0], 1) << "the caller's block is left alone";
  EXPECT_THROW(list.UseMemory(nullptr, 4), EListError);
}

TEST(VectorLists, WholeListOperationsSeeItemsAsPoints) {
  TAffineVectorList a;
  a.Add({1, -2, 3});
  a.Add({-4, 5, 0});
  TVector3f min, max;
  a.Extents(min, max);
  ExpectNear(min, {-4, -2, 0}, 0, "min");
  ExpectNear(max, {1, 5, 3}, 0, "max");
  ExpectNear(a.Total(), {-3, 3, 3}, 0, "total");

  TVectorList b;
  b.Add({1, 1, 1, 7});
  b.Add({2, 2, 2, 7});
  EXPECT_DOUBLE_EQ(a.LargestSpacing(b), 6 + 3 + 2);
  a.Translate(b);
  ExpectNear(a[1], {-2, 7, 2}, 0, "list translate");
  a.SubtractList(b);
  a.AddScaledItems(b, 0.5f);
  ExpectNear(a[0], {1.5f, -1.5f, 3.5f}, 0, "scaled add");
  b.Translate({1, 0, 0});
  EXPECT_EQ(b[0].w, 7) << "w is not a coordinate here";
  b.Normalize();
  ExpectNear(b[1], {3 / std::sqrt(17.0f), 2 / std::sqrt(17.0f), 2 / std::sqrt(17.0f), 7}, 1e-6, "normalised");

  TVectorList empty;
  empty.Extents(min, max);
  EXPECT_TRUE(std::isinf(min.x) && min.x > 0 && std::isinf(max.z) && max.z < 0);
  EXPECT_EQ(empty.LargestSpacing(b), 0);
  EXPECT_THROW(a.Translate(empty), EListError) << "the other list is too short";

  // Texture points have two coordinates; the last one is not read past.
  TTexPointList tex;
  tex.Add({0.5f, 2});
  tex.Extents(min, max);
  ExpectNear(max, {0.5f, 2, 0}, 0, "texture point extents");
  tex.Translate({1, 1, 1});
  EXPECT_EQ(tex[0].s, 1.5f);

  TVectorList from, to, mixed;
  from.Add({0, 0, 0, 0});
  to.Add({2, 4, 6, 8});
  mixed.Interpolate(from, to, 0.25f);
  ASSERT_EQ(mixed.Count(), 1);
  ExpectNear(mixed[0], {0.5f, 1, 1.5f, 2}, 0, "all four components interpolated");
  mixed.Interpolate(from, a, 0.5f);
  ExpectNear(mixed[0], {0.5f, 1, 1.5f, 2}, 0, "lists of another class: nothing happens");
}

TEST(VectorLists, SortKeysWithObjectsOrdersByTheKeysBitPatterns) {
  struct Case {
    std::vector<float> keys;
    std::vector<float> sorted;
    std::vector<int> objects;  // where each object ends up, by its start index
  };
  const Case cases[] = {
      {{3, 1, 2}, {1, 2, 3}, {1, 2, 0}},
      {{-1, -3}, {-1, -3}, {0, 1}},
      {{2, -1, 0, -3}, {-1, -3, 0, 2}, {1, 3, 2, 0}},
  };
  std::vector<TObject> pool(4);
  for (const Case& c : cases) {
    TSingleList keys;
    TPersistentObjectList objects;
    for (size_t i = 0; i < c.keys.size(); ++i) {
      keys.Add(c.keys[i]);
      objects.Add(&pool[i]);
    }
    SortKeysWithObjects(0, keys.Count() - 1, keys, objects);
    EXPECT_EQ(std::vector<float>(keys.Items().begin(), keys.Items().end()), c.sorted);
    for (size_t i = 0; i < c.keys.size(); ++i) EXPECT_EQ(objects[int(i)], &pool[size_t(c.objects[i])]) << i;
  }

  // Many keys: the objects still follow their keys and the keys come out in bit-pattern order.
  TSingleList keys;
  TPersistentObjectList objects;
  std::vector<TObject> many(2000);
  uint32_t seed = 7;
  for (TObject& object : many) {
    seed = seed * 1664525u + 1013904223u;
    keys.Add(float(int(seed >> 12) - 500000) / 64);
    objects.Add(&object);
  }
  const std::vector<float> original(keys.Items().begin(), keys.Items().end());
  SortKeysWithObjects(0, keys.Count() - 1, keys, objects);
  for (int i = 0; i < keys.Count(); ++i) {
    if (i > 0) {
      EXPECT_LE(std::bit_cast<int32_t>(keys[i - 1]), std::bit_cast<int32_t>(keys[i]));
    }
    EXPECT_EQ(original[size_t(static_cast<TObject*>(objects[i]) - many.data())], keys[i]);
  }
  EXPECT_THROW(SortKeysWithObjects(0, keys.Count(), keys, objects), EListError);
}
