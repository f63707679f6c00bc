// Tests of the FTPS upload dialogue against scripted server replies: the reply reader, the
// command sequence, and where each refusal stops it.
#include "FtpsDialogue.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace qel {
namespace {

TEST(FtpReplyReader, CutsSingleAndMultiLineRepliesFromPiecesOfAnyLength) {
    const std::string stream =
        "220-Welcome\r\n220-no 220 here\r\n  999 not the end\r\n220 Ready\r\n331 Password?\r\n"
        "bogus\n230 In\n";
    for (std::size_t piece : {1u, 7u, 500u}) {
        FtpReplyReader reader;
        std::vector<FtpReply> replies;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            reader.Add(stream.substr(at, piece));
            while (auto reply = reader.Next()) {
                replies.push_back(*reply);
            }
        }
        const std::vector<FtpReply> expected{
            {220, "220-Welcome 220-no 220 here   999 not the end 220 Ready"},
            {331, "331 Password?"},
            {0, "bogus"},
            {230, "230 In"}};
        EXPECT_EQ(replies, expected) << "pieces of " << piece;
    }
}

TEST(FtpReplyReader, ReadsTheDataPortOfPassiveReplies) {
    EXPECT_EQ(PortFromEpsvReply("229 Entering Extended Passive Mode (|||6446|)"), 6446u);
    EXPECT_EQ(PortFromEpsvReply("229 ok (!!!21!)"), 21u);
    for (const char* bad : {"229 no port", "229 (||6446|)", "229 (|||70000|)", "229 (|||0|)",
                            "229 (|||x|)", "229 (|||6446"}) {
        EXPECT_EQ(PortFromEpsvReply(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(PortFromPasvReply("227 Entering Passive Mode (10,0,0,9,19,137)."), 19u * 256 + 137);
    EXPECT_EQ(PortFromPasvReply("227 =127,0,0,1,4,1"), 1025u);
    for (const char* bad :
         {"227 (1,2,3,4,5)", "227 (1,2,3,4,5,256)", "227 (1,2,3,4,0,0)", "227 nothing"}) {
        EXPECT_EQ(PortFromPasvReply(bad), std::nullopt) << bad;
    }
}

// Plays the server's part from a script of replies, and records what the dialogue did.
class ScriptedTransport : public FtpsTransport {
public:
    std::deque<std::string> replies;  // each handed out by one ReceiveControl
    std::vector<std::string> events;
    std::string failAt;  // the event that fails ("SecureControl", ...)

    FtpsFailure Connect() override { return Record("Connect"); }
    FtpsFailure SendControl(std::string_view bytes) override {
        return Record(std::string(bytes.substr(0, bytes.size() - 2)));
    }
    FtpsFailure ReceiveControl(std::string& received) override {
        if (replies.empty()) {
            return std::string("no answer");
        }
        received += replies.front();
        replies.pop_front();
        return std::nullopt;
    }
    FtpsFailure SecureControl() override { return Record("SecureControl"); }
    FtpsFailure OpenData(unsigned port) override {
        return Record("OpenData " + std::to_string(port));
    }
    FtpsFailure SecureData() override { return Record("SecureData"); }
    FtpsFailure SendData(std::string_view bytes) override {
        return Record("SendData " + std::string(bytes));
    }
    FtpsFailure CloseData() override { return Record("CloseData"); }

private:
    FtpsFailure Record(std::string event) {
        events.push_back(event);
        if (event == failAt) {
            return "failed at " + event;
        }
        return std::nullopt;
    }
};

const FtpsUpload kUpload{"qel", "s3cret", "/www/live.html", "<html>\r\n"};

// The replies of a host that takes the upload, each for the step that follows the one before.
std::deque<std::string> HappyReplies() {
    return {"220-Hello\r\n220 Ready\r\n",
            "234 AUTH TLS ok\r\n",
            "331 Password?\r\n",
            "230 Logged in\r\n",
            "200 PBSZ=0\r\n",
            "200 Protected\r\n",
            "200 Binary\r\n",
            "229 Extended (|||50000|)\r\n",
            "150 Go\r\n",
            "226 Stored\r\n"};
}

const std::vector<std::string> kHappyEvents{"Connect",
                                            "AUTH TLS",
                                            "SecureControl",
                                            "USER qel",
                                            "PASS s3cret",
                                            "PBSZ 0",
                                            "PROT P",
                                            "TYPE I",
                                            "EPSV",
                                            "OpenData 50000",
                                            "STOR /www/live.html",
                                            "SecureData",
                                            "SendData <html>\r\n",
                                            "CloseData",
                                            "QUIT"};

TEST(FtpsDialogue, UploadsWithTlsBeforeTheLogInAndFallsBackToPasv) {
    ScriptedTransport server;
    server.replies = HappyReplies();
    EXPECT_EQ(RunFtpsUpload(server, kUpload), std::nullopt);
    EXPECT_EQ(server.events, kHappyEvents);

    // A host without EPSV: PASV, whose address is not used (the transport connects to the
    // control connection's peer).
    ScriptedTransport older;
    older.replies = HappyReplies();
    older.replies[7] = "500 EPSV not understood\r\n";
    older.replies.insert(older.replies.begin() + 8, "227 Passive (10,9,8,7,195,80)\r\n");
    EXPECT_EQ(RunFtpsUpload(older, kUpload), std::nullopt);
    std::vector<std::string> expected = kHappyEvents;
    expected[9] = "PASV";
    expected.insert(expected.begin() + 10, "OpenData 50000");
    EXPECT_EQ(older.events, expected);
}

TEST(FtpsDialogue, EveryRefusalStopsTheUploadAndNamesTheReply) {
    // Which reply is replaced by a refusal, and the last event before the dialogue stops.
    const struct {
        std::size_t reply;
        const char* lastEvent;
    } steps[] = {{0, "Connect"},     {1, "AUTH TLS"}, {2, "USER qel"},
                 {3, "PASS s3cret"}, {4, "PBSZ 0"},   {5, "PROT P"},
                 {6, "TYPE I"},      {7, "EPSV"},     {8, "STOR /www/live.html"},
                 {9, "CloseData"}};
    for (const char* refusal : {"421 Busy, try later\r\n", "550-Not\r\n550 here\r\n"}) {
        for (const auto& step : steps) {
            ScriptedTransport server;
            server.replies = HappyReplies();
            server.replies[step.reply] = refusal;
            const bool permanent = refusal[0] == '5';
            std::string lastEvent = step.lastEvent;
            if (lastEvent == "EPSV" && permanent) {  // then PASV is refused too
                server.replies.insert(server.replies.begin() + 8, refusal);
                lastEvent = "PASV";
            }
            const FtpsFailure failure = RunFtpsUpload(server, kUpload);
            ASSERT_TRUE(failure.has_value()) << lastEvent;
            const std::string reply = permanent ? "(550-Not 550 here)" : "(421 Busy, try later)";
            EXPECT_NE(failure->find(reply), std::string::npos) << *failure;
            EXPECT_EQ(server.events.back(), lastEvent) << *failure;
        }
    }
}

TEST(FtpsDialogue, NeverSendsTheLogInWithoutTls) {
    ScriptedTransport refused;
    refused.replies = {"220 Ready\r\n", "500 Command \"AUTH\" not understood.\r\n"};
    EXPECT_EQ(RunFtpsUpload(refused, kUpload),
              "The FTP host does not offer TLS (FTPS); user name and password were not sent "
              "(500 Command \"AUTH\" not understood.)");
    EXPECT_EQ(refused.events, (std::vector<std::string>{"Connect", "AUTH TLS"}));

    // A handshake that fails (a certificate refused, say), and a reply injected in clear
    // behind the 234, which must not be taken for the answer to USER.
    ScriptedTransport failed;
    failed.replies = {"220 Ready\r\n", "234 ok\r\n"};
    failed.failAt = "SecureControl";
    EXPECT_EQ(RunFtpsUpload(failed, kUpload),
              "failed at SecureControl; user name and password were not sent");
    EXPECT_EQ(failed.events.back(), "SecureControl");

    ScriptedTransport injected;
    injected.replies = HappyReplies();
    injected.replies[1] = "234 ok\r\n230 Logged in\r\n";
    EXPECT_EQ(RunFtpsUpload(injected, kUpload), std::nullopt);
    EXPECT_EQ(injected.events, kHappyEvents);
}

TEST(FtpsDialogue, ADataConnectionTheHostRefusesGivesItsReason) {
    ScriptedTransport server;
    server.replies = HappyReplies();
    server.replies[9] = "522 SSL connection failed: session reuse required\r\n";
    const FtpsFailure failure = RunFtpsUpload(server, kUpload);
    ASSERT_TRUE(failure.has_value());
    EXPECT_NE(failure->find("(522 SSL connection failed: session reuse required)"),
              std::string::npos);
    EXPECT_NE(failure->find("resume the TLS session"), std::string::npos);

    ScriptedTransport broken;
    broken.replies = HappyReplies();
    broken.failAt = "SecureData";
    broken.replies[9] = "425 Can't open data connection\r\n";
    EXPECT_EQ(RunFtpsUpload(broken, kUpload),
              "The file could not be sent: failed at SecureData (425 Can't open data "
              "connection)");
    EXPECT_EQ(broken.events.back(), "SecureData");
}

}  // namespace
}  // namespace qel
