// The ordered index against std::multimap on the same CP949 names: bulk load, balance, look up.
// And loads in arrival order, whose cost per insert must not grow with the index.
#include "basesrc/foundation/orderedindex.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "basesrc/foundation/memory.h"

namespace ostrada {
namespace {

struct Node {
  const char* key = nullptr;
  Node* parent = nullptr;
  Node* left = nullptr;
  Node* right = nullptr;
  Node* prev = nullptr;
  Node* next = nullptr;
};

int ByKey(const Node& existing, const Node& incoming) {
  return StrCompare(existing.key, incoming.key);
}

struct CStrLess {
  bool operator()(const char* a, const char* b) const { return StrCompare(a, b) < 0; }
};

// Names of two to six Hangul syllables in CP949 (lead 0xB0..0xC8, trail 0xA1..0xFE), like stock names.
std::vector<std::string> RandomNames(int64_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    std::string name;
    const int syllables = 2 + static_cast<int>(random() % 5);
    for (int s = 0; s < syllables; ++s) {
      name += static_cast<char>(0xB0 + random() % 25);
      name += static_cast<char>(0xA1 + random() % 94);
    }
    names.push_back(std::move(name));
  }
  return names;
}

std::vector<Node> NodesFor(const std::vector<std::string>& names) {
  std::vector<Node> nodes(names.size());
  for (size_t i = 0; i < names.size(); ++i) nodes[i].key = names[i].c_str();
  return nodes;
}

// Lookups in an order unrelated to the load order.
std::vector<const char*> ProbeOrder(const std::vector<std::string>& names) {
  std::vector<const char*> probes;
  for (const auto& name : names) probes.push_back(name.c_str());
  std::shuffle(probes.begin(), probes.end(), std::mt19937(99));
  return probes;
}

void BM_IndexLoadRebuildFind(benchmark::State& state) {
  const auto names = RandomNames(state.range(0), 1);
  auto nodes = NodesFor(names);
  const auto probes = ProbeOrder(names);
  for (auto _ : state) {
    OrderedIndex<Node> index;
    for (Node& node : nodes) index.Insert(&node, ByKey);
    index.Rebuild();
    for (const char* key : probes) {
      benchmark::DoNotOptimize(index.Find([key](const Node& existing) { return StrCompare(existing.key, key); }));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MultimapLoadFind(benchmark::State& state) {
  const auto names = RandomNames(state.range(0), 1);
  auto nodes = NodesFor(names);
  const auto probes = ProbeOrder(names);
  for (auto _ : state) {
    std::multimap<const char*, Node*, CStrLess> map;
    for (Node& node : nodes) map.emplace(node.key, &node);
    for (const char* key : probes) benchmark::DoNotOptimize(map.find(key));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_IndexFind(benchmark::State& state) {
  const auto names = RandomNames(state.range(0), 2);
  auto nodes = NodesFor(names);
  const auto probes = ProbeOrder(names);
  OrderedIndex<Node> index;
  for (Node& node : nodes) index.Insert(&node, ByKey);
  index.Rebuild();
  for (auto _ : state) {
    for (const char* key : probes) {
      benchmark::DoNotOptimize(index.Find([key](const Node& existing) { return StrCompare(existing.key, key); }));
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MultimapFind(benchmark::State& state) {
  const auto names = RandomNames(state.range(0), 2);
  auto nodes = NodesFor(names);
  const auto probes = ProbeOrder(names);
  std::multimap<const char*, Node*, CStrLess> map;
  for (Node& node : nodes) map.emplace(node.key, &node);
  for (auto _ : state) {
    for (const char* key : probes) benchmark::DoNotOptimize(map.find(key));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Keys arriving already sorted, as a downloaded list or a time series does.
void BM_IndexArrivalOrderInsert(benchmark::State& state) {
  auto names = RandomNames(state.range(0), 3);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return StrCompare(a.c_str(), b.c_str()) < 0; });
  auto nodes = NodesFor(names);
  for (auto _ : state) {
    OrderedIndex<Node> index;
    for (Node& node : nodes) index.Insert(&node, ByKey);
    benchmark::DoNotOptimize(index.Last());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_MultimapArrivalOrderInsert(benchmark::State& state) {
  auto names = RandomNames(state.range(0), 3);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return StrCompare(a.c_str(), b.c_str()) < 0; });
  auto nodes = NodesFor(names);
  for (auto _ : state) {
    std::multimap<const char*, Node*, CStrLess> map;
    for (Node& node : nodes) map.emplace_hint(map.end(), node.key, &node);
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_IndexLoadRebuildFind)->Arg(2600)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultimapLoadFind)->Arg(2600)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexFind)->Arg(2600)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultimapFind)->Arg(2600)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexArrivalOrderInsert)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MultimapArrivalOrderInsert)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ostrada
