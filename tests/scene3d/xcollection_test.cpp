#include "scene3d/xcollection.h"

#include <gtest/gtest.h>

#include <string>

#include "scene3d/persistent_object_list.h"
#include "scene3d/scene3d_exceptions.h"

using namespace scene3d;

namespace {

// A behaviour in small: a value of its own after the base data; several may sit in one collection.
class TSpin : public TXCollectionItem {
 public:
  using TXCollectionItem::TXCollectionItem;
  std::string ClassName() const override { return "TSpin"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TSpin>(); }
  static bool UniqueItem() { return false; }
  void Assign(const TPersistent* source) override {
    if (auto* spin = dynamic_cast<const TSpin*>(source)) speed = spin->speed;
    TXCollectionItem::Assign(source);
  }
  void SaveBinary(TVirtualWriter& writer) const override {
    TXCollectionItem::SaveBinary(writer);
    writer.WriteInteger(speed);
  }
  void LoadBinary(TVirtualReader& reader) override {
    TXCollectionItem::LoadBinary(reader);
    speed = reader.ReadInteger();
  }
  int speed = 0;
};

// Unique, and a class derived from it.
class TGravity : public TXCollectionItem {
 public:
  using TXCollectionItem::TXCollectionItem;
  std::string ClassName() const override { return "TGravity"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TGravity>(); }
};
class TStrongGravity : public TGravity {
 public:
  using TGravity::TGravity;
  std::string ClassName() const override { return "TStrongGravity"; }
  const TXCollectionItemClass& ItemClass() const override { return XCollectionItemClassOf<TStrongGravity>(); }
};
// Wants no collection.
class TLoner : public TXCollectionItem {
 public:
  using TXCollectionItem::TXCollectionItem;
  std::string ClassName() const override { return "TLoner"; }
  static bool CanAddTo(const TXCollection&) { return false; }
};

const bool kRegistered = (RegisterXCollectionItemClass<TSpin>(), true);

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

std::string Saved(TXCollection& collection) {
  platform::MemoryStream stream;
  TBinaryWriter writer(stream);
  collection.SaveBinary(writer);
  return stream.DataString();
}

void Load(TXCollection& collection, const std::string& bytes) {
  platform::MemoryStream stream(bytes);
  TBinaryReader reader(stream);
  collection.LoadBinary(reader);
}

TSpin* AddSpin(TXCollection& collection, const std::string& name, int speed) {
  auto* spin = new TSpin(&collection);
  spin->SetName(name);
  spin->speed = speed;
  return spin;
}

}  // namespace

TEST(XCollection, StreamNamesEachClassOnceAndReadsBackWithOrWithoutHeader) {
  TXCollection empty(nullptr);
  EXPECT_EQ(Saved(empty), Bytes({0x04, 0x58, 0x43, 0x4F, 0x4C, 0x02, 0x01, 0x02, 0x00}));
  EXPECT_EQ(empty.StreamVersion(), 1);

  TXCollection collection(nullptr);
  AddSpin(collection, "a", 3);
  AddSpin(collection, "b", 4);
  const std::string saved = Saved(collection);
  const std::string want = Bytes({0x04, 'X', 'C', 'O', 'L', 0x02, 0x01, 0x02, 0x02,    // header, two items
                                  0x06, 5, 'T', 'S', 'p', 'i', 'n',                     // class name
                                  0x02, 0x00, 0x06, 1, 'a', 0x02, 3,                    // item a
                                  0x02, 0x00,                                           // class index 0
                                  0x02, 0x00, 0x06, 1, 'b', 0x02, 4});                  // item b
  EXPECT_EQ(saved, want);

  TXCollection back(nullptr);
  AddSpin(back, "old", 1);
  Load(back, saved);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Items(1)->Name(), "b");
  EXPECT_EQ(static_cast<TSpin*>(back.Items(1))->speed, 4);
  EXPECT_EQ(back.StreamVersion(), 1);

  Load(back, Bytes({0x02, 0x00}));
  EXPECT_EQ(back.Count(), 0) << "headerless: the first integer is the count";
  EXPECT_EQ(back.StreamVersion(), 0);
  Load(back, "");
  EXPECT_EQ(back.Count(), 0) << "nothing to read reads as an empty collection";
}

TEST(XCollection, BrokenStreamsAreRefusedAndTheItemsHeldStay) {
  const std::string saved = [] {
    TXCollection collection(nullptr);
    AddSpin(collection, "a", 3);
    AddSpin(collection, "b", 4);
    return Saved(collection);
  }();
  const std::string cases[] = {
      Bytes({0x04, 'X', 'C', 'O', 'L', 0x02, 0x01, 0x02, 0x01, 0x06, 5, 'T', 'F', 'o', 'g', 'X', 0x02, 0x00, 0x06, 0}),
      Bytes({0x04, 'X', 'C', 'O', 'L', 0x02, 0x01, 0x02, 0x01, 0x02, 0x00, 0x02, 0x00, 0x06, 0}),  // index of nothing
      Bytes({0x04, 'X', 'C', 'O', 'L', 0x02, 0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F}),                // count beyond the stream
      Bytes({0x04, 'X', 'C', 'O', 'L', 0x02, 0x01, 0x02, 0xFF}),                                  // negative count
      saved.substr(0, saved.size() - 1),
      saved.substr(0, 20),
  };
  TXCollection collection(nullptr);
  AddSpin(collection, "kept", 9);
  for (const std::string& bytes : cases) {
    EXPECT_THROW(Load(collection, bytes), platform::ReadError) << bytes.size() << " bytes";
    ASSERT_EQ(collection.Count(), 1);
    EXPECT_EQ(collection.Items(0)->Name(), "kept");
    EXPECT_EQ(collection.Items(0)->Owner(), &collection);
  }
}

TEST(XCollection, UniqueClassesRefuseTheirOwnAndDerivedClasses) {
  TXCollection collection(nullptr);
  EXPECT_TRUE(collection.AcceptsClass(XCollectionItemClassOf<TGravity>()));
  EXPECT_FALSE(collection.AcceptsClass(XCollectionItemClassOf<TLoner>())) << "the class refuses";
  new TGravity(&collection);
  EXPECT_FALSE(collection.AcceptsClass(XCollectionItemClassOf<TGravity>())) << "a unique class present";
  EXPECT_FALSE(collection.AcceptsClass(XCollectionItemClassOf<TStrongGravity>())) << "derived from a unique one";
  AddSpin(collection, "s", 1);
  EXPECT_TRUE(collection.AcceptsClass(XCollectionItemClassOf<TSpin>())) << "not unique";

  TXCollection other(nullptr);
  new TStrongGravity(&other);
  EXPECT_TRUE(other.AcceptsClass(XCollectionItemClassOf<TGravity>())) << "a base class is not derived from its heir";
}

TEST(XCollection, ItemsKnowTheirPlaceAndAssignCopiesThemByClass) {
  TPersistentObjectList owner;  // stands for the scene object
  TXCollection collection(&owner);
  EXPECT_EQ(collection.GetNamePath(), "TPersistentObjectList.XCollection");
  TSpin* first = AddSpin(collection, "a", 1);
  TSpin* second = AddSpin(collection, "b", 2);
  EXPECT_EQ(second->Index(), 1);
  EXPECT_EQ(second->GetNamePath(), "TPersistentObjectList.XCollection[1]");
  EXPECT_EQ(TXCollection(nullptr).GetNamePath(), "TXCollection");
  delete first;
  EXPECT_EQ(collection.Count(), 1) << "a freed item leaves";
  EXPECT_EQ(second->Index(), 0);

  TXCollection copy(nullptr);
  copy.Assign(&collection);
  ASSERT_EQ(copy.Count(), 1);
  auto* spin = dynamic_cast<TSpin*>(copy.Items(0));
  ASSERT_NE(spin, nullptr) << "made of the source item's class";
  EXPECT_EQ(spin->speed, 2);
  EXPECT_EQ(spin->Name(), "b");
  EXPECT_EQ(spin->Owner(), &copy);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_THROW(copy.Items(0), EListError);

  auto* doomed = new TXCollection(nullptr);
  AddSpin(*doomed, "c", 3);
  int itemsWhenTold = -1;
  XCollectionDestroyHook = [&](TXCollection* c) { itemsWhenTold = c == doomed ? c->Count() : -2; };
  delete doomed;
  XCollectionDestroyHook = nullptr;
  EXPECT_EQ(itemsWhenTold, 1) << "the hook hears of the collection before its items go";
}
