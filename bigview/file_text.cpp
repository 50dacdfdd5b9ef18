#include "bigview/file_text.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/checked.h"

namespace varlo {

TextChangedError::TextChangedError()
    : Exception("ファイルが表示中に変更されました。読み込み直します。") {}

uint64_t BlockSum(const char* data, size_t n) {
  // Four independent lanes, one multiply a word, so that they overlap: a
  // block is summed at about the speed it is copied. A word's change
  // changes its lane (the multiply by an odd number is one to one).
  constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full;
  uint64_t a = kP1, b = kP2, c = kP1 ^ kP2, d = ~kP1;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    uint64_t w[4];
    std::memcpy(w, data + i, sizeof w);
    a = std::rotl((a ^ w[0]) * kP1, 29);
    b = std::rotl((b ^ w[1]) * kP1, 29);
    c = std::rotl((c ^ w[2]) * kP1, 29);
    d = std::rotl((d ^ w[3]) * kP1, 29);
  }
  uint64_t h = (std::rotl(a, 1) + std::rotl(b, 7) + std::rotl(c, 12) + std::rotl(d, 18)) ^ n;
  for (; i + 8 <= n; i += 8) {
    uint64_t w;
    std::memcpy(&w, data + i, sizeof w);
    h = std::rotl((h ^ w) * kP1, 29);
  }
  uint64_t tail = 0;
  if (i < n) std::memcpy(&tail, data + i, n - i);
  h = std::rotl((h ^ tail) * kP1, 29);
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  return h;
}

void AppendBlockSums(const char* data, size_t n, size_t block, std::vector<uint64_t>& sums) {
  for (size_t at = 0; at < n; at += block)
    sums.push_back(BlockSum(data + at, std::min(block, n - at)));
}

TFileText::TFileText(platform::LargeBuffer bytes, size_t size)
    : FMemory(std::move(bytes)), FSize(static_cast<int64_t>(size)) {
  // Text in memory does not change underneath: nothing to check.
  FSummed = BlockCount();
}

TFileText::TFileText(std::shared_ptr<const platform::ReadOnlyFile> file, int64_t size, size_t block,
                     size_t cacheBytes)
    : FName(file->Name()),
      FIdentity(file->Identity()),
      FSize(size),
      FBlock(block),
      FFile(std::move(file)) {
  FBlockShift = std::countr_zero(block);
  FCacheBlocks = std::max<size_t>(4, cacheBytes / block);
  FSums = std::make_unique<uint64_t[]>(static_cast<size_t>(BlockCount()));
}

std::shared_ptr<const platform::ReadOnlyFile> TFileText::File() const {
  if (Memory() != nullptr) return nullptr;
  {
    std::lock_guard lock(FMutex);
    if (FFile != nullptr) return FFile;
  }
  std::shared_ptr<const platform::ReadOnlyFile> file;
  try {
    file = std::make_shared<const platform::ReadOnlyFile>(FName);
  } catch (const InOutError& e) {
    throw TextReadError(e.what());
  }
  // The name may lead to another file now: one that took its place.
  if (!(file->Identity() == FIdentity)) throw TextChangedError();
  return file;
}

void TFileText::ReleaseFile() {
  std::lock_guard lock(FMutex);
  FReleased = true;
  if (FHolds == 0) FFile.reset();
}

TFileText::Hold::Hold(const TFileText* text) : FText(text) {
  if (FText == nullptr || FText->Memory() != nullptr) {
    FText = nullptr;
    return;
  }
  std::shared_ptr<const platform::ReadOnlyFile> file = FText->File();
  std::lock_guard lock(FText->FMutex);
  if (FText->FFile == nullptr) FText->FFile = std::move(file);
  ++FText->FHolds;
}

TFileText::Hold::~Hold() {
  if (FText == nullptr) return;
  std::lock_guard lock(FText->FMutex);
  if (--FText->FHolds == 0 && FText->FReleased) FText->FFile.reset();
}

void TFileText::AddSums(const uint64_t* sums, size_t n) {
  const int64_t at = FSummed.load(std::memory_order_relaxed);
  if (!FSums) return;
  const auto room = static_cast<size_t>(BlockCount() - at);
  // Summed again after the file grew: a block it held whole is unchanged.
  for (int64_t k = at; k < FKnown && k - at < static_cast<int64_t>(n); ++k)
    if (sums[k - at] != FSums[static_cast<size_t>(k)]) throw TextChangedError();
  std::copy_n(sums, std::min(n, room), FSums.get() + at);
  FSummed.store(at + static_cast<int64_t>(std::min(n, room)), std::memory_order_release);
}

size_t TFileText::ReadFile(int64_t offset, char* out, size_t n) const {
  std::shared_ptr<const platform::ReadOnlyFile> file = File();
  try {
    return file->ReadAt(offset, out, n);
  } catch (const InOutError& e) {
    throw TextReadError(e.what());
  }
}

size_t TFileText::BlockLength(int64_t k) const {
  const int64_t start = k << FBlockShift;
  return static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(FBlock), FSize - start));
}

void TFileText::Check(int64_t k, const char* data, size_t got) const {
  const size_t want = BlockLength(k);
  if (got < want) throw TextChangedError();
  if (k < SummedBlocks() && BlockSum(data, want) != FSums[static_cast<size_t>(k)])
    throw TextChangedError();
}

const char* TFileText::CachedBlock(int64_t k) {
  {
    std::lock_guard lock(FMutex);
    if (const auto hit = FCache.find(k); hit != FCache.end()) {
      FOrder.splice(FOrder.end(), FOrder, hit->second);
      return hit->second->bytes.get();
    }
  }
  auto bytes = std::make_unique<char[]>(FBlock);
  const size_t got = ReadFile(k << FBlockShift, bytes.get(), BlockLength(k));
  Check(k, bytes.get(), got);
  std::lock_guard lock(FMutex);
  if (FCache.size() >= FCacheBlocks) {
    FCache.erase(FOrder.front().block);
    FOrder.pop_front();
  }
  FOrder.push_back({k, std::move(bytes)});
  FCache.emplace(k, std::prev(FOrder.end()));
  return FOrder.back().bytes.get();
}

void TFileText::Read(int64_t offset, size_t n, char* out) {
  if (n == 0) return;
  if (offset < 0 || CheckedAdd(offset, static_cast<int64_t>(n)) > FSize)
    throw Exception("ファイルの範囲外を読もうとしました");
  if (Memory() != nullptr) {
    std::memcpy(out, Memory() + offset, n);
    return;
  }
  while (n > 0) {
    const int64_t k = offset >> FBlockShift;
    const auto in = static_cast<size_t>(offset - (k << FBlockShift));
    const size_t take = std::min(n, BlockLength(k) - in);
    std::memcpy(out, CachedBlock(k) + in, take);
    out += take;
    offset += static_cast<int64_t>(take);
    n -= take;
  }
}

std::string TFileText::Read(int64_t offset, size_t n) {
  std::string s(n, '\0');
  Read(offset, n, s.data());
  return s;
}

std::string_view TFileText::ReadBlocks(int64_t first, int64_t count, std::vector<char>& buffer,
                                       bool check) const {
  const int64_t last = std::min(first + count, BlockCount());
  if (first >= last) return {};
  const int64_t begin = first << FBlockShift;
  const int64_t end = std::min(last << FBlockShift, FSize);
  const auto n = static_cast<size_t>(end - begin);
  if (Memory() != nullptr) return {Memory() + begin, n};
  if (buffer.size() < n) buffer.resize(n);
  {
    // Blocks the cache holds need no read: a small file stays readable
    // from there even once it is gone.
    std::lock_guard lock(FMutex);
    bool all = true;
    for (int64_t k = first; k < last && all; ++k) all = FCache.count(k) > 0;
    if (all) {
      for (int64_t k = first; k < last; ++k)
        std::memcpy(buffer.data() + ((k - first) << FBlockShift), FCache.at(k)->bytes.get(),
                    BlockLength(k));
      return {buffer.data(), n};
    }
  }
  const size_t got = ReadFile(begin, buffer.data(), n);
  if (!check) {
    if (got < n) throw TextChangedError();
    return {buffer.data(), n};
  }
  for (int64_t k = first; k < last; ++k) {
    const auto at = static_cast<size_t>((k - first) << FBlockShift);
    Check(k, buffer.data() + at, got > at ? got - at : 0);
  }
  return {buffer.data(), n};
}

void TFileText::Grow(int64_t size, int64_t resum) {
  if (Memory() != nullptr || size <= FSize) return;
  const int64_t blocks = (size + static_cast<int64_t>(FBlock) - 1) / static_cast<int64_t>(FBlock);
  auto sums = std::make_unique<uint64_t[]>(static_cast<size_t>(blocks));
  const int64_t summed = SummedBlocks();
  std::copy_n(FSums.get(), static_cast<size_t>(summed), sums.get());
  std::lock_guard lock(FMutex);
  // The last block, cut short before, is read whole from now on.
  if (const int64_t last = BlockCount() - 1; last >= 0 && BlockLength(last) < FBlock) {
    if (const auto hit = FCache.find(last); hit != FCache.end()) {
      FOrder.erase(hit->second);
      FCache.erase(hit);
    }
  }
  FKnown = std::min(summed, FSize / static_cast<int64_t>(FBlock));
  FSums = std::move(sums);
  FSize = size;
  FResumed = std::min(resum, summed);
  FSummed.store(FResumed, std::memory_order_release);
}

bool TFileText::SameTail(const platform::ReadOnlyFile& file) const {
  if (FSize == 0) return true;
  const int64_t k = BlockCount() - 1;
  const size_t n = BlockLength(k);
  std::vector<char> buffer(n);
  size_t got = 0;
  try {
    got = file.ReadAt(k << FBlockShift, buffer.data(), n);
  } catch (const InOutError& e) {
    throw TextReadError(e.what());
  }
  if (got < n) return false;
  if (Memory() != nullptr) return std::memcmp(buffer.data(), Memory() + (k << FBlockShift), n) == 0;
  return k >= SummedBlocks() || BlockSum(buffer.data(), n) == FSums[static_cast<size_t>(k)];
}

void TFileText::CheckSample(int64_t every) const {
  if (Memory() != nullptr || FSize == 0) return;
  std::vector<char> buffer(FBlock);
  const int64_t blocks = SummedBlocks();
  const auto check = [&](int64_t k) {
    Check(k, buffer.data(), ReadFile(k << FBlockShift, buffer.data(), BlockLength(k)));
  };
  for (int64_t k = FResumed; k < blocks; k += std::max<int64_t>(every, 1)) check(k);
  if (blocks > FResumed) check(blocks - 1);
}

size_t TFileText::CacheBytes() const {
  std::lock_guard lock(FMutex);
  return FCache.size() * FBlock;
}

}  // namespace varlo
