#include "bigview/file_text.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/checked.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace varlo {

TextChangedError::TextChangedError()
    : Exception("ファイルが表示中に変更されました。読み込み直します。") {}

namespace {

// The sum takes 64 bytes at a time as eight 64-bit words, one to each of
// eight lanes: lane i adds word w to lane i ^ 1, and to lane i the product
// of the two halves of w ^ k, where k is lane i's key plus the stripe's
// number times a step (so that stripes moved within a block change the
// sum). Vectors of two or four lanes do the same many words at once.
constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull, kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kKeys[8] = {0xBE4BA423396CFEB8ull, 0x1CAD21F72C81017Cull, 0xDB979083E96DD4DEull,
                               0x1F67B3B7A4A44072ull, 0x78E5C0CC4EE679CBull, 0x2172FFCC7DD05A82ull,
                               0x8E2443F7744608B8ull, 0x4C263A81E69035E0ull};
constexpr uint64_t kKeyStep = 0x165667B19E3779F9ull;
constexpr size_t kStripe = 64;

// The lanes at the end, the bytes after the last whole stripe and the
// length made into one word.
uint64_t Finish(const uint64_t (&acc)[8], const char* tail, size_t rest, size_t n) {
  uint64_t h = n * kP2;
  for (const uint64_t a : acc) h = std::rotl((h ^ a) * kP1, 29);
  size_t i = 0;
  for (; i + 8 <= rest; i += 8) {
    uint64_t w;
    std::memcpy(&w, tail + i, sizeof w);
    h = std::rotl((h ^ w) * kP1, 29);
  }
  uint64_t w = 0;
  std::memcpy(&w, tail + i, rest - i);
  h = std::rotl((h ^ w) * kP1, 29);
  h ^= h >> 33;
  h *= kP2;
  h ^= h >> 29;
  return h;
}

uint64_t SumPlain(const char* data, size_t n) {
  uint64_t acc[8] = {};
  const size_t stripes = n / kStripe;
  for (size_t s = 0; s < stripes; ++s) {
    for (size_t i = 0; i < 8; ++i) {
      uint64_t w;
      std::memcpy(&w, data + s * kStripe + 8 * i, sizeof w);
      const uint64_t k = w ^ (kKeys[i] + s * kKeyStep);
      acc[i ^ 1] += w;
      acc[i] += (k & 0xFFFFFFFFu) * (k >> 32);
    }
  }
  return Finish(acc, data + stripes * kStripe, n % kStripe, n);
}

#if defined(__SSE2__)
uint64_t SumBase(const char* data, size_t n) {
  __m128i acc[4], key[4];
  for (size_t v = 0; v < 4; ++v) {
    acc[v] = _mm_setzero_si128();
    key[v] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeys + 2 * v));
  }
  const __m128i step = _mm_set1_epi64x(static_cast<long long>(kKeyStep));
  const size_t stripes = n / kStripe;
  for (size_t s = 0; s < stripes; ++s) {
    for (size_t v = 0; v < 4; ++v) {
      const __m128i w =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + s * kStripe + 16 * v));
      const __m128i k = _mm_xor_si128(w, key[v]);
      const __m128i product = _mm_mul_epu32(k, _mm_srli_epi64(k, 32));
      acc[v] = _mm_add_epi64(acc[v], _mm_add_epi64(_mm_shuffle_epi32(w, 0x4E), product));
      key[v] = _mm_add_epi64(key[v], step);
    }
  }
  uint64_t lanes[8];
  for (size_t v = 0; v < 4; ++v)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(lanes + 2 * v), acc[v]);
  return Finish(lanes, data + stripes * kStripe, n % kStripe, n);
}

// No wide vector crosses a call: the Windows compiler does not align its
// stack for them.
[[gnu::target("avx2")]] uint64_t SumWide(const char* data, size_t n) {
  const __m256i step = _mm256_set1_epi64x(static_cast<long long>(kKeyStep));
  __m256i acc0 = _mm256_setzero_si256(), acc1 = _mm256_setzero_si256();
  __m256i key0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kKeys));
  __m256i key1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kKeys + 4));
  const size_t stripes = n / kStripe;
  for (size_t s = 0; s < stripes; ++s) {
    const char* p = data + s * kStripe;
    const __m256i w0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    const __m256i w1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    const __m256i k0 = _mm256_xor_si256(w0, key0), k1 = _mm256_xor_si256(w1, key1);
    acc0 =
        _mm256_add_epi64(acc0, _mm256_add_epi64(_mm256_shuffle_epi32(w0, 0x4E),
                                                _mm256_mul_epu32(k0, _mm256_srli_epi64(k0, 32))));
    acc1 =
        _mm256_add_epi64(acc1, _mm256_add_epi64(_mm256_shuffle_epi32(w1, 0x4E),
                                                _mm256_mul_epu32(k1, _mm256_srli_epi64(k1, 32))));
    key0 = _mm256_add_epi64(key0, step);
    key1 = _mm256_add_epi64(key1, step);
  }
  uint64_t lanes[8];
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), acc0);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes + 4), acc1);
  return Finish(lanes, data + stripes * kStripe, n % kStripe, n);
}
#endif

}  // namespace

std::vector<SumWay> SumWays() {
  std::vector<SumWay> ways{SumWay::kPlain};
#if defined(__SSE2__)
  ways.push_back(SumWay::kBase);
  if (__builtin_cpu_supports("avx2")) ways.push_back(SumWay::kWide);
#endif
  return ways;
}

uint64_t BlockSumBy(SumWay way, const char* data, size_t n) {
  switch (way) {
#if defined(__SSE2__)
    case SumWay::kBase: return SumBase(data, n);
    case SumWay::kWide: return SumWide(data, n);
#endif
    default: return SumPlain(data, n);
  }
}

uint64_t BlockSum(const char* data, size_t n) {
  static const SumWay best = SumWays().back();
  return BlockSumBy(best, data, n);
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
