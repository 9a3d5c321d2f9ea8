// Shared by the entity tests: a started entity library and a message recorder for each test, and
// records saved and read back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cad/entities.h"
#include "cad/object2d.h"
#include "platform/dialogs.h"
#include "platform/exception.h"

namespace cad {

class EntitiesTest : public ::testing::Test {
 protected:
  void SetUp() override { KQSysStartEntities(); }
  void TearDown() override { KQSysEndEntities(); }

  platform::RecordingDialogs dialogs;
  platform::ScopedDialogs scopedDialogs{&dialogs};
};

// The record of one object, class id first.
inline platform::Bytes RecordOf(TGraphicObject& object) {
  platform::ByteWriter w;
  KQSysWriteObject(w, object);
  return w.Take();
}

// Reads a record written by RecordOf; the whole record must be used.
inline std::unique_ptr<TObject2D> ReadRecord(const platform::Bytes& bytes) {
  platform::ByteReader r(bytes);
  std::unique_ptr<TObject2D> object = KQSysReadObject2D(r, "KQ-002");
  EXPECT_EQ(r.Remaining(), 0u) << "bytes left after the record";
  object->UpdateAndNotify();
  return object;
}

template <typename E, typename F>
std::string ErrorText(F f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace cad
