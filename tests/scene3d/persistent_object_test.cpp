#include "scene3d/persistent_object.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "exception_message.h"
#include "scene3d/data_file.h"
#include "scene3d/file_access.h"
#include "scene3d/persistent_object_list.h"
#include "scene3d/scene3d_exceptions.h"
#include "scratch_dir.h"

using namespace scene3d;
using platform::Bytes;

namespace {

// A small stored class: an integer and a name, version 0.
class TTestItem : public TPersistentObject {
 public:
  TTestItem() = default;
  TTestItem(int value, std::string name) : value(value), name(std::move(name)) {}
  std::string ClassName() const override { return "TTestItem"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TTestItem>(); }
  void WriteToArchive(TVirtualWriter& writer) const override {
    writer.WriteInteger(0);
    if (name == "fail") throw platform::WriteError("cannot store");
    writer.WriteInteger(value);
    writer.WriteString(name);
  }
  void ReadFromArchive(TVirtualReader& reader) override {
    int version = reader.ReadInteger();
    if (version != 0) RaiseUnknownVersion(version);
    value = reader.ReadInteger();
    name = reader.ReadString();
  }
  int value = 0;
  std::string name;
};

// Counts the instances alive, to see what a Clean frees.
class TCountedItem : public TTestItem {
 public:
  TCountedItem() { ++alive; }
  ~TCountedItem() override { --alive; }
  std::string ClassName() const override { return "TCountedItem"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TCountedItem>(); }
  static inline int alive = 0;
};

// A file format with a signature.
class TSignedList : public TPersistentObjectList {
 public:
  std::string ClassName() const override { return "TSignedList"; }
  std::unique_ptr<TPersistentObject> CreateInstance() const override { return std::make_unique<TSignedList>(); }
  std::string FileSignature() const override { return "VKL1"; }
};

// A data file format that stores one text, and fails to store "fail".
class TTextFile : public TDataFile {
 public:
  using TDataFile::TDataFile;
  std::string ClassName() const override { return "TTextFile"; }
  void SaveToStream(platform::Stream& stream) override {
    stream.WriteBuffer(text.data(), text.size());
    if (text == "fail") throw platform::WriteError("cannot store");
  }
  void LoadFromStream(platform::Stream& stream) override {
    text.assign(size_t(stream.Size()), '\0');
    stream.ReadBuffer(text.data(), text.size());
  }
  std::string text;
};

// Forgot to say what it is.
class TForgetful : public TTestItem {};

const bool kRegistered = (RegisterPersistentClass<TTestItem>(), RegisterPersistentClass<TSignedList>(),
                          RegisterPersistentClass<TCountedItem>(), true);

Bytes StringBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Frees the items of a list at the end of a test.
struct Cleaner {
  TPersistentObjectList& list;
  ~Cleaner() { list.Clean(); }
};

}  // namespace

TEST(PersistentObjectList, ArchiveNamesEachClassOnceAndStoresNoForeignPointer) {
  TObject foreign;  // an object that is not ours to store
  TPersistentObjectList list;
  list.Add(new TTestItem(1, "a"));
  list.Add(nullptr);
  list.Add(new TTestItem(-200, "b"));
  list.Add(&foreign);
  std::string archive = list.SaveToString();
  list.Delete(3);
  list.Clean();

  Bytes expected = {0x02, 0x00, 0x01,                                           // version 0, list
                    0x06, 9,   'T', 'T', 'e', 's', 't', 'I', 't', 'e', 'm',     // class named once
                    0x02, 0x00, 0x02, 0x01, 0x06, 0x01, 'a',                    // item 1
                    0x08, 0x02, 0x00,                                           // empty entry
                    0x02, 0x00,                                                 // class index 0
                    0x02, 0x00, 0x03, 0x38, 0xFF, 0x06, 0x01, 'b',              // item 2
                    0x08, 0x02, 0x00,                                           // foreign pointer: empty
                    0x00};
  EXPECT_EQ(StringBytes(archive), expected);

  TPersistentObjectList back;
  Cleaner cleaner{back};
  back.Add(new TTestItem(9, "freed by the load"));
  back.LoadFromString(archive);
  ASSERT_EQ(back.Count(), 4);
  auto* first = dynamic_cast<TTestItem*>(back[0]);
  auto* third = dynamic_cast<TTestItem*>(back[2]);
  ASSERT_TRUE(first && third);
  EXPECT_EQ(first->value, 1);
  EXPECT_EQ(third->value, -200);
  EXPECT_EQ(third->name, "b");
  EXPECT_EQ(back[1], nullptr);
  EXPECT_EQ(back[3], nullptr);

  // A pointer value from an old archive (false, then a number) reads as an empty entry too.
  TPersistentObjectList old;
  old.LoadFromString(std::string("\x02\x00\x01\x08\x04\x78\x56\x34\x12\x00", 10));
  ASSERT_EQ(old.Count(), 1);
  EXPECT_EQ(old[0], nullptr);
}

TEST(PersistentObjectList, BrokenArchivesAreRefusedWithTheirTexts) {
  struct Case {
    const char* what;
    std::string archive;
    const char* message;
  } cases[] = {
      {"version 1", std::string("\x02\x01\x01\x00", 4), "TPersistentObjectList : unknown archive version 1"},
      {"class index before any class", std::string("\x02\x00\x01\x02\x00\x00", 6), "Broken ObjectList archive"},
      {"class index past the classes", std::string("\x02\x00\x01\x06\x09TTestItem\x02\x00\x02\x05\x06\x00\x02\x01\x00", 23),
       "Broken ObjectList archive"},
      {"negative class index", std::string("\x02\x00\x01\x02\xFF\x00", 6), "Broken ObjectList archive"},
      {"a float where an item starts", std::string("\x02\x00\x01\x05\0\0\0\0\0\0\0\x80\xFF\x3F\x00", 15),
       "Broken ObjectList archive"},
      {"unregistered class", std::string("\x02\x00\x01\x06\x05TNope\x00", 10), "Class TNope not found"},
      {"no list start", std::string("\x02\x00\x02\x00", 4), "TBinaryReader, read type error"},
      {"item of a wrong version", std::string("\x02\x00\x01\x06\x09TTestItem\x02\x07\x00", 17),
       "TTestItem : unknown archive version 7"},
  };
  for (const Case& c : cases) {
    TPersistentObjectList list;
    EXPECT_EQ(Message([&] { list.LoadFromString(c.archive); }), c.message) << c.what;
    EXPECT_EQ(list.Count(), 0) << c.what << ": a failed read leaves no half list";
  }
}

TEST(PersistentObjectList, EveryCutOfAnArchiveIsAReadErrorNeverACrash) {
  TPersistentObjectList list;
  Cleaner cleaner{list};
  list.Add(new TTestItem(70000, std::string(300, 'x')));
  auto* inner = new TPersistentObjectList;
  inner->Add(new TTestItem(5, "inner"));
  list.Add(inner);
  list.Add(new TTestItem(-1, "last"));
  std::string archive = list.SaveToString();
  inner->Clean();

  TPersistentObjectList whole;
  whole.LoadFromString(archive);
  EXPECT_EQ(whole.Count(), 3);
  auto* innerBack = dynamic_cast<TPersistentObjectList*>(whole[1]);
  ASSERT_NE(innerBack, nullptr);
  EXPECT_EQ(dynamic_cast<TTestItem*>(innerBack->Get(0))->name, "inner");
  innerBack->Clean();
  whole.Clean();

  for (size_t cut = 0; cut < archive.size(); ++cut) {
    TPersistentObjectList part;
    EXPECT_THROW(part.LoadFromString(archive.substr(0, cut)), platform::FormatError) << "cut at " << cut;
    EXPECT_EQ(part.Count(), 0);
  }

  // Lists nested beyond reason stop before the stack does (each list names its classes anew).
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += std::string("\x02\x00\x01\x06\x15", 5) + "TPersistentObjectList";
  TPersistentObjectList nested;
  EXPECT_EQ(Message([&] { nested.LoadFromString(deep); }), "Archive nested too deeply");
}

TEST(PersistentObjectList, ListsReadInsideListsGoWithTheirItems) {
  // Two levels of lists under the outer one, each holding counted items.
  std::string archive;
  {
    TCountedItem a, b, c;
    TPersistentObjectList deepest, inner, outer;
    deepest.Add(&c);
    inner.Add(&b);
    inner.Add(&deepest);
    outer.Add(&a);
    outer.Add(&inner);
    archive = outer.SaveToString();
  }
  ASSERT_EQ(TCountedItem::alive, 0);
  TPersistentObjectList whole;
  whole.LoadFromString(archive);
  EXPECT_EQ(TCountedItem::alive, 3);
  whole.Clean();
  EXPECT_EQ(TCountedItem::alive, 0) << "the nested lists' items were freed with them";

  // A list put in by hand lends its items: freeing it leaves them alone.
  TCountedItem borrowed;
  auto* lent = new TPersistentObjectList;
  lent->Add(&borrowed);
  TPersistentObjectList holder;
  holder.Add(lent);
  holder.Clean();
  EXPECT_EQ(TCountedItem::alive, 1);
}

TEST(PersistentObjectList, ListOperationsGrowByTheDeltaAndCheckIndexes) {
  TObject a, b, c;
  TPersistentObjectList list;
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Capacity(), 16);
  for (int i = 1; i < 16; ++i) list.Add(&b);
  list.Add(&c);
  EXPECT_EQ(list.Capacity(), 32);
  EXPECT_EQ(list.Count(), 17);
  list.Insert(0, &c);
  EXPECT_EQ(list.IndexOf(&c), 0);
  EXPECT_EQ(list.Remove(&c), 0);
  EXPECT_EQ(list.IndexOf(&c), 16);
  EXPECT_EQ(list.Pop(), &c);
  list.SetCapacity(2);
  EXPECT_EQ(list.Count(), 2);
  list.SetCount(4);
  EXPECT_EQ(list[3], nullptr);
  EXPECT_EQ(list.Remove(&c), -1);
  for (const auto& bad : std::vector<std::function<void()>>{[&] { list.Get(4); }, [&] { list.Put(-1, &a); },
                                                            [&] { list.Delete(4); }, [&] { list.Insert(5, &a); },
                                                            [&] { list.SetCount(-1); }})
    EXPECT_EQ(Message(bad), "Invalid list index");
  list.Clear();
  EXPECT_EQ(list.Pop(), nullptr);
}

TEST(PersistentObject, ClonesFilesSignaturesAndRegistration) {
  TTestItem item(42, "answer");
  std::unique_ptr<TPersistentObject> clone = item.CreateClone();
  auto* copy = dynamic_cast<TTestItem*>(clone.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->value, 42);
  EXPECT_EQ(copy->name, "answer");
  TPersistentObjectList other;
  EXPECT_EQ(Message([&] { item.Assign(&other); }), "Cannot assign a TPersistentObjectList to a TTestItem");
  EXPECT_EQ(Message([&] { item.Assign(nullptr); }), "Cannot assign a nil to a TTestItem");
  TForgetful forgetful;
  EXPECT_THROW(forgetful.CreateClone(), platform::Exception);
  EXPECT_THROW(RegisterPersistentClass<TForgetful>(), platform::Exception);
  EXPECT_EQ(TPersistentObject().SaveToString(), "") << "an empty signature writes nothing";

  testing_support::ScratchDir scratch("persist");
  std::string path = scratch.File("list.vkl");
  TSignedList list;
  list.Add(new TTestItem(3, "three"));
  list.SaveToFile(path);
  list.Clean();
  EXPECT_EQ(testing_support::FileText(path).substr(0, 7), std::string("VKL1\x02\x00\x01", 7));
  TSignedList back;
  back.LoadFromFile(path);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(dynamic_cast<TTestItem*>(back[0])->name, "three");
  back.Clean();

  scratch.Write("wrong.vkl", std::string("VKL2\x02\x00\x01\x00", 8));
  scratch.Write("short.vkl", std::string("VK"));
  EXPECT_EQ(Message([&] { back.LoadFromFile(scratch.File("wrong.vkl")); }), "Invalid file signature");
  EXPECT_EQ(Message([&] { back.LoadFromFile(scratch.File("short.vkl")); }), "Invalid file signature");
  std::string missing = scratch.File("missing.vkl");
  EXPECT_EQ(Message([&] { back.LoadFromFile(missing); }), "File not found: \"" + missing + "\"");
  EXPECT_FALSE(FileStreamExists(missing));
  EXPECT_NO_THROW(CreateFileStream(missing, platform::fmCreate));
  EXPECT_TRUE(FileStreamExists(missing));

  // A hook may put its own streams in place of files.
  SetFileStreamHooks([](const std::string& name, uint16_t) -> std::unique_ptr<platform::Stream> {
    if (name != "memory:list") return nullptr;
    return std::make_unique<platform::MemoryStream>(std::string("VKL1\x02\x00\x01\x00", 8));
  }, [](const std::string& name) { return name == "memory:list"; });
  EXPECT_TRUE(FileIOHooksDefined());
  EXPECT_TRUE(FileStreamExists("memory:list"));
  EXPECT_NO_THROW(back.LoadFromFile("memory:list"));
  EXPECT_EQ(Message([&] { back.LoadFromFile(missing + "x"); }), "File not found: \"" + missing + "x\"");
  SetFileStreamHooks(nullptr, nullptr);
  EXPECT_FALSE(FileIOHooksDefined());
}

TEST(PersistentObject, AFailedSaveLeavesTheFileAsItWas) {
  testing_support::ScratchDir scratch("persist");
  std::string path = scratch.Write("kept.dat", std::string("old"));
  TTextFile file(nullptr);
  file.text = "fail";
  EXPECT_THROW(file.SaveToFile(path), platform::WriteError);
  EXPECT_EQ(testing_support::FileText(path), "old");
  file.text = "new";
  file.SaveToFile(path);
  TTextFile back(nullptr);
  back.LoadFromFile(path);
  EXPECT_EQ(back.text, "new");
  EXPECT_EQ(back.ResourceName(), "kept.dat");
  EXPECT_THROW(back.LoadFromFile(scratch.File("none.dat")), platform::FileError);
  EXPECT_THROW(back.CreateCopy(nullptr), platform::Exception) << "a format that does not say how to copy itself";

  // The same for a persistent object whose archive fails half way.
  TSignedList list;
  list.Add(new TTestItem(1, "one"));
  list.Add(new TTestItem(2, "fail"));
  EXPECT_THROW(list.SaveToFile(path), platform::WriteError);
  EXPECT_EQ(testing_support::FileText(path), "new");
  list.Clean();
}
