// The server interface's own answers, below the entry layer: the version
// handshake and the unit count of a session.
#include "Common/QRN55/Driver/QRN55ServerInterface.h"

#include <gtest/gtest.h>

#include <vector>

#include "Common/QRN55/Driver/tests/QRN55Entry_fixture.h"

namespace {

TEST(ServerInterface, ConnectAcceptsOnlyItsOwnVersion) {
  struct Case {
    int client_version;
    QRN55Status status;
  };
  const std::vector<Case> cases = {
      {8, QRN55_STATUS_SUCCESS},
      {7, QRN55_STATUS_VERSION_INCOMPATIBLE},
      {9, QRN55_STATUS_VERSION_INCOMPATIBLE},
      {0, QRN55_STATUS_VERSION_INCOMPATIBLE},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QRN55ServerInterfaceConnect(c.client_version), c.status) << c.client_version;
  }
}

TEST(ServerInterface, UnitCountOfASession) {
  QRN55EntryBench entry(QRN55Bench::Kind::kInProcess);
  ASSERT_TRUE(entry.OpenDevice(2));
  struct Case {
    int session_identifier;
    QRN55Status status;
    int count;  // -1: left unwritten
  };
  const std::vector<Case> open = {
      {0, QRN55_STATUS_SUCCESS, 2},
      {1, QRN55_STATUS_UNKNOWN_SESSION, -1},
      {-1, QRN55_STATUS_UNKNOWN_SESSION, -1},
  };
  for (const Case& c : open) {
    int count = -1;
    EXPECT_EQ(QRN55ServerInterfaceUnitGetCount(c.session_identifier, &count), c.status)
        << c.session_identifier;
    EXPECT_EQ(count, c.count) << c.session_identifier;
  }
  QRN55_DeviceClose(entry.device);
  entry.device = nullptr;
  int count = -1;
  EXPECT_EQ(QRN55ServerInterfaceUnitGetCount(0, &count), QRN55_STATUS_UNKNOWN_SESSION);
  EXPECT_EQ(count, -1);
}

}  // namespace
