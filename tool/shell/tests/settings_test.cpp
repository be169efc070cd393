// The settings file: which file is read and written, defaults, key order, the fresh-file layout,
// and saves that lose nothing.
#include "ini_file.h"
#include "settings.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string ZH = "\xD6\xD0\xCE\xC4";  // 中文 in GBK

ToolSettings Defaults(const std::string& iniPath)
{
    return ToolSettings{.iniPath = iniPath, .softType = -1, .posType = 0, .posLog = 0,
                        .printerPort = "USB", .printerRate = 115200, .printDensity = 3,
                        .printerLineSpace = 31, .posAutoCutPaper = 0, .cashDrawerControlType = 0,
                        .posBoard = "J1900", .scalePort = "COM4", .scaleRate = 115200, .posAlarm = 0,
                        .posCompatibleMode = 0, .otherLanguage = ZH};
}

const std::string FRESH_DEFAULTS =
    "[SOFT]\r\ntype=-1\r\n"
    "[POS]\r\nTYPE=0\r\nLOG=0\r\nAUTOCUTPAPER=0\r\nBOARD=J1900\r\nALARM=0\r\nCOMPATIBLEMODE=0\r\n"
    "[PRINTER]\r\nPORT=USB\r\nRATE=115200\r\nLINESPACE=31\r\n"
    "[Print]\r\nDensity=3\r\n"
    "[CashDrawer]\r\nControlType=0\r\n"
    "[SCALE]\r\nPORT=COM4\r\nRATE=115200\r\n"
    "[OTHER]\r\nLANGUAGE=\xD6\xD0\xCE\xC4\r\n";

std::string Slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

// A program folder and a vendor folder of their own for each test.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/settings_test.XXXXXX";
        m_root = ::mkdtemp(tmpl);
        fs::create_directories(m_root / "prog");
        fs::create_directories(m_root / "norvale");
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_root / "norvale", fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_root, ec);
    }
    std::string ProgFile() const { return (m_root / "prog" / "marlow_scales.ini").string(); }
    std::string FixedFile() const { return (m_root / "norvale" / "scales.ini").string(); }
    ToolSettings Load()
    {
        ToolSettings s;
        LoadSettingsFrom(s, ProgFile(), FixedFile());
        return s;
    }
    void Save(const ToolSettings& s) { SaveSettingsTo(s, ProgFile(), FixedFile()); }
    fs::path m_root;
};

TEST_F(SettingsFiles, LoadGivesValuesAndDefaultsFromTheFile)
{
    const struct {
        const char* name;
        std::optional<std::string> file;  // fixed file; nullopt: no file
        void (*expect)(ToolSettings&);    // changes from the defaults
    } cases[] = {
        {"no file", std::nullopt, [](ToolSettings&) {}},
        {"empty file", "", [](ToolSettings&) {}},
        {"empty scale rate and port", "[SCALE]\r\nRATE=\r\nPORT=\r\n",
         [](ToolSettings& s) { s.scalePort = ""; }},
        {"numbers with trailing text or none", "[PRINTER]\r\nRATE=abc\r\nLINESPACE=24dots\r\n[SOFT]\r\ntype=-1\r\n",
         [](ToolSettings& s) { s.printerRate = 0; s.printerLineSpace = 24; }},
        {"9600baud", "[PRINTER]\r\nRATE=9600baud\r\n", [](ToolSettings& s) { s.printerRate = 9600; }},
        {"other letter case", "[scale]\r\nPort=COM7\r\nrate=9600\r\n[print]\r\ndensity=1\r\n",
         [](ToolSettings& s) { s.scalePort = "COM7"; s.scaleRate = 9600; s.printDensity = 1; }},
        {"every key", "[SOFT]\ntype=1\n[POS]\nTYPE=2\nLOG=1\nAUTOCUTPAPER=1\nBOARD=I3/I5\nALARM=1\n"
                      "COMPATIBLEMODE=1\n[PRINTER]\nPORT=COM2\nRATE=9600\nLINESPACE=24\n[Print]\n"
                      "Density=0\n[CashDrawer]\nControlType=1\n[SCALE]\nPORT=COM3\nRATE=4800\n"
                      "[OTHER]\nLANGUAGE=English\n",
         [](ToolSettings& s) {
             s = ToolSettings{s.iniPath, 1, 2, 1, "COM2", 9600, 0, 24, 1, 1, "I3/I5", "COM3", 4800, 1, 1,
                              "English"};
         }},
        {"GBK value and a long one cut", "[OTHER]\r\nLANGUAGE=\xD3\xA2\xCE\xC4\r\n[PRINTER]\r\nPORT=" +
                                             std::string(150, 'U') + "\r\n",
         [](ToolSettings& s) { s.otherLanguage = "\xD3\xA2\xCE\xC4"; s.printerPort = std::string(99, 'U'); }},
        {"lines without '=' and comments", "[SCALE]\r\nPORT\r\n;PORT=COM9\r\n", [](ToolSettings&) {}},
    };
    for (const auto& c : cases) {
        fs::remove(FixedFile());
        if (c.file)
            Put(FixedFile(), *c.file);
        ToolSettings expected = Defaults(FixedFile());
        c.expect(expected);
        EXPECT_EQ(Load(), expected) << c.name;
    }
}

TEST_F(SettingsFiles, ProgramFolderFileWinsWhenItIsAFile)
{
    Put(FixedFile(), "[SCALE]\r\nPORT=FIXED\r\n");
    EXPECT_EQ(Load().scalePort, "FIXED");

    Put(ProgFile(), "[SCALE]\r\nPORT=PROG\r\n");
    ToolSettings s = Load();
    EXPECT_EQ(s.scalePort, "PROG");
    EXPECT_EQ(s.iniPath, ProgFile());

    fs::remove(ProgFile());
    fs::create_directory(ProgFile());  // a folder of that name does not count
    s = Load();
    EXPECT_EQ(s.scalePort, "FIXED");
    EXPECT_EQ(s.iniPath, FixedFile());

    // An unreadable file that is there is still chosen, and gives the defaults.
    fs::remove(ProgFile());
    ASSERT_EQ(::mkfifo(ProgFile().c_str(), 0644), 0);
    EXPECT_EQ(Load(), Defaults(ProgFile()));
}

TEST_F(SettingsFiles, FreshSaveWritesTheLayoutAndDefaultsRoundTrip)
{
    ToolSettings s = Load();
    EXPECT_EQ(s, Defaults(FixedFile()));
    Save(s);
    EXPECT_EQ(Slurp(FixedFile()), FRESH_DEFAULTS);
    EXPECT_FALSE(fs::exists(ProgFile()));  // never created by a save
    EXPECT_EQ(Load(), s);
}

TEST_F(SettingsFiles, SaveIntoAnExistingFileChangesOnlyTheFifteenKeyLines)
{
    Put(FixedFile(),
        "; Norvale terminal\r\n"
        "[OTHER]\r\nlanguage = English\r\nTHEME=dark\r\n\r\n"
        "[Vendor]\r\nid=7\r\n\r\n"
        "[scale]\r\nport=COM1\r\n");
    ToolSettings s = Load();
    s.scalePort = "COM2";
    s.otherLanguage = ZH;
    s.posAlarm = 1;
    Save(s);
    EXPECT_EQ(Slurp(FixedFile()),
              "; Norvale terminal\r\n"
              "[OTHER]\r\nlanguage=\xD6\xD0\xCE\xC4\r\nTHEME=dark\r\n\r\n"
              "[Vendor]\r\nid=7\r\n\r\n"
              "[scale]\r\nport=COM2\r\nRATE=115200\r\n"
              "[SOFT]\r\ntype=-1\r\n"
              "[POS]\r\nTYPE=0\r\nLOG=0\r\nAUTOCUTPAPER=0\r\nBOARD=J1900\r\nALARM=1\r\nCOMPATIBLEMODE=0\r\n"
              "[PRINTER]\r\nPORT=USB\r\nRATE=115200\r\nLINESPACE=31\r\n"
              "[Print]\r\nDensity=3\r\n"
              "[CashDrawer]\r\nControlType=0\r\n");
}

TEST_F(SettingsFiles, SaveWritesBothFilesWhenTheProgramFolderFileExists)
{
    Put(ProgFile(), "[X]\r\ny=1\r\n");
    ToolSettings s = Load();
    s.softType = 99;
    s.printerRate = -5;
    Save(s);
    EXPECT_EQ(Load(), s) << "program-folder file";
    ToolSettings fromFixed;
    LoadSettingsFrom(fromFixed, "/nonexistent/marlow_scales.ini", FixedFile());
    fromFixed.iniPath = s.iniPath;
    EXPECT_EQ(fromFixed, s) << "fixed file";
    EXPECT_NE(Slurp(ProgFile()).find("[X]\r\ny=1\r\n[SOFT]\r\ntype=99\r\n"), std::string::npos);
    EXPECT_NE(Slurp(FixedFile()).find("RATE=-5\r\n"), std::string::npos);
}

TEST_F(SettingsFiles, BatchSaveGivesTheBytesOfKeyByKeyWrites)
{
    const std::string start = "[pos]\nBoard = 'J1900D'\n;TYPE=9\n[PRINTER]\rPORT=LPT1\r[Print]\r\nDensity";
    Put(FixedFile(), start);
    ToolSettings s = Load();
    s.posType = 3;
    s.printerPort = "USB";
    Save(s);

    const std::string other = (m_root / "one_by_one.ini").string();
    Put(other, start);
    const char* keys[][2] = {{"SOFT", "type"},         {"POS", "TYPE"},       {"POS", "LOG"},
                             {"PRINTER", "PORT"},      {"PRINTER", "RATE"},   {"PRINTER", "LINESPACE"},
                             {"Print", "Density"},     {"POS", "AUTOCUTPAPER"}, {"CashDrawer", "ControlType"},
                             {"POS", "BOARD"},         {"SCALE", "PORT"},     {"SCALE", "RATE"},
                             {"POS", "ALARM"},         {"POS", "COMPATIBLEMODE"}, {"OTHER", "LANGUAGE"}};
    const std::string values[] = {"-1", "3", "0", "USB", "115200", "31", "3", "0", "0",
                                  "J1900D", "COM4", "115200", "0", "0", ZH};
    for (size_t i = 0; i < std::size(keys); ++i)
        WriteIniString(keys[i][0], keys[i][1], values[i], other);
    EXPECT_EQ(Slurp(FixedFile()), Slurp(other));
}

TEST_F(SettingsFiles, SaveKeepsModeAndLinksAndLeavesNoTemporaryFile)
{
    Put(FixedFile(), "[SCALE]\r\nPORT=COM1\r\n");
    fs::permissions(FixedFile(), fs::perms(0640));
    const fs::path real = m_root / "real.ini";
    Put(real, "[X]\r\n");
    fs::create_symlink(real, ProgFile());

    ToolSettings s = Load();
    Save(s);
    EXPECT_EQ(fs::status(FixedFile()).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_TRUE(fs::is_symlink(ProgFile()));
    EXPECT_EQ(Slurp(real).rfind("[X]\r\n", 0), 0u);
    EXPECT_NE(Slurp(real).find("[SCALE]\r\nPORT=COM4"), std::string::npos);  // loaded from the link
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(m_root / "norvale"))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(SettingsFiles, FailedSavesAreSilentAndLeaveTheOldFileWhole)
{
    ToolSettings s = Defaults("");
    s.scalePort = "NEW";

    // No vendor folder: nothing is created, not even the folder.
    SaveSettingsTo(s, ProgFile(), (m_root / "missing" / "scales.ini").string());
    EXPECT_FALSE(fs::exists(m_root / "missing"));

    // A read-only file keeps its bytes.
    const std::string old = "[SCALE]\r\nPORT=OLD\r\n";
    Put(FixedFile(), old);
    fs::permissions(FixedFile(), fs::perms(0444));
    Save(s);
    EXPECT_EQ(Slurp(FixedFile()), old);
    fs::permissions(FixedFile(), fs::perms(0644));

    // A full disk mid-write (a file size limit here) leaves the old file as it was.
    const std::string bigOld = "[SCALE]\r\nPORT=OLD\r\n" + std::string(8192, ';') + "\r\n";
    Put(FixedFile(), bigOld);
    struct rlimit saved;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    Save(s);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(Slurp(FixedFile()), bigOld);
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(m_root / "norvale"))
        ++entries;
    EXPECT_EQ(entries, 1) << "temporary file left behind";

    // A read-only folder (only meaningful when not root: root writes anyway).
    if (::geteuid() != 0) {
        fs::permissions(m_root / "norvale", fs::perms(0555));
        Save(s);
        EXPECT_EQ(Slurp(FixedFile()), bigOld);
    }
}

TEST_F(SettingsFiles, BrokenFilesLoadWithoutHarm)
{
    // Binary garbage, invalid GBK and 5,000-byte values.
    std::string garbage;
    for (int i = 0; i < 200000; ++i)
        garbage += char((i * 7919) ^ (i >> 3));
    garbage += "\r\n[SCALE]\r\nPORT=\x81\x20\xFF" + std::string(5000, 'x') + "\r\n";
    Put(FixedFile(), garbage);
    ToolSettings s = Load();
    EXPECT_EQ(s.scalePort.size(), 99u);
    EXPECT_EQ(s.scalePort.substr(0, 3), "\x81\x20\xFF");
    Save(s);
    EXPECT_EQ(Load(), s);
}

TEST(Settings, ProgramPathsFollowTheVendorFolderAndTheProgram)
{
    ::setenv("NORVALE_HOME", "/tmp/norvale-test-home", 1);
    EXPECT_EQ(VendorFolder(), "/tmp/norvale-test-home");
    EXPECT_EQ(FixedSettingsPath(), "/tmp/norvale-test-home/scales.ini");
    ::unsetenv("NORVALE_HOME");
    EXPECT_EQ(FixedSettingsPath(), "/opt/norvale/scales.ini");
    EXPECT_EQ(ProgramFolderSettingsPath(),
              fs::canonical("/proc/self/exe").parent_path().string() + "/marlow_scales.ini");
    EXPECT_EQ(TheSettings().iniPath, FixedSettingsPath());
}

} // namespace
