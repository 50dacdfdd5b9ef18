// How files are opened and written on the real platform: the store reads
// read-only, sharing read, write and delete, so a log another program is
// writing can be viewed; the settings file gets new contents in one step
// and keeps what the user set on it.
#include <gtest/gtest.h>
#include <windows.h>

#include "bigview/line_store.h"
#include "platform/file.h"
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

TEST(FileSharing, NewSettingsContentsKeepTheFilesAttributes) {
  testing::TempDir dir;
  const auto path = dir.Write(L"varlo.INI", "[A]\r\nx=1\r\n");
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  platform::ReplaceFileContents(path, "[A]\r\nx=2\r\n");
  EXPECT_EQ(testing::ReadAll(path), "[A]\r\nx=2\r\n");
  EXPECT_EQ(GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  // Only the file itself is in the folder afterwards.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace varlo
