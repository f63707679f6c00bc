// Tests of how the transfer component reads its URL and its PUT operation.
#include "TransferOperation.h"

#include <gtest/gtest.h>

#include <set>

namespace qel {

void PrintTo(const PutOperation& put, std::ostream* os) {
    *os << "{local [" << put.localPath << "], remote [" << put.remotePath << "]}";
}

namespace {

TEST(HostFromFtpUrl, TakesTheHostOfAnFtpUrl) {
    const struct {
        const char* url;
        std::optional<std::string> host;
    } cases[] = {
        {"ftp://example.com", "example.com"},
        {"FTP://Example.COM", "Example.COM"},
        {"Ftp://127.0.0.1", "127.0.0.1"},
        {"ftp://example.com/www/", "example.com"},
        {"FTPS://example.com/www/", "example.com"},
        {"SFTP://[2001:db8::1]:2222/www/", "[2001:db8::1]:2222"},
        {"ftp://ftp://example.com", "ftp:"},  // a doubled scheme is not repaired
        {"ftp://", std::nullopt},
        {"ftp:///www", std::nullopt},
        {"ftp:/example.com", std::nullopt},
        {"http://example.com", std::nullopt},
        {"example.com", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HostFromFtpUrl(c.url), c.host) << c.url;
        EXPECT_EQ(IsFtpsUrl(c.url), std::string(c.url).rfind("FTPS", 0) == 0) << c.url;
        EXPECT_EQ(IsSftpUrl(c.url), std::string(c.url).rfind("SFTP", 0) == 0) << c.url;
    }
}

// A local file system that holds exactly the given files.
auto Holding(std::set<std::string> files) {
    return [files = std::move(files)](const std::string& path) { return files.count(path) > 0; };
}

TEST(ParsePutOperation, SplitsAfterTheLocalFileThatExists) {
    const auto exists = Holding({"C:\\a.html"});
    const struct {
        const char* operation;
        PutOperation put;
    } cases[] = {
        {"PUT C:\\a.html /www/a.html", {"C:\\a.html", "/www/a.html"}},
        {"put C:\\a.html /www/a.html", {"C:\\a.html", "/www/a.html"}},
        {"Put C:\\a.html /a.html", {"C:\\a.html", "/a.html"}},
        {"PUT  C:\\a.html /a.html", {"C:\\a.html", "/a.html"}},
        {"PUT C:\\a.html /my www/a b.html", {"C:\\a.html", "/my www/a b.html"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParsePutOperation(c.operation, exists), c.put) << c.operation;
    }
}

TEST(ParsePutOperation, LocalPathsWithBlanksNeedNoQuotes) {
    const auto exists = Holding({"C:\\My Pages\\live page.html", "C:\\a b.html"});
    const PutOperation expected{"C:\\My Pages\\live page.html", "/www/live.html"};
    EXPECT_EQ(ParsePutOperation("PUT C:\\My Pages\\live page.html /www/live.html", exists),
              expected);
    // The existing file decides even when the remote path has a " /" of its own.
    const PutOperation odd{"C:\\a b.html", "/my /www/a.html"};
    EXPECT_EQ(ParsePutOperation("PUT C:\\a b.html /my /www/a.html", exists), odd);
}

TEST(ParsePutOperation, WithoutAnExistingFileSplitsBeforeTheAbsoluteRemotePath) {
    const auto nothing = Holding({});
    const struct {
        const char* operation;
        PutOperation put;
    } cases[] = {
        {"PUT C:\\gone.html /www/live.html", {"C:\\gone.html", "/www/live.html"}},
        {"PUT C:\\My Pages\\gone.html /www/live.html",
         {"C:\\My Pages\\gone.html", "/www/live.html"}},
        {"PUT C:\\a /b /c.html", {"C:\\a /b", "/c.html"}},              // the last " /" is taken
        {"PUT local.html remote.html", {"local.html", "remote.html"}},  // else the first blank
        {"PUT a b c", {"a", "b c"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParsePutOperation(c.operation, nothing), c.put) << c.operation;
    }
}

TEST(ParsePutOperation, RefusesWhatIsNotAPutOfTwoPaths) {
    const auto exists = Holding({"C:\\a.html"});
    for (const char* operation :
         {"", "PUT", "PUT ", "PUT C:\\a.html", "PUT C:\\a.html ", "PUTC:\\a.html /a.html",
          "GET /a.html C:\\a.html", "DELETE /a.html", " PUT C:\\a.html /a.html"}) {
        EXPECT_EQ(ParsePutOperation(operation, exists), std::nullopt) << "[" << operation << "]";
    }
}

}  // namespace
TEST(WithoutPassword, MasksEveryEchoOfItInAServersReply) {
    EXPECT_EQ(WithoutPassword("530 pw pw refused for pwx", "pw"),
              "530 ******** ******** refused for ********x");
    EXPECT_EQ(WithoutPassword("530 refused", ""), "530 refused");
    EXPECT_EQ(WithoutPassword("aaaa", "aa"), "****************");
    // Masked before it is cut: a password across the cut leaves none of its characters.
    const std::string pad(296, 'x');
    EXPECT_EQ(ShownReply(pad + "pw-Zq9 rest", "pw-Zq9"), pad + "****...");
    EXPECT_EQ(ShownReply("530 pw-Zq9", "pw-Zq9"), "530 ********");
}

}  // namespace qel
