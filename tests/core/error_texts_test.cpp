// Tests of the error report texts, against the report layout and examples the runtime's users see
// (a code-6 report, the out-of-memory report of 0x7FFFFFF0 bytes). Built as GBK like the module,
// so the literals here are GBK too; one case checks the raw bytes to catch a lost GBK setting.
#include "runtime/core/error_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

namespace {

TEST(RuntimeErrorText, CodeAndMessageLines)
{
    EXPECT_EQ(BuildRuntimeErrorText(ErrorCodeMessage(6), 6),
              "运行时出错!\r\n\r\n错误代码：6\r\n\r\n错误信息：调用DLL命令后发现堆栈错误\r\n");
    EXPECT_EQ(BuildRuntimeErrorText(nullptr, 11), "运行时出错!\r\n\r\n错误代码：11\r\n\r\n");
    EXPECT_EQ(BuildRuntimeErrorText("", -1), "运行时出错!\r\n\r\n错误代码：-1\r\n\r\n");
    EXPECT_EQ(BuildRuntimeErrorText(kTextWindowNotLoaded, 0),
              "运行时出错!\r\n\r\n错误信息：指定窗口尚未载入\r\n");
}

TEST(RuntimeErrorText, CodeZeroWithoutMessageIsTheBareHeader)
{
    EXPECT_EQ(BuildRuntimeErrorText(nullptr, 0), "运行时出错!\r\n\r\n");
    EXPECT_EQ(BuildRuntimeErrorText("", 0), "运行时出错!\r\n\r\n");
}

TEST(RuntimeErrorText, TextsAreStoredAsGbk)
{
    // 运行时出错! followed by CR LF CR LF, in GBK.
    const char expected[] = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n\r\n";
    EXPECT_EQ(BuildRuntimeErrorText(nullptr, 0), expected);
    // 错误代码： in GBK, the colon being the full-width one.
    EXPECT_EQ(BuildRuntimeErrorText(nullptr, 6).substr(std::strlen(expected)),
              "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA" "6\r\n\r\n");
}

TEST(OutOfMemory, SizeIsASignedDecimal)
{
    EXPECT_EQ(OutOfMemoryText(0x7FFFFFF0), "分配 2147483632 字节内存失败!");
    EXPECT_EQ(OutOfMemoryText(0), "分配 0 字节内存失败!");
    EXPECT_EQ(OutOfMemoryText(-16), "分配 -16 字节内存失败!");
    EXPECT_EQ(OutOfMemoryText(INT32_MIN), "分配 -2147483648 字节内存失败!");
    EXPECT_EQ(BuildRuntimeErrorText(OutOfMemoryText(0x7FFFFFF0).c_str(), 0),
              "运行时出错!\r\n\r\n错误信息：分配 2147483632 字节内存失败!\r\n");
}

TEST(ErrorCodes, ElevenDistinctMessages)
{
    EXPECT_STREQ(ErrorCodeMessage(1), "数组成员引用下标超出定义范围");
    EXPECT_STREQ(ErrorCodeMessage(9), "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围");
    EXPECT_STREQ(ErrorCodeMessage(11), "所提供参数的数据类型不符合要求");
    std::set<std::string> seen;
    for (int code = 1; code <= 11; ++code) {
        ASSERT_NE(ErrorCodeMessage(code), nullptr) << code;
        EXPECT_GT(std::strlen(ErrorCodeMessage(code)), 0u) << code;
        seen.insert(ErrorCodeMessage(code));
    }
    EXPECT_EQ(seen.size(), 11u);
}

TEST(ErrorCodes, CodesOutsideTheTableHaveNoMessage)
{
    EXPECT_EQ(ErrorCodeMessage(0), nullptr);
    EXPECT_EQ(ErrorCodeMessage(12), nullptr);
    EXPECT_EQ(ErrorCodeMessage(-1), nullptr);
    EXPECT_EQ(ErrorCodeMessage(INT_MIN), nullptr);
    // Reported with the code alone.
    EXPECT_EQ(BuildRuntimeErrorText(ErrorCodeMessage(12), 12), "运行时出错!\r\n\r\n错误代码：12\r\n\r\n");
}

TEST(DllEntryError, FileNameOnlyWhenThereIsOne)
{
    EXPECT_EQ(FormatDllEntryError(nullptr, "MessageBoxW"), "无法找到指定DLL库文件中的输出命令“MessageBoxW”");
    EXPECT_EQ(FormatDllEntryError("", "#12"), "无法找到指定DLL库文件中的输出命令“#12”");
    EXPECT_EQ(FormatDllEntryError("C:\\lib\\x.dll", "Run"),
              "无法找到指定DLL库文件“C:\\lib\\x.dll”中的输出命令“Run”");
    EXPECT_EQ(FormatDllEntryError("a.dll", nullptr), "无法找到指定DLL库文件“a.dll”中的输出命令“”");
    // A name longer than any fixed buffer would hold comes through whole.
    const std::string file(5000, 'f');
    const std::string text = FormatDllEntryError(file.c_str(), "e");
    EXPECT_NE(text.find(file + "”中的输出命令“e”"), std::string::npos);
}

}  // namespace
