// Tests of the FTPS upload dialogue against scripted server replies: the reply reader, the
// command sequence, and where each refusal stops it.
#include "FtpsDialogue.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace qel {
namespace {

TEST(FtpReplyReader, CutsSingleAndMultiLineRepliesFromPiecesOfAnyLength) {
    // Only "220 " ends the banner: not an untagged line, another code, or "220-"; empty lines
    // are no replies.
    const std::string stream =
        "\r\n220-Welcome\r\n220-no 220 here\r\n  999 not the end\r\nplain\r\n221 other\r\n"
        "220x\r\n\r\n220 Ready\r\n\r\n331 Password?\r\nbogus\n230 In\n";
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
            {220, "220-Welcome 220-no 220 here   999 not the end plain 221 other 220x 220 Ready",
             "220 Ready"},
            {331, "331 Password?", "331 Password?"},
            {0, "bogus", "bogus"},
            {230, "230 In", "230 In"}};
        EXPECT_EQ(replies, expected) << "pieces of " << piece;
    }
}

TEST(FtpReplyReader, ReadsTheDataPortOfPassiveReplies) {
    EXPECT_EQ(PortFromEpsvReply("229 Entering Extended Passive Mode (|||6446|)"), 6446u);
    EXPECT_EQ(PortFromEpsvReply("229 ok (!!!21!)"), 21u);
    EXPECT_EQ(PortFromEpsvReply("229 (|||65535|)"), 65535u);
    for (const char* bad :
         {"229 no port", "229 (||6446|)", "229 (|||70000|)", "229 (|||0|)", "229 (|||x|)",
          "229 (|||6446", "229 (|||65536|)", "229 (|||4294967317|)"}) {
        EXPECT_EQ(PortFromEpsvReply(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(PortFromPasvReply("227 Entering Passive Mode (10,0,0,9,19,137)."), 19u * 256 + 137);
    EXPECT_EQ(PortFromPasvReply("227 =127,0,0,1,4,1"), 1025u);
    EXPECT_EQ(PortFromPasvReply("227 (1,2,3,4,255,255)"), 65535u);
    EXPECT_EQ(PortFromPasvReply("227 (1,2,3,4,0,255)"), 255u);
    for (const char* bad : {"227 (1,2,3,4,5)", "227 (1,2,3,4,5,256)", "227 (1,2,3,4,0,0)",
                            "227 nothing", "227 (1,2,3,4,4294967297,1)"}) {
        EXPECT_EQ(PortFromPasvReply(bad), std::nullopt) << bad;
    }
}

// Plays the server's part from a script of replies, and records what the dialogue did.
class ScriptedTransport : public FtpsTransport {
public:
    std::deque<std::string> replies;  // each handed out by one ReceiveControl
    std::string endless;              // then this, for ever
    std::size_t handedOut = 0;        // bytes
    std::vector<std::string> events;
    std::string failAt;  // the event that fails ("SecureControl", ...)

    FtpsFailure Connect() override { return Record("Connect"); }
    FtpsFailure SendControl(std::string_view bytes) override {
        return Record(std::string(bytes.substr(0, bytes.size() - 2)));
    }
    FtpsFailure ReceiveControl(std::string& received) override {
        if (replies.empty() && endless.empty()) {
            return std::string("no answer");
        }
        const std::string piece = replies.empty() ? endless : replies.front();
        if (!replies.empty()) {
            replies.pop_front();
        }
        received += piece;
        handedOut += piece.size();
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

// Every other well-formed way of saying yes, from the same host.
TEST(FtpsDialogue, TakesEveryWellFormedAnswer) {
    const struct {
        std::size_t reply;
        const char* text;
        const char* pasv;  // inserted after the reply to EPSV, which it then falls back to
        unsigned port;
    } answers[] = {
        {0, "120 In a moment\r\n220 Ready\r\n", nullptr, 50000},
        {3, "202 No password needed\r\n", nullptr, 50000},
        {4, "\r\n\r\n200 PBSZ=0\r\n", nullptr, 50000},
        {7, "229-Extended (soon)\r\n229 Extended (|||65535|)\r\n", nullptr, 65535},
        {7, "202 EPSV is not needed\r\n", "227-Passive\r\n227 Passive (1,2,3,4,0,255)\r\n", 255},
        {8, "125 Go\r\n", nullptr, 50000},
        {9, "150 Still going\r\n250 Stored\r\n", nullptr, 50000},
    };
    for (const auto& answer : answers) {
        ScriptedTransport server;
        server.replies = HappyReplies();
        server.replies[answer.reply] = answer.text;
        std::vector<std::string> expected = kHappyEvents;
        expected[9] = "OpenData " + std::to_string(answer.port);
        if (answer.pasv != nullptr) {
            server.replies.insert(server.replies.begin() + 8, answer.pasv);
            expected.insert(expected.begin() + 9, "PASV");
        }
        EXPECT_EQ(RunFtpsUpload(server, kUpload), std::nullopt) << answer.text;
        EXPECT_EQ(server.events, expected) << answer.text;
    }
}

// A host that never ends a reply, or only ever says "wait", is given up as broken early,
// before much has come: nothing grows without bound.
TEST(FtpsDialogue, EndlessRepliesEndInAProtocolErrorFast) {
    for (const std::string& endless : std::vector<std::string>{
             "150 wait\r\n", "220-more\r\n", std::string(1000, 'x'), "120 a\r\n220-b\r\n"}) {
        ScriptedTransport server;
        server.endless = endless;
        const FtpsFailure failure = RunFtpsUpload(server, kUpload);
        ASSERT_TRUE(failure.has_value()) << endless;
        EXPECT_EQ(failure->rfind("FTP protocol error: the host sent ", 0), 0u) << *failure;
        EXPECT_EQ(server.events, std::vector<std::string>{"Connect"});
        EXPECT_LE(server.handedOut, 2 * kMaxReplyBytes);
    }
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
    ScriptedTransport notTls;  // only 234 means "go ahead with TLS"
    notTls.replies = {"220 Ready\r\n", "200 Whatever you say\r\n"};
    EXPECT_NE(RunFtpsUpload(notTls, kUpload)->find("does not offer TLS"), std::string::npos);
    EXPECT_EQ(notTls.events.back(), "AUTH TLS");

    // A line break in a value would make the rest a command of its own: not even connected.
    const std::pair<std::string FtpsUpload::*, std::string> breaks[] = {
        {&FtpsUpload::userName, "\nDELE /x"},
        {&FtpsUpload::password, "\r"},
        {&FtpsUpload::remotePath, std::string("\0", 1)}};
    for (const auto& [value, tail] : breaks) {
        FtpsUpload bad = kUpload;
        bad.*value += tail;
        ScriptedTransport server;
        server.replies = HappyReplies();
        EXPECT_NE(RunFtpsUpload(server, bad), std::nullopt) << tail;
        EXPECT_TRUE(server.events.empty()) << tail;
    }

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

// The limits a host may not pass hold to the reply and to the byte: four preliminary replies
// are waited through, a fifth ends the upload; a reply of exactly the limit is read, one byte
// more is not.
TEST(FtpsDialogue, TheHostsLimitsHoldAtTheirEdges) {
    const auto upload = [](std::size_t reply, const std::string& text) {
        ScriptedTransport server;
        server.replies = HappyReplies();
        server.replies[reply] = text;
        return RunFtpsUpload(server, kUpload);
    };
    const auto times = [](int count, const std::string& text) {
        std::string all;
        while (count-- > 0) {
            all += text;
        }
        return all;
    };
    EXPECT_EQ(upload(0, times(4, "120 Soon\r\n") + "220 Ready\r\n"), std::nullopt);
    EXPECT_NE(upload(0, times(5, "120 Soon\r\n") + "220 Ready\r\n"), std::nullopt);
    // At STOR the first preliminary reply is the answer to STOR itself.
    EXPECT_EQ(upload(9, times(3, "150 More\r\n") + "226 Stored\r\n"), std::nullopt);
    EXPECT_EQ(upload(9, times(4, "150 More\r\n") + "226 Stored\r\n"),
              "FTP protocol error: the host sent more than 4 preliminary replies (150 More)");
    // A welcome of 4,000-byte lines joined by blanks, the last cut to make `size` bytes.
    const auto welcome = [&](std::size_t size) {
        const std::string line = "220-" + std::string(3996, 'w');
        const std::size_t full = (size - 8) / (line.size() + 1);
        return times(static_cast<int>(full), line + "\r\n") + "220 " +
               std::string(size - full * (line.size() + 1) - 4, 'e') + "\r\n";
    };
    EXPECT_EQ(upload(0, welcome(kMaxReplyBytes)), std::nullopt);
    EXPECT_EQ(upload(0, welcome(kMaxReplyBytes + 1)),
              "FTP protocol error: the host sent a reply of more than 65536 bytes");
}

}  // namespace
}  // namespace qel
