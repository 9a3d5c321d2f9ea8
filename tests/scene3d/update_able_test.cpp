#include "scene3d/update_able.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene3d/notify_collection.h"
#include "scene3d/scene3d_exceptions.h"

using namespace scene3d;

namespace {

// A component that records the senders it is told about.
class TListener : public TGLUpdateAbleComponent {
 public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  void NotifyChange(TObject* sender) override {
    heard.push_back(sender);
    TGLUpdateAbleComponent::NotifyChange(sender);
  }
  std::vector<TObject*> heard;
};

class TNode : public TCollectionItem {
 public:
  explicit TNode(TCollection& collection) : ownerAtBirth(collection.GetOwner()) {}
  void SetX(float v) {
    x = v;
    Changed(false);
  }
  TPersistent* ownerAtBirth;
  float x = 0;
  void Assign(const TPersistent* source) override {
    if (auto* node = dynamic_cast<const TNode*>(source)) {
      x = node->x;
      return;
    }
    TCollectionItem::Assign(source);
  }
};

}  // namespace

TEST(ChangeNotification, ChangesClimbToTheSceneAndNothingLeaksFromAnUpdate) {
  TListener scene(nullptr);
  auto* object = new TListener(&scene);  // freed by the scene
  TGLUpdateAbleObject material(object);
  TGLUpdateAbleObject color(&material);
  std::vector<TObject*> events;
  color.OnChange = [&](TObject* sender) { events.push_back(sender); };

  TObject stranger;
  color.NotifyChange(&stranger);
  EXPECT_EQ(events, std::vector<TObject*>{&color}) << "the event hears it from the colour, not the caller";
  EXPECT_EQ(object->heard, std::vector<TObject*>{&material}) << "the colour tells the material, which tells the object";
  EXPECT_EQ(scene.heard, std::vector<TObject*>{object});

  events.clear();
  object->heard.clear();
  scene.heard.clear();
  color.BeginUpdate();
  color.BeginUpdate();
  color.NotifyChange(&color);
  color.EndUpdate();
  color.NotifyChange(&color);
  EXPECT_TRUE(events.empty() && object->heard.empty() && scene.heard.empty())
      << "a notification during an update reaches nobody";
  color.EndUpdate();
  EXPECT_EQ(events.size(), 1u) << "closing the update tells once";
  EXPECT_EQ(scene.heard.size(), 1u);
  color.EndUpdate();  // none open: nothing
  EXPECT_EQ(events.size(), 1u);
  EXPECT_EQ(color.UpdateCount(), 0);

  // An owner that is neither updatable object nor component only gets the event fired.
  TPersistent plain;
  TGLUpdateAbleObject loose(&plain);
  int fired = 0;
  loose.OnChange = [&](TObject*) { ++fired; };
  loose.NotifyChange(nullptr);
  EXPECT_EQ(fired, 1);
}

TEST(ChangeNotification, NotifyCollectionTellsItsComponentOncePerBatch) {
  TListener owner(nullptr);
  TNotifyCollection nodes(&owner, ItemClassOf<TNode>());
  auto* first = static_cast<TNode*>(nodes.Add());
  EXPECT_EQ(first->ownerAtBirth, &owner) << "an item's constructor sees its collection";
  EXPECT_EQ(owner.heard, std::vector<TObject*>{&nodes});

  owner.heard.clear();
  nodes.BeginUpdate();
  first->SetX(1);
  nodes.Add();
  static_cast<TNode*>(nodes.Items(1))->SetIndex(0);
  nodes.EndUpdate();
  EXPECT_EQ(owner.heard.size(), 1u) << "a batch is told once, at the end";
  EXPECT_EQ(first->Index(), 1);

  owner.heard.clear();
  first->SetX(2);
  EXPECT_EQ(owner.heard.size(), 1u);

  TOwnedCollection copy(nullptr, ItemClassOf<TNode>());
  copy.Assign(&nodes);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(static_cast<TNode*>(copy.Items(1))->x, 2.0f);
  delete copy.Items(0);  // an item freed early leaves its collection
  EXPECT_EQ(copy.Count(), 1);
  EXPECT_THROW(copy.Items(1), EListError);
  EXPECT_THROW(copy.Insert(3), EListError);
  EXPECT_THROW(copy.Assign(&owner), EConvertError);
}

TEST(Components, OwnersFreeTheirComponentsAndEveryoneHearsOfLeaving) {
  struct TWatcher : TComponent {
    explicit TWatcher(TComponent* owner) : TComponent(owner) { HearSiblings(); }
    TComponent* watched = nullptr;
    std::vector<std::string>* log = nullptr;
    ~TWatcher() override {
      if (log) log->push_back("freed " + Name());
    }
    void Notification(TComponent* c, TOperation op) override {
      if (op == opRemove && c == watched) watched = nullptr;
      TComponent::Notification(c, op);
    }
  };
  std::vector<std::string> log;
  auto form = std::make_unique<TComponent>(nullptr);
  auto* scene = new TWatcher(form.get());
  auto* viewer = new TWatcher(form.get());
  scene->SetName("scene");
  viewer->SetName("viewer");
  scene->log = viewer->log = &log;
  viewer->watched = scene;
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(viewer->ComponentIndex(), 1);

  delete scene;
  EXPECT_EQ(viewer->watched, nullptr) << "a sibling hears that the scene went";
  EXPECT_EQ(form->ComponentCount(), 1);

  TComponent elsewhere(nullptr);
  auto* far = new TWatcher(&elsewhere);
  far->SetName("far");
  far->log = &log;
  viewer->watched = far;
  viewer->FreeNotification(far);
  elsewhere.DestroyComponents();
  EXPECT_EQ(viewer->watched, nullptr) << "a free notification crosses owners";

  auto* part = new TComponent(viewer);
  part->SetSubComponent(true);
  EXPECT_TRUE(IsSubComponent(part));
  EXPECT_FALSE(IsSubComponent(viewer));
  viewer->BeginLoading();
  EXPECT_TRUE(viewer->IsLoading() && viewer->IsReading());
  viewer->EndLoading();
  EXPECT_FALSE(viewer->IsLoading() || viewer->IsReading());

  elsewhere.InsertComponent(viewer);  // moves with its own components
  EXPECT_EQ(form->ComponentCount(), 0);
  EXPECT_EQ(viewer->Owner(), &elsewhere);
  form.reset();
  EXPECT_EQ(log, (std::vector<std::string>{"freed scene", "freed far"}));
  elsewhere.DestroyComponents();
  EXPECT_EQ(log.back(), "freed viewer");
}

TEST(Components, OnlySiblingsThatListenHearComingsAndGoings) {
  struct TCounter : TComponent {
    TCounter(TComponent* owner, bool listen) : TComponent(owner) {
      if (listen) HearSiblings();
    }
    int inserted = 0, removed = 0;
    void Notification(TComponent* c, TOperation op) override {
      (op == opInsert ? inserted : removed) += 1;
      TComponent::Notification(c, op);
    }
  };
  TComponent owner(nullptr);
  auto* listener = new TCounter(&owner, true);
  auto* deaf = new TCounter(&owner, false);
  for (int i = 0; i < 3; ++i) new TComponent(&owner);
  delete owner.Component(4);
  EXPECT_EQ(listener->inserted, 4) << "the deaf one and the three plain ones joined after it";
  EXPECT_EQ(listener->removed, 1);
  EXPECT_EQ(deaf->inserted + deaf->removed, 0) << "a sibling that did not ask hears nothing";

  TComponent other(nullptr);
  other.InsertComponent(listener);
  new TComponent(&owner);
  EXPECT_EQ(listener->inserted, 4) << "moved away, it no longer hears its former owner";
  new TComponent(&other);
  EXPECT_EQ(listener->inserted, 5) << "and hears its new one";
  delete listener;
  EXPECT_EQ(other.ComponentCount(), 1);
  owner.DestroyComponents();
  EXPECT_EQ(owner.ComponentCount(), 0);
}
