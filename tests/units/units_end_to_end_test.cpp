// The edit box, button and label driven from outside: a compiled program shows them on a test
// window; the driver types, clicks and takes pictures, the program's handlers log what they saw.
#include "tests/driver/driver.h"
#include "tests/support/probe_log.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

constexpr int kLabelControl = 100, kStepControl = 110, kAdjustedControl = 120, kByteControl = 130,
              kPlainControl = 140;

std::string LogPath() { return e2e::OwnFolder() + "probe.log"; }

std::string ReadLog() { return probe_log::Read(LogPath()); }

bool LogHas(const std::string& line) {
    return e2e::WaitUntil([&] { return ReadLog().find(line) != std::string::npos; }, 5000);
}

TEST(UnitsEndToEnd, TypingLeavingAdjustingClickingAndRepainting) {
    DeleteFileA(LogPath().c_str());
    e2e::Process probe;
    ASSERT_TRUE(probe.Start(e2e::OwnFolder() + "units_probe.exe"));
    HWND window = probe.WaitWindow("TestUnitWindow");
    ASSERT_NE(window, nullptr);
    HWND plain = e2e::FindControl(window, kPlainControl);
    HWND byte = e2e::FindControl(window, kByteControl);
    HWND step = e2e::FindControl(window, kStepControl);
    HWND label = e2e::FindControl(window, kLabelControl);
    HWND arrows = e2e::FindControl(window, kAdjustedControl + 4);
    ASSERT_TRUE(plain && byte && step && label && arrows);
    EXPECT_EQ(e2e::ClassOf(arrows), "msctls_updown32");

    // Typed text is what property 8 reads; writing it raises event 0 once.
    e2e::ClickCentre(plain);
    e2e::Type(plain, "hi");
    e2e::Click(step);
    ASSERT_TRUE(LogHas("step 1 done"));
    EXPECT_EQ(e2e::Text(plain), "written");

    // Mode 5: the minus sign and letters are refused; leaving gives at most 255.
    e2e::ClickCentre(byte);
    e2e::Type(byte, "-3a00");
    e2e::ClickCentre(plain);
    ASSERT_TRUE(LogHas("byte left 255"));
    EXPECT_EQ(e2e::Text(byte), "255");

    // An adjuster by event raises event 1 with the direction.
    RECT r;
    GetClientRect(arrows, &r);
    e2e::ClickAt(arrows, r.right / 2, 2);
    ASSERT_TRUE(LogHas("adjusted 1"));
    e2e::ClickAt(arrows, r.right / 2, r.bottom - 3);
    ASSERT_TRUE(LogHas("adjusted -1"));

    // The label's caption goes, and what lay behind it comes back.
    const e2e::Picture before = e2e::Capture(label);
    e2e::Click(step);
    ASSERT_TRUE(LogHas("step 2 done"));
    const e2e::Picture after = e2e::Capture(label);
    ASSERT_FALSE(after.pixels.empty());
    EXPECT_NE(before.pixels, after.pixels);
    for (uint32_t p : after.pixels)
        ASSERT_EQ(p, after.pixels.front());

    e2e::Click(step);
    int exitCode = 1;
    EXPECT_TRUE(probe.WaitExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(ReadLog(),
              "plain changed\n"
              "plain changed\n"
              "step 1: plain reads hi\n"
              "plain changed\n"
              "step 1 done\n"
              "byte changed\n"
              "byte changed\n"
              "byte changed\n"
              "byte changed\n"
              "byte left 255\n"
              "adjusted 1\n"
              "adjusted -1\n"
              "step 2 done\n");
}

}  // namespace
