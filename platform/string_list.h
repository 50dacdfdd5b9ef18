// String lists: the toolkit's own list of byte strings, and non-owning
// references through which any list with a count and indexed access (the
// toolkit's lists, the line store, a vector) can be passed to code that
// must not depend on its type.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varlo {

template <class L>
concept ReadableStringList = requires(const L& l, int64_t i) {
  { l.Count() } -> std::convertible_to<int64_t>;
  { l.Get(i) } -> std::convertible_to<std::string_view>;
};

template <class L>
concept WritableStringList = requires(L& l, std::string_view s) {
  l.Clear();
  l.Add(s);
};

// Reads any ReadableStringList that outlives it. Get returns a copy: a
// list may make its strings only when asked (the line store reads them
// from its file).
class StringListRef {
 public:
  template <ReadableStringList L>
  StringListRef(const L& list)  // NOLINT: converting on purpose
      : FList(&list),
        FCount([](const void* p) -> int64_t { return static_cast<const L*>(p)->Count(); }),
        FGet([](const void* p, int64_t i) -> std::string {
          return std::string(static_cast<const L*>(p)->Get(i));
        }) {}

  int64_t Count() const { return FCount(FList); }
  std::string Get(int64_t i) const { return FGet(FList, i); }
  bool Refers(const void* list) const { return FList == list; }

 private:
  const void* FList;
  int64_t (*FCount)(const void*);
  std::string (*FGet)(const void*, int64_t);
};

// Clears and fills any WritableStringList that outlives it.
class StringListSinkRef {
 public:
  template <WritableStringList L>
  StringListSinkRef(L& list)  // NOLINT: converting on purpose
      : FList(&list),
        FClear([](void* p) { static_cast<L*>(p)->Clear(); }),
        FAdd([](void* p, std::string_view s) { static_cast<L*>(p)->Add(s); }) {}

  void Clear() { FClear(FList); }
  void Add(std::string_view s) { FAdd(FList, s); }

 private:
  void* FList;
  void (*FClear)(void*);
  void (*FAdd)(void*, std::string_view);
};

// The toolkit's plain list of byte strings.
class TStringList {
 public:
  TStringList() = default;
  TStringList(std::initializer_list<std::string_view> items) {
    for (auto s : items) Add(s);
  }

  int64_t Count() const { return static_cast<int64_t>(FItems.size()); }
  const std::string& Get(int64_t i) const { return FItems.at(static_cast<size_t>(i)); }
  int64_t Add(std::string_view s) {
    FItems.emplace_back(s);
    return Count() - 1;
  }
  void Clear() { FItems.clear(); }
  const std::vector<std::string>& Items() const { return FItems; }

 private:
  std::vector<std::string> FItems;
};

}  // namespace varlo
