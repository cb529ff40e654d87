// A file being recorded whose folder is deleted under it: the hold sees the
// name gone and still gets every byte out, including what the writer adds
// after the removal, to a rescue name that never overwrites an earlier one.
#include "platform/filehold.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "testenv.h"

using namespace vistrel::platform;

namespace {

QByteArray Pattern(int size, char seed) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) bytes[i] = char(seed + i * 7 + (i >> 11));
  return bytes;
}

bool WriteAll(int fd, const QByteArray &bytes) {
  return ::write(fd, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
}

QByteArray Contents(const QString &file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(FileHold, WhatIsWrittenAfterTheFolderIsRemovedIsRescued) {
  const QString dir = vistrel::test::freshDir("filehold");
  const QString folder = dir + "/Videos";
  ASSERT_TRUE(QDir().mkpath(folder));
  const QString file = folder + "/Video_3.avi";
  // The writer's own handle, as the file sink has it.
  const int writer = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  ASSERT_GE(writer, 0);
  // More than one chunk of the copy, and not a multiple of it.
  const QByteArray before = Pattern((1 << 20) + 4099, 'a');
  ASSERT_TRUE(WriteAll(writer, before));

  FileHold hold(file);
  ASSERT_TRUE(hold.IsOpen());
  EXPECT_EQ(hold.File(), file);
  EXPECT_FALSE(hold.Unlinked());
  ASSERT_TRUE(QDir(folder).removeRecursively());
  EXPECT_TRUE(hold.Unlinked());

  const QByteArray after = Pattern(333333, 'q');
  ASSERT_TRUE(WriteAll(writer, after));
  ::close(writer);

  const QString first = RescueName(dir, file);
  EXPECT_EQ(first, dir + "/Video_3 (rescued).avi");
  ASSERT_TRUE(hold.CopyTo(first));
  EXPECT_TRUE(Contents(first) == before + after) << "rescued " << Contents(first).size() << " bytes";

  // A second rescue of the same name neither overwrites the first nor fails.
  const QString second = RescueName(dir, file);
  EXPECT_EQ(second, dir + "/Video_3 (rescued 2).avi");
  EXPECT_FALSE(hold.CopyTo(first));
  EXPECT_TRUE(Contents(first) == before + after);
  ASSERT_TRUE(hold.CopyTo(second));
  EXPECT_EQ(Contents(second).size(), before.size() + after.size());

  hold.Close();
  EXPECT_FALSE(hold.IsOpen());
  EXPECT_FALSE(hold.Unlinked());
  EXPECT_FALSE(hold.CopyTo(dir + "/none.avi"));
  EXPECT_FALSE(QFile::exists(dir + "/none.avi"));
  EXPECT_FALSE(FileHold(folder + "/never.avi").IsOpen());
}
