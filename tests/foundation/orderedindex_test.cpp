#include "basesrc/foundation/orderedindex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "basesrc/foundation/memory.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

struct Node {
  std::string key;
  int serial = 0;  // arrival number, to tell equal keys apart
  Node* parent = nullptr;
  Node* left = nullptr;
  Node* right = nullptr;
  Node* prev = nullptr;
  Node* next = nullptr;
};

int ByKey(const Node& existing, const Node& incoming) {
  return StrCompare(existing.key.c_str(), incoming.key.c_str());
}

auto ProbeFor(const std::string& key) {
  return [key](const Node& existing) { return StrCompare(existing.key.c_str(), key.c_str()); };
}

using Index = OrderedIndex<Node>;

// The insertion walk exactly as the system first described it, from the root every time, with no
// shortcut for arrival order: the reference the fast path must agree with.
void ReferenceInsert(Node*& root, Node* node) {
  node->parent = node->left = node->right = node->prev = node->next = nullptr;
  if (root == nullptr) {
    root = node;
    return;
  }
  Node* current = root;
  for (;;) {
    if (ByKey(*current, *node) <= 0) {
      if (current->right == nullptr) {
        current->right = node;
        break;
      }
      current = current->right;
    } else {
      if (current->left == nullptr) {
        current->left = node;
        break;
      }
      current = current->left;
    }
  }
  node->parent = current;
}

int Serial(const Node* node) {
  return node ? node->serial : -1;
}

// Each node's (serial, parent, left, right) serials, in serial order: the shape of a tree.
std::vector<std::array<int, 4>> Shape(const std::vector<std::unique_ptr<Node>>& nodes) {
  std::vector<std::array<int, 4>> shape;
  for (const auto& node : nodes) {
    shape.push_back({node->serial, Serial(node->parent), Serial(node->left), Serial(node->right)});
  }
  return shape;
}

int Height(const Node* node) {
  return node ? 1 + std::max(Height(node->left), Height(node->right)) : 0;
}

void InOrder(const Node* node, std::vector<const Node*>& out) {
  if (node == nullptr) return;
  InOrder(node->left, out);
  out.push_back(node);
  InOrder(node->right, out);
}

// Checks every invariant of the index against the expected list of nodes.
void ExpectSound(const Index& index, const std::vector<const Node*>& expected) {
  ASSERT_EQ(index.Count(), static_cast<int32_t>(expected.size()));
  std::vector<const Node*> list;
  const Node* previous = nullptr;
  for (const Node* node = index.First(); node != nullptr; node = node->next) {
    ASSERT_EQ(node->prev, previous);
    list.push_back(node);
    previous = node;
    ASSERT_LE(list.size(), expected.size());
  }
  EXPECT_EQ(index.Last(), previous);
  EXPECT_EQ(list, expected);
  std::vector<const Node*> tree;
  InOrder(index.Root(), tree);
  EXPECT_EQ(tree, expected);
  if (index.Root()) {
    EXPECT_EQ(index.Root()->parent, nullptr);
  }
  for (const Node* node : list) {
    if (node->left) {
      EXPECT_EQ(node->left->parent, node);
    }
    if (node->right) {
      EXPECT_EQ(node->right->parent, node);
    }
  }
}

class OrderedIndexTest : public ::testing::Test {
 protected:
  Node* Make(const std::string& key) {
    nodes.push_back(std::make_unique<Node>());
    nodes.back()->key = key;
    nodes.back()->serial = static_cast<int>(nodes.size()) - 1;
    return nodes.back().get();
  }
  void InsertAll(Index& index, const std::vector<std::string>& keys) {
    for (const auto& key : keys) ASSERT_EQ(index.Insert(Make(key), ByKey), 1);
  }
  std::vector<std::string> Keys(const Index& index) const {
    std::vector<std::string> keys;
    for (const Node* node = index.First(); node != nullptr; node = node->next) keys.push_back(node->key);
    return keys;
  }
  // The user was told the text `count` times, each as an error.
  void ExpectErrors(size_t count, const char* text) {
    ASSERT_EQ(recording.sink.messages.size(), count);
    for (const auto& message : recording.sink.messages) {
      EXPECT_EQ(message.Utf8(), text);
      EXPECT_EQ(message.CaptionUtf8(), "오류");
    }
  }

  testing::RecordingScope recording;
  std::vector<std::unique_ptr<Node>> nodes;
};

TEST_F(OrderedIndexTest, EmptyIndexHasNothing) {
  Index index;
  EXPECT_EQ(index.Root(), nullptr);
  EXPECT_EQ(index.First(), nullptr);
  EXPECT_EQ(index.Last(), nullptr);
  EXPECT_EQ(index.Count(), 0);
  EXPECT_EQ(index.Find(ProbeFor("a")), nullptr);
  EXPECT_EQ(index.Rebuild(), 1);
  EXPECT_EQ(index.Root(), nullptr);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(OrderedIndexTest, InsertKeepsKeyOrderAndEqualKeysInArrivalOrder) {
  Index index;
  InsertAll(index, {"m", "c", "x", "c", "a", "c", "z"});
  EXPECT_EQ(Keys(index), (std::vector<std::string>{"a", "c", "c", "c", "m", "x", "z"}));
  std::vector<int> equalSerials;
  for (const Node* node = index.First(); node; node = node->next) {
    if (node->key == "c") equalSerials.push_back(node->serial);
  }
  EXPECT_EQ(equalSerials, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(index.First()->prev, nullptr);
  EXPECT_EQ(index.Last()->next, nullptr);
}

TEST_F(OrderedIndexTest, HangulKeysSortAfterAscii) {
  Index index;
  InsertAll(index, {"\xBB\xEF\xBC\xBA", "Zeta", "\xB0\xA1", "A"});
  EXPECT_EQ(Keys(index), (std::vector<std::string>{"A", "Zeta", "\xB0\xA1", "\xBB\xEF\xBC\xBA"}));
}

TEST_F(OrderedIndexTest, ArrivalOrderInsertBuildsTheSameTreeAsTheWalk) {
  // Ascending keys with runs of equal ones, then a mixed tail: every shortcut and every walk.
  std::vector<std::string> keys;
  for (int i = 0; i < 300; ++i) keys.push_back("k" + std::to_string(1000 + i / 3));
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) keys.push_back("k" + std::to_string(1000 + random() % 200));
  for (int i = 0; i < 50; ++i) keys.push_back("k9" + std::to_string(100 + i));

  Index index;
  InsertAll(index, keys);
  const auto fast = Shape(nodes);

  Node* root = nullptr;
  for (const auto& node : nodes) ReferenceInsert(root, node.get());
  EXPECT_EQ(Shape(nodes), fast);
  EXPECT_EQ(root, index.Root());
}

TEST_F(OrderedIndexTest, ArrivalOrderAfterRebuildStillMatchesTheWalk) {
  Index index;
  InsertAll(index, {"b", "a", "d", "c", "e", "f", "g"});
  ASSERT_EQ(index.Rebuild(), 1);
  InsertAll(index, {"h", "h", "i", "a0"});
  const auto fast = Shape(nodes);
  // Replay: the rebuilt tree first, then the reference walk for the late arrivals.
  Index replay;
  std::vector<std::unique_ptr<Node>> saved = std::move(nodes);
  nodes.clear();
  for (size_t i = 0; i < 7; ++i) ASSERT_EQ(replay.Insert(Make(saved[i]->key), ByKey), 1);
  ASSERT_EQ(replay.Rebuild(), 1);
  Node* root = replay.Root();
  for (size_t i = 7; i < saved.size(); ++i) ReferenceInsert(root, Make(saved[i]->key));
  EXPECT_EQ(Shape(nodes), fast);
}

// A stable sort by key, as SortForIndex gives it: the order InsertSorted takes.
std::vector<Node*> Sorted(std::vector<Node*> batch) {
  SortForIndex(batch, ByKey);
  return batch;
}

TEST_F(OrderedIndexTest, InsertSortedGivesTheListOfOneByOneInsertion) {
  // Few distinct keys make runs of equal ones, within the batch and against the index.
  std::mt19937 random(11);
  auto key = [&] { return "k" + std::to_string(random() % 40); };
  for (int before : {0, 1, 60}) {
    SCOPED_TRACE(before);
    Index one;
    Index batched;
    std::vector<Node*> reference;
    std::vector<Node*> batch;
    for (int i = 0; i < before; ++i) {
      const std::string k = key();
      ASSERT_EQ(one.Insert(Make(k), ByKey), 1);
      ASSERT_EQ(batched.Insert(Make(k), ByKey), 1);
    }
    for (int i = 0; i < 200; ++i) {
      const std::string k = key();
      ASSERT_EQ(one.Insert(Make(k), ByKey), 1);
      batch.push_back(Make(k));
    }
    const std::vector<Node*> sorted = Sorted(batch);
    ASSERT_EQ(batched.InsertSorted(sorted.data(), static_cast<int32_t>(sorted.size()), ByKey), 1);
    // Same keys and, among equal keys, the same arrival: the twin nodes were made in the same order.
    std::vector<std::pair<std::string, int>> expected;
    for (const Node* node = one.First(); node; node = node->next) expected.emplace_back(node->key, node->serial);
    std::vector<std::pair<std::string, int>> actual;
    std::vector<const Node*> list;
    for (const Node* node = batched.First(); node; node = node->next) {
      actual.emplace_back(node->key, node->serial);
      list.push_back(node);
    }
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      EXPECT_EQ(actual[i].first, expected[i].first) << i;
    }
    // Equal keys keep arrival order: serials ascend within each run.
    for (size_t i = 1; i < actual.size(); ++i) {
      if (actual[i].first == actual[i - 1].first) {
        EXPECT_LT(actual[i - 1].second, actual[i].second) << i;
      }
    }
    ExpectSound(batched, list);
    EXPECT_LE(Height(batched.Root()), Height(nullptr) + 9) << "the batch leaves a balanced tree";
    EXPECT_NE(batched.Find(ProbeFor(actual.back().first)), nullptr);
  }
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(OrderedIndexTest, InsertSortedKeepsTheListSoundForNodesOutOfOrder) {
  Index index;
  InsertAll(index, {"b", "d"});
  std::vector<Node*> batch = {Make("e"), Make("a"), Make("c")};
  ASSERT_EQ(index.InsertSorted(batch.data(), 3, ByKey), 1);
  // "e" passes both old nodes; the ones after it can only follow it.
  EXPECT_EQ(Keys(index), (std::vector<std::string>{"b", "d", "e", "a", "c"}));
  std::vector<const Node*> list;
  for (const Node* node = index.First(); node; node = node->next) list.push_back(node);
  ExpectSound(index, list);
}

TEST_F(OrderedIndexTest, FindWalksTheTreeAndGivesTheFirstOfEqualKeys) {
  Index index;
  InsertAll(index, {"d", "b", "f", "b", "b", "a", "g"});
  EXPECT_EQ(index.Find(ProbeFor("b"))->serial, 1);
  EXPECT_EQ(index.Find(ProbeFor("g"))->serial, 6);
  EXPECT_EQ(index.Find(ProbeFor("c")), nullptr);
  EXPECT_EQ(index.Find(ProbeFor("")), nullptr);
  ASSERT_EQ(index.Rebuild(), 1);
  EXPECT_EQ(index.Find(ProbeFor("b"))->serial, 1);
  EXPECT_EQ(index.Find(ProbeFor("a"))->serial, 5);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(OrderedIndexTest, FindLinearSearchesByAnotherKey) {
  Index index;
  InsertAll(index, {"z", "y", "x"});
  const Node* found = index.FindLinear([](const Node& node) { return node.serial == 1; });
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->key, "y");
  EXPECT_EQ(index.FindLinear([](const Node& node) { return node.serial == 9; }), nullptr);
}

TEST_F(OrderedIndexTest, RebuildGivesMinimalHeights) {
  const std::pair<int, int> expected[] = {{1, 1}, {2, 2}, {3, 2}, {7, 3}, {8, 4}, {15, 4}, {100, 7}};
  for (const auto& [count, height] : expected) {
    Index index;
    for (int i = 0; i < count; ++i) ASSERT_EQ(index.Insert(Make("k" + std::to_string(1000 + i)), ByKey), 1);
    EXPECT_EQ(Height(index.Root()), count) << "arrival order leaves a chain";
    ASSERT_EQ(index.Rebuild(), 1);
    EXPECT_EQ(Height(index.Root()), height) << count;
    std::vector<const Node*> list;
    for (const Node* node = index.First(); node; node = node->next) list.push_back(node);
    ExpectSound(index, list);
  }
}

TEST_F(OrderedIndexTest, RebuildOfTwoPutsTheSecondOnTop) {
  Index index;
  InsertAll(index, {"a", "b"});
  ASSERT_EQ(index.Rebuild(), 1);
  EXPECT_EQ(index.Root()->key, "b");
  EXPECT_EQ(index.Root()->left->key, "a");
  EXPECT_EQ(index.Root()->right, nullptr);
}

TEST_F(OrderedIndexTest, RemoveFollowsTheReplacementRules) {
  Index index;
  // d(b(a,c), h(f(e,g), i)): removing d brings e, the leftmost of the right subtree, up.
  InsertAll(index, {"d", "b", "h", "a", "c", "f", "i", "e", "g"});
  Node* d = nodes[0].get();
  ASSERT_EQ(index.Remove(d, ByKey), 1);
  const Node* root = index.Root();
  EXPECT_EQ(root->key, "e");
  EXPECT_EQ(root->left->key, "b");
  EXPECT_EQ(root->right->key, "h");
  EXPECT_EQ(root->right->left->key, "f");
  EXPECT_EQ(root->right->left->left, nullptr);
  EXPECT_EQ(d->parent, nullptr);
  EXPECT_EQ(d->left, nullptr);
  EXPECT_EQ(d->next, nullptr);
  // h has both children and its leftmost right node is its direct right child i, which keeps its
  // own right subtree and takes over h's left one.
  Node* h = nodes[2].get();
  ASSERT_EQ(index.Remove(h, ByKey), 1);
  EXPECT_EQ(root->right->key, "i");
  EXPECT_EQ(root->right->left->key, "f");
  // A node with only a left child gives way to it; one with only a right child to that.
  Node* i = nodes[6].get();
  ASSERT_EQ(index.Remove(i, ByKey), 1);
  EXPECT_EQ(root->right->key, "f");
  EXPECT_EQ(Keys(index), (std::vector<std::string>{"a", "b", "c", "e", "f", "g"}));
  std::vector<const Node*> list;
  for (const Node* node = index.First(); node; node = node->next) list.push_back(node);
  ExpectSound(index, list);
}

TEST_F(OrderedIndexTest, RemoveOfHeadTailAndLastNode) {
  Index index;
  InsertAll(index, {"b", "a", "c"});
  ASSERT_EQ(index.Remove(nodes[1].get(), ByKey), 1);
  EXPECT_EQ(index.First()->key, "b");
  EXPECT_EQ(index.First()->prev, nullptr);
  ASSERT_EQ(index.Remove(nodes[2].get(), ByKey), 1);
  EXPECT_EQ(index.Last()->key, "b");
  EXPECT_EQ(index.Last()->next, nullptr);
  ASSERT_EQ(index.Remove(nodes[0].get(), ByKey), 1);
  EXPECT_EQ(index.Count(), 0);
  EXPECT_EQ(index.Root(), nullptr);
  EXPECT_EQ(index.First(), nullptr);
  EXPECT_EQ(index.Last(), nullptr);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(OrderedIndexTest, RemoveWithinBalancedRunOfEqualKeys) {
  Index index;
  InsertAll(index, {"s", "s", "s", "s", "s"});
  ASSERT_EQ(index.Rebuild(), 1);
  // After balancing, earlier equal keys sit in the left subtree of later ones.
  for (int serial : {0, 4, 2, 1, 3}) {
    ASSERT_EQ(index.Remove(nodes[static_cast<size_t>(serial)].get(), ByKey), 1) << serial;
  }
  EXPECT_EQ(index.Count(), 0);
  EXPECT_TRUE(recording.sink.messages.empty());
}

// A long run of equal names (a group ordered by a measure most stocks share) must not make each
// removal walk the run: the comparisons per removal stay near the tree's height.
TEST_F(OrderedIndexTest, RemoveWithinALongRunComparesAboutTheHeightPerNode) {
  Index index;
  InsertAll(index, std::vector<std::string>(4096, "s"));
  ASSERT_EQ(index.Rebuild(), 1);
  const int height = Height(index.Root());
  int64_t comparisons = 0;
  auto counted = [&comparisons](const Node& existing, const Node& incoming) {
    ++comparisons;
    return ByKey(existing, incoming);
  };
  for (size_t i = 0; i < nodes.size(); i += 2) ASSERT_EQ(index.Remove(nodes[i].get(), counted), 1) << i;
  ASSERT_EQ(index.Rebuild(), 1);
  for (size_t i = 1; i < nodes.size(); i += 2) ASSERT_EQ(index.Remove(nodes[i].get(), counted), 1) << i;
  EXPECT_EQ(index.Count(), 0);
  EXPECT_LE(comparisons, static_cast<int64_t>(nodes.size()) * height);
}

TEST_F(OrderedIndexTest, RemoveOfAnotherIndexNodeShowsNoEntryAndChangesNeither) {
  Index first;
  Index second;
  InsertAll(first, {"b", "a", "c"});
  InsertAll(second, {"b", "d"});
  const auto before = Shape(nodes);
  for (size_t i = 3; i < nodes.size(); ++i) EXPECT_EQ(first.Remove(nodes[i].get(), ByKey), 0);
  Node stray;
  stray.key = "a";
  EXPECT_EQ(first.Remove(&stray, ByKey), 0);
  EXPECT_EQ(Shape(nodes), before);
  EXPECT_EQ(Keys(first), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Keys(second), (std::vector<std::string>{"b", "d"}));
  ExpectErrors(3, "해제하려는 메모리 번지에 해당하는 내용이 없습니다.");
}

TEST_F(OrderedIndexTest, LoopInTheTreeIsShownAndNothingIsInserted) {
  Index index;
  InsertAll(index, {"m", "c"});
  Node* c = nodes[1].get();
  c->left = c;  // a corrupted link pointing back at its own node
  Node* a = Make("a");
  EXPECT_EQ(index.Insert(a, ByKey), 0);
  EXPECT_EQ(index.Find(ProbeFor("a")), nullptr);
  c->left = nullptr;
  EXPECT_EQ(index.Count(), 2);
  EXPECT_EQ(Keys(index), (std::vector<std::string>{"c", "m"}));
  EXPECT_EQ(a->parent, nullptr);
  ExpectErrors(2, "과정에서 루프(loop)에 빠졌습니다.");
}

TEST_F(OrderedIndexTest, RebuildOfBrokenListIsReportedAndChangesNothing) {
  Index index;
  InsertAll(index, {"a", "b", "c", "d"});
  Node* b = nodes[1].get();
  Node* c = b->next;
  b->next = nullptr;
  const auto before = Shape(nodes);
  EXPECT_EQ(index.Rebuild(), 0);
  EXPECT_EQ(Shape(nodes), before);
  b->next = c;
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_NE(recording.sink.messages[0].Utf8().find("] - basesrc/foundation 에서"), std::string::npos);
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "확인");
}

TEST_F(OrderedIndexTest, NullNodeIsReported) {
  Index index;
  EXPECT_EQ(index.Insert(nullptr, ByKey), 0);
  EXPECT_EQ(index.Remove(nullptr, ByKey), 0);
  EXPECT_EQ(recording.sink.messages.size(), 2u);
}

TEST_F(OrderedIndexTest, ResetForgetsEveryNode) {
  Index index;
  InsertAll(index, {"a", "b"});
  index.Reset();
  EXPECT_EQ(index.Count(), 0);
  EXPECT_EQ(index.Root(), nullptr);
  EXPECT_EQ(index.First(), nullptr);
  EXPECT_EQ(index.Last(), nullptr);
}

// Random inserts, removes and rebuilds against a multimap, which also keeps equal keys in arrival order.
TEST_F(OrderedIndexTest, AgreesWithMultimapUnderRandomOperations) {
  std::mt19937 random(20260105);
  for (int round = 0; round < 20; ++round) {
    Index index;
    std::multimap<std::string, Node*> model;
    nodes.clear();
    for (int step = 0; step < 400; ++step) {
      const unsigned action = random() % 10;
      if (action < 6 || model.empty()) {
        // Few distinct keys, so runs of equal keys are common; some arrive in ascending order.
        const std::string key = action == 5 ? (model.empty() ? "a" : model.rbegin()->first + "z")
                                            : std::string(1, static_cast<char>('a' + random() % 12));
        Node* node = Make(key);
        ASSERT_EQ(index.Insert(node, ByKey), 1);
        model.emplace(key, node);
      } else if (action < 9) {
        auto victim = model.begin();
        std::advance(victim, random() % model.size());
        ASSERT_EQ(index.Remove(victim->second, ByKey), 1);
        model.erase(victim);
      } else {
        ASSERT_EQ(index.Rebuild(), 1);
      }
      std::vector<const Node*> expected;
      for (const auto& entry : model) expected.push_back(entry.second);
      ExpectSound(index, expected);
      if (HasFatalFailure() || HasNonfatalFailure()) return;
      const std::string probe(1, static_cast<char>('a' + random() % 13));
      auto first = model.lower_bound(probe);
      const Node* want = first != model.end() && first->first == probe ? first->second : nullptr;
      ASSERT_EQ(index.Find(ProbeFor(probe)), want) << probe;
    }
  }
  EXPECT_TRUE(recording.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
