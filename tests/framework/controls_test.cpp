// The control wrappers against the real controls: the values read back are the controls' own.
#include <gtest/gtest.h>

#include <string>

#include "runtime/framework/button.h"
#include "runtime/framework/edit.h"
#include "runtime/framework/spin_button.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.CreateEx(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
    }
    void TearDown() override { parent.DestroyWindow(); }
    CWnd parent;
};

TEST_F(ControlsTest, EditTextSelectionAndLimit) {
    CEdit edit;
    ASSERT_TRUE(edit.Create(ES_AUTOHSCROLL, RECT{0, 0, 200, 24}, parent.m_hWnd, 5));
    EXPECT_EQ(edit.GetDlgCtrlID(), 5);
    EXPECT_EQ(edit.GetParent(), parent.m_hWnd);
    // GBK "修改帧数": the length the system reports for double-byte text may be generous; the
    // text read back must be exactly the bytes stored.
    edit.SetWindowText("\xD0\xDE\xB8\xC4\xD6\xA1\xCA\xFD");
    EXPECT_EQ(edit.GetWindowText(), "\xD0\xDE\xB8\xC4\xD6\xA1\xCA\xFD");

    edit.SetWindowText("framelimit");
    edit.SetSel(2, 5);
    int start = -1, end = -1;
    edit.GetSel(start, end);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 5);
    edit.ReplaceSel("XY");
    EXPECT_EQ(edit.GetWindowText(), "frXYlimit");

    edit.SetLimitText(4);
    EXPECT_EQ(edit.GetLimitText(), 4u);
    edit.SetReadOnly(TRUE);
    EXPECT_TRUE(edit.GetStyle() & ES_READONLY);
    edit.SetPasswordChar('*');
    EXPECT_EQ(edit.GetPasswordChar(), '*');
}

TEST_F(ControlsTest, CheckBoxClickTogglesItsState) {
    CButton box;
    ASSERT_TRUE(box.Create("c", BS_AUTOCHECKBOX, RECT{0, 30, 100, 50}, parent.m_hWnd, 6));
    EXPECT_EQ(box.GetButtonStyle(), static_cast<UINT>(BS_AUTOCHECKBOX));
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
    box.Click();
    EXPECT_EQ(box.GetCheck(), BST_CHECKED);
    box.SetCheck(BST_UNCHECKED);
    EXPECT_EQ(box.GetCheck(), BST_UNCHECKED);
}

TEST_F(ControlsTest, StyleChangesAndState) {
    CButton button;
    ASSERT_TRUE(button.Create("b", BS_PUSHBUTTON, RECT{0, 60, 100, 90}, parent.m_hWnd, 7));
    EXPECT_TRUE(button.ModifyStyle(0, WS_DISABLED));
    EXPECT_FALSE(button.IsWindowEnabled());
    EXPECT_FALSE(button.ModifyStyle(0, WS_DISABLED)) << "nothing to change";
    button.EnableWindow(TRUE);
    EXPECT_TRUE(button.IsWindowEnabled());
    EXPECT_TRUE(button.ModifyStyleEx(0, WS_EX_CLIENTEDGE, SWP_FRAMECHANGED));
    EXPECT_TRUE(button.GetExStyle() & WS_EX_CLIENTEDGE);
    button.MoveWindow(5, 6, 40, 20);
    RECT rc = button.GetClientRect();
    EXPECT_LT(rc.right, 40) << "the client edge takes part of the width";
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    button.SetFont(font);
    EXPECT_EQ(button.GetFont(), font);
}

TEST_F(ControlsTest, SpinButtonDrivesItsBuddyWithinItsRange) {
    CEdit buddy;
    ASSERT_TRUE(buddy.Create(0, RECT{0, 100, 80, 124}, parent.m_hWnd, 8));
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.Create(UDS_SETBUDDYINT | UDS_NOTHOUSANDS, RECT{80, 100, 100, 124}, parent.m_hWnd, 9));
    spin.SetBuddy(buddy.m_hWnd);
    EXPECT_EQ(spin.GetBuddy(), buddy.m_hWnd);
    spin.SetRange32(-5, 1000);
    int lower = 0, upper = 0;
    spin.GetRange32(lower, upper);
    EXPECT_EQ(lower, -5);
    EXPECT_EQ(upper, 1000);
    spin.SetPos32(250);
    EXPECT_EQ(buddy.GetWindowText(), "250") << "the control writes its position into the buddy";
    spin.SetPos32(5000);
    BOOL failed = TRUE;
    EXPECT_EQ(spin.GetPos32(&failed), 1000) << "kept inside the range";
    EXPECT_FALSE(failed);
}

}  // namespace
