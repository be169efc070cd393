// The stand-in library as the tool and the tests call it: the simulated terminal by default,
// the scripted mode with its journal for tests.
#include "posperiph.h"
#include "posperiph_control.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(PosperiphStandin, SimulationPrintsIntoTheVendorFolderJournal)
{
    char tmpl[] = "/tmp/posperiph_test.XXXXXX";
    const fs::path home = ::mkdtemp(tmpl);
    ::setenv("NORVALE_HOME", home.c_str(), 1);
    posperiph_use_simulation();

    char text[] = "\xB2\xE2\xCA\xD4 test\r\n";  // 测试
    PrintText(text, 8);
    BeginPrint(4);
    CutPaper();
    std::ifstream in(home / "printer-journal.txt", std::ios::binary);
    const std::string journal(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(journal.rfind("测试 test\n\n", 0), 0u) << journal;
    EXPECT_NE(journal.find("cut"), std::string::npos);
    EXPECT_TRUE(posperiph_journal().empty()) << "the call journal is for scripted mode";

    char reading[32] = {};
    const int code = read_standard(reading);
    EXPECT_TRUE(code == 240 || code == -2);
    EXPECT_EQ(reading[4], '.');  // "%7.3f" from byte 1
    EXPECT_EQ(GetCashDrawerStatus(), 1);
    OpenCashDrawerEx();
    EXPECT_EQ(GetCashDrawerStatus(), 0);
    fs::remove_all(home);
}

TEST(PosperiphStandin, ScriptedModeRecordsCallsAndAnswersAsScripted)
{
    posperiph_use_script();
    posperiph_script_result("send_zero", -1);
    posperiph_script_version("V2.15");
    std::array<unsigned char, 32> scripted{};
    scripted[0] = 3;
    scripted[31] = 0x7F;  // never copied: the reading has 31 bytes at most
    posperiph_script_reading(-5, scripted);

    char version[20] = {};
    GetDllVersion(version);
    EXPECT_STREQ(version, "V2.15");
    EXPECT_EQ(send_zero(), -1);
    char reading[32] = {};
    EXPECT_EQ(read_standard(reading), -5);
    EXPECT_EQ(reading[0], 3);
    EXPECT_EQ(reading[31], 0);
    char tare[7] = {'1', '.', '5', '0', '0', ' ', ' '};
    send_pre_tare(tare);
    EXPECT_EQ(GetCashDrawerStatus(), 0);

    const std::vector<PosCall> expected = {
        {"GetDllVersion", {}}, {"send_zero", {}}, {"read_standard", {}},
        {"send_pre_tare", {"1.500  "}}, {"GetCashDrawerStatus", {}}};
    EXPECT_EQ(posperiph_journal(), expected);
    posperiph_use_simulation();
}

} // namespace
