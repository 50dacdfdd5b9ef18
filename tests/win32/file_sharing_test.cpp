// How the store opens a file on the real platform: read-only, sharing read,
// write and delete, so a log another program is writing can be viewed.
#include <gtest/gtest.h>
#include <windows.h>

#include "bigview/line_store.h"
#include "tests/support/temp_dir.h"

namespace varlo {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE h) : FHandle(h) {}
  ~Handle() {
    if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return FHandle; }

 private:
  HANDLE FHandle;
};

TEST(FileSharing, LoadsAFileAnotherProgramHoldsOpenForWriting) {
  testing::TempDir dir;
  const auto path = dir.Write(L"log.txt", "first\r\n");
  // A writer that lets others read and write, as a logging program does.
  Handle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(writer.Get(), INVALID_HANDLE_VALUE);
  SetFilePointer(writer.Get(), 0, nullptr, FILE_END);
  DWORD put = 0;
  ASSERT_TRUE(WriteFile(writer.Get(), "second\r\n", 8, &put, nullptr));

  TBvStrings store;
  store.LoadFromFile(path);
  ASSERT_EQ(store.Count(), 2);
  EXPECT_EQ(store.Get(1), "second");
}

TEST(FileSharing, LoadsAFileOpenedWithDeleteSharing) {
  testing::TempDir dir;
  const auto path = dir.Write(L"rotating.txt", "a\r\nb");
  Handle other(CreateFileW(path.c_str(), GENERIC_READ | DELETE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(other.Get(), INVALID_HANDLE_VALUE);
  TBvStrings store;
  store.LoadFromFile(path);
  EXPECT_EQ(store.Count(), 2);
}

TEST(FileSharing, AFileLockedAgainstReadersGivesInOutError) {
  testing::TempDir dir;
  const auto path = dir.Write(L"locked.txt", "secret");
  Handle exclusive(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(exclusive.Get(), INVALID_HANDLE_VALUE);
  TBvStrings store;
  store.Add("previous");
  EXPECT_THROW(store.LoadFromFile(path), InOutError);
  EXPECT_EQ(store.Count(), 0);
}

TEST(FileSharing, TheFileIsClosedAfterLoading) {
  testing::TempDir dir;
  const auto path = dir.Write(L"closed.txt", "x\r\n");
  TBvStrings store;
  store.LoadFromFile(path);
  // Nobody holds the file now: it opens exclusively and can be deleted.
  {
    Handle exclusive(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_NE(exclusive.Get(), INVALID_HANDLE_VALUE);
  }
  EXPECT_TRUE(DeleteFileW(path.c_str()));
  EXPECT_EQ(store.Get(0), "x");
}

}  // namespace
}  // namespace varlo
