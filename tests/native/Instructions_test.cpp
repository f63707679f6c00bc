// The instructions window's text (file, failures, sections), its layout arithmetic, and the
// instruction file that ships with the program.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace std::string_literals;

#include "Fakes.h"
#include "HelpFormLayout.h"
#include "InstructionText.h"

namespace qel {
namespace {

constexpr char kFolder[] = "C:\\Qel\\";
constexpr char kStart[] = "There are text boxes for four pieces of information that ";
constexpr char kEnd[] = "Back at the main screen, there ";

TEST(InstructionText, FileIsReadWholeOrReplacedByAFailureText) {
    FakeFileSystem files;
    EXPECT_EQ(InstructionFileText(files, kFolder),
              "*************  Unable to find instruction file.  *************");

    const std::string bytes = "Intro\r\nline\xe9\r\n\r\n\0tail"s;
    files.files["C:\\Qel\\Qel.txt"] = bytes;
    EXPECT_EQ(InstructionFileText(files, kFolder), bytes);  // byte for byte, NUL included

    files.files["C:\\Qel\\Qel.txt"] = "";
    EXPECT_EQ(InstructionFileText(files, kFolder), "");

    files.readErrors["C:\\Qel\\Qel.txt"] = FakeFileSystem::AccessError();
    EXPECT_EQ(InstructionFileText(files, kFolder),
              "Unable to open Help file. Error = Path/File access error");
    // The markers never cut the failure texts, which do not contain them.
    EXPECT_EQ(CutSection(InstructionFileText(files, kFolder), kStart, kEnd),
              "Unable to open Help file. Error = Path/File access error");
}

TEST(InstructionText, SectionRunsFromTheStartPhraseToTheFirstEndPhraseAfterIt) {
    const std::string text = std::string("Back at the main screen, there is A.\r\n") + kStart +
                             "you type.\r\n" + kEnd + "is Run.\r\n" + kEnd + "twice.";
    EXPECT_EQ(CutSection(text, "", ""), text);
    EXPECT_EQ(CutSection(text, kStart, kEnd), std::string(kStart) + "you type.\r\n");
    // Start only: from the phrase to the end of the text.
    EXPECT_EQ(CutSection(text, kStart, ""),
              std::string(kStart) + "you type.\r\n" + kEnd + "is Run.\r\n" + kEnd + "twice.");
    // End only, or a start not found: from the beginning up to the first end phrase.
    EXPECT_EQ(CutSection(text, "", "Back at"), "");
    EXPECT_EQ(CutSection(text, "absent", kEnd), "");
    EXPECT_EQ(CutSection(text, "absent", "is A."), "Back at the main screen, there ");
    // Neither found: whole. Case matters.
    EXPECT_EQ(CutSection(text, "THERE ARE", "nowhere"), text);
    // An end phrase right at the start of what is left gives an empty text.
    EXPECT_EQ(CutSection(text, kEnd, kEnd), "");
}

TEST(HelpFormLayout, WindowTakesFourFifthsOfTheScreenAndKeepsTheButtonInside) {
    // 1920 x 1080 pixels at 15 twips a pixel.
    EXPECT_EQ(helpform::WindowWidth(1920 * 15), 23040);
    EXPECT_EQ(helpform::WindowWidth(1280 * 15), 15360);
    EXPECT_EQ(helpform::WindowWidth(1001), 801);  // 800.8 to the nearest twip

    // A client area as a 23040-twip window with thin borders leaves it.
    const int clientWidth = 23040 - 2 * 60;
    const int clientHeight = 8355;
    const auto p = helpform::Form_Resize(clientWidth, clientHeight, 7215, 4815);
    EXPECT_EQ(p.textWidth, clientWidth - 480);
    EXPECT_EQ(p.buttonTop, 120 + p.textHeight + 15);
    EXPECT_EQ(p.buttonTop + 615 + 120, clientHeight);  // the button ends inside, above a margin
    EXPECT_EQ(p.buttonLeft, (clientWidth - 1335) / 2);
    EXPECT_EQ(helpform::Form_Resize(2001, clientHeight, 0, 0).buttonLeft, 333);  // 332.5: even

    // Too small a client area keeps the box's size; the button still follows the box.
    const auto tiny = helpform::Form_Resize(700, 800, 7215, 4815);
    EXPECT_EQ(tiny.textWidth, 7215);
    EXPECT_EQ(tiny.textHeight, 4815);
    EXPECT_EQ(tiny.buttonTop, 120 + 4815 + 15);
    EXPECT_EQ(tiny.buttonLeft, -318);  // narrower than the button: negative, as it falls
}

// The instruction file that ships: ANSI text with CR LF line ends, and the section the host
// dialog's Help button shows is there, in order, and says something.
TEST(ShippedInstructions, AreCrLfTextWithTheHostDialogSection) {
    std::ifstream in(QEL_RES_DIR "/Qel.txt", std::ios::binary);
    ASSERT_TRUE(in);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    ASSERT_GT(text.size(), 2000u);
    EXPECT_NE(text.substr(0, 3), "\xef\xbb\xbf");  // no UTF-8 mark
    for (std::size_t i = 0; i < text.size(); ++i) {
        ASSERT_EQ(text[i] == '\n', i > 0 && text[i - 1] == '\r') << "bare line end at " << i;
        ASSERT_EQ(text[i] == '\r', i + 1 < text.size() && text[i + 1] == '\n') << i;
    }
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const auto start = text.find(kStart);
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(text.find(kStart, start + 1), std::string::npos);
    ASSERT_NE(text.find(kEnd, start), std::string::npos);
    const std::string section = CutSection(text, kStart, kEnd);
    for (const char* topic :
         {"User name", "Password", "URL", "Path", "Set", "Save", "Load", ".uci"}) {
        EXPECT_NE(section.find(topic), std::string::npos) << topic;
    }
    for (const char* topic : {"9600", "@@@@", "Comm Method", "FTP Method", "Leq.ini", "Run",
                              "Configuration information required"}) {
        EXPECT_NE(text.find(topic), std::string::npos) << topic;
    }
}

}  // namespace
}  // namespace qel
