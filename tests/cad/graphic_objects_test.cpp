#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "cad/cad_exceptions.h"
#include "cad/class_registry.h"
#include "cad/graphic_obj_list.h"
#include "cad/indexed_object_list.h"

namespace cad {
namespace {

int g_alive = 0;

// A drawing object with nothing of its own, for the list and the registry.
class TTestObject : public TGraphicObject {
 public:
  explicit TTestObject(int32_t id) : TGraphicObject(id) { ++g_alive; }
  TTestObject(platform::ByteReader& r, const std::string& tag) : TGraphicObject(r, tag) { ++g_alive; }
  ~TTestObject() override { --g_alive; }
  std::string ClassName() const override { return "TTestObject"; }
  void UpdateExtension() override { ++updates; }
  int updates = 0;
};

class TOtherObject : public TTestObject {
 public:
  using TTestObject::TTestObject;
  std::string ClassName() const override { return "TOtherObject"; }
};

template <typename E, typename F>
std::string ErrorOf(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

TEST(GraphicObject, StreamHeaderBytes) {
  TTestObject o(7);
  o.Layer = 3;
  platform::ByteWriter w;
  o.SaveToStream(w);
  EXPECT_EQ(w.Data(), (platform::Bytes{7, 0, 0, 0, 3, 0x03}));
  o.ToBeSaved = false;
  platform::ByteWriter n;
  o.SaveToStream(n);
  EXPECT_EQ(n.Data(), (platform::Bytes{7, 0, 0, 0, 3, 0x07})) << "bit 2 set when NOT to be saved";

  const platform::Bytes header{0xFE, 0xFF, 0xFF, 0xFF, 200, 0x06};
  platform::ByteReader r(header);
  TTestObject read(r, "KQ-002");
  EXPECT_EQ(read.ID, -2);
  EXPECT_EQ(read.Layer, 200);
  EXPECT_FALSE(read.Visible);
  EXPECT_TRUE(read.Enabled);
  EXPECT_FALSE(read.ToBeSaved);
  EXPECT_TRUE(read.LayerStyled);
  const platform::Bytes shortBytes{1, 0, 0};
  platform::ByteReader shortHeader(shortBytes);
  EXPECT_THROW(TTestObject(shortHeader, "KQ-002"), platform::FormatError);

  TTestObject target(9);
  target.Layer = 1;
  target.Assign(read);
  EXPECT_EQ(target.ID, 9);
  EXPECT_EQ(target.Layer, 1);
  EXPECT_FALSE(target.Visible);
  EXPECT_FALSE(target.ToBeSaved);
  int notified = 0;
  target.OnChange = [&](TGraphicObject& sender) { notified += sender.ID; };
  target.UpdateAndNotify();
  EXPECT_EQ(target.updates, 1);
  EXPECT_EQ(notified, 9);
}

TEST(ClassRegistry, SlotsNamesAndErrors) {
  TKQSysClassRegister reg;
  reg.RegisterClass(3, GraphicClassOf<TTestObject>("TTestObject"));
  reg.RegisterClass(511, GraphicClassOf<TOtherObject>("TOtherObject"));
  EXPECT_EQ(ErrorOf<ECADObjClassNotFound>([&] { reg.RegisterClass(3, GraphicClassOf<TOtherObject>("TOtherObject")); }),
            "KQSysRegisterClass: Index 3 already allocated by TTestObject");
  EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { reg.RegisterClass(512, GraphicClassOf<TTestObject>("X")); }),
            "KQSysRegisterClass: Out of bound registration index");
  EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { reg.RegisterClass(-1, GraphicClassOf<TTestObject>("X")); }),
            "KQSysRegisterClass: Out of bound registration index");
  EXPECT_EQ(reg.FindClassIndex("TOtherObject"), 511);
  EXPECT_EQ(ErrorOf<ECADObjClassNotFound>([&] { reg.FindClassIndex("ttestobject"); }),
            "KQSysFindClassIndex: ttestobject graphic class not found");
  EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { reg.FindClassByIndex(512); }),
            "KQSysRegisterClass: Out of bound registration index");
  EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { reg.FindClassByIndex(-5); }),
            "KQSysRegisterClass: Out of bound registration index");
  EXPECT_EQ(ErrorOf<ECADObjClassNotFound>([&] { reg.FindClassByIndex(4); }),
            "KQSysFindClassByIndex: Index not registered");

  // A class found by its stream index builds the object from the stream.
  const platform::Bytes record{5, 0, 0, 0, 2, 0x03};
  platform::ByteReader r(record);
  auto object = reg.FindClassByIndex(reg.FindClassIndex("TOtherObject")).CreateFromStream(r, "KQ-002");
  EXPECT_EQ(object->ClassName(), "TOtherObject");
  EXPECT_EQ(object->ID, 5);
  EXPECT_EQ(reg.FindClassByName("TTestObject").Name, "TTestObject");

  reg.Init();
  EXPECT_THROW(reg.FindClassByIndex(3), ECADObjClassNotFound);
  reg.RegisterClass(3, GraphicClassOf<TOtherObject>("TOtherObject"));
  EXPECT_EQ(reg.FindClassIndex("TOtherObject"), 3);

  // The program's register behind the free functions.
  KQSysInitClassRegister();
  KQSysRegisterClass(10, GraphicClassOf<TTestObject>("TTestObject"));
  EXPECT_EQ(KQSysFindClassIndex("TTestObject"), 10);
  EXPECT_EQ(KQSysFindClassByName("TTestObject").Name, "TTestObject");
  EXPECT_EQ(KQSysFindClassByIndex(10).Name, "TTestObject");
  KQSysInitClassRegister();
}

TEST(GraphicObjList, AddDeleteClearAndOwnership) {
  g_alive = 0;
  {
    TGraphicObjList list;
    for (int i = 1; i <= 4; ++i) list.Add(new TTestObject(i));
    EXPECT_EQ(list.Count(), 4);
    list.Delete(2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(g_alive, 3) << "an owning list frees what it removes";
    EXPECT_EQ(ErrorOf<ECADListObjNotFound>([&] { list.Delete(2); }), "TGraphicObjList.Delete: Object not found");
    EXPECT_FALSE(list.HasIterators()) << "a failed delete releases its iterator";
    auto it = list.GetIterator();
    std::vector<int> ids;
    for (TGraphicObject* o = it->First(); o; o = it->Next()) ids.push_back(o->ID);
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(it->Next(), nullptr);
    EXPECT_EQ(it->Current(), nullptr);
    EXPECT_EQ(it->Next(), nullptr) << "no current node";
    EXPECT_EQ(it->Search(3)->ID, 3);
    EXPECT_EQ(it->Search(99), nullptr);
    EXPECT_EQ(it->Current()->ID, 3) << "a failed search keeps the current node";
    EXPECT_EQ(it->Count(), 3);
    it.reset();
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(g_alive, 0);
    list.Add(new TTestObject(8));
  }
  EXPECT_EQ(g_alive, 0) << "the destructor frees the objects";

  TTestObject kept(1);
  {
    TGraphicObjList borrowed;
    borrowed.FreeOnClear = false;
    borrowed.Add(&kept);
    borrowed.Delete(1);
  }
  EXPECT_EQ(kept.ID, 1) << "a list that does not own leaves the object alone";
}

TEST(GraphicObjList, IteratorsRefuseWithTheirTexts) {
  TGraphicObjList list;
  list.Add(new TTestObject(1));
  {
    auto exclusive = list.GetExclusiveIterator();
    EXPECT_EQ(ErrorOf<ECADListBlocked>([&] { list.GetIterator(); }),
              "TGraphicObjList.GetIterator: The list has exclusive iterator.");
  }
  {
    auto shared = list.GetIterator();
    auto second = list.GetIterator();
    EXPECT_EQ(ErrorOf<ECADListBlocked>([&] { list.GetExclusiveIterator(); }),
              "TGraphicObjList.GetExclusiveIterator: The list has active iterators.");
    TTestObject* extra = new TTestObject(2);
    EXPECT_EQ(ErrorOf<ECADListBlocked>([&] { list.Add(extra); }), "TGraphicObjList.Add: The list has active iterators.");
    delete extra;  // refused: still the caller's
    EXPECT_EQ(ErrorOf<ECADListBlocked>([&] { list.Delete(1); }),
              "TGraphicObjList.Delete: The list has active iterators.");
    EXPECT_EQ(ErrorOf<ECADListBlocked>([&] { list.Clear(); }), "TGraphicObjList.Clear: The list has active iterators.");
    EXPECT_TRUE(list.HasIterators());
    // The privileged iterator asks nothing.
    auto privileged = list.GetPrivilegedIterator();
    EXPECT_EQ(privileged->First()->ID, 1);
  }
  EXPECT_FALSE(list.HasIterators());
  list.Add(new TTestObject(2));
  list.GetIterator().reset();
  list.GetExclusiveIterator().reset();
  EXPECT_EQ(list.Count(), 2);

  // Two exclusive iterators (a privileged one among them): closing one keeps the list exclusive.
  auto first = list.GetExclusiveIterator();
  auto second = list.GetPrivilegedIterator();
  first.reset();
  EXPECT_THROW(list.GetIterator(), ECADListBlocked);
  second.reset();
  EXPECT_NO_THROW(list.GetIterator());
}

TEST(GraphicObjList, RemoveAndDetachThroughTheExclusiveIterator) {
  g_alive = 0;
  TGraphicObjList list;
  for (int i = 1; i <= 3; ++i) list.Add(new TTestObject(i));
  {
    auto it = list.GetExclusiveIterator();
    it->Search(3);
    it->RemoveCurrent();
    ASSERT_NE(it->Current(), nullptr);
    EXPECT_EQ(it->Current()->ID, 2) << "removing the last node moves to the preceding one";
    it->First();
    it->RemoveCurrent();
    EXPECT_EQ(it->Current()->ID, 2) << "otherwise to the following one";
    TGraphicObject* detached = it->DetachCurrent();
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(detached->ID, 2);
    EXPECT_EQ(it->Current(), nullptr) << "the only node gone: no current node";
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(g_alive, 1) << "the detached object survives";
    delete detached;
    it->RemoveCurrent();  // nothing current: nothing happens
  }
  EXPECT_EQ(g_alive, 0);
}

// An exclusive iterator that hands out its current node, as a container walking its list does.
class TNodeIterator : public TExclusiveGraphicObjIterator {
 public:
  using TExclusiveGraphicObjIterator::TExclusiveGraphicObjIterator;
  TGraphicObjNode* Node() const { return current_; }
};

TEST(GraphicObjList, NodeOperationsAndNoObjects) {
  g_alive = 0;
  TGraphicObjList list;
  for (int i = 1; i <= 4; ++i) list.Add(new TTestObject(i));
  {
    TNodeIterator it(list);
    it.Search(2);
    list.RemoveNode(it.Node());
    EXPECT_EQ(g_alive, 3) << "an owning list frees the object of a removed node";
    it.Search(4);
    TGraphicObject* detached = list.DetachNode(it.Node());
    ASSERT_NE(detached, nullptr);
    EXPECT_EQ(detached->ID, 4);
    EXPECT_EQ(g_alive, 3) << "a detached object survives";
    delete detached;
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(ErrorOf<ECADListObjNotFound>([&] { list.RemoveNode(nullptr); }),
              "TGraphicObjList.RemoveNode: No node to remove.");
    EXPECT_EQ(ErrorOf<ECADListObjNotFound>([&] { list.DetachNode(nullptr); }),
              "TGraphicObjList.DetachNode: No node to detach.");
    std::vector<int> ids;
    for (TGraphicObject* o = it.First(); o; o = it.Next()) ids.push_back(o->ID);
    EXPECT_EQ(ids, (std::vector<int>{1, 3})) << "head and tail stay linked";
  }
  // No object at all is refused: every search reads the object of each node.
  EXPECT_EQ(ErrorOf<ECADListObjNotFound>([&] { list.Add(nullptr); }), "TGraphicObjList.Add: No object to add.");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.GetIterator()->Search(7), nullptr);
}

TEST(GraphicObjList, OpeningAndChangingRaceUnderTheLock) {
  // A reader thread keeps opening shared iterators and walking; the writer keeps adding. Every add
  // either succeeds while no iterator is open or is refused; a reader never sees a torn list.
  TGraphicObjList list;
  std::atomic<bool> stop{false};
  std::atomic<int> walks{0};
  std::thread reader([&] {
    while (!stop) {
      try {
        auto it = list.GetIterator();
        int n = 0;
        for (TGraphicObject* o = it->First(); o; o = it->Next()) ++n;
        if (n != it->Count()) std::abort();
        ++walks;
      } catch (const ECADListBlocked&) {
      }
    }
  });
  // On a busy machine the reader may not start before 20000 adds are done: the writer waits for
  // its first walk and goes on until it has walked a few times while the list grew (at most 10 s).
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (walks == 0 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
  const int walksBefore = walks;
  int added = 0;
  for (int i = 0; (i < 20000 || walks < walksBefore + 10) && std::chrono::steady_clock::now() < giveUp; ++i) {
    auto* o = new TTestObject(i);
    try {
      list.Add(o);
      ++added;
    } catch (const ECADListBlocked&) {
      delete o;
    }
  }
  stop = true;
  reader.join();
  EXPECT_EQ(list.Count(), added);
  EXPECT_GE(walks.load(), walksBefore + 10) << "the reader walked while the list grew";
}

TEST(IndexedObjectList, BoundsAndOwnership) {
  g_alive = 0;
  {
    TIndexedObjectList<TTestObject> list(3);
    list.SetObject(0, new TTestObject(1));
    list.SetObject(2, new TTestObject(3));
    EXPECT_EQ(list.GetObject(1), nullptr);
    EXPECT_EQ(list.GetObject(2)->ID, 3);
    EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { list.GetObject(3); }), "TIndexedObjectList.GetObject: Index out of bounds.");
    EXPECT_EQ(ErrorOf<ECADOutOfBound>([&] { list.SetObject(-1, nullptr); }),
              "TIndexedObjectList.SetObject: Index out of bounds.");
    list.SetCount(1);
    EXPECT_EQ(g_alive, 1) << "shrinking frees the dropped objects";
    list.SetCount(0);
    EXPECT_EQ(g_alive, 0);
    EXPECT_EQ(list.GetObject(5), nullptr) << "no storage: none";
    list.SetObject(5, nullptr);
    list.SetCount(2);
    list.SetObject(1, new TTestObject(2));
  }
  EXPECT_EQ(g_alive, 0);
}

}  // namespace
}  // namespace cad
