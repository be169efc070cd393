#include "page_scale.h"

#include "dialog_template.h"
#include "platform_seam.h"
#include "posperiph_control.h"
#include "settings.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct Shown {
    QString text, title;
    MsgIcon icon;
    bool operator==(const Shown&) const = default;
};

void PrintTo(const Shown& s, std::ostream* os)
{
    *os << '{' << s.text.toStdString() << ", " << s.title.toStdString() << ", " << int(s.icon) << '}';
}

class CRecordingSeam : public CPlatformSeam {
public:
    void MessageBox(QWidget*, const QString& text, const QString& title, MsgIcon icon) override
    {
        shown.push_back({text, title, icon});
        if (whileOpen)
            whileOpen();
    }
    std::vector<Shown> shown;
    std::function<void()> whileOpen;  // runs while the "box" is open, as a modal box's loop would
};

int ReadStandardCalls()
{
    const auto journal = posperiph_journal();
    return int(std::count_if(journal.begin(), journal.end(), [](const PosCall& c) { return c.fn == "read_standard"; }));
}

// Processes events until `done` holds or the time is up; true when it held.
bool ProcessUntil(const std::function<bool()>& done, int maxMs = 1000)
{
    QDeadlineTimer deadline(maxMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

ScaleReading Reading(unsigned char status, const char* from1 = "")
{
    ScaleReading r{};
    r[0] = status;
    std::memcpy(r.data() + 1, from1, std::min<size_t>(std::strlen(from1), 30));
    return r;
}

enum class Lang { Chinese, English };

class PageScaleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        posperiph_use_script();
        SetSeam(&m_seam);
    }
    void TearDown() override
    {
        m_page.reset();
        SetSeam(nullptr);
        if (m_oldHome)
            qputenv("NORVALE_HOME", *m_oldHome);
        else
            qunsetenv("NORVALE_HOME");
    }

    // The page as the tool builds it, with the language coming from the settings file it loads.
    CPageScale& MakePage(Lang lang)
    {
        if (!m_oldHome && qEnvironmentVariableIsSet("NORVALE_HOME"))
            m_oldHome = qgetenv("NORVALE_HOME");
        QFile ini(m_home.filePath("scales.ini"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(lang == Lang::Chinese ? "[OTHER]\r\nLANGUAGE=\xD6\xD0\xCE\xC4\r\n" : "[OTHER]\r\nLANGUAGE=English\r\n");
        ini.close();
        qputenv("NORVALE_HOME", m_home.path().toLocal8Bit());
        TheSettings().otherLanguage = "stale";  // the page must load the file itself
        m_page = std::make_unique<CPageScale>(nullptr);
        EXPECT_EQ(IsChinese(TheSettings()), lang == Lang::Chinese);
        return *m_page;
    }

    QString Box(int id) const { return FindControl<QLineEdit>(m_page.get(), id)->text(); }
    void SetBox(int id, const QString& t) { FindControl<QLineEdit>(m_page.get(), id)->setText(t); }
    void Click(int id) { QTest::mouseClick(FindControl<QPushButton>(m_page.get(), id), Qt::LeftButton); }
    std::vector<QTimer*> ActivePollTimers() const
    {
        std::vector<QTimer*> active;
        for (QTimer* t : m_page->findChildren<QTimer*>())
            if (t->isActive())
                active.push_back(t);
        return active;
    }

    CRecordingSeam m_seam;
    QTemporaryDir m_home;
    std::optional<QByteArray> m_oldHome;
    std::unique_ptr<CPageScale> m_page;
};

constexpr int NET = 1008, RAW = 1009, TARE = 1010, STATUS = 1011, PRESET = 1072;
constexpr int START = 1004, ZERO = 1005, TARE_BTN = 1006, STOP = 1007, CLEAR_PRESET = 1012, PRESET_BTN = 1013;

TEST_F(PageScaleTest, ChineseInitialisationSendsNothingAndLeavesPollingOff)
{
    CPageScale& page = MakePage(Lang::Chinese);
    EXPECT_TRUE(posperiph_journal().empty());
    EXPECT_TRUE(ActivePollTimers().empty());
    for (int id : {NET, RAW, TARE, STATUS})
        EXPECT_EQ(Box(id), "") << id;
    EXPECT_EQ(Box(PRESET), "0");
    EXPECT_EQ(ControlText(FindControl(&page, START)), QString::fromUtf8("开始取重"));
    EXPECT_EQ(ControlText(FindControl(&page, 1069)), QString::fromUtf8("状态:"));
    EXPECT_TRUE(FindControl<QLineEdit>(&page, STATUS)->isReadOnly());
    EXPECT_FALSE(FindControl<QLineEdit>(&page, PRESET)->isReadOnly());
}

TEST_F(PageScaleTest, EnglishLabelsButPresetTareButtonsKeepTheirTexts)
{
    CPageScale& page = MakePage(Lang::English);
    const std::pair<int, const char*> texts[] = {
        {START, "Start"}, {ZERO, "Zero"}, {TARE_BTN, "Tare"}, {STOP, "Stop"}, {1068, "NET:"}, {1041, "TARE:"},
        {1069, "STATE"}, {CLEAR_PRESET, "退出预置皮重"}, {PRESET_BTN, "预置皮重"},
    };
    for (const auto& [id, text] : texts)
        EXPECT_EQ(ControlText(FindControl(&page, id)), QString::fromUtf8(text)) << id;
    QStringList units;
    for (QWidget* w : page.findChildren<QWidget*>("static", Qt::FindDirectChildrenOnly))
        units << ControlText(w);
    EXPECT_EQ(units, QStringList({"kg", "kg", "g"}));
    EXPECT_EQ(Box(PRESET), "0");
}

// One poll: the code and buffer that read_standard returns, to the four boxes. The boxes hold an
// earlier reading first, so that rows without a reading show what they keep.
struct PollRow {
    const char* name;
    int code;
    ScaleReading reading;
    const char* zhStatus;
    const char* enStatus;
    const char* raw;   // nullptr: the net, raw and tare boxes keep the earlier reading
    const char* net;
    const char* tare;
};

const PollRow POLL_ROWS[] = {
    {"all zero", 240, Reading(0), "不稳定 非零位", "NotStable NoneZero", "S:00 W:", "", ""},
    {"stable at zero", 240, Reading(3, "  0.000   0.000"), "稳定 零位", "Stable Zero", "S:03 W:  0.000   0.000",
     "  0.000", "  0.000"},
    {"stable off zero", 240, Reading(1, " 12.345   0.500"), "稳定 非零位", "Stable NoneZero",
     "S:01 W: 12.345   0.500", " 12.345", "  0.500"},
    {"unstable at zero", 240, Reading(2, "-0.002"), "不稳定 零位", "NotStable Zero", "S:02 W:-0.002", "-0.002", ""},
    {"status above bit 1", 240, Reading(0x81, "12.5"), "稳定 非零位", "Stable NoneZero", "S:81 W:12.5", "12.5", ""},
    {"net fills seven bytes", 240, Reading(1, "1234567890"), "稳定 非零位", "Stable NoneZero", "S:01 W:1234567890",
     "1234567", "90"},
    {"other error", -1, Reading(1, "  1.000"), "稳定 非零位ERR:-1,通讯超时等其他错误",
     "Stable NoneZeroERR:-1,Other error", "S:01 W:  1.000", "  1.000", ""},
    {"overflow", -2, Reading(0, "  9.999"), "不稳定 非零位ERR:-2,溢出或开机未归零!请清空秤盘,断电后重新开机.",
     "NotStable NoneZeroERR:-2, Overflow", "S:00 W:  9.999", "  9.999", ""},
    {"overflow at start", -5, Reading(2), "不稳定 零位ERR:-5,溢出或开机未归零!请清空秤盘,断电后重新开机.",
     "NotStable ZeroERR:-5, Overflow", "S:02 W:", "", ""},
    {"library missing", -8, Reading(3, "ignored"), "加载动态库失败, ERR=-8", "Failed to load library, ERR=-8", nullptr,
     nullptr, nullptr},
    {"timeout", -3, Reading(3, "ignored"), "通讯超时等其他错误, ERR=-3", "Other error, ERR=-3", nullptr, nullptr, nullptr},
    {"zero code", 0, Reading(1), "通讯超时等其他错误, ERR=0", "Other error, ERR=0", nullptr, nullptr, nullptr},
    {"241", 241, Reading(1), "通讯超时等其他错误, ERR=241", "Other error, ERR=241", nullptr, nullptr, nullptr},
    {"lowest code", INT_MIN, Reading(1), "通讯超时等其他错误, ERR=-2147483648", "Other error, ERR=-2147483648",
     nullptr, nullptr, nullptr},
};

TEST_F(PageScaleTest, OnePollFillsTheBoxesInBothLanguages)
{
    for (Lang lang : {Lang::Chinese, Lang::English}) {
        CPageScale& page = MakePage(lang);
        for (const PollRow& row : POLL_ROWS) {
            SCOPED_TRACE(std::string(row.name) + (lang == Lang::Chinese ? " (zh)" : " (en)"));
            SetBox(NET, "before net");
            SetBox(RAW, "before raw");
            SetBox(TARE, "before tare");
            posperiph_script_reading(row.code, row.reading);
            posperiph_clear_journal();
            page.Poll();
            EXPECT_EQ(posperiph_journal(), (std::vector<PosCall>{PosCall{"read_standard", {}}}));
            EXPECT_EQ(Box(STATUS), QString::fromUtf8(lang == Lang::Chinese ? row.zhStatus : row.enStatus));
            EXPECT_EQ(Box(RAW), row.raw ? QString::fromUtf8(row.raw) : QString("before raw"));
            EXPECT_EQ(Box(NET), row.raw ? QString::fromUtf8(row.net) : QString("before net"));
            EXPECT_EQ(Box(TARE), row.raw ? QString::fromUtf8(row.tare) : QString("before tare"));
        }
    }
}

// A command button: the call it makes, and the box it shows for 240 and for any other result.
struct CommandRow {
    int button;
    const char* fn;
    std::vector<std::string> args;
    const char* ok;
    const char* error;
};

TEST_F(PageScaleTest, CommandsCallPosperiphAndShowTheirTips)
{
    const CommandRow rows[] = {
        {ZERO, "send_zero", {}, "Zero OK!", "Zero Error!"},
        {TARE_BTN, "send_tare", {"0"}, "Tare OK!", "Tare Error!"},
        {PRESET_BTN, "send_pre_tare", {"0.000  "}, "Pre Tare OK!", "Pre Tare Error!"},
        {CLEAR_PRESET, "clear_tare", {}, "Clear Tare OK!", "Clear Tare Error!"},
    };
    for (Lang lang : {Lang::Chinese, Lang::English}) {
        MakePage(lang);
        SetBox(NET, "kept");
        for (const CommandRow& row : rows) {
            for (int result : {240, -1, 0, 241}) {
                SCOPED_TRACE(std::string(row.fn) + " -> " + std::to_string(result));
                posperiph_script_result(row.fn, result);
                posperiph_clear_journal();
                m_seam.shown.clear();
                Click(row.button);
                EXPECT_EQ(posperiph_journal(), (std::vector<PosCall>{PosCall{row.fn, row.args}}));
                const bool ok = result == 240;
                EXPECT_EQ(m_seam.shown,
                          (std::vector<Shown>{{ok ? row.ok : row.error, "Tips", ok ? MsgIcon::None : MsgIcon::Stop}}));
            }
        }
        EXPECT_EQ(Box(NET), "kept");
        EXPECT_TRUE(ActivePollTimers().empty());
    }
}

TEST_F(PageScaleTest, PresetTareSendsSevenCharactersOrRefusesWithTheRangeMessage)
{
    const struct {
        const char* box;
        const char* sent;  // nullptr: the range message and no call
    } rows[] = {
        {"0", "0.000  "},
        {"", "0.000  "},
        {"5998", "5.998  "},
        {"5999", nullptr},
        {"1500", "1.500  "},
        {"12abc", "0.012  "},
        {"  +7", "0.007  "},
        {"-1", nullptr},
        {"-0", "0.000  "},
        {"4294967295", nullptr},
        {"-4294961298", nullptr},
        {"１２", "0.000  "},  // full-width digits are not digits to the C library
    };
    for (Lang lang : {Lang::Chinese, Lang::English}) {
        MakePage(lang);
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string("box \"") + row.box + '"');
            // setText bypasses the digits-only filter, as a paste into the Windows box does.
            SetBox(PRESET, QString::fromUtf8(row.box));
            posperiph_clear_journal();
            m_seam.shown.clear();
            Click(PRESET_BTN);
            if (row.sent) {
                EXPECT_EQ(posperiph_journal(), (std::vector<PosCall>{PosCall{"send_pre_tare", {row.sent}}}));
                EXPECT_EQ(m_seam.shown, (std::vector<Shown>{{"Pre Tare OK!", "Tips", MsgIcon::None}}));
            } else {
                EXPECT_TRUE(posperiph_journal().empty());
                EXPECT_EQ(m_seam.shown,
                          (std::vector<Shown>{{QString::fromUtf8("预置皮重范围0~5998g"), "Tips", MsgIcon::Stop}}));
            }
        }
    }
}

TEST_F(PageScaleTest, StopWithoutStartOnlyEmptiesTheBoxes)
{
    MakePage(Lang::Chinese);
    for (int id : {NET, RAW, TARE, STATUS})
        SetBox(id, "x");
    SetBox(PRESET, "12");
    Click(STOP);
    for (int id : {NET, RAW, TARE, STATUS})
        EXPECT_EQ(Box(id), "") << id;
    EXPECT_EQ(Box(PRESET), "12");
    EXPECT_TRUE(posperiph_journal().empty());
    EXPECT_TRUE(m_seam.shown.empty());
    EXPECT_TRUE(ActivePollTimers().empty());
}

TEST_F(PageScaleTest, StartPollsWhileHiddenUntilStopAndTwiceLeavesOneTimer)
{
    CPageScale& page = MakePage(Lang::English);
    page.hide();  // another page in front
    posperiph_script_reading(240, Reading(1, "  2.500"));
    Click(START);
    Click(START);
    const auto timers = ActivePollTimers();
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_EQ(timers[0]->interval(), 100);
    EXPECT_TRUE(posperiph_journal().empty());  // the first poll comes with the first tick

    ASSERT_TRUE(ProcessUntil([&] { return ReadStandardCalls() >= 2; }));
    EXPECT_EQ(Box(NET), "  2.500");
    EXPECT_EQ(Box(STATUS), "Stable NoneZero");

    Click(STOP);
    EXPECT_TRUE(ActivePollTimers().empty());
    for (int id : {NET, RAW, TARE, STATUS})
        EXPECT_EQ(Box(id), "") << id;
    const int polls = ReadStandardCalls();
    QTest::qWait(250);
    EXPECT_EQ(ReadStandardCalls(), polls);
    EXPECT_EQ(Box(NET), "");
}

TEST_F(PageScaleTest, PollingGoesOnWhileACommandsMessageBoxIsOpen)
{
    MakePage(Lang::Chinese);
    Click(START);
    int pollsWhileOpen = 0;
    m_seam.whileOpen = [&] {
        // A modal box runs its own event loop; ticks must reach the page through it.
        const int before = ReadStandardCalls();
        ProcessUntil([&] { return ReadStandardCalls() >= before + 2; });
        pollsWhileOpen = ReadStandardCalls() - before;
    };
    Click(ZERO);
    EXPECT_GE(pollsWhileOpen, 2);
    ASSERT_EQ(m_seam.shown.size(), 1u);
    EXPECT_EQ(m_seam.shown[0].text, "Zero OK!");
}

TEST_F(PageScaleTest, ATickDueDuringAStallDoesNotQueueUp)
{
    MakePage(Lang::Chinese);
    Click(START);
    // The thread is busy for several periods (as with a slow poll); afterwards one pass of the
    // event loop brings at most one tick, not one for each period missed.
    QThread::msleep(450);
    QCoreApplication::processEvents();
    EXPECT_LE(ReadStandardCalls(), 1);
}

} // namespace
