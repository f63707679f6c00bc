#include <gtest/gtest.h>

#include "HostKeyQuestion.h"
#include "SshAddress.h"

namespace qel {
namespace {

TEST(SshAddressTest, SplitsHostAndPortAndNamesTheKnownHost) {
    const struct {
        const char* text;
        std::optional<SshAddress> address;
        const char* knownName;
    } cases[] = {
        {"example.com", SshAddress{"example.com", 22}, "example.com"},
        {"example.com:2222", SshAddress{"example.com", 2222}, "[example.com]:2222"},
        {"example.com:22", SshAddress{"example.com", 22}, "example.com"},
        {"[2001:db8::1]:2200", SshAddress{"2001:db8::1", 2200}, "[2001:db8::1]:2200"},
        {"[::1]", SshAddress{"::1", 22}, "::1"},
        {"2001:db8::1", SshAddress{"2001:db8::1", 22}, "2001:db8::1"},
        {"", std::nullopt, ""},
        {":22", std::nullopt, ""},
        {"host:", std::nullopt, ""},
        {"host:0", std::nullopt, ""},
        {"host:65536", std::nullopt, ""},
        {"host:22x", std::nullopt, ""},
        {"[::1", std::nullopt, ""},
        {"[::1]x", std::nullopt, ""},
        {"[]:22", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const auto address = SplitSshAddress(c.text);
        EXPECT_EQ(address, c.address) << c.text;
        if (address) {
            EXPECT_EQ(KnownHostName(*address), c.knownName) << c.text;
        }
    }
}

TEST(SshAddressTest, FingerprintIsUnpaddedBase64OfTheDigest) {
    // The SHA-256 of nothing, as ssh-keygen would print it for a key with that digest.
    const std::string empty =
        "\xE3\xB0\xC4\x42\x98\xFC\x1C\x14\x9A\xFB\xF4\xC8\x99\x6F\xB9\x24"
        "\x27\xAE\x41\xE4\x64\x9B\x93\x4C\xA4\x95\x99\x1B\x78\x52\xB8\x55";
    EXPECT_EQ(OpenSshFingerprint(empty), "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
    EXPECT_EQ(OpenSshFingerprint("f"), "SHA256:Zg");
    EXPECT_EQ(OpenSshFingerprint("fo"), "SHA256:Zm8");
    EXPECT_EQ(OpenSshFingerprint("foo"), "SHA256:Zm9v");
    EXPECT_EQ(OpenSshFingerprint("\xFF\xFE"), "SHA256://4");
}

TEST(HostKeyQuestionTest, AsksOnlyWhenRunByHandAndNotAfterNoUntilChosenAnew) {
    const UnknownHostKey key{"[sftp.example.com]:2222", "SHA256:abc", "line"};
    const UnknownHostKey other{"other.example.com", "SHA256:def", "line"};
    HostKeyQuestion question;
    EXPECT_EQ(question.Met(key, false), HostKeyQuestion::Step::Refuse);  // under /run
    EXPECT_EQ(question.Met(key, true), HostKeyQuestion::Step::Ask);
    EXPECT_TRUE(question.Asking());
    EXPECT_EQ(question.Met(key, true), HostKeyQuestion::Step::Ignore);  // the box is open
    EXPECT_EQ(question.Met(other, true), HostKeyQuestion::Step::Refuse);
    question.Answered(false);
    EXPECT_FALSE(question.Asking());
    EXPECT_EQ(question.Met(key, true), HostKeyQuestion::Step::Refuse);
    EXPECT_EQ(question.Met(other, true), HostKeyQuestion::Step::Ask);
    question.Answered(true);
    question.ChosenAnew();
    EXPECT_EQ(question.Met(key, true), HostKeyQuestion::Step::Ask);

    EXPECT_NE(HostKeyQuestion::QuestionText(key).find("SHA256:abc"), std::string::npos);
    EXPECT_EQ(HostKeyQuestion::RefusalText(key),
              "Host key not trusted: [sftp.example.com]:2222 SHA256:abc");
}

}  // namespace
}  // namespace qel
