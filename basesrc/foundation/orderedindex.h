#pragma once
// OrderedIndex: a binary search tree whose nodes are also chained in key order. The owner embeds
// it, owns the nodes, and supplies the key comparison. Nodes carry their own links:
//   Node* parent; Node* left; Node* right; Node* prev; Node* next;
// Equal keys keep insertion order. Insert leaves the tree unbalanced during bulk loads; the owner
// calls Rebuild once afterwards.
//
// Comparisons (owner-supplied callables):
//   order(const Node& existing, const Node& incoming) -> int   negative/0/positive, existing vs incoming
//   probe(const Node& existing) -> int                         existing key vs the searched key
#include <cstdint>

namespace ostrada {

template <class Node>
class OrderedIndex {
 public:
  Node* Root() const { return root_; }
  Node* First() const { return head_; }
  Node* Last() const { return tail_; }
  int32_t Count() const { return count_; }

  // 1 on success, 0 after showing the loop message (the index is unchanged).
  template <class Order>
  int Insert(Node* node, Order order);
  // Tree search by the index's own order key; null when absent.
  template <class Probe>
  Node* Find(Probe probe) const;
  // List walk for a key the index is not ordered by; the first match or null.
  template <class Match>
  Node* FindLinear(Match match) const;
  // Unlinks (does not free) the node; 0 after showing the no-entry message when it is not here.
  template <class Order>
  int Remove(Node* node, Order order);
  // Balances the tree over the list; 1 on success.
  int Rebuild();
  // Forgets every node without freeing (the owner frees them first).
  void Reset();
};

}  // namespace ostrada
