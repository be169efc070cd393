// The simulated terminal: a scale that moves and settles, a drawer that closes by itself, and
// the printer's output as text.
#include "terminal_sim.h"

#include <gtest/gtest.h>
#include <set>

namespace {

std::string Net(const CTerminalSim::Reading& r) { return std::string(r.bytes.begin() + 1, r.bytes.begin() + 8); }
std::string Tare(const CTerminalSim::Reading& r) { return std::string(r.bytes.begin() + 9, r.bytes.begin() + 16); }
bool StableBit(const CTerminalSim::Reading& r) { return r.bytes[0] & 1; }
bool ZeroBit(const CTerminalSim::Reading& r) { return r.bytes[0] & 2; }

TEST(TerminalSim, ScaleReadingsMoveThenSettleWithStableAndZeroBits)
{
    CTerminalSim sim;
    const auto empty = sim.Read(1000);
    EXPECT_EQ(empty.code, 240);
    EXPECT_EQ(Net(empty), "  0.000");
    EXPECT_EQ(Tare(empty), "  0.000");
    EXPECT_TRUE(StableBit(empty));
    EXPECT_TRUE(ZeroBit(empty));
    EXPECT_EQ(empty.bytes[8], ' ');  // the raw reading runs from net to tare
    EXPECT_EQ(empty.bytes[16], 0);
    EXPECT_EQ(empty.bytes[31], 0);

    std::set<std::string> moving;
    for (int64_t t = 3000; t < 4500; t += 100) {
        const auto r = sim.Read(t);
        EXPECT_FALSE(StableBit(r)) << t;
        moving.insert(Net(r));
    }
    EXPECT_GT(moving.size(), 5u) << "the load swings before it rests";

    const auto settled = sim.Read(6000);
    EXPECT_EQ(Net(settled), "  1.234");
    EXPECT_TRUE(StableBit(settled));
    EXPECT_FALSE(ZeroBit(settled));
    EXPECT_EQ(Net(sim.Read(9900)), "  1.234");
    EXPECT_FALSE(StableBit(sim.Read(10500)));
    EXPECT_EQ(Net(sim.Read(12000)), "  0.000");
}

TEST(TerminalSim, OverflowComesNowAndThen)
{
    CTerminalSim sim;
    int overflows = 0, cyclesWithOverflow = 0;
    for (int cycle = 0; cycle < 6; ++cycle) {
        bool seen = false;
        for (int64_t t = 0; t < CTerminalSim::SCALE_CYCLE_MS; t += 100) {
            const auto r = sim.Read(cycle * CTerminalSim::SCALE_CYCLE_MS + t);
            EXPECT_TRUE(r.code == 240 || r.code == -2);
            if (r.code == -2) {
                ++overflows;
                seen = true;
            }
        }
        cyclesWithOverflow += seen;
    }
    EXPECT_EQ(cyclesWithOverflow, 1);
    EXPECT_GT(overflows, 10);
}

TEST(TerminalSim, ScaleCommandsActOnTheReadings)
{
    CTerminalSim sim;
    EXPECT_EQ(sim.Zero(3500), -1) << "moving";
    EXPECT_EQ(sim.Zero(6000), -1) << "a load is on";
    EXPECT_EQ(sim.Zero(1000), 240);

    EXPECT_EQ(sim.Tare(3500), -1) << "moving";
    ASSERT_EQ(sim.Tare(6000), 240);
    auto r = sim.Read(6100);
    EXPECT_EQ(Net(r), "  0.000");
    EXPECT_EQ(Tare(r), "  1.234");
    EXPECT_FALSE(ZeroBit(r));
    EXPECT_EQ(Net(sim.Read(12000)), " -1.234");

    EXPECT_EQ(sim.PresetTare("0.500  "), 240);
    EXPECT_EQ(Tare(sim.Read(6000)), "  0.500");
    EXPECT_EQ(Net(sim.Read(6000)), "  0.734");
    const char unterminated[7] = {'0', '.', '2', '5', '0', ' ', ' '};
    EXPECT_EQ(sim.PresetTare(unterminated), 240);
    EXPECT_EQ(sim.PresetTare("abc    "), -1);
    EXPECT_EQ(sim.PresetTare("31.000 "), -1);
    EXPECT_EQ(sim.PresetTare("-1.000 "), -1);
    EXPECT_EQ(Tare(sim.Read(6000)), "  0.250");
    EXPECT_EQ(sim.ClearTare(), 240);
    EXPECT_EQ(Tare(sim.Read(6000)), "  0.000");
}

TEST(TerminalSim, DrawerClosesAgainAfterAFewSeconds)
{
    CTerminalSim sim;
    EXPECT_EQ(sim.DrawerStatus(0), 1);
    sim.OpenDrawer(5000);
    EXPECT_EQ(sim.DrawerStatus(5000), 0);
    EXPECT_EQ(sim.DrawerStatus(7999), 0);
    EXPECT_EQ(sim.DrawerStatus(8000), 1);
}

TEST(TerminalSim, PrinterOutputIsReadableText)
{
    EXPECT_EQ(PrinterJournalText("PrintText", "\xD6\xD0\xCE\xC4 ok\r\nline 2\r\n", 8, 0, 0), "中文 ok\nline 2\n");
    EXPECT_EQ(PrinterJournalText("PrintText", "big", 32, 0, 0), "[format 32] big\n");
    EXPECT_EQ(PrinterJournalText("PrintBarCode", "2000000123455", 2, 50, 2), "[barcode 2,50,2: 2000000123455]\n");
    EXPECT_EQ(PrinterJournalText("PrintQrCode", "http://x", 8, 0, 0), "[QR code size 8: http://x]\n");
    EXPECT_EQ(PrinterJournalText("BeginPrint", "", 4, 0, 0), "\n");
    EXPECT_NE(PrinterJournalText("CutPaper", "", 0, 0, 0).find("cut"), std::string::npos);
    EXPECT_EQ(GbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(GbkToUtf8("\xD6"), "\xEF\xBF\xBD") << "cut in the middle of a character";
}

} // namespace
