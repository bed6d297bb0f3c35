// CWnd under Wine: binding at creation, the handle map's lifetime around WM_NCDESTROY and
// PostNcDestroy, subclassing a system EDIT and giving it back, and the reflection of control
// notifications (BN_CLICKED, WM_CTLCOLOREDIT) to the child object that sent them.
#include "runtime/framework/wnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/framework/button.h"
#include "runtime/framework/edit.h"

namespace {

const char kFrameworkClass[] = "TavoriTestFrameworkProc";
const char kPlainClass[] = "TavoriTestDefProc";      // registered with DefWindowProcA
const char kCountingClass[] = "TavoriTestCounting";  // its own procedure counts what it gets

// What reached the counting class's own procedure: the default processing of a subclassed
// window.
std::vector<UINT> g_defaultSeen;

LRESULT CALLBACK CountingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_defaultSeen.push_back(message);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

int Count(const std::vector<UINT>& seen, UINT message) {
    int n = 0;
    for (UINT m : seen)
        n += m == message;
    return n;
}

class WndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
        ASSERT_TRUE(RegisterWndClass(kFrameworkClass, 0, arrow, nullptr));
        ASSERT_TRUE(RegisterWndClass(kPlainClass, CS_DBLCLKS, arrow, nullptr, nullptr, DefWindowProcA));
        ASSERT_TRUE(RegisterWndClass(kCountingClass, 0, arrow, nullptr, nullptr, CountingProc));
        // A second registration of the same name is not an error.
        ASSERT_TRUE(RegisterWndClass(kPlainClass, 0, arrow, nullptr, nullptr, DefWindowProcA));
    }
    void SetUp() override { g_defaultSeen.clear(); }
};

// Records its messages, whether the map knew it at WM_NCCREATE, and its PostNcDestroy.
class Recorder : public CWnd {
public:
    std::vector<UINT> seen;
    bool mappedAtNcCreate = false;
    bool sawNcCreate = false;
    int postNcDestroyCalls = 0;
    bool mappedAtPostNcDestroy = true;
    HWND handleAtPostNcDestroy = reinterpret_cast<HWND>(1);
    HWND lastHandle = nullptr;
    bool refuseCreate = false;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_NCCREATE) {
            sawNcCreate = true;
            mappedAtNcCreate = FromHandlePermanent(m_hWnd) == this;
        }
        if (message == WM_CREATE && refuseCreate)
            return -1;
        lastHandle = m_hWnd;
        return CWnd::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override {
        ++postNcDestroyCalls;
        handleAtPostNcDestroy = m_hWnd;
        mappedAtPostNcDestroy = FromHandlePermanent(lastHandle) != nullptr;
    }
};

TEST_F(WndTest, CreateExBindsBeforeTheFirstMessageWhateverTheClassProcedure) {
    for (const char* cls : {kFrameworkClass, kPlainClass, "EDIT"}) {
        SCOPED_TRACE(cls);
        Recorder w;
        ASSERT_TRUE(w.CreateEx(0, cls, "t", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr));
        EXPECT_TRUE(w.sawNcCreate);
        EXPECT_TRUE(w.mappedAtNcCreate);
        EXPECT_EQ(CWnd::FromHandlePermanent(w.m_hWnd), &w);
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w.m_hWnd, GWLP_WNDPROC)), CWnd::StdWndProc);
        // The class's own behaviour still runs behind the object: the text is stored by the
        // default procedure (for EDIT, by the edit control itself).
        w.SetWindowText("abc");
        EXPECT_EQ(w.GetWindowText(), "abc");
        EXPECT_GE(Count(w.seen, WM_SETTEXT), 1);
        w.DestroyWindow();
    }
}

TEST_F(WndTest, MapEntryIsGoneBeforePostNcDestroy) {
    Recorder w;
    ASSERT_TRUE(w.CreateEx(0, kFrameworkClass, "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    HWND h = w.m_hWnd;
    ASSERT_TRUE(DestroyWindow(h));
    EXPECT_EQ(w.postNcDestroyCalls, 1);
    EXPECT_EQ(w.handleAtPostNcDestroy, nullptr);
    EXPECT_FALSE(w.mappedAtPostNcDestroy);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    ASSERT_GE(w.seen.size(), 2u);
    EXPECT_EQ(w.seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(Count(w.seen, WM_DESTROY), 1);
}

// A unit-like object that deletes itself once its window is gone.
class SelfDeleting : public CWnd {
public:
    explicit SelfDeleting(int* deleted) : m_deleted(deleted) {}
    ~SelfDeleting() override { ++*m_deleted; }
    void PostNcDestroy() override { delete this; }

private:
    int* m_deleted;
};

TEST_F(WndTest, ChildrenDeleteThemselvesWhenTheParentIsDestroyed) {
    Recorder parent;
    ASSERT_TRUE(parent.CreateEx(0, kFrameworkClass, "", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr));
    int deleted = 0;
    HWND children[3];
    for (int i = 0; i < 3; ++i) {
        auto* child = new SelfDeleting(&deleted);
        ASSERT_TRUE(child->CreateEx(0, "BUTTON", "b", WS_CHILD, 0, 0, 20, 20, parent.m_hWnd,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(100 + i))));
        children[i] = child->m_hWnd;
    }
    parent.DestroyWindow();
    EXPECT_EQ(deleted, 3);
    for (HWND h : children)
        EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(WndTest, WindowRefusedInCreateLeavesNoMapEntry) {
    Recorder w;
    w.refuseCreate = true;
    EXPECT_FALSE(w.CreateEx(0, kFrameworkClass, "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
    EXPECT_EQ(w.m_hWnd, nullptr);
    EXPECT_EQ(w.postNcDestroyCalls, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(w.lastHandle), nullptr);
}

TEST_F(WndTest, DestructorDestroysAWindowItStillOwns) {
    HWND h;
    {
        Recorder w;
        ASSERT_TRUE(w.CreateEx(0, kPlainClass, "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr));
        h = w.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST_F(WndTest, AttachAndDetachOnlyTouchTheMap) {
    HWND h = CreateWindowExA(0, kPlainClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    WNDPROC before = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
    {
        CWnd a;
        ASSERT_TRUE(a.Attach(h));
        EXPECT_EQ(CWnd::FromHandlePermanent(h), &a);
        CWnd b;
        EXPECT_FALSE(b.Attach(h)) << "one object per window";
        EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), before);
        EXPECT_EQ(a.Detach(), h);
        EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
        ASSERT_TRUE(a.Attach(h));
    }  // an attached window is forgotten, not destroyed
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    DestroyWindow(h);
}

class EditSpy : public CEdit {
public:
    std::vector<UINT> seen;
    int postNcDestroyCalls = 0;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        return CEdit::WindowProc(message, wParam, lParam);
    }
    void PostNcDestroy() override { ++postNcDestroyCalls; }
};

TEST_F(WndTest, SubclassedEditKeepsItsBehaviourAndIsGivenBack) {
    HWND h = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPED | ES_AUTOHSCROLL, 0, 0, 200, 30,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC));
    EditSpy edit;
    ASSERT_TRUE(edit.SubclassWindow(h));
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), CWnd::StdWndProc);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), &edit);

    // The limit is enforced by the edit control behind the object: typing goes through
    // WindowProc and is cut at 5 characters by the saved procedure.
    edit.SetLimitText(5);
    for (char c : std::string("12345678"))
        SendMessageA(h, WM_CHAR, static_cast<WPARAM>(c), 1);
    EXPECT_EQ(edit.GetWindowText(), "12345");
    EXPECT_EQ(Count(edit.seen, WM_CHAR), 8);

    EditSpy other;
    EXPECT_FALSE(other.SubclassWindow(h)) << "a window already bound is not taken twice";

    EXPECT_EQ(edit.UnsubclassWindow(), h);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(h, GWLP_WNDPROC)), original);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(edit.m_hWnd, nullptr);
    size_t before = edit.seen.size();
    SendMessageA(h, WM_CHAR, 'x', 1);
    EXPECT_EQ(edit.seen.size(), before) << "no message reaches the object after it let go";
    DestroyWindow(h);
    EXPECT_EQ(edit.postNcDestroyCalls, 0);
}

TEST_F(WndTest, SubclassedEditDestroyedWhileBoundIsReleased) {
    HWND h = CreateWindowExA(0, "EDIT", "", WS_OVERLAPPED, 0, 0, 100, 30, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(h, nullptr);
    EditSpy edit;
    ASSERT_TRUE(edit.SubclassWindow(h));
    DestroyWindow(h);
    EXPECT_EQ(edit.postNcDestroyCalls, 1);
    EXPECT_EQ(edit.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
    EXPECT_EQ(Count(edit.seen, WM_NCDESTROY), 1);
}

// ---- Reflection ---------------------------------------------------------------------------

class ClickButton : public CButton {
public:
    int clicks = 0;
    bool take = true;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        if (take && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            ++clicks;
            *result = 0x1234;
            return TRUE;
        }
        return CButton::OnChildNotify(message, wParam, lParam, result);
    }
};

class ReflectTest : public WndTest {
protected:
    void SetUp() override {
        WndTest::SetUp();
        // The container's own procedure counts what falls to default processing.
        ASSERT_TRUE(parent.CreateEx(0, kCountingClass, "", WS_POPUP, 0, 0, 300, 200, nullptr,
                                    nullptr));
        g_defaultSeen.clear();
    }
    void TearDown() override { parent.DestroyWindow(); }
    CWnd parent;
};

TEST_F(ReflectTest, ButtonClickReachesTheButtonObject) {
    ClickButton button;
    ASSERT_TRUE(button.Create("OK", BS_PUSHBUTTON | WS_VISIBLE, RECT{10, 10, 90, 40}, parent.m_hWnd, 7));
    button.Click();  // the platform sends BN_CLICKED to the parent
    EXPECT_EQ(button.clicks, 1);
    EXPECT_EQ(Count(g_defaultSeen, WM_COMMAND), 0) << "a handled notification stops at the child";

    LRESULT r = SendMessageA(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED),
                             reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(r, 0x1234) << "the child's result is the parent's answer";
    EXPECT_EQ(button.clicks, 2);
}

TEST_F(ReflectTest, UnhandledAndMenuCommandsFallToDefaultProcessing) {
    ClickButton button;
    button.take = false;
    ASSERT_TRUE(button.Create("OK", BS_PUSHBUTTON, RECT{10, 10, 90, 40}, parent.m_hWnd, 7));
    SendMessageA(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), reinterpret_cast<LPARAM>(button.m_hWnd));
    EXPECT_EQ(Count(g_defaultSeen, WM_COMMAND), 1);
    button.take = true;
    SendMessageA(parent.m_hWnd, WM_COMMAND, MAKEWPARAM(7, 0), 0);  // a menu command
    EXPECT_EQ(button.clicks, 0);
    EXPECT_EQ(Count(g_defaultSeen, WM_COMMAND), 2);
}

// Answers its own colours through the reflected control-colour message.
class ColourEdit : public CEdit {
public:
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    int reflected = 0;
    LPARAM lastType = -1;
    ~ColourEdit() override { DeleteObject(brush); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_REFLECT_CTLCOLOR: return OnReflectedColour(reinterpret_cast<HDC>(wParam), lParam);
        default: return CEdit::WindowProc(message, wParam, lParam);
        }
    }
    LRESULT OnReflectedColour(HDC dc, LPARAM type) {
        ++reflected;
        lastType = type;
        SetTextColor(dc, RGB(255, 0, 0));
        return reinterpret_cast<LRESULT>(brush);
    }
};

TEST_F(ReflectTest, EditColourIsDecidedByTheEdit) {
    ColourEdit edit;
    ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_BORDER, RECT{10, 50, 200, 80}, parent.m_hWnd, 8));
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT r = SendMessageA(parent.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(edit.m_hWnd));
    EXPECT_EQ(r, reinterpret_cast<LRESULT>(edit.brush));
    EXPECT_EQ(edit.lastType, CTLCOLOR_EDIT);
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(Count(g_defaultSeen, WM_CTLCOLOREDIT), 0);
    DeleteDC(dc);

    // The edit asks its parent for colours when it paints; that request comes back to it.
    int before = edit.reflected;
    parent.ShowWindow(SW_SHOWNA);
    edit.Invalidate();
    edit.UpdateWindow();
    EXPECT_GT(edit.reflected, before);
}

// Takes the colour message itself in OnChildNotify: no reflected message is sent then.
class NotifyColourEdit : public ColourEdit {
public:
    BOOL OnChildNotify(UINT message, WPARAM, LPARAM, LRESULT* result) override {
        if (message != WM_CTLCOLOREDIT)
            return FALSE;
        *result = 77;
        return TRUE;
    }
};

TEST_F(ReflectTest, ChildThatTakesTheColourMessageIsNotAskedTwice) {
    NotifyColourEdit edit;
    ASSERT_TRUE(edit.Create(0, RECT{10, 50, 200, 80}, parent.m_hWnd, 9));
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT r = SendMessageA(parent.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(edit.m_hWnd));
    EXPECT_EQ(r, 77);
    EXPECT_EQ(edit.reflected, 0);
    DeleteDC(dc);
}

TEST_F(ReflectTest, ControlWithoutAnObjectGetsDefaultColours) {
    HWND plain = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, parent.m_hWnd, nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageA(parent.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain));
    EXPECT_EQ(Count(g_defaultSeen, WM_CTLCOLOREDIT), 1);
    DeleteDC(dc);
}

}  // namespace
