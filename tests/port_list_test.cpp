// The port list: the note on ports that cannot be opened now, and the port a noted item names.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSerialPort>

#include "platform/qt/port_list.h"
#include "platform/serial.h"

using namespace platform;

TEST(PortList, NotesThePortsThatCannotBeOpenedNow) {
  static int argc = 1;
  static char name[] = "port_list_tests";
  static char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string path = ptsname(master);

  EXPECT_EQ(UnavailableNote(path), "");
  QSerialPort holder(QString::fromStdString(path));  // another program holds the port
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
  EXPECT_EQ(UnavailableNote(path), "занят или нет доступа");
  holder.close();
  EXPECT_EQ(UnavailableNote(path), "");
  EXPECT_EQ(UnavailableNote("/dev/no-such-port"), "нет устройства");
  close(master);
}

TEST(PortList, ANotedItemNamesItsPort) {
  const std::pair<const char*, const char*> cases[] = {
      {"/dev/ttyUSB0 (занят или нет доступа)", "/dev/ttyUSB0"},
      {"/dev/ttyUSB0", "/dev/ttyUSB0"},
      {"3", "3"},
      {"sim", "sim"}};
  for (const auto& [item, port] : cases) EXPECT_EQ(PortName(item), port);
}
