#pragma once
// OrderedIndex: a binary search tree whose nodes are also chained in key order. The owner embeds
// it, owns the nodes, and supplies the key comparison. Nodes carry their own links:
//   Node* parent; Node* left; Node* right; Node* prev; Node* next;
// Equal keys keep insertion order. Insert leaves the tree unbalanced during bulk loads; the owner
// calls Rebuild once afterwards, or hands the whole load to InsertSorted.
//
// Comparisons (owner-supplied callables):
//   order(const Node& existing, const Node& incoming) -> int   negative/0/positive, existing vs incoming
//   probe(const Node& existing) -> int                         existing key vs the searched key
//
// Invariants kept by every operation: head -> next visits all Count() nodes in ascending order; an
// in-order walk of the tree gives the same sequence; every parent link is right. A node's left
// subtree holds no key greater than its own and its right subtree no key smaller (equal keys can sit
// on either side once Rebuild has balanced a run of them).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {

template <class Node>
class OrderedIndex {
 public:
  OrderedIndex() = default;
  // A copy would share the owner's nodes and corrupt both lists on the first change.
  OrderedIndex(const OrderedIndex&) = delete;
  OrderedIndex& operator=(const OrderedIndex&) = delete;

  Node* Root() const { return root_; }
  Node* First() const { return head_; }
  Node* Last() const { return tail_; }
  int32_t Count() const { return count_; }

  // 1 on success, 0 after showing the loop message (the index is unchanged). A node whose key is
  // not below the last one is appended in constant time; that is the very place the walk from the
  // root would reach, so arrival-order loads cost O(1) per node and build the same tree.
  template <class Order>
  int Insert(Node* node, Order order);
  // Many nodes at once, given in the index's order (a stable sort by `order`): each goes after every
  // node not above it, the very place Insert would give it, in one pass over the list, and the tree
  // is then balanced as Rebuild balances it. O(Count() + n) after the caller's sort, where inserting
  // one after another walks the tree for each. Nodes out of order are still linked soundly, each
  // after the nodes the pass has already left behind. 1, or 0 (reported, index unchanged) for a
  // broken list.
  template <class Order>
  int InsertSorted(Node* const* nodes, int32_t n, Order order);
  // Tree search by the index's own order key; null when absent. Of several equal keys, the first
  // in list order.
  template <class Probe>
  Node* Find(Probe probe) const;
  // List walk for a key the index is not ordered by; the first match or null.
  template <class Match>
  Node* FindLinear(Match match) const;
  // Unlinks (does not free) the node; 0 after showing the no-entry message when it is not here.
  template <class Order>
  int Remove(Node* node, Order order);
  // Balances the tree over the list; 1 on success, 0 (reported, index unchanged) for a broken list.
  int Rebuild();
  // Forgets every node without freeing (the owner frees them first).
  void Reset() {
    root_ = head_ = tail_ = nullptr;
    count_ = 0;
  }

 private:
  static constexpr char kModule[] = "basesrc/foundation";

  static void ClearLinks(Node* node) { node->parent = node->left = node->right = node->prev = node->next = nullptr; }
  static void ShowStructureError(Txt text) { ShowMessage(TextC(text), TextC(Txt::kCaptionError), kMbOk); }
  void LinkRight(Node* at, Node* node);
  void LinkLeft(Node* at, Node* node);
  template <class Order>
  bool Holds(const Node* node, Order order, bool* loop) const;
  void ReplaceInParent(Node* node, Node* replacement);
  void UnlinkFromTree(Node* node);
  void UnlinkFromList(Node* node);
  bool ListIsSound() const;
  static Node* BuildRange(Node** cursor, int32_t n);
  void BuildTree();
  static Node* BuildFromArray(Node* const* nodes, int32_t first, int32_t n, int32_t total, Node* parent);

  Node* root_ = nullptr;
  Node* head_ = nullptr;
  Node* tail_ = nullptr;
  int32_t count_ = 0;
};

// The new node becomes the right child of `at` and follows it in the list.
template <class Node>
void OrderedIndex<Node>::LinkRight(Node* at, Node* node) {
  at->right = node;
  node->parent = at;
  node->prev = at;
  node->next = at->next;
  if (at->next) {
    at->next->prev = node;
  } else {
    tail_ = node;
  }
  at->next = node;
}

// The new node becomes the left child of `at` and precedes it in the list.
template <class Node>
void OrderedIndex<Node>::LinkLeft(Node* at, Node* node) {
  at->left = node;
  node->parent = at;
  node->next = at;
  node->prev = at->prev;
  if (at->prev) {
    at->prev->next = node;
  } else {
    head_ = node;
  }
  at->prev = node;
}

template <class Node>
template <class Order>
int OrderedIndex<Node>::Insert(Node* node, Order order) {
  if (!OSTRADA_VERIFY(node != nullptr)) return 0;
  ClearLinks(node);
  if (root_ == nullptr) {
    root_ = head_ = tail_ = node;
    count_ = 1;
    return 1;
  }
  // The tail is the rightmost node of the tree, so a key not below it would walk right all the way.
  if (tail_->right == nullptr && order(*tail_, *node) <= 0) {
    LinkRight(tail_, node);
    ++count_;
    return 1;
  }
  Node* current = root_;
  bool goesRight = false;
  for (;;) {
    goesRight = order(*current, *node) <= 0;
    Node* child = goesRight ? current->right : current->left;
    if (child == current) {
      ShowStructureError(Txt::kIndexLoop);
      ClearLinks(node);
      return 0;
    }
    if (child == nullptr) break;
    current = child;
  }
  if (goesRight) {
    LinkRight(current, node);
  } else {
    LinkLeft(current, node);
  }
  ++count_;
  return 1;
}

template <class Node>
template <class Order>
int OrderedIndex<Node>::InsertSorted(Node* const* nodes, int32_t n, Order order) {
  if (n <= 0) return 1;
  if (count_ == 0) {
    // Nothing to merge with: list and tree come straight from the array, each node visited once.
    root_ = BuildFromArray(nodes, 0, n, n, nullptr);
    head_ = nodes[0];
    tail_ = nodes[n - 1];
    count_ = n;
    return 1;
  }
  if (!OSTRADA_VERIFY(ListIsSound())) return 0;
  // `following` is the first node of the old list that goes after the node being placed; it only
  // moves forward, as the nodes come in order.
  Node* following = head_;
  for (int32_t i = 0; i < n; ++i) {
    Node* node = nodes[i];
    while (following != nullptr && order(*following, *node) <= 0) following = following->next;
    node->parent = node->left = node->right = nullptr;
    node->next = following;
    node->prev = following != nullptr ? following->prev : tail_;
    if (node->prev != nullptr) {
      node->prev->next = node;
    } else {
      head_ = node;
    }
    if (following != nullptr) {
      following->prev = node;
    } else {
      tail_ = node;
    }
  }
  count_ += n;
  BuildTree();
  return 1;
}

template <class Node>
template <class Probe>
Node* OrderedIndex<Node>::Find(Probe probe) const {
  Node* current = root_;
  while (current != nullptr) {
    const int result = probe(*current);
    if (result == 0) break;
    Node* child = result < 0 ? current->right : current->left;
    if (child == current) {
      ShowStructureError(Txt::kIndexLoop);
      return nullptr;
    }
    current = child;
  }
  // A balanced run of equal keys may put a later one above an earlier one. Without a left subtree
  // the node's predecessor is an ancestor the walk already found unequal, so most finds stop here.
  if (current == nullptr || current->left == nullptr) return current;
  while (current->prev != nullptr && probe(*current->prev) == 0) current = current->prev;
  return current;
}

template <class Node>
template <class Match>
Node* OrderedIndex<Node>::FindLinear(Match match) const {
  for (Node* node = head_; node != nullptr; node = node->next) {
    if (match(*node)) return node;
  }
  return nullptr;
}

// Whether the node hangs in this index's tree: its parent links must climb to the root, each parent
// holding it on the side its key belongs to. O(height), however long a run of equal keys is.
template <class Node>
template <class Order>
bool OrderedIndex<Node>::Holds(const Node* node, Order order, bool* loop) const {
  const Node* child = node;
  for (int32_t steps = 0; child != root_; ++steps) {
    const Node* parent = child->parent;
    if (parent == nullptr) return false;
    if (steps >= count_) {
      *loop = true;
      return false;
    }
    const int result = order(*parent, *node);
    const bool fits = parent->right == child ? result <= 0 : parent->left == child && result >= 0;
    if (!fits) return false;
    child = parent;
  }
  return true;
}

template <class Node>
void OrderedIndex<Node>::ReplaceInParent(Node* node, Node* replacement) {
  Node* parent = node->parent;
  if (parent == nullptr) {
    root_ = replacement;
  } else if (parent->left == node) {
    parent->left = replacement;
  } else {
    parent->right = replacement;
  }
  if (replacement) replacement->parent = parent;
}

// A node with one child gives way to it; a node with two gives way to the leftmost node of its
// right subtree, which hands its own right child to its parent first.
template <class Node>
void OrderedIndex<Node>::UnlinkFromTree(Node* node) {
  Node* replacement;
  if (node->left == nullptr) {
    replacement = node->right;
  } else if (node->right == nullptr) {
    replacement = node->left;
  } else {
    replacement = node->right;
    while (replacement->left != nullptr) replacement = replacement->left;
    if (replacement->parent != node) {
      replacement->parent->left = replacement->right;
      if (replacement->right) replacement->right->parent = replacement->parent;
      replacement->right = node->right;
      node->right->parent = replacement;
    }
    replacement->left = node->left;
    node->left->parent = replacement;
  }
  ReplaceInParent(node, replacement);
}

template <class Node>
void OrderedIndex<Node>::UnlinkFromList(Node* node) {
  if (node->prev) {
    node->prev->next = node->next;
  } else {
    head_ = node->next;
  }
  if (node->next) {
    node->next->prev = node->prev;
  } else {
    tail_ = node->prev;
  }
}

template <class Node>
template <class Order>
int OrderedIndex<Node>::Remove(Node* node, Order order) {
  if (!OSTRADA_VERIFY(node != nullptr)) return 0;
  bool loop = false;
  if (!Holds(node, order, &loop)) {
    ShowStructureError(loop ? Txt::kIndexLoop : Txt::kIndexNoEntry);
    return 0;
  }
  UnlinkFromTree(node);
  UnlinkFromList(node);
  --count_;
  ClearLinks(node);
  return 1;
}

// The list must hold exactly Count() nodes from head to tail, linked both ways.
template <class Node>
bool OrderedIndex<Node>::ListIsSound() const {
  if (head_ == nullptr || head_->prev != nullptr || tail_ == nullptr || tail_->next != nullptr) return false;
  const Node* node = head_;
  for (int32_t i = 1; i < count_; ++i) {
    if (node->next == nullptr || node->next->prev != node) return false;
    node = node->next;
  }
  return node == tail_;
}

// The balanced tree over the next n list nodes from *cursor, which moves past them. The root is the
// node with n / 2 nodes before it; the nodes are taken in list order, so each is visited once.
template <class Node>
Node* OrderedIndex<Node>::BuildRange(Node** cursor, int32_t n) {
  if (n == 0) return nullptr;
  const int32_t k = n / 2;
  Node* left = BuildRange(cursor, k);
  Node* middle = *cursor;
  *cursor = middle->next;
  Node* right = BuildRange(cursor, n - k - 1);
  middle->left = left;
  middle->right = right;
  if (left) left->parent = middle;
  if (right) right->parent = middle;
  return middle;
}

// The balanced tree over nodes[first, first + n) (n > 0) of an array of `total` nodes in order, with
// the same shape as BuildRange's, below `parent`. Each node takes all its links, its list neighbours
// included, in one visit, and the nodes are visited in array order: a load's nodes lie in memory in
// that order, or in none if it was sorted, and either way no node is fetched twice.
template <class Node>
Node* OrderedIndex<Node>::BuildFromArray(Node* const* nodes, int32_t first, int32_t n, int32_t total, Node* parent) {
  const int32_t k = n / 2;  // the nodes before the middle; the root of a range of m is its (m / 2)-th
  const int32_t at = first + k;
  const int32_t rightCount = n - k - 1;
  Node* middle = nodes[at];
  if (k > 0) BuildFromArray(nodes, first, k, total, middle);
  middle->parent = parent;
  middle->prev = at > 0 ? nodes[at - 1] : nullptr;
  middle->next = at + 1 < total ? nodes[at + 1] : nullptr;
  middle->left = k > 0 ? nodes[first + k / 2] : nullptr;
  middle->right = rightCount > 0 ? nodes[at + 1 + rightCount / 2] : nullptr;
  if (rightCount > 0) BuildFromArray(nodes, at + 1, rightCount, total, middle);
  return middle;
}

// BuildRange sets both child links of every node and the parent link of every node but the root,
// so no walk has to clear them first.
template <class Node>
void OrderedIndex<Node>::BuildTree() {
  Node* cursor = head_;
  root_ = BuildRange(&cursor, count_);
  if (root_ != nullptr) root_->parent = nullptr;
}

template <class Node>
int OrderedIndex<Node>::Rebuild() {
  if (count_ < 1) return 1;
  if (!OSTRADA_VERIFY(ListIsSound())) return 0;
  BuildTree();
  return 1;
}

// Sorts nodes into the order InsertSorted takes: a stable merge sort by the index's order (<= 0
// keeps the earlier first). It stays within its ranges whatever the order answers, so values that
// compare inconsistently cannot derail it.
template <class Node, class Order>
void SortForIndex(std::vector<Node*>& nodes, Order order) {
  const size_t n = nodes.size();
  bool sorted = true;
  for (size_t i = 1; i < n && sorted; ++i) sorted = order(*nodes[i - 1], *nodes[i]) <= 0;
  if (sorted) return;
  std::vector<Node*> merged(n);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t low = 0; low < n; low += 2 * width) {
      const size_t middle = std::min(low + width, n);
      const size_t high = std::min(low + 2 * width, n);
      size_t left = low;
      size_t right = middle;
      size_t out = low;
      while (left < middle && right < high) {
        merged[out++] = order(*nodes[left], *nodes[right]) > 0 ? nodes[right++] : nodes[left++];
      }
      while (left < middle) merged[out++] = nodes[left++];
      while (right < high) merged[out++] = nodes[right++];
    }
    nodes.swap(merged);
  }
}

}  // namespace ostrada
