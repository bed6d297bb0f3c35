// Error report texts. This file is compiled with the GBK execution character set, so every
// literal below is stored as the GBK bytes the message box shows.
#include "runtime/core/error_texts.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Indexed by error code; entry 0 is no code.
const char* const kErrorCodeMessages[kErrorCodeCount + 1] = {
    "",
    "数组成员引用下标超出定义范围",                                    // 1 subscript out of range
    "未得到所需要的数值型数据",                                        // 2 no numeric value
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",           // 3 wrong dimension count
    "数组成员引用下标必须大于等于1",                                   // 4 subscript below 1
    "数据或数组类型不匹配",                                            // 5 type mismatch
    "调用DLL命令后发现堆栈错误",                                       // 6 stack unbalanced by DLL
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",       // 7 bad statement argument
    "被比较数据只能使用等于或不等于命令比较",                          // 8 only (un)equal comparable
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",       // 9 choice index out of range
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零", // 10 bad array redefinition
    "所提供参数的数据类型不符合要求",                                  // 11 wrong argument type
};

const char kHeader[] = "运行时出错!\r\n\r\n";
const char kCodeLabel[] = "错误代码：";
const char kMessageLabel[] = "错误信息：";
const char kOutOfMemory[] = "分配 %d 字节内存失败!";
constexpr size_t kOutOfMemorySize = 100;  // the size of the buffer the text is formatted into

// printf-style formatting into a string of whatever length the arguments need.
std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

}  // namespace

const char kTextLoadFormFailed[] = "载入窗口模板数据段出错!";
const char kTextLoadStartupWindowFailed[] = "载入启动窗口失败";
const char kTextDllEntryNotFound[] = "无法找到指定DLL库文件中的输出命令“%s”";
const char kTextDllFileEntryNotFound[] = "无法找到指定DLL库文件“%s”中的输出命令“%s”";
const char kTextWindowOrUnitNotLoaded[] = "指定窗口或窗口组件不存在或尚未载入";
const char kTextNotNumeric[] = "欲转换数据类型不是数值";
const char kTextUnitWindowNotLoaded[] = "未载入欲访问窗口组件所在的窗口";
const char kTextWindowNotLoaded[] = "指定窗口尚未载入";
const char kTextEventWindowNotFound[] = "未找到引发事件的窗口";
const char kTextEventUnitNotFound[] = "未找到引发事件的窗口组件";
const char kTextEventUnitInvalid[] = "引发事件的窗口组件无效";

const char* ErrorCodeMessage(int code)
{
    return code >= 1 && code <= kErrorCodeCount ? kErrorCodeMessages[code] : nullptr;
}

std::string BuildRuntimeErrorText(const char* message, int code)
{
    std::string text = kHeader;
    if (code != 0)
        text += kCodeLabel + Format("%d", code) + "\r\n\r\n";
    if (message && *message)
        text += kMessageLabel + std::string(message) + "\r\n";
    return text;
}

std::string OutOfMemoryText(int32_t size)
{
    char buffer[kOutOfMemorySize];
    std::snprintf(buffer, sizeof(buffer), kOutOfMemory, static_cast<int>(size));
    return buffer;
}

std::string FormatDllEntryError(const char* file, const char* entry)
{
    if (!entry)
        entry = "";
    if (!file || !*file)
        return Format(kTextDllEntryNotFound, entry);
    return Format(kTextDllFileEntryNotFound, file, entry);
}
