// Tests of the COM port device: errors on open, reads that never wait, and bytes that cross a
// linked pair of ports (PELLUCOR_COM_PAIRS, e.g. "3:33 4:34", set by the test harness).
#include "Win32SerialDevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <utility>

#include "WinTestSupport.h"

namespace {

using qel::SerialError;
using qel::Win32SerialDevice;

constexpr char kMode[] = "9600,N,8,1";
constexpr int kMissingPort = 199;  // no such device in any test set-up

// The first linked pair of the harness: what is written to one port arrives at the other.
std::optional<std::pair<int, int>> FirstPortPair() {
    const auto pairs = wintest::EnvVar("PELLUCOR_COM_PAIRS");
    if (!pairs) {
        return std::nullopt;
    }
    std::istringstream in(*pairs);
    int first = 0;
    int second = 0;
    char colon = 0;
    if (!(in >> first >> colon >> second) || colon != ':') {
        return std::nullopt;
    }
    return std::make_pair(first, second);
}

TEST(Win32SerialDevice, MissingPortIsReportedAsSuch) {
    Win32SerialDevice device;
    const auto error = device.Open(kMissingPort, kMode);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, SerialError::Kind::NoSuchPort);
    EXPECT_FALSE(error->description.empty());
    EXPECT_FALSE(device.IsOpen());
}

TEST(Win32SerialDevice, ReadingAClosedPortFailsWithoutWaiting) {
    Win32SerialDevice device;
    char buffer[8];
    std::optional<SerialError> error;
    EXPECT_EQ(device.Read(buffer, sizeof buffer, error), 0u);
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->description.empty());
    EXPECT_FALSE(device.Write("x", 1));
}

class LinkedPorts : public ::testing::Test {
protected:
    void SetUp() override {
        const auto pair = FirstPortPair();
        if (!pair) {
            GTEST_SKIP() << "PELLUCOR_COM_PAIRS is not set";
        }
        std::tie(portA, portB) = *pair;
    }

    // Reads from the device until `count` bytes have come or the time is up.
    static std::string ReadAtLeast(Win32SerialDevice& device, std::size_t count) {
        std::string got;
        wintest::PumpUntil(
            [&] {
                char buffer[64];
                std::optional<SerialError> error;
                got.append(buffer, device.Read(buffer, sizeof buffer, error));
                return error.has_value() || got.size() >= count;
            },
            std::chrono::seconds(5));
        return got;
    }

    int portA = 0;
    int portB = 0;
};

TEST_F(LinkedPorts, ReadWithNothingWaitingReturnsAtOnce) {
    Win32SerialDevice device;
    ASSERT_EQ(device.Open(portA, kMode), std::nullopt);
    char buffer[16];
    std::optional<SerialError> error;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(device.Read(buffer, sizeof buffer, error), 0u);
        EXPECT_FALSE(error.has_value());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(LinkedPorts, BytesWrittenAtOneEndArriveUnchangedAtTheOther) {
    Win32SerialDevice device;
    Win32SerialDevice otherEnd;
    ASSERT_EQ(device.Open(portA, kMode), std::nullopt);
    ASSERT_EQ(otherEnd.Open(portB, kMode), std::nullopt);

    const std::string sent = "Temp 21.5\r\nHum 40%\r\n@@@@\x80\xa9\xff";
    ASSERT_TRUE(otherEnd.Write(sent.data(), sent.size()));
    EXPECT_EQ(ReadAtLeast(device, sent.size()), sent);
}

TEST_F(LinkedPorts, APortThisProcessHoldsIsInUseUntilClosed) {
    Win32SerialDevice first;
    Win32SerialDevice second;
    ASSERT_EQ(first.Open(portA, kMode), std::nullopt);

    const auto error = second.Open(portA, kMode);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, SerialError::Kind::InUse);
    EXPECT_FALSE(error->description.empty());

    first.Close();
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(second.Open(portA, kMode), std::nullopt);
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(LinkedPorts, ReopeningTheSameDeviceReleasesItsOldPort) {
    Win32SerialDevice device;
    ASSERT_EQ(device.Open(portA, kMode), std::nullopt);
    ASSERT_EQ(device.Open(portB, kMode), std::nullopt);

    Win32SerialDevice other;
    EXPECT_EQ(other.Open(portA, kMode), std::nullopt) << "the first port was let go";
}

TEST_F(LinkedPorts, UnreadableSettingsAreBadSettingsAndFreeThePort) {
    Win32SerialDevice device;
    for (const char* mode : {"9600,X,8,1", "fast", "9600,N,8,7"}) {
        const auto error = device.Open(portA, mode);
        ASSERT_TRUE(error.has_value()) << mode;
        EXPECT_EQ(error->kind, SerialError::Kind::BadSettings) << mode;
        EXPECT_FALSE(error->description.empty()) << mode;
        EXPECT_FALSE(device.IsOpen()) << mode;
    }
    EXPECT_EQ(device.Open(portA, kMode), std::nullopt);
}

}  // namespace
