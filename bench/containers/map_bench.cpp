// Map insert and find of 100000 integer keys against std::map on the same keys, in the same order.
#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <vector>

#include "common/ratio_main.h"
#include "store/containers/map.h"

namespace {

constexpr int kKeys = 100000;

// Distinct keys spread over the whole 32-bit range, in random order; the map's keys point into this
// array as they would point into key cells.
const std::vector<int32_t>& keys() {
  static const std::vector<int32_t> k = [] {
    std::mt19937 rng(42);
    std::vector<int32_t> v(kKeys);
    std::iota(v.begin(), v.end(), 0);
    for (int32_t& x : v) x = static_cast<int32_t>(static_cast<uint32_t>(x) * 2654435761u);
    std::shuffle(v.begin(), v.end(), rng);
    return v;
  }();
  return k;
}

// Lookups in another random order.
const std::vector<int32_t>& probes() {
  static const std::vector<int32_t> p = [] {
    std::vector<int32_t> v = keys();
    std::shuffle(v.begin(), v.end(), std::mt19937(7));
    return v;
  }();
  return p;
}

void BM_MapInsert_Ours(benchmark::State& state) {
  auto& k = keys();
  for (auto _ : state) {
    Map* map = mapNew(mapCompareInt);
    for (const int32_t& key : k) mapInsert(map, const_cast<int32_t*>(&key), nullptr);
    benchmark::DoNotOptimize(map->count);
    object_delete(map);
  }
}

void BM_MapInsert_StdMap(benchmark::State& state) {
  auto& k = keys();
  for (auto _ : state) {
    std::map<int32_t, void*> map;
    for (int32_t key : k) map.emplace(key, nullptr);
    benchmark::DoNotOptimize(map.size());
  }
}

void BM_MapFind_Ours(benchmark::State& state) {
  Map* map = mapNew(mapCompareInt);
  for (const int32_t& key : keys()) mapInsert(map, const_cast<int32_t*>(&key), nullptr);
  for (auto _ : state) {
    int found = 0;
    for (const int32_t& key : probes()) found += mapFind(map, &key) != nullptr;
    benchmark::DoNotOptimize(found);
  }
  object_delete(map);
}

void BM_MapFind_StdMap(benchmark::State& state) {
  std::map<int32_t, void*> map;
  for (int32_t key : keys()) map.emplace(key, nullptr);
  for (auto _ : state) {
    int found = 0;
    for (int32_t key : probes()) found += map.find(key) != map.end();
    benchmark::DoNotOptimize(found);
  }
}

}  // namespace

BENCHMARK(BM_MapInsert_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapInsert_StdMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFind_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFind_StdMap)->Unit(benchmark::kMillisecond);
ORB_BENCH_RATIO(BM_MapInsert_Ours, BM_MapInsert_StdMap);
ORB_BENCH_RATIO(BM_MapFind_Ours, BM_MapFind_StdMap);
ORB_BENCH_RATIO_MAIN()
